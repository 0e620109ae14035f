// The readers of the Winsock 2 calls that make, connect, name, configure and duplicate sockets:
// accept and WSAAccept, WSASocketA/W, WSAConnect, listen, shutdown, getsockname, getpeername,
// getsockopt, setsockopt, ioctlsocket, WSAIoctl, WSADuplicateSocketA/W.
#include "format/NameTables.h"
#include "format/PayloadReader.h"

namespace format::payload {

namespace {

using protocol::calls::Family;
using protocol::calls::Id;

bool Is(const Reader& r, Id id) {
  return r.row.id == static_cast<uint16_t>(id);
}

// The length the program offered for what the call fills in; the line shows the length filled.
void Offered(Reader& r, const char* name, size_t offset) {
  const int32_t value = r.I32(offset);
  r.Field(name, value, std::to_string(value), {}, Shown::kNot);
}

// `count` bytes from `offset`, ending at the end of the payload at the latest.
Block BytesAt(const Reader& r, size_t offset, int64_t count) {
  if (offset >= r.p.size() || count <= 0) return {};
  return r.p.subspan(offset, std::min(static_cast<size_t>(count), r.p.size() - offset));
}

// A buffer's length and its bytes as captured, in hexadecimal; the line leaves out bytes that
// were not captured.
void Buffer(Reader& r, const char* lengthName, const char* lengthLabel, size_t lengthOffset,
            const char* name, const char* label, Block bytes) {
  const uint32_t length = r.U32(lengthOffset);
  r.Labelled(lengthName, length, lengthLabel + std::to_string(length));
  std::string hex;
  for (const uint8_t byte : bytes) hex += HexByte(byte);
  r.Field(name, hex, hex, hex.empty() ? std::string() : label + hex);
}

// ioctlsocket's argument as it was before or after the call; the line shows one of the two.
void Argument(Reader& r, const char* name, size_t offset, bool inLine) {
  const uint32_t value = r.U32(offset);
  const std::string text = FormatHex32(value);
  r.Field(name, value, text, inLine ? "arg=" + text : std::string(),
          inLine ? Shown::kInLine : Shown::kNot);
}

}  // namespace

void ReadAccept2(Reader& r) {
  r.Socket64();
  if (Is(r, Id::WSAAccept)) {
    Pointer(r, "condition", ", condition=", layout::kAccept2Condition);
    Pointer(r, "callback_data", ", data=", layout::kAccept2CallbackData);
  }
  Offered(r, "addrlen_in", layout::kAccept2Offered);
  r.AnyAddress("addrlen", layout::kAccept2Address, AddressRole::kPeer);
  r.Socket64Result(layout::kAccept2Result);
}

void ReadWSASocket(Reader& r) {
  SocketArgs2(r, true);
  Pointer(r, "protocol_info", ", info=", layout::kWSASocketInfo);
  const uint32_t group = r.U32(layout::kWSASocketGroup);
  r.Labelled("group", group, ", group=" + FormatSocketGroup(group));
  const uint32_t flags = r.U32(layout::kWSASocketFlags);
  r.Labelled("flags", flags, ", flags=" + FormatWsaSocketFlags(flags));
  r.Socket64Result(layout::kSocket2Result);
}

void ReadWSAConnect(Reader& r) {
  r.Socket64();
  Pointer(r, "caller_data", ", caller=", layout::kWSAConnectCallerData);
  Pointer(r, "callee_data", ", callee=", layout::kWSAConnectCalleeData);
  Pointer(r, "sqos", ", sqos=", layout::kWSAConnectSqos);
  Pointer(r, "gqos", ", gqos=", layout::kWSAConnectGqos);
  r.AnyAddress("namelen", layout::kWSAConnectAddress, AddressRole::kPeer);
  r.IntResult(layout::kResult2);
}

void ReadListenShutdown2(Reader& r) {
  r.Socket64();
  if (Is(r, Id::ws2_listen)) {
    r.Decimal("backlog", ", backlog=", layout::kListenShutdown2Value);
  } else {
    const int32_t how = r.I32(layout::kListenShutdown2Value);
    r.Labelled("how", how, ", how=" + FormatShutdownHow(how));
  }
  r.IntResult(layout::kResult2);
}

void ReadGetName2(Reader& r) {
  r.Socket64();
  Offered(r, "namelen_in", layout::kGetName2Offered);
  r.AnyAddress("namelen", layout::kGetName2Address,
               Is(r, Id::ws2_getsockname) ? AddressRole::kLocal : AddressRole::kPeer);
  r.IntResult(layout::kResult2);
}

void ReadOption2(Reader& r) {
  r.Socket64();
  const int32_t level = r.I32(layout::kOption2Level);
  r.Labelled("level", level, FormatLevel(level, Family::kWinsock2));
  const int32_t option = r.I32(layout::kOption2Name);
  const names::SocketOption* known = names::FindSocketOption(Family::kWinsock2, level, option);
  const std::string name = known ? known->name : std::to_string(option);
  r.Labelled("optname", option, name, Shown::kNot);
  if (Is(r, Id::ws2_getsockopt)) Offered(r, "optlen_in", layout::kOption2Offered);
  const int32_t optlen = r.I32(layout::kOption2Len);
  r.Labelled("optlen", optlen, std::to_string(optlen), Shown::kNot);
  // Its text keeps the option's name, as the Winsock 1.1 calls show it; a failed getsockopt
  // got no value, and shows the name alone.
  const Block value = BytesAt(r, layout::kOption2Fixed, optlen);
  const std::string text =
      value.empty() ? name : FormatSockOpt(level, option, value, Family::kWinsock2);
  r.Field("optval", protocol::bytes::GetLE32Signed(value, 0), text, text);
  r.IntResult(layout::kResult2);
}

void ReadIoctl2(Reader& r) {
  r.Socket64();
  const uint32_t command = r.U32(layout::kIoctl2Cmd);
  r.Labelled("cmd", command, ", " + FormatIoctlCommand(command));
  // The line shows the argument where the command sends it: in to the call (FIONBIO), or out
  // of it (FIONREAD, SIOCATMARK).
  const bool in = (command & names::kIocIn) != 0;
  Argument(r, "argp", layout::kIoctl2Before, in);
  Argument(r, "argp_out", layout::kIoctl2After, !in);
  r.IntResult(layout::kResult2);
}

void ReadWSAIoctl(Reader& r) {
  r.Socket64();
  const uint32_t code = r.U32(layout::kWSAIoctlCode);
  r.Labelled("code", code, ", code=" + FormatIoControlCode(code));
  const uint32_t inCount = r.U32(layout::kWSAIoctlInCount);
  Buffer(r, "input_len", ", inlen=", layout::kWSAIoctlInLen, "input",
         ", in=", BytesAt(r, layout::kWSAIoctlFixed, inCount));
  Buffer(r, "output_len", ", outlen=", layout::kWSAIoctlOutLen, "output",
         ", out=", BytesAt(r, layout::kWSAIoctlFixed + inCount, r.U32(layout::kWSAIoctlOutCount)));
  const uint32_t returned = r.U32(layout::kWSAIoctlReturned);
  r.Labelled("returned", returned, ", returned=" + std::to_string(returned));
  Pointer(r, "overlapped", ", overlapped=", layout::kWSAIoctlOverlapped);
  Pointer(r, "completion_routine", ", routine=", layout::kWSAIoctlRoutine);
  r.IntResult(layout::kResult2);
}

void ReadDuplicateSocket(Reader& r) {
  r.Socket64();
  const uint32_t process = r.U32(layout::kDuplicateProcess);
  r.Labelled("process_id", process, ", process=" + std::to_string(process));
  Pointer(r, "protocol_info", ", info=", layout::kDuplicateInfo);
  // What the call wrote into the WSAPROTOCOL_INFO: what the duplicate will be.
  if (r.I32(layout::kResult2) == 0) {
    const int32_t af = r.I32(layout::kDuplicateAf);
    const int32_t type = r.I32(layout::kDuplicateType);
    const int32_t protocol = r.I32(layout::kDuplicateProtocol);
    r.Labelled("af", af, ", af=" + FormatProtocolFamily(af, Family::kWinsock2));
    r.Labelled("type", type, ", type=" + FormatSocketType(type));
    r.Labelled("protocol", protocol, ", protocol=" + FormatHex16(static_cast<uint32_t>(protocol)));
  }
  r.IntResult(layout::kResult2);
}

}  // namespace format::payload
