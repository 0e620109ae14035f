// Reading a call's payload into its named fields (CallFields.h): the reader that the readers of
// each layout group share, and those readers, which the group's layout selects.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "format/CallFields.h"
#include "format/EventFormatter.h"
#include "format/WideText.h"
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

// `count` bytes from `offset` in lowercase hexadecimal, missing bytes zero.
inline std::string HexBytes(Block p, size_t offset, size_t count) {
  std::string hex;
  for (size_t i = 0; i < count; ++i) hex += HexByte(protocol::bytes::Get8(p, offset + i));
  return hex;
}

// A text of a Winsock 2 payload (layout::kText*): none for a null pointer, and a wide text in
// UTF-8; `end` is where what follows it starts. A text past the end of the payload is none.
struct CountedText {
  std::optional<std::string> text;
  bool wide = false;
  size_t end = 0;
};
inline CountedText ReadCountedText(Block p, size_t offset) {
  CountedText read{std::nullopt, false, offset + layout::kTextChars};
  const int32_t length = protocol::bytes::GetLE32Signed(p, offset + layout::kTextLength);
  if (read.end > p.size() || length < 0) return read;
  read.wide = protocol::bytes::GetLE32(p, offset + layout::kTextWidth) == 2;
  const size_t width = read.wide ? 2 : 1;
  const size_t count = std::min(static_cast<size_t>(length), (p.size() - read.end) / width);
  const Block chars = p.subspan(read.end, count * width);
  read.text = read.wide ? Utf8FromUtf16Le(chars) : std::string(chars.begin(), chars.end());
  read.end += count * width;
  return read;
}

// A socket address of any family, read from its address block.
struct AddressParts {
  int32_t length = 0;
  int16_t family = 0;
  bool hasPort = false;      // IPv4 and IPv6: port and address; any other family its bytes
  uint16_t networkPort = 0;  // the port's bytes read little-endian, still in network order
  uint16_t port = 0;
  InAddr in{};                    // an IPv4 address
  std::array<uint8_t, 16> in6{};  // an IPv6 address
  std::string address;            // the address's text, or the bytes after the family in hex
};
inline AddressParts ReadAddressBlock(Block p, size_t block) {
  AddressParts a;
  a.length = protocol::bytes::GetLE32Signed(p, block + layout::kAddrBlockLength);
  const size_t bytes = block + layout::kAddrBlockBytes;
  a.family = static_cast<int16_t>(protocol::bytes::GetLE16(p, bytes + layout::kImageFamily));
  a.hasPort = layout::HasPortAndAddress(a.family);
  a.networkPort = protocol::bytes::GetLE16(p, bytes + layout::kImagePort);
  a.port = static_cast<uint16_t>(a.networkPort >> 8 | a.networkPort << 8);
  if (a.family == layout::kFamilyInet) {
    for (size_t i = 0; i < a.in.size(); ++i) a.in[i] = protocol::bytes::Get8(p, bytes + 4 + i);
    a.address = FormatInAddr(a.in);
  } else if (a.family == layout::kFamilyInet6) {
    for (size_t i = 0; i < a.in6.size(); ++i) {
      a.in6[i] = protocol::bytes::Get8(p, bytes + layout::kIn6Address + i);
    }
    a.address = FormatIn6Addr(a.in6, protocol::bytes::GetLE32(p, bytes + layout::kIn6Scope));
  } else {
    // Any other family: the bytes after the family, as many as the length says.
    const size_t end = std::clamp<size_t>(static_cast<size_t>(std::max(a.length, 0)), 2,
                                          layout::kAddrBlockCapacity);
    a.address = HexBytes(p, bytes + 2, end - 2);
  }
  return a;
}

class Reader {
 public:
  Reader(const protocol::calls::Call& row, Block payload, DecodedCall& call)
      : row(row), p(payload), m_call(call) {}

  int32_t I32(size_t offset) const { return protocol::bytes::GetLE32Signed(p, offset); }
  uint32_t U32(size_t offset) const { return protocol::bytes::GetLE32(p, offset); }
  uint16_t U16(size_t offset) const { return protocol::bytes::GetLE16(p, offset); }
  uint64_t U64(size_t offset) const { return protocol::bytes::GetLE64(p, offset); }

