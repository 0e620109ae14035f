#include "format/PacketExport.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <tuple>

#include "format/CallFields.h"
#include "protocol/Bytes.h"

namespace format {

namespace {

constexpr int32_t kSocketApi = 22;
constexpr int32_t kAcceptApi = 0;
constexpr int32_t kCloseSocketApi = 2;
constexpr int32_t kSockStream = 1;
constexpr int32_t kSockDgram = 2;
constexpr uint8_t kTcp = 6;
constexpr uint8_t kUdp = 17;
constexpr size_t kIpHeader = 20;
constexpr size_t kTcpHeader = 20;
constexpr size_t kUdpHeader = 8;
constexpr size_t kMaxIpPacket = 0xFFFF;
// Sockets whose addresses never appear: their own side and their peer's.
constexpr InAddr kPlaceholderLocal{198, 18, 0, 1};
constexpr InAddr kPlaceholderPeer{198, 19, 0, 1};
constexpr uint16_t kPlaceholderPortBase = 1024;

struct Endpoint {
  InAddr address{};
  uint16_t port = 0;

  auto operator<=>(const Endpoint&) const = default;
  bool HasAddress() const { return address != InAddr{}; }
  // What a call names replaces what was known, except where it leaves a part open.
  void Learn(const SockAddr& from) {
    if (from.address != InAddr{}) address = from.address;
    if (from.port != 0) port = from.port;
  }
};

struct Direction {
  uint8_t protocol;
  Endpoint source, destination;
  auto operator<=>(const Direction&) const = default;
  Direction Reverse() const { return {protocol, destination, source}; }
};

// One socket from its creation (or first appearance) to its closing; handles are reused.
struct SocketLife {
  uint8_t protocol = 0;  // 0 until a call shows it
  Endpoint local, peer;
  std::optional<size_t> acceptedFrom;  // the listening socket, whose local side it shares
};

struct Transfer {
  size_t record;
  size_t life;
  DecodedCall call;
};

bool IsLoopback(const InAddr& address) {
  return address[0] == 127;
}

class FlowMap {
 public:
  // Follows the sockets through the trace; returns the transfers in record order.
  std::vector<Transfer> Follow(std::span<const SpyMsgPtr> records) {
    std::vector<Transfer> transfers;
    for (size_t i = 0; i < records.size(); ++i) {
      DecodedCall call = DecodeCall(*records[i]);
      const int32_t id = records[i]->m_nApiId;
      const std::optional<int64_t> result = call.Number("result");
      if (id == kSocketApi && result && *result != -1) {
        const std::optional<int64_t> type = call.Number("type");
        Open(static_cast<int32_t>(*result)).protocol = type == kSockStream  ? kTcp
                                                       : type == kSockDgram ? kUdp
                                                                            : 0;
      }
      if (!call.socket) continue;
      const int32_t handle = *call.socket;
      const size_t life = LifeOf(handle);
      if (id == kAcceptApi && result && *result != -1) {
        SocketLife& accepted = Open(static_cast<int32_t>(*result));
        accepted.protocol = kTcp;
        accepted.peer.Learn(call.address);
        accepted.acceptedFrom = life;
      } else if (call.role == AddressRole::kLocal) {
        m_lives[life].local.Learn(call.address);
      } else if (call.role == AddressRole::kPeer) {
        m_lives[life].peer.Learn(call.address);
      }
      if (call.direction != protocol::calls::Data::kNone && m_lives[life].protocol == 0) {
        m_lives[life].protocol = call.role == AddressRole::kNone ? kTcp : kUdp;
      }
      if (call.total) transfers.push_back({i, life, std::move(call)});
      if (id == kCloseSocketApi && result && *result != -1) m_open.erase(handle);
    }
    for (SocketLife& life : m_lives) {
      if (life.acceptedFrom && !life.local.HasAddress()) {
        life.local.address = m_lives[*life.acceptedFrom].local.address;
      }
      if (life.acceptedFrom && life.local.port == 0) {
        life.local.port = m_lives[*life.acceptedFrom].local.port;
      }
    }
    return transfers;
  }

  // Where a transfer's bytes went: from the sender's side to the receiver's.
  Direction DirectionOf(const Transfer& transfer) const {
    const SocketLife& life = m_lives[transfer.life];
    const auto port = static_cast<uint16_t>(kPlaceholderPortBase + transfer.life);
    Endpoint remote = life.peer;
    if (transfer.call.role != AddressRole::kNone) remote.Learn(transfer.call.address);
    if (!remote.HasAddress()) remote.address = kPlaceholderPeer;
    if (remote.port == 0) remote.port = port;
    Endpoint local = life.local;
    // A socket bound to any address talks to a loopback peer from the same loopback address.
    if (!local.HasAddress())
      local.address = IsLoopback(remote.address) ? remote.address : kPlaceholderLocal;
    if (local.port == 0) local.port = port;
    const uint8_t protocol = life.protocol;
    return transfer.call.direction == protocol::calls::Data::kSend
               ? Direction{protocol, local, remote}
               : Direction{protocol, remote, local};
  }

 private:
  SocketLife& Open(int32_t handle) {
    m_open[handle] = m_lives.size();
    return m_lives.emplace_back();
  }
  size_t LifeOf(int32_t handle) {
    const auto found = m_open.find(handle);
    if (found != m_open.end()) return found->second;
    Open(handle);
    return m_lives.size() - 1;
  }

