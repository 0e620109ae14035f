#include "format/CallFields.h"

#include <algorithm>

#include "format/NameTables.h"
#include "format/PayloadReader.h"

namespace format {

namespace {

using protocol::calls::Id;
using namespace format::payload;

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
    case Group::kAccept2:
      return ReadAccept2;
    case Group::kWSASocket:
      return ReadWSASocket;
    case Group::kWSAConnect:
      return ReadWSAConnect;
    case Group::kListenShutdown2:
      return ReadListenShutdown2;
    case Group::kGetName2:
      return ReadGetName2;
    case Group::kOption2:
      return ReadOption2;
    case Group::kIoctl2:
      return ReadIoctl2;
    case Group::kWSAIoctl:
      return ReadWSAIoctl;
    case Group::kDuplicateSocket:
      return ReadDuplicateSocket;
    case Group::kAddrInfo:
      return ReadAddrInfo;
    case Group::kFreeAddrInfo:
      return ReadFreeAddrInfo;
    case Group::kNameInfo:
      return ReadNameInfo;
    case Group::kInetPton:
      return ReadInetPton;
    case Group::kInetNtop:
      return ReadInetNtop;
    case Group::kAddressToString:
      return ReadAddressToString;
    case Group::kStringToAddress:
      return ReadStringToAddress;
    case Group::kSelect2:
      return ReadSelect2;
    case Group::kPoll:
      return ReadPoll;
    case Group::kSelectEvents:
      return ReadSelectEvents;
    case Group::kNetworkEvents:
      return ReadNetworkEvents;
    case Group::kHostent:
      return ReadHostent;
    case Group::kHostName:
      return ReadHostName;
    case Group::kWsaBuffers:
      return ReadWsaBuffers;
    case Group::kTransferAddr2:
      return ReadTransferAddr2;
    case Group::kWsaBuffersAddr:
      return ReadWsaBuffersAddr;
    case Group::kOverlappedResult:
      return ReadOverlappedResult;
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
