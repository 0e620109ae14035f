// The data a trace's programs sent and received, as a pcap file of IPv4 and IPv6 packets with
// made-up TCP and UDP headers, for tools that dissect application protocols.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "store/SpyMsg.h"

namespace format {

constexpr uint32_t kPcapLinkTypeRaw = 101;  // raw IP: each packet an IPv4 or IPv6 header first

// One packet per call that sent data, and per call that received data whose sending side is not
// in the trace (so that no byte appears twice), in record order, stamped with the record's time.
// An AF_INET6 socket's packets are IPv6, the others' IPv4. Addresses come from the calls that
// name them; sockets whose addresses never appear get placeholders.
// TCP sequence numbers run on per direction; data the save limit cut gives caplen < len.
std::vector<uint8_t> WritePcap(std::span<const SpyMsgPtr> records);

}  // namespace format
