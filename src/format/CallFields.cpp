#include "format/CallFields.h"

#include <algorithm>
#include <array>

#include "format/EventFormatter.h"
#include "format/NameTables.h"
#include "protocol/Bytes.h"
#include "protocol/PayloadLayout.h"

namespace format {

namespace {

using Block = std::span<const uint8_t>;
using protocol::calls::Family;
using protocol::calls::Id;
namespace layout = protocol::layout;

std::string HexByte(uint8_t byte) {
  static constexpr char kDigits[] = "0123456789abcdef";
  return {kDigits[byte >> 4], kDigits[byte & 0x0F]};
}

// The text of a value without the label in front of it: ", SOL_SOCKET, " gives "SOL_SOCKET",
// ".port=80" gives "80", ", cmd=FIONBIO, " gives "FIONBIO".
std::string Bare(std::string_view line) {
  if (line.starts_with(", ")) line.remove_prefix(2);
  if (line.ends_with(", ")) line.remove_suffix(2);
  if (const size_t equals = line.find('='); equals != std::string_view::npos) {
    line.remove_prefix(equals + 1);
  }
  return std::string(line);
}

// The zero-ended text from `offset`, ending at the end of the payload at the latest.
std::string PayloadText(Block p, size_t offset) {
  if (offset >= p.size()) return {};
  const Block tail = p.subspan(offset);
  return std::string(tail.begin(), std::find(tail.begin(), tail.end(), uint8_t{0}));
}

// The option value: optlen bytes, ending at the end of the payload at the latest.
Block OptionBytes(Block p) {
  const size_t fixed = layout::kOptionFixed;
  if (p.size() <= fixed) return {};
  const auto optlen =
      static_cast<size_t>(std::max(protocol::bytes::GetLE32Signed(p, layout::kOptionLen), 0));
  return p.subspan(fixed, std::min(optlen, p.size() - fixed));
}

// Its first four bytes as a little-endian int, missing bytes zero.
int32_t OptionValue(Block p) {
  return protocol::bytes::GetLE32Signed(OptionBytes(p), 0);
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
  // A socket address of any family, read from its address block: its length and parts.
  void AnyAddress(const char* lengthName, size_t block, AddressRole role) {
    const int32_t length = I32(block + layout::kAddrBlockLength);
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
    m_call.result = CallField{"result", std::move(value), std::move(text), {}, Shown::kNot};
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

void AddressCall(Reader& r, layout::Address offsets, AddressRole role) {
  r.Socket();
  r.Address(r.row.id == static_cast<uint16_t>(Id::accept) ? "addrlen" : "namelen",
            ", SOCKADDR.length=", offsets.addrLen, layout::kAddressImage, role);
}

void ReadAccept(Reader& r) {
  AddressCall(r, layout::kAccept, AddressRole::kPeer);
  r.SocketResult(layout::kAccept.result);
}
void ReadBindConnect(Reader& r) {
  const bool bind = r.row.id == static_cast<uint16_t>(Id::bind);
  AddressCall(r, layout::kBindConnect, bind ? AddressRole::kLocal : AddressRole::kPeer);
  r.IntResult(layout::kBindConnect.result);
}
void ReadGetName(Reader& r) {
  const bool local = r.row.id == static_cast<uint16_t>(Id::getsockname);
  AddressCall(r, layout::kGetName, local ? AddressRole::kLocal : AddressRole::kPeer);
  r.IntResult(layout::kGetName.result);
}
void ReadClose(Reader& r) {
  r.Socket();
  r.IntResult(layout::kCloseResult);
}
void ReadOption(Reader& r) {
  r.Socket();
  const int32_t level = r.I32(layout::kOptionLevel);
  r.Labelled("level", level, FormatLevel(level));
  const int32_t option = r.I32(layout::kOptionName);
  const format::names::SocketOption* known =
      format::names::FindSocketOption(format::names::kWinsock11Options, level, option);
  r.Labelled("optname", option, known ? known->name : std::to_string(option), Shown::kNot);
  r.Labelled("optlen", r.I32(layout::kOptionLen), std::to_string(r.I32(layout::kOptionLen)),
             Shown::kNot);
  // Its text keeps the option's name: "SO_LINGER=ON, TIME=30" is one value.
  const int32_t value = OptionValue(r.p);
  std::string text = FormatSockOpt(level, option, OptionBytes(r.p));
  r.Field("optval", value, text, text);
  r.IntResult(layout::kOptionResult);
}
void ReadConvert32(Reader& r) {
  const bool host = r.row.id == static_cast<uint16_t>(Id::htonl);
  r.Labelled(host ? "hostlong" : "netlong", r.U32(layout::kConvert32Arg),
             FormatHex32(r.U32(layout::kConvert32Arg)));
  r.Result(r.U32(layout::kConvert32Result), FormatHex32(r.U32(layout::kConvert32Result)));
}
void ReadConvert16(Reader& r) {
  const bool host = r.row.id == static_cast<uint16_t>(Id::htons);
  r.Labelled(host ? "hostshort" : "netshort", r.U16(layout::kConvert16Arg),
             FormatHex16(r.U16(layout::kConvert16Arg)));
  r.Result(r.U16(layout::kConvert16Result), FormatHex16(r.U16(layout::kConvert16Result)));
}
void ReadInetAddr(Reader& r) {
  const std::string cp = PayloadText(r.p, layout::kInetFixed);
  r.Field("cp", cp, cp, cp);
  const uint32_t result = r.U32(layout::kInetAddrResult);
  r.Result(result, result == 0xFFFFFFFFu ? "INADDR_NONE" : FormatHex32(result));
}
void ReadInetNtoa(Reader& r) {
  r.Labelled("in", r.U32(layout::kInetNtoaArg), FormatHex32(r.U32(layout::kInetNtoaArg)));
  const std::string result = PayloadText(r.p, layout::kInetFixed);
  r.Result(result, result.empty() ? "NULL" : result);
}
void ReadIoctl(Reader& r) {
  r.Socket();
  const uint32_t command = r.U32(layout::kIoctlCmd);
  r.Labelled("cmd", command, ", " + FormatIoctlCommand(command));
  r.Labelled("argp", r.U32(layout::kIoctlArg), "arg=" + FormatHex32(r.U32(layout::kIoctlArg)));
  r.IntResult(layout::kIoctlResult);
}
void ReadListen(Reader& r) {
  r.Socket();
  r.Decimal("backlog", ", backlog=", layout::kListenBacklog);
  r.IntResult(layout::kListenResult);
}
void ReadShutdown(Reader& r) {
  r.Socket();
  r.Decimal("how", ", how=", layout::kListenBacklog);
  r.IntResult(layout::kListenResult);
}
void ReadSelect(Reader& r) {
  const uint16_t reads = r.U16(layout::kSelectReads);
  const uint16_t writes = r.U16(layout::kSelectWrites);
  const uint16_t excepts = r.U16(layout::kSelectExcepts);
  r.Labelled("readfds", reads, "..,#reads=" + std::to_string(reads));
  r.Labelled("writefds", writes, ", #writes=" + std::to_string(writes));
  r.Field("exceptfds", excepts, std::to_string(excepts),
          ", #excepts=" + std::to_string(excepts) + ",..");
  r.IntResult(layout::kSelectResult);
}
void ReadSocket(Reader& r) {
  const int32_t af = r.I32(layout::kSocketAf);
  const int32_t type = r.I32(layout::kSocketType);
  const uint32_t protocol = r.U32(layout::kSocketProtocol);
  r.Labelled("af", af, "af=" + FormatProtocolFamily(af));
  r.Labelled("type", type, ", type=" + FormatSocketType(type));
  r.Labelled("protocol", protocol, ", protocol=" + FormatHex16(protocol));
  r.SocketResult(layout::kSocketResult);
}
// The flags of a transfer, named by its direction.
void Flags(Reader& r, size_t offset = layout::kTransferFlags) {
  const int32_t flags = r.I32(offset);
  r.Labelled("flags", flags,
             ", flags=" + (r.row.data == protocol::calls::Data::kSend ? FormatSendFlags(flags)
                                                                      : FormatRecvFlags(flags)));
}
void ReadRecvSend(Reader& r) {
  r.Socket();
  Flags(r);
  r.TransferResult(layout::kShortTransfer);
}
void ReadRecvFrom(Reader& r) {
  r.Socket();
  Flags(r);
  r.Address("fromlen", ", SOCKADDR.length=", layout::kRecvFromAddrLen, layout::kLongImage,
            AddressRole::kSource);
  r.TransferResult(layout::kLongTransfer);
}
void ReadSendTo(Reader& r) {
  r.Socket();
  Flags(r);
  // sendto's address length has always had two blanks before it.
  r.Address("tolen", ",  SOCKADDR.length=", layout::kSendToAddrLen, layout::kLongImage,
            AddressRole::kDestination);
  r.TransferResult(layout::kLongTransfer);
}

// A Winsock version word: the major version in its low byte.
std::string Version(uint16_t version) {
  return std::to_string(version & 0xFF) + "." + std::to_string(version >> 8);
}

void ReadStartup(Reader& r) {
  const uint16_t requested = r.U16(layout::kStartupRequested);
  r.Labelled("version", requested, "version=" + Version(requested));
  const uint16_t version = r.U16(layout::kStartupVersion);
  const uint16_t high = r.U16(layout::kStartupHighVersion);
  r.Labelled("wVersion", version, ", wVersion=" + Version(version));
  r.Labelled("wHighVersion", high, ", wHighVersion=" + Version(high));
  const std::string description = PayloadText(r.p, layout::kStartupFixed);
  const std::string status = PayloadText(r.p, layout::kStartupFixed + description.size() + 1);
  r.Field("szDescription", description, description, {}, Shown::kNot);
  r.Field("szSystemStatus", status, status, {}, Shown::kNot);
  // WSAStartup returns its error code.
  const int32_t result = r.I32(layout::kResult2);
  r.Result(result, result == 0 ? FormatResult(0, 0) : FormatErrorCode(result, Family::kWinsock2));
}
void ReadCleanup(Reader& r) {
  r.IntResult(layout::kResult2);
}
void ReadSocket2(Reader& r) {
  const int32_t af = r.I32(layout::kSocketAf);
  const int32_t type = r.I32(layout::kSocketType);
  const uint32_t protocol = r.U32(layout::kSocketProtocol);
  r.Labelled("af", af, "af=" + FormatProtocolFamily(af, Family::kWinsock2));
  r.Labelled("type", type, ", type=" + FormatSocketType(type));
  r.Labelled("protocol", protocol, ", protocol=" + FormatHex16(protocol));
  r.Socket64Result(layout::kSocket2Result);
}
void ReadClose2(Reader& r) {
  r.Socket64();
  r.IntResult(layout::kResult2);
}
void ReadBindConnect2(Reader& r) {
  r.Socket64();
  const bool bind = r.row.id == static_cast<uint16_t>(Id::ws2_bind);
  r.AnyAddress("namelen", layout::kBindConnect2Address,
               bind ? AddressRole::kLocal : AddressRole::kPeer);
  r.IntResult(layout::kResult2);
}

void ReadRecvSend2(Reader& r) {
  r.Socket64();
  r.Decimal("len", ", len=", layout::kTransfer2Len);
  Flags(r, layout::kTransfer2Flags);
  r.TransferResult(layout::kTransfer2);
}

using ReadFn = void (*)(Reader&);

constexpr ReadFn ReaderOf(layout::Group group) {
  using layout::Group;
  switch (group) {
    case Group::kAccept:
      return ReadAccept;
    case Group::kBindConnect:
      return ReadBindConnect;
    case Group::kGetName:
      return ReadGetName;
    case Group::kClose:
      return ReadClose;
    case Group::kOption:
      return ReadOption;
    case Group::kConvert32:
      return ReadConvert32;
    case Group::kConvert16:
      return ReadConvert16;
    case Group::kInetAddr:
      return ReadInetAddr;
    case Group::kInetNtoa:
      return ReadInetNtoa;
    case Group::kIoctl:
      return ReadIoctl;
    case Group::kListen:
      return ReadListen;
    case Group::kShutdown:
      return ReadShutdown;
    case Group::kSelect:
      return ReadSelect;
    case Group::kSocket:
      return ReadSocket;
    case Group::kRecvSend:
      return ReadRecvSend;
    case Group::kRecvFrom:
      return ReadRecvFrom;
    case Group::kSendTo:
      return ReadSendTo;
    case Group::kStartup:
      return ReadStartup;
    case Group::kCleanup:
      return ReadCleanup;
    case Group::kSocket2:
      return ReadSocket2;
    case Group::kClose2:
      return ReadClose2;
    case Group::kBindConnect2:
      return ReadBindConnect2;
    case Group::kRecvSend2:
      return ReadRecvSend2;
    case Group::kGeneric:
      break;
  }
  return nullptr;
}

}  // namespace

DecodedCall DecodeCall(const CSpyMsg& msg) {
  DecodedCall call;
  const protocol::calls::Call* row = protocol::calls::Find(msg.m_nApiId);
  const Block p = msg.PayloadBytes();
  call.error =
      msg.m_hData.HasData() ? protocol::bytes::GetLE32Signed(p, layout::kError) : msg.m_nError;
  if (row == nullptr) return call;
  call.name = row->name;
  call.family = protocol::calls::FamilyOf(row->id);
  call.direction = row->data;
  const ReadFn read = ReaderOf(row->layout);
  if (read == nullptr || !msg.m_hData.HasData()) return call;

  Reader reader(*row, p, call);
  read(reader);
  if (call.total) call.data = CapturedData(msg, -1);
  return call;
}

std::optional<int64_t> DecodedCall::Number(std::string_view field) const {
  const CallField* found = result && result->name == field ? &*result : nullptr;
  for (const CallField& param : params) {
    if (param.name == field) found = &param;
  }
  const int64_t* number = found ? std::get_if<int64_t>(&found->value) : nullptr;
  return number ? std::optional(*number) : std::nullopt;
}

}  // namespace format
