#include "format/PacketExport.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <map>
#include <optional>
#include <set>
#include <tuple>

#include "format/CallFields.h"
#include "protocol/Bytes.h"

namespace format {

namespace {

using protocol::calls::Id;

// The calls that make, accept and close sockets, of both families; a socket's family and type
// are read from the fields "af" and "type", the new socket from "result".
bool IsOneOf(int32_t id, std::initializer_list<Id> calls) {
  return std::find(calls.begin(), calls.end(), static_cast<Id>(id)) != calls.end();
}
bool MakesSocket(int32_t id) {
  return IsOneOf(id, {Id::socket, Id::ws2_socket, Id::WSASocketA, Id::WSASocketW});
}
bool AcceptsSocket(int32_t id) {
  return IsOneOf(id, {Id::accept, Id::ws2_accept, Id::WSAAccept});
}
bool ClosesSocket(int32_t id) {
  return IsOneOf(id, {Id::closesocket, Id::ws2_closesocket});
}

constexpr int32_t kSockStream = 1;
constexpr int32_t kSockDgram = 2;
constexpr uint8_t kTcp = 6;
constexpr uint8_t kUdp = 17;
constexpr size_t kIpHeader = 20;
constexpr size_t kIp6Header = 40;
constexpr size_t kTcpHeader = 20;
constexpr size_t kUdpHeader = 8;
constexpr size_t kMaxIpPacket = 0xFFFF;
// An IPv4 address in its first four bytes, or an IPv6 address.
using IpAddress = std::array<uint8_t, 16>;
// Sockets whose addresses never appear: their own side and their peer's, for IPv4 the
// benchmarking networks 198.18.0.0/15, for IPv6 2001:2::/48.
constexpr IpAddress kPlaceholderLocal{198, 18, 0, 1};
constexpr IpAddress kPlaceholderPeer{198, 19, 0, 1};
constexpr IpAddress kPlaceholderLocal6{0x20, 0x01, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
constexpr IpAddress kPlaceholderPeer6{0x20, 0x01, 0, 2, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1};
constexpr uint16_t kPlaceholderPortBase = 1024;

struct Endpoint {
  IpAddress address{};
  uint16_t port = 0;

  auto operator<=>(const Endpoint&) const = default;
  bool HasAddress() const { return address != IpAddress{}; }
  // What a call names replaces what was known, except where it leaves a part open.
  void Learn(const SockAddr& from) {
    IpAddress named{};
    if (from.family == protocol::layout::kFamilyInet6) {
      named = from.address6;
    } else {
      std::copy(from.address.begin(), from.address.end(), named.begin());
    }
    if (named != IpAddress{}) address = named;
    if (from.port != 0) port = from.port;
  }
};

struct Direction {
  uint8_t protocol;
  bool v6;
  Endpoint source, destination;
  auto operator<=>(const Direction&) const = default;
  Direction Reverse() const { return {protocol, v6, destination, source}; }
};

size_t IpHeaderOf(const Direction& direction) {
  return direction.v6 ? kIp6Header : kIpHeader;
}

// One socket from its creation (or first appearance) to its closing; handles are reused.
struct SocketLife {
  uint8_t protocol = 0;  // 0 until a call shows it
  bool v6 = false;       // an AF_INET6 socket, by its socket call or the addresses it names
  Endpoint local, peer;
  std::optional<size_t> acceptedFrom;  // the listening socket, whose local side it shares
};

struct Transfer {
  size_t record;
  size_t life;
  DecodedCall call;
};

bool IsLoopback(const IpAddress& address, bool v6) {
  return v6 ? address == IpAddress{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}
            : address[0] == 127;
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
      if (MakesSocket(id) && result && *result != -1) {
        const std::optional<int64_t> type = call.Number("type");
        SocketLife& made = Open(static_cast<int32_t>(*result));
        made.protocol = type == kSockStream ? kTcp : type == kSockDgram ? kUdp : 0;
        made.v6 = call.Number("af") == protocol::layout::kFamilyInet6;
      }
      if (!call.socket) continue;
      const int32_t handle = *call.socket;
      const size_t life = LifeOf(handle);
      const bool namesV6 =
          call.role != AddressRole::kNone && call.address.family == protocol::layout::kFamilyInet6;
      if (AcceptsSocket(id) && result && *result != -1) {
        SocketLife& accepted = Open(static_cast<int32_t>(*result));
        accepted.protocol = kTcp;
        accepted.v6 = m_lives[life].v6 || namesV6;
        accepted.peer.Learn(call.address);
        accepted.acceptedFrom = life;
      } else if (call.role == AddressRole::kLocal) {
        m_lives[life].local.Learn(call.address);
      } else if (call.role == AddressRole::kPeer) {
        m_lives[life].peer.Learn(call.address);
      }
      if (namesV6) m_lives[life].v6 = true;
      // A transfer on a socket of unknown type: a datagram where it names an address.
      if (call.total && m_lives[life].protocol == 0) {
        m_lives[life].protocol = call.role == AddressRole::kNone ? kTcp : kUdp;
      }
      if (call.total) transfers.push_back({i, life, std::move(call)});
      if (ClosesSocket(id) && result && *result != -1) m_open.erase(handle);
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
    const bool v6 = life.v6;
    Endpoint remote = life.peer;
    if (transfer.call.role != AddressRole::kNone) remote.Learn(transfer.call.address);
    if (!remote.HasAddress()) remote.address = v6 ? kPlaceholderPeer6 : kPlaceholderPeer;
    if (remote.port == 0) remote.port = port;
    Endpoint local = life.local;
    // A socket bound to any address talks to a loopback peer from the same loopback address.
    if (!local.HasAddress()) {
      local.address = IsLoopback(remote.address, v6) ? remote.address
                      : v6                           ? kPlaceholderLocal6
                                                     : kPlaceholderLocal;
    }
    if (local.port == 0) local.port = port;
    const uint8_t protocol = life.protocol;
    return transfer.call.direction == protocol::calls::Data::kSend
               ? Direction{protocol, v6, local, remote}
               : Direction{protocol, v6, remote, local};
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
    protocol::bytes::PutLE32(&m_file[20], kPcapLinkTypeRaw);
  }

  // One packet carrying `length` bytes of the stream, of which `captured` are at hand.
  void Packet(uint32_t time, const Direction& direction, std::span<const uint8_t> captured,
              size_t length) {
    const size_t ip = IpHeaderOf(direction);
    const size_t transport = direction.protocol == kTcp ? kTcpHeader : kUdpHeader;
    std::vector<uint8_t> headers(ip + transport);
    const size_t total = std::min(ip + transport + length, kMaxIpPacket);
    if (direction.v6) {
      headers[0] = 0x60;
      Put16BE(headers, 4, static_cast<uint32_t>(total - ip));
      headers[6] = direction.protocol;
      headers[7] = 64;
      std::copy(direction.source.address.begin(), direction.source.address.end(), &headers[8]);
      std::copy(direction.destination.address.begin(), direction.destination.address.end(),
                &headers[24]);
    } else {
      headers[0] = 0x45;
      Put16BE(headers, 2, static_cast<uint32_t>(total));
      Put16BE(headers, 4, ++m_ipId);
      Put16BE(headers, 6, 0x4000);  // don't fragment
      headers[8] = 64;
      headers[9] = direction.protocol;
      std::copy_n(direction.source.address.begin(), 4, &headers[12]);
      std::copy_n(direction.destination.address.begin(), 4, &headers[16]);
      Put16BE(headers, 10, Checksum(0, std::span<const uint8_t>(headers).first(kIpHeader)));
    }
    Put16BE(headers, ip, direction.source.port);
    Put16BE(headers, ip + 2, direction.destination.port);
    if (direction.protocol == kTcp) {
      uint32_t& sequence = m_nextSequence.try_emplace(direction, 1).first->second;
      Put32BE(headers, ip + 4, sequence);
      Put32BE(headers, ip + 8, m_nextSequence.try_emplace(direction.Reverse(), 1).first->second);
      headers[ip + 12] = 0x50;  // 20-byte header
      headers[ip + 13] = 0x18;  // PSH, ACK
      Put16BE(headers, ip + 14, 0xFFFF);
      sequence += static_cast<uint32_t>(length);
    } else {
      const auto udpLength = static_cast<uint32_t>(total - ip);
      Put16BE(headers, ip + 4, udpLength);
      // IPv6 has no datagram without a checksum; it needs the whole datagram at hand.
      if (direction.v6 && captured.size() == length && total - ip == kUdpHeader + length) {
        uint32_t sum = Sum(0, std::span<const uint8_t>(headers).subspan(8, 32));
        sum += udpLength + kUdp;
        sum = Sum(sum, std::span<const uint8_t>(headers).subspan(ip));
        const uint16_t checksum = Checksum(sum, captured);
        Put16BE(headers, ip + 6, checksum == 0 ? 0xFFFF : checksum);
      }
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
  // The Internet checksum: the ones' complement of the ones' complement sum of 16-bit words.
  static uint32_t Sum(uint32_t sum, std::span<const uint8_t> bytes) {
    for (size_t i = 0; i < bytes.size(); i += 2) {
      sum += bytes[i] << 8 | (i + 1 < bytes.size() ? bytes[i + 1] : 0);
      sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return sum;
  }
  static uint16_t Checksum(uint32_t sum, std::span<const uint8_t> bytes) {
    sum = Sum(sum, bytes);
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
    const size_t step =
        direction.protocol == kTcp ? kMaxIpPacket - IpHeaderOf(direction) - kTcpHeader : total;
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
