// Reading a call's payload into its named fields (CallFields.h): the reader that the readers of
// each layout group share, and those readers, which the group's layout selects.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "format/CallFields.h"
#include "format/EventFormatter.h"
#include "protocol/Bytes.h"
#include "protocol/PayloadLayout.h"

namespace format::payload {

using Block = std::span<const uint8_t>;
namespace layout = protocol::layout;

inline std::string HexByte(uint8_t byte) {
  static constexpr char kDigits[] = "0123456789abcdef";
  return {kDigits[byte >> 4], kDigits[byte & 0x0F]};
}

// The text of a value without the label in front of it: ", SOL_SOCKET, " gives "SOL_SOCKET",
// ".port=80" gives "80", ", cmd=FIONBIO, " gives "FIONBIO".
inline std::string Bare(std::string_view line) {
  if (line.starts_with(", ")) line.remove_prefix(2);
  if (line.ends_with(", ")) line.remove_suffix(2);
  if (const size_t equals = line.find('='); equals != std::string_view::npos) {
    line.remove_prefix(equals + 1);
  }
  return std::string(line);
}

// The zero-ended text from `offset`, ending at the end of the payload at the latest.
inline std::string PayloadText(Block p, size_t offset) {
  if (offset >= p.size()) return {};
  const Block tail = p.subspan(offset);
  return std::string(tail.begin(), std::find(tail.begin(), tail.end(), uint8_t{0}));
}

class Reader {
 public:
  Reader(const protocol::calls::Call& row, Block payload, DecodedCall& call)
      : row(row), p(payload), m_call(call) {}

  int32_t I32(size_t offset) const { return protocol::bytes::GetLE32Signed(p, offset); }
  uint32_t U32(size_t offset) const { return protocol::bytes::GetLE32(p, offset); }
  uint16_t U16(size_t offset) const { return protocol::bytes::GetLE16(p, offset); }
  uint64_t U64(size_t offset) const { return protocol::bytes::GetLE64(p, offset); }

  void Field(const char* name, std::variant<int64_t, std::string> value, std::string text,
             std::string line, Shown shown = Shown::kInLine) {
    m_call.params.push_back({name, std::move(value), std::move(text), std::move(line), shown});
  }
  // A field whose text is what follows the label in its piece of the line.
  void Labelled(const char* name, int64_t value, std::string line, Shown shown = Shown::kInLine) {
    std::string text = Bare(line);
    Field(name, value, std::move(text), std::move(line), shown);
  }
  void Decimal(const char* name, const char* label, size_t offset) {
    Labelled(name, I32(offset), label + std::to_string(I32(offset)));
  }
  void Socket() {
    const int32_t s = I32(layout::kSocket);
    m_call.socket = s;
    Labelled("s", s, FormatSocket(s, 0));
  }
  // The address length and the three parts of the 16-byte image.
  void Address(const char* lengthName, const char* lengthLabel, size_t lengthOffset, size_t image,
               AddressRole role) {
    Labelled(lengthName, I32(lengthOffset), lengthLabel + std::to_string(I32(lengthOffset)),
             Shown::kAddress);
    SockAddr& address = m_call.address;
    address.family = static_cast<int16_t>(U16(image + layout::kImageFamily));
    const uint16_t port = U16(image + layout::kImagePort);  // its bytes in network order
    address.port = static_cast<uint16_t>(port >> 8 | port << 8);
    for (size_t i = 0; i < address.address.size(); ++i) {
      address.address[i] = protocol::bytes::Get8(p, image + layout::kImageAddress + i);
    }
    const auto& a = address.address;
    Labelled("family", address.family, FormatFamily(address.family), Shown::kAddress);
    Labelled("port", address.port, FormatPort(port), Shown::kAddress);
    Labelled("address", int64_t{a[0]} << 24 | a[1] << 16 | a[2] << 8 | a[3], FormatAddress(a),
             Shown::kAddress);
    m_call.role = role;
  }

  // A Winsock 2 call's socket, a 64-bit handle.
  void Socket64() {
    const uint64_t s = U64(layout::kSocket64);
    m_call.socket = static_cast<int32_t>(s);
    Labelled("s", static_cast<int64_t>(s), FormatSocket(static_cast<int32_t>(s), 0));
  }
  // A socket address of any family, read from its address block: its length and parts; nothing
  // for a block that holds none.
  void AnyAddress(const char* lengthName, size_t block, AddressRole role) {
    const int32_t length = I32(block + layout::kAddrBlockLength);
    if (length == layout::kNoAddress) return;
    Labelled(lengthName, length, ", SOCKADDR.length=" + std::to_string(length), Shown::kAddress);
    const size_t bytes = block + layout::kAddrBlockBytes;
    const auto family = static_cast<int16_t>(U16(bytes + layout::kImageFamily));
    Labelled("family", family, FormatFamily(family, m_call.family), Shown::kAddress);
    const uint16_t port = U16(bytes + layout::kImagePort);  // its bytes in network order
    const auto hostPort = static_cast<uint16_t>(port >> 8 | port << 8);
    std::string address;
    if (family == layout::kFamilyInet) {
      InAddr a{};
      for (size_t i = 0; i < a.size(); ++i) a[i] = protocol::bytes::Get8(p, bytes + 4 + i);
      address = FormatInAddr(a);
      m_call.address = {family, hostPort, a};
      m_call.role = role;
    } else if (family == layout::kFamilyInet6) {
      std::array<uint8_t, 16> a{};
      for (size_t i = 0; i < a.size(); ++i) {
        a[i] = protocol::bytes::Get8(p, bytes + layout::kIn6Address + i);
      }
      address = FormatIn6Addr(a, U32(bytes + layout::kIn6Scope));
      m_call.address = {family, hostPort, {}, a};
      m_call.role = role;
    } else {
      // Any other family: the bytes after the family, as many as the length says.
      const size_t end = std::clamp<size_t>(static_cast<size_t>(std::max(length, 0)), 2,
                                            layout::kAddrBlockCapacity);
      for (size_t i = 2; i < end; ++i) {
        address += HexByte(protocol::bytes::Get8(p, bytes + i));
      }
      Field("address", address, address, ".bytes=" + address, Shown::kAddress);
      return;
    }
    Labelled("port", hostPort, FormatPort(port), Shown::kAddress);
    Field("address", address, address, ".address=" + address, Shown::kAddress);
  }

