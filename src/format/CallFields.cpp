#include "format/CallFields.h"

#include <algorithm>
#include <array>

#include "format/CallFormatters.h"
#include "format/EventFormatter.h"
#include "format/NameTables.h"
#include "protocol/Bytes.h"
#include "protocol/Calls.h"
#include "protocol/PayloadLayout.h"

namespace format {

namespace {

using Block = std::span<const uint8_t>;

// The window's text of a value without the label in front of it: ", SOL_SOCKET, " gives
// "SOL_SOCKET", ".port=80" gives "80", "cmd=FIONBIO, " gives "FIONBIO".
std::string Bare(std::string_view text) {
  if (text.starts_with(", ")) text.remove_prefix(2);
  if (text.ends_with(", ")) text.remove_suffix(2);
  if (const size_t equals = text.find('='); equals != std::string_view::npos) {
    text.remove_prefix(equals + 1);
  }
  return std::string(text);
}

class Decoder {
 public:
  Decoder(Block payload, DecodedCall& call) : p(payload), m_call(call) {}

  int32_t I32(size_t offset) const { return protocol::bytes::GetLE32Signed(p, offset); }
  uint32_t U32(size_t offset) const { return protocol::bytes::GetLE32(p, offset); }
  uint16_t U16(size_t offset) const { return protocol::bytes::GetLE16(p, offset); }

  void Field(const char* name, std::variant<int64_t, std::string> value, std::string text) {
    m_call.params.push_back({name, std::move(value), std::move(text)});
  }
  void Unlabelled(const char* name, int64_t value, std::string text) {
    Field(name, std::variant<int64_t, std::string>(value), std::move(text));
  }
  void Field(const char* name, int64_t value, std::string text) {
    Unlabelled(name, value, Bare(text));
  }
  void Decimal(const char* name, size_t offset) {
    Field(name, I32(offset), std::to_string(I32(offset)));
  }
  void Hex16(const char* name, size_t offset) {
    Field(name, U16(offset), FormatHex16(U16(offset)));
  }
  void Hex32(const char* name, size_t offset) {
    Field(name, U32(offset), FormatHex32(U32(offset)));
  }
  void Socket() {
    const int32_t s = I32(protocol::layout::kSocket);
    m_call.socket = s;
    Field("s", s, FormatSocket(s, 0));
  }
  void Address(const char* lengthName, size_t lengthOffset, size_t image, AddressRole role) {
    Decimal(lengthName, lengthOffset);
    SockAddr& address = m_call.address;
    address.family = static_cast<int16_t>(U16(image + protocol::layout::kImageFamily));
    const uint16_t port = U16(image + protocol::layout::kImagePort);  // its bytes in network order
    address.port = static_cast<uint16_t>(port >> 8 | port << 8);
    for (size_t i = 0; i < address.address.size(); ++i) {
      address.address[i] = protocol::bytes::Get8(p, image + protocol::layout::kImageAddress + i);
    }
    const auto& a = address.address;
    Field("family", address.family, FormatFamily(address.family));
    Field("port", address.port, FormatPort(port));
    Field("address", int64_t{a[0]} << 24 | a[1] << 16 | a[2] << 8 | a[3], FormatAddress(a));
    m_call.role = role;
  }
  void Result(int64_t value) { m_result = value; }
  void TextResult(std::string text) { m_result = std::move(text); }
  void Transfer(protocol::layout::Transfer transfer) {
    Result(I32(transfer.result));
    if (I32(transfer.result) >= 0) m_call.total = I32(transfer.result);
  }

  Block p;
  std::variant<int64_t, std::string> m_result;