  std::vector<SocketLife> m_lives;
  std::map<int32_t, size_t> m_open;  // handle -> its current life
};

void Put16BE(std::vector<uint8_t>& out, size_t at, uint32_t value) {
  out[at] = static_cast<uint8_t>(value >> 8);
  out[at + 1] = static_cast<uint8_t>(value);
}
void Put32BE(std::vector<uint8_t>& out, size_t at, uint32_t value) {
  Put16BE(out, at, value >> 16);
  Put16BE(out, at + 2, value);
}

class PcapWriter {
 public:
  PcapWriter() : m_file(24) {
    protocol::bytes::PutLE32(&m_file[0], 0xA1B2C3D4);
    protocol::bytes::PutLE16(&m_file[4], 2);
    protocol::bytes::PutLE16(&m_file[6], 4);
    protocol::bytes::PutLE32(&m_file[16], kMaxIpPacket);  // snaplen
    protocol::bytes::PutLE32(&m_file[20], kPcapLinkTypeRawIpv4);
  }

  // One packet carrying `length` bytes of the stream, of which `captured` are at hand.
  void Packet(uint32_t time, const Direction& direction, std::span<const uint8_t> captured,
              size_t length) {
    const size_t transport = direction.protocol == kTcp ? kTcpHeader : kUdpHeader;
    std::vector<uint8_t> headers(kIpHeader + transport);
    const size_t total = std::min(kIpHeader + transport + length, kMaxIpPacket);
    headers[0] = 0x45;
    Put16BE(headers, 2, static_cast<uint32_t>(total));
    Put16BE(headers, 4, ++m_ipId);
    Put16BE(headers, 6, 0x4000);  // don't fragment
    headers[8] = 64;
    headers[9] = direction.protocol;
    std::copy(direction.source.address.begin(), direction.source.address.end(), &headers[12]);
    std::copy(direction.destination.address.begin(), direction.destination.address.end(),
              &headers[16]);
    Put16BE(headers, 10, IpChecksum(headers));
    Put16BE(headers, kIpHeader, direction.source.port);
    Put16BE(headers, kIpHeader + 2, direction.destination.port);
    if (direction.protocol == kTcp) {
      uint32_t& sequence = m_nextSequence.try_emplace(direction, 1).first->second;
      Put32BE(headers, kIpHeader + 4, sequence);
      Put32BE(headers, kIpHeader + 8,
              m_nextSequence.try_emplace(direction.Reverse(), 1).first->second);
      headers[kIpHeader + 12] = 0x50;  // 20-byte header
      headers[kIpHeader + 13] = 0x18;  // PSH, ACK
      Put16BE(headers, kIpHeader + 14, 0xFFFF);
      sequence += static_cast<uint32_t>(length);
    } else {
      Put16BE(headers, kIpHeader + 4, static_cast<uint32_t>(total - kIpHeader));
    }
    const size_t at = m_file.size();
    m_file.resize(at + 16);
    protocol::bytes::PutLE32(&m_file[at], time);
    protocol::bytes::PutLE32(&m_file[at + 8],
                             static_cast<uint32_t>(headers.size() + captured.size()));
    protocol::bytes::PutLE32(&m_file[at + 12], static_cast<uint32_t>(headers.size() + length));
    m_file.insert(m_file.end(), headers.begin(), headers.end());
    m_file.insert(m_file.end(), captured.begin(), captured.end());
  }

  std::vector<uint8_t> Take() { return std::move(m_file); }

 private:
  static uint16_t IpChecksum(std::span<const uint8_t> header) {
    uint32_t sum = 0;
    for (size_t i = 0; i < kIpHeader; i += 2) sum += header[i] << 8 | header[i + 1];
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint16_t>(~sum);
  }

  std::vector<uint8_t> m_file;
  uint16_t m_ipId = 0;
  std::map<Direction, uint32_t> m_nextSequence;
};

}  // namespace

std::vector<uint8_t> WritePcap(std::span<const SpyMsgPtr> records) {
  FlowMap flows;
  const std::vector<Transfer> transfers = flows.Follow(records);
  std::set<Direction> traced;  // directions whose sending side is in the trace
  for (const Transfer& transfer : transfers) {
    if (transfer.call.direction == protocol::calls::Data::kSend)
      traced.insert(flows.DirectionOf(transfer));
  }

  PcapWriter pcap;
  for (const Transfer& transfer : transfers) {
    const Direction direction = flows.DirectionOf(transfer);
    if (transfer.call.direction == protocol::calls::Data::kRecv && traced.contains(direction))
      continue;
    const auto total = static_cast<size_t>(*transfer.call.total);
    const std::span<const uint8_t> data = transfer.call.data;
    // A datagram is one packet whatever its size; a stream is cut into segments that fit.
    const size_t step = direction.protocol == kTcp ? kMaxIpPacket - kIpHeader - kTcpHeader : total;
    for (size_t offset = 0; offset < total; offset += step) {
      const size_t length = std::min(step, total - offset);
      const size_t from = std::min(offset, data.size());
      pcap.Packet(records[transfer.record]->m_time, direction,
                  data.subspan(from, std::min(length, data.size() - from)), length);
    }
  }
  return pcap.Take();
}

}  // namespace format
