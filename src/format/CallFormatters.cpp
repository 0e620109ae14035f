#include "format/CallFormatters.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <span>

#include "format/ValueRenderers.h"
#include "protocol/Bytes.h"
#include "protocol/PayloadLayout.h"

namespace {

using Lines = std::vector<std::string>;
using Block = std::span<const uint8_t>;

int32_t I32(Block p, size_t offset) {
  return bytes::GetLE32Signed(p, offset);
}
uint32_t U32(Block p, size_t offset) {
  return bytes::GetLE32(p, offset);
}
uint16_t U16(Block p, size_t offset) {
  return bytes::GetLE16(p, offset);
}

std::string Decimal(int32_t value) {
  return std::to_string(value);
}

// The zero-ended text from `offset`, ending at the end of the payload at the latest.
std::string Text(Block p, size_t offset) {
  if (offset >= p.size()) return {};
  const Block tail = p.subspan(offset);
  const auto end = std::find(tail.begin(), tail.end(), uint8_t{0});
  return std::string(tail.begin(), end);
}

std::string Socket(Block p) {
  return FormatSocket(I32(p, layout::kSocket), 0);
}

// "name (" and, for a call on a socket, the socket.
std::string Opening(const calls::Call& call, Block p) {
  return std::string(call.name) + " (" + (call.socketArg ? Socket(p) : "");
}

std::string Returns(const std::string& result) {
  return " returns (" + result + ")";
}
std::string ReturnsResult(Block p, size_t offset) {
  return Returns(FormatResult(I32(p, offset), I32(p, layout::kError)));
}

// The three continuation lines of a Verbose address, the last one closing the call.
void AppendAddress(Lines& lines, Block p, size_t image) {
  const InAddr address{bytes::Get8(p, image + layout::kImageAddress),
                       bytes::Get8(p, image + layout::kImageAddress + 1),
                       bytes::Get8(p, image + layout::kImageAddress + 2),
                       bytes::Get8(p, image + layout::kImageAddress + 3)};
  lines.push_back(FormatFamily(static_cast<int16_t>(U16(p, image + layout::kImageFamily))));
  lines.push_back(FormatPort(U16(p, image + layout::kImagePort)));
  lines.push_back(FormatAddress(address) + ")");
}

std::string AddressCall(const calls::Call& call, Block p, Lines& lines, bool verbose,
                        layout::Address offsets, bool socketResult) {
  std::string line = Opening(call, p);
  if (verbose) {
    lines.push_back(line + ", SOCKADDR.length=" + Decimal(I32(p, offsets.addrLen)) + ",");
    AppendAddress(lines, p, layout::kAddressImage);
  } else {
    lines.push_back(line + ",... )");
  }
  const int32_t result = I32(p, offsets.result);
  const int32_t error = I32(p, layout::kError);
  return Returns(socketResult ? FormatSocket(result, error) : FormatResult(result, error));
}

std::string Accept(const calls::Call& call, Block p, Lines& lines, bool verbose) {
  return AddressCall(call, p, lines, verbose, layout::kAccept, true);
}

std::string BindConnect(const calls::Call& call, Block p, Lines& lines, bool verbose) {
  return AddressCall(call, p, lines, verbose, layout::kBindConnect, false);
}

std::string GetName(const calls::Call& call, Block p, Lines& lines, bool verbose) {
  return AddressCall(call, p, lines, verbose, layout::kGetName, false);
}

std::string CloseSocket(const calls::Call& call, Block p, Lines& lines, bool) {
  lines.push_back(Opening(call, p) + ")");
  return ReturnsResult(p, layout::kCloseResult);
}

std::string SockOpt(const calls::Call& call, Block p, Lines& lines, bool) {
  // Only the first four bytes of the value count, and only as many as optlen says.
  const int32_t optlen = std::clamp(I32(p, layout::kOptionLen), 0, 4);
  std::array<uint8_t, 4> value{};
  for (size_t i = 0; i < static_cast<size_t>(optlen); ++i) {
    value[i] = bytes::Get8(p, layout::kOptionFixed + i);
  }
  lines.push_back(Opening(call, p) + FormatLevel(I32(p, layout::kOptionLevel)) +
                  FormatSockOpt(I32(p, layout::kOptionName), bytes::GetLE32Signed(value, 0)) + ")");
  return ReturnsResult(p, layout::kOptionResult);
}

std::string Convert32(const calls::Call& call, Block p, Lines& lines, bool) {
  lines.push_back(Opening(call, p) + FormatHex32(U32(p, layout::kConvert32Arg)) + ")");
  return Returns(FormatHex32(U32(p, layout::kConvert32Result)));
}

std::string Convert16(const calls::Call& call, Block p, Lines& lines, bool) {
  lines.push_back(Opening(call, p) + FormatHex16(U16(p, layout::kConvert16Arg)) + ")");
  return Returns(FormatHex16(U16(p, layout::kConvert16Result)));
}

std::string InetAddr(const calls::Call& call, Block p, Lines& lines, bool) {
  lines.push_back(Opening(call, p) + Text(p, layout::kInetFixed) + ")");
  const uint32_t result = U32(p, layout::kInetAddrResult);
  return Returns(result == 0xFFFFFFFFu ? "INADDR_NONE" : FormatHex32(result));
}

std::string InetNtoa(const calls::Call& call, Block p, Lines& lines, bool) {
  lines.push_back(Opening(call, p) + FormatHex32(U32(p, layout::kInetNtoaArg)) + ")");
  const std::string result = Text(p, layout::kInetFixed);
  return Returns(result.empty() ? "NULL" : result);
}

std::string Ioctl(const calls::Call& call, Block p, Lines& lines, bool) {
  lines.push_back(Opening(call, p) + ", " + FormatIoctlCommand(U32(p, layout::kIoctlCmd)) +
                  "arg=" + FormatHex32(U32(p, layout::kIoctlArg)) + ")");
  return ReturnsResult(p, layout::kIoctlResult);
}

std::string Listen(const calls::Call& call, Block p, Lines& lines, bool) {
  lines.push_back(Opening(call, p) + ", backlog=" + Decimal(I32(p, layout::kListenBacklog)) + ")");
  return ReturnsResult(p, layout::kListenResult);
}

std::string Shutdown(const calls::Call& call, Block p, Lines& lines, bool) {
  lines.push_back(Opening(call, p) + ", how=" + Decimal(I32(p, layout::kListenBacklog)) + ")");
  return ReturnsResult(p, layout::kListenResult);
}

std::string Select(const calls::Call& call, Block p, Lines& lines, bool) {
  lines.push_back(Opening(call, p) + "..,#reads=" + Decimal(U16(p, layout::kSelectReads)) +
                  ", #writes=" + Decimal(U16(p, layout::kSelectWrites)) +
                  ", #excepts=" + Decimal(U16(p, layout::kSelectExcepts)) + ",..)");
  return ReturnsResult(p, layout::kSelectResult);
}

std::string SocketCall(const calls::Call& call, Block p, Lines& lines, bool) {
  lines.push_back(Opening(call, p) + "af=" + FormatProtocolFamily(I32(p, layout::kSocketAf)) +
                  ", type=" + FormatSocketType(I32(p, layout::kSocketType)) +
                  ", protocol=" + FormatHex16(U32(p, layout::kSocketProtocol)) + ")");
  return Returns(FormatSocket(I32(p, layout::kSocketResult), I32(p, layout::kError)));
}

std::string TransferReturns(Block p, size_t resultOffset) {
  const int32_t result = I32(p, resultOffset);
  if (result == -1) return Returns(FormatResult(-1, I32(p, layout::kError)));
  return Returns(Decimal(result) + " bytes");
}

// The flags of a transfer, named by its direction.
std::string Flags(const calls::Call& call, Block p) {
  const int32_t flags = I32(p, layout::kTransferFlags);
  return call.data == calls::Data::kSend ? FormatSendFlags(flags) : FormatRecvFlags(flags);
}

std::string RecvSend(const calls::Call& call, Block p, Lines& lines, bool) {
  lines.push_back(Opening(call, p) + ", flags=" + Flags(call, p) + ")");
  return TransferReturns(p, layout::kShortTransfer.result);
}

// recvfrom and sendto; sendto's address length has always had two blanks before it.
std::string LongTransfer(const calls::Call& call, Block p, Lines& lines, bool verbose,
                         const char* lengthLabel, size_t addrLen) {
  std::string line = Opening(call, p) + ", flags=" + Flags(call, p);
  if (verbose) {
    lines.push_back(line + ", " + lengthLabel + Decimal(I32(p, addrLen)) + ",");
    AppendAddress(lines, p, layout::kLongImage);
  } else {
    lines.push_back(line + ",... )");
  }
  return TransferReturns(p, layout::kLongTransfer.result);
}

std::string RecvFrom(const calls::Call& call, Block p, Lines& lines, bool verbose) {
  return LongTransfer(call, p, lines, verbose, "SOCKADDR.length=", layout::kRecvFromAddrLen);
}

std::string SendTo(const calls::Call& call, Block p, Lines& lines, bool verbose) {
  return LongTransfer(call, p, lines, verbose, " SOCKADDR.length=", layout::kSendToAddrLen);
}

using Formatter = std::string (*)(const calls::Call& call, Block p, Lines& lines, bool verbose);

Formatter FormatterOf(layout::Group group) {
  using layout::Group;
  switch (group) {
    case Group::kAccept:
      return Accept;
    case Group::kBindConnect:
      return BindConnect;
    case Group::kGetName:
      return GetName;
    case Group::kClose:
      return CloseSocket;
    case Group::kOption:
      return SockOpt;
    case Group::kConvert32:
      return Convert32;
    case Group::kConvert16:
      return Convert16;
    case Group::kInetAddr:
      return InetAddr;
    case Group::kInetNtoa:
      return InetNtoa;
    case Group::kIoctl:
      return Ioctl;
    case Group::kListen:
      return Listen;
    case Group::kShutdown:
      return Shutdown;
    case Group::kSelect:
      return Select;
    case Group::kSocket:
      return SocketCall;
    case Group::kRecvSend:
      return RecvSend;
    case Group::kRecvFrom:
      return RecvFrom;
    case Group::kSendTo:
      return SendTo;
    case Group::kGeneric:
      break;
  }
  return nullptr;
}

}  // namespace

std::string FormatCall(const calls::Call& call, const CSpyMsg& msg, std::vector<std::string>& lines,
                       bool verbose) {
  // The calls decoded by name only show no parameters and no result, whatever they carry.
  const Formatter formatter = FormatterOf(call.layout);
  if (formatter == nullptr || !msg.m_hData.HasData()) {
    lines.push_back(std::string(call.name) + "(... )");
    return formatter != nullptr ? " SPYNOBUFS" : "";
  }
  return formatter(call, msg.PayloadBytes(), lines, verbose);
}