  void Result(std::variant<int64_t, std::string> value, std::string text) {
    m_call.result.emplace(CallField{"result", std::move(value), std::move(text), {}, Shown::kNot});
  }
  // An int result: "NO ERROR", or the failure.
  void IntResult(size_t offset) {
    Result(I32(offset), FormatResult(I32(offset), Error(), m_call.family));
  }
  void SocketResult(size_t offset) {
    Result(I32(offset), FormatSocket(I32(offset), Error(), m_call.family));
  }
  void Socket64Result(size_t offset) {
    const uint64_t s = U64(offset);
    Result(static_cast<int64_t>(s), FormatSocket(static_cast<int32_t>(s), Error(), m_call.family));
  }
  // The bytes a call moved, of which the data lines show those captured; none when negative.
  void Total(int32_t bytes) {
    if (bytes >= 0) m_call.total = bytes;
  }
  // Bytes transferred, or the failure.
  void TransferResult(layout::Transfer transfer) {
    const int32_t result = I32(transfer.result);
    Result(result, result == -1 ? FormatResult(-1, Error(), m_call.family)
                                : std::to_string(result) + " bytes");
    if (result >= 0) m_call.total = result;
  }

  const protocol::calls::Call& row;
  const Block p;

 private:
  int32_t Error() const { return I32(layout::kError); }

  DecodedCall& m_call;
};

// The flags of a transfer, named by its direction.
inline void Flags(Reader& r, size_t offset = layout::kTransferFlags) {
  const int32_t flags = r.I32(offset);
  r.Labelled("flags", flags,
             ", flags=" + (r.row.data == protocol::calls::Data::kSend ? FormatSendFlags(flags)
                                                                      : FormatRecvFlags(flags)));
}
// A pointer, or a pointer-sized value, from its 64-bit field.
inline void Pointer(Reader& r, const char* name, const char* label, size_t offset) {
  const uint64_t value = r.U64(offset);
  r.Labelled(name, static_cast<int64_t>(value), label + FormatPointer(value));
}
// A Winsock 2 call's af, type and protocol, as socket shows them.
inline void SocketArgs2(Reader& r) {
  const int32_t af = r.I32(layout::kSocketAf);
  const int32_t type = r.I32(layout::kSocketType);
  const int32_t protocol = r.I32(layout::kSocketProtocol);
  r.Labelled("af", af, "af=" + FormatProtocolFamily(af, protocol::calls::Family::kWinsock2));
  r.Labelled("type", type, ", type=" + FormatSocketType(type));
  r.Labelled("protocol", protocol, ", protocol=" + FormatHex16(static_cast<uint32_t>(protocol)));
}

// The readers of the Winsock 2 groups.
void ReadStartup(Reader& r);
void ReadCleanup(Reader& r);
void ReadSocket2(Reader& r);
void ReadClose2(Reader& r);
void ReadBindConnect2(Reader& r);
void ReadRecvSend2(Reader& r);
// accept, WSAAccept, WSASocketA/W, WSAConnect, listen, shutdown, getsockname, getpeername,
// getsockopt, setsockopt, ioctlsocket, WSAIoctl, WSADuplicateSocketA/W (CallFields2Sockets.cpp).
void ReadAccept2(Reader& r);
void ReadWSASocket(Reader& r);
void ReadWSAConnect(Reader& r);
void ReadListenShutdown2(Reader& r);
void ReadGetName2(Reader& r);
void ReadOption2(Reader& r);
void ReadIoctl2(Reader& r);
void ReadWSAIoctl(Reader& r);
void ReadDuplicateSocket(Reader& r);
// sendto, recvfrom, WSASend, WSARecv, WSASendTo, WSARecvFrom, WSAGetOverlappedResult
// (CallFields2Data.cpp).
void ReadTransferAddr2(Reader& r);
void ReadWsaBuffers(Reader& r);
void ReadWsaBuffersAddr(Reader& r);
void ReadOverlappedResult(Reader& r);

}  // namespace format::payload