 private:
  DecodedCall& m_call;
};

void AddressCall(Decoder& d, const char* lengthName, protocol::layout::Address offsets,
                 AddressRole role) {
  d.Socket();
  d.Address(lengthName, offsets.addrLen, protocol::layout::kAddressImage, role);
  d.Result(d.I32(offsets.result));
}
void Accept(Decoder& d) {
  AddressCall(d, "addrlen", protocol::layout::kAccept, AddressRole::kPeer);
}
void Bind(Decoder& d) {
  AddressCall(d, "namelen", protocol::layout::kBindConnect, AddressRole::kLocal);
}
void Connect(Decoder& d) {
  AddressCall(d, "namelen", protocol::layout::kBindConnect, AddressRole::kPeer);
}
void GetPeerName(Decoder& d) {
  AddressCall(d, "namelen", protocol::layout::kGetName, AddressRole::kPeer);
}
void GetSockName(Decoder& d) {
  AddressCall(d, "namelen", protocol::layout::kGetName, AddressRole::kLocal);
}
void CloseSocket(Decoder& d) {
  d.Socket();
  d.Result(d.I32(protocol::layout::kCloseResult));
}
void SockOpt(Decoder& d) {
  d.Socket();
  const int32_t level = d.I32(protocol::layout::kOptionLevel);
  d.Field("level", level, FormatLevel(level));
  const int32_t option = d.I32(protocol::layout::kOptionName);
  const format::names::SocketOption* known =
      format::names::FindSocketOption(format::names::kWinsock11Options, level, option);
  d.Field("optname", option, known ? known->name : std::to_string(option));
  d.Decimal("optlen", protocol::layout::kOptionLen);
  // Its text keeps the option's name: "SO_LINGER=ON, TIME=30" is one value.
  d.Unlabelled("optval", OptionValue(d.p), FormatSockOpt(level, option, OptionBytes(d.p)));
  d.Result(d.I32(protocol::layout::kOptionResult));
}

void Convert32(Decoder& d, const char* name) {
  d.Hex32(name, protocol::layout::kConvert32Arg);
  d.Result(d.U32(protocol::layout::kConvert32Result));
}
void Convert16(Decoder& d, const char* name) {
  d.Hex16(name, protocol::layout::kConvert16Arg);
  d.Result(d.U16(protocol::layout::kConvert16Result));
}
void Htonl(Decoder& d) {
  Convert32(d, "hostlong");
}
void Ntohl(Decoder& d) {
  Convert32(d, "netlong");
}
void Htons(Decoder& d) {
  Convert16(d, "hostshort");
}
void Ntohs(Decoder& d) {
  Convert16(d, "netshort");
}
void InetAddr(Decoder& d) {
  const std::string cp = PayloadText(d.p, protocol::layout::kInetFixed);
  d.Field("cp", cp, cp);
  d.Result(d.U32(protocol::layout::kInetAddrResult));
}
void InetNtoa(Decoder& d) {
  d.Hex32("in", protocol::layout::kInetNtoaArg);
  d.TextResult(PayloadText(d.p, protocol::layout::kInetFixed));
}
void Ioctl(Decoder& d) {
  d.Socket();
  const uint32_t command = d.U32(protocol::layout::kIoctlCmd);
  d.Field("cmd", command, FormatIoctlCommand(command));
  d.Hex32("argp", protocol::layout::kIoctlArg);
  d.Result(d.I32(protocol::layout::kIoctlResult));
}
void Listen(Decoder& d) {
  d.Socket();
  d.Decimal("backlog", protocol::layout::kListenBacklog);
  d.Result(d.I32(protocol::layout::kListenResult));
}
void Shutdown(Decoder& d) {
  d.Socket();
  d.Decimal("how", protocol::layout::kListenBacklog);
  d.Result(d.I32(protocol::layout::kListenResult));
}
void Select(Decoder& d) {
  for (const auto& [name, offset] : {std::pair{"readfds", protocol::layout::kSelectReads},
                                     std::pair{"writefds", protocol::layout::kSelectWrites},
                                     std::pair{"exceptfds", protocol::layout::kSelectExcepts}}) {
    d.Field(name, d.U16(offset), std::to_string(d.U16(offset)));
  }
  d.Result(d.I32(protocol::layout::kSelectResult));
}
void Socket(Decoder& d) {
  const int32_t af = d.I32(protocol::layout::kSocketAf);
  const int32_t type = d.I32(protocol::layout::kSocketType);
  d.Field("af", af, FormatProtocolFamily(af));
  d.Field("type", type, FormatSocketType(type));
  d.Field("protocol", d.U32(protocol::layout::kSocketProtocol),
          FormatHex16(d.U32(protocol::layout::kSocketProtocol)));
  d.Result(d.I32(protocol::layout::kSocketResult));
}
void Recv(Decoder& d) {
  d.Socket();
  d.Field("flags", d.I32(protocol::layout::kTransferFlags),
          FormatRecvFlags(d.I32(protocol::layout::kTransferFlags)));
  d.Transfer(protocol::layout::kShortTransfer);
}
void Send(Decoder& d) {
  d.Socket();
  d.Field("flags", d.I32(protocol::layout::kTransferFlags),
          FormatSendFlags(d.I32(protocol::layout::kTransferFlags)));
  d.Transfer(protocol::layout::kShortTransfer);
}
void RecvFrom(Decoder& d) {
  d.Socket();
  d.Field("flags", d.I32(protocol::layout::kTransferFlags),
          FormatRecvFlags(d.I32(protocol::layout::kTransferFlags)));
  d.Address("fromlen", protocol::layout::kRecvFromAddrLen, protocol::layout::kLongImage,
            AddressRole::kSource);
  d.Transfer(protocol::layout::kLongTransfer);
}
void SendTo(Decoder& d) {
  d.Socket();
  d.Field("flags", d.I32(protocol::layout::kTransferFlags),
          FormatSendFlags(d.I32(protocol::layout::kTransferFlags)));
  d.Address("tolen", protocol::layout::kSendToAddrLen, protocol::layout::kLongImage,
            AddressRole::kDestination);
  d.Transfer(protocol::layout::kLongTransfer);
}

// Indexed by API id: the calls decoded field by field come first in the call table.
constexpr std::array<void (*)(Decoder&), 23> kDecoders = {
    Accept,   Bind,     CloseSocket, Connect, GetPeerName, GetSockName, SockOpt, Htonl,
    Htons,    InetAddr, InetNtoa,    Ioctl,   Listen,      Ntohl,       Ntohs,   Recv,
    RecvFrom, Select,   Send,        SendTo,  SockOpt,     Shutdown,    Socket,
};

constexpr bool DecodersCoverFieldCalls() {
  for (const protocol::calls::Call& row : protocol::calls::kCalls) {
    if ((row.layout != protocol::layout::Group::kGeneric) != (row.id < kDecoders.size()))
      return false;
  }
  return true;
}
static_assert(DecodersCoverFieldCalls(), "one decoder for each call decoded field by field");

}  // namespace

DecodedCall DecodeCall(const CSpyMsg& msg) {
  DecodedCall call;
  const protocol::calls::Call* row = protocol::calls::Find(msg.m_nApiId);
  const Block p = msg.PayloadBytes();
  call.error = msg.m_hData.HasData() ? protocol::bytes::GetLE32Signed(p, protocol::layout::kError)
                                     : msg.m_nError;
  if (row == nullptr) return call;
  call.name = row->name;
  call.direction = row->data;
  if (row->layout == protocol::layout::Group::kGeneric || !msg.m_hData.HasData()) return call;

  Decoder decoder(p, call);
  kDecoders[row->id](decoder);
  // The result's text is the one the window shows inside " returns ( )".
  std::vector<std::string> lines;
  std::string text = FormatCall(*row, msg, lines, false);
  constexpr std::string_view kOpen = " returns (";
  text = text.substr(kOpen.size(), text.size() - kOpen.size() - 1);
  call.result = CallField{"result", std::move(decoder.m_result), std::move(text)};
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