  void Field(std::string name, std::variant<int64_t, std::string> value, std::string text,
             std::string line, Shown shown = Shown::kInLine, bool utf8 = false) {
    m_call.params.push_back(
        {std::move(name), std::move(value), std::move(text), std::move(line), shown, utf8});
  }
  // A field whose text is what follows the label in its piece of the line.
  void Labelled(std::string name, int64_t value, std::string line, Shown shown = Shown::kInLine) {
    std::string text = Bare(line);
    Field(std::move(name), value, std::move(text), std::move(line), shown);
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
    const AddressParts a = ReadAddressBlock(p, block);
    if (a.length == layout::kNoAddress) return;
    Labelled(lengthName, a.length, ", SOCKADDR.length=" + std::to_string(a.length),
             Shown::kAddress);
    Labelled("family", a.family, FormatFamily(a.family, m_call.family), Shown::kAddress);
    if (!a.hasPort) {
      Field("address", a.address, a.address, ".bytes=" + a.address, Shown::kAddress);
      return;
    }
    m_call.address = {a.family, a.port, a.in, a.in6};
    m_call.role = role;
    Labelled("port", a.port, FormatPort(a.networkPort), Shown::kAddress);
    Field("address", a.address, a.address, ".address=" + a.address, Shown::kAddress);
  }
  // A text of a Winsock 2 payload, "NULL" for a null pointer, after `label`; returns where what
  // follows it starts.
  size_t Text(const char* name, const std::string& label, size_t offset,
              Shown shown = Shown::kInLine) {
    const CountedText read = ReadCountedText(p, offset);
    if (read.text) {
      Field(name, *read.text, *read.text, label + *read.text, shown, read.wide);
    } else {
      Field(name, 0, "NULL", label + "NULL", shown);
    }
    return read.end;
  }

  void Result(std::variant<int64_t, std::string> value, std::string text, bool utf8 = false) {
    m_call.result.emplace(
        CallField{"result", std::move(value), std::move(text), {}, Shown::kNot, utf8});
  }
  // An int result: "NO ERROR", or the failure.
  void IntResult(size_t offset) {
    Result(I32(offset), FormatResult(I32(offset), Error(), m_call.family));
  }
  // The result of a call that returns its error code: "NO ERROR", or the error's name.
  void ErrorCodeResult(size_t offset) {
    const int32_t result = I32(offset);
    Result(result, result == 0 ? FormatResult(0, 0) : FormatErrorCode(result, m_call.family));
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
// A Winsock 2 call's af, type and protocol, as socket shows them; WSASocketA/W's may take theirs
// from the protocol info (`fromInfo`).
inline void SocketArgs2(Reader& r, bool fromInfo = false) {
  const int32_t af = r.I32(layout::kSocketAf);
  const int32_t type = r.I32(layout::kSocketType);
  const int32_t protocol = r.I32(layout::kSocketProtocol);
  const auto text = [fromInfo](int32_t value, std::string shown) {
    const char* name = fromInfo ? names::Find<int32_t>(names::kFromProtocolInfo, value) : nullptr;
    return name ? std::string(name) : shown;
  };
  r.Labelled("af", af,
             "af=" + text(af, FormatProtocolFamily(af, protocol::calls::Family::kWinsock2)));
  r.Labelled("type", type, ", type=" + text(type, FormatSocketType(type)));
  r.Labelled("protocol", protocol,
             ", protocol=" + text(protocol, FormatHex16(static_cast<uint32_t>(protocol))));
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
// CallFields2Lookups.cpp
void ReadAddrInfo(Reader& r);
void ReadFreeAddrInfo(Reader& r);
void ReadNameInfo(Reader& r);
void ReadInetPton(Reader& r);
void ReadInetNtop(Reader& r);
void ReadAddressToString(Reader& r);
void ReadStringToAddress(Reader& r);
// select, WSAPoll, WSAAsyncSelect, WSAEventSelect, WSAEnumNetworkEvents, gethostbyname,
// gethostbyaddr, gethostname (CallFields2Events.cpp).
void ReadSelect2(Reader& r);
void ReadPoll(Reader& r);
void ReadSelectEvents(Reader& r);
void ReadNetworkEvents(Reader& r);
void ReadHostent(Reader& r);
void ReadHostName(Reader& r);
// sendto, recvfrom, WSASend, WSARecv, WSASendTo, WSARecvFrom, WSAGetOverlappedResult
// (CallFields2Data.cpp).
void ReadTransferAddr2(Reader& r);
void ReadWsaBuffers(Reader& r);
void ReadWsaBuffersAddr(Reader& r);
void ReadOverlappedResult(Reader& r);

}  // namespace format::payload
