// The data a trace's programs sent and received, as a pcap file of IPv4 packets with made-up
// TCP and UDP headers, for tools that dissect application protocols.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "store/SpyMsg.h"

namespace format {

constexpr uint32_t kPcapLinkTypeRawIpv4 = 101;

// One packet per send, sendto, and per recv or recvfrom whose sending side is not in the trace
// (so that no byte appears twice), in record order, stamped with the record's time. Addresses
// come from the calls that name them; sockets whose addresses never appear get placeholders.
// TCP sequence numbers run on per direction; data the save limit cut gives caplen < len.
std::vector<uint8_t> WritePcap(std::span<const SpyMsgPtr> records);

}  // namespace format
