#include "format/CallFormatters.h"

#include <algorithm>
#include <cstdio>
#include <span>

#include "format/ValueRenderers.h"
#include "protocol/Bytes.h"
#include "protocol/PayloadLayout.h"

namespace format {

namespace {

using Lines = std::vector<std::string>;
using Block = std::span<const uint8_t>;

int32_t I32(Block p, size_t offset) {
  return protocol::bytes::GetLE32Signed(p, offset);
}
uint32_t U32(Block p, size_t offset) {
  return protocol::bytes::GetLE32(p, offset);
}
uint16_t U16(Block p, size_t offset) {
  return protocol::bytes::GetLE16(p, offset);
}

std::string Decimal(int32_t value) {
  return std::to_string(value);
}

std::string Socket(Block p) {
  return FormatSocket(I32(p, protocol::layout::kSocket), 0);
}

// "name (" and, for a call on a socket, the socket.
std::string Opening(const protocol::calls::Call& call, Block p) {
  return std::string(call.name) + " (" + (call.socketArg ? Socket(p) : "");
}

std::string Returns(const std::string& result) {
  return " returns (" + result + ")";
}
std::string ReturnsResult(Block p, size_t offset) {
  return Returns(FormatResult(I32(p, offset), I32(p, protocol::layout::kError)));
}

// The three continuation lines of a Verbose address, the last one closing the call.
void AppendAddress(Lines& lines, Block p, size_t image) {
  const InAddr address{protocol::bytes::Get8(p, image + protocol::layout::kImageAddress),
                       protocol::bytes::Get8(p, image + protocol::layout::kImageAddress + 1),
                       protocol::bytes::Get8(p, image + protocol::layout::kImageAddress + 2),
                       protocol::bytes::Get8(p, image + protocol::layout::kImageAddress + 3)};
  lines.push_back(
      FormatFamily(static_cast<int16_t>(U16(p, image + protocol::layout::kImageFamily))));
  lines.push_back(FormatPort(U16(p, image + protocol::layout::kImagePort)));
  lines.push_back(FormatAddress(address) + ")");
}

std::string AddressCall(const protocol::calls::Call& call, Block p, Lines& lines, bool verbose,
                        protocol::layout::Address offsets, bool socketResult) {
  std::string line = Opening(call, p);
  if (verbose) {
    lines.push_back(line + ", SOCKADDR.length=" + Decimal(I32(p, offsets.addrLen)) + ",");
    AppendAddress(lines, p, protocol::layout::kAddressImage);
  } else {
    lines.push_back(line + ",... )");
  }
  const int32_t result = I32(p, offsets.result);
  const int32_t error = I32(p, protocol::layout::kError);
  return Returns(socketResult ? FormatSocket(result, error) : FormatResult(result, error));
}

std::string Accept(const protocol::calls::Call& call, Block p, Lines& lines, bool verbose) {
  return AddressCall(call, p, lines, verbose, protocol::layout::kAccept, true);
}

std::string BindConnect(const protocol::calls::Call& call, Block p, Lines& lines, bool verbose) {
  return AddressCall(call, p, lines, verbose, protocol::layout::kBindConnect, false);
}

std::string GetName(const protocol::calls::Call& call, Block p, Lines& lines, bool verbose) {
  return AddressCall(call, p, lines, verbose, protocol::layout::kGetName, false);
}

std::string CloseSocket(const protocol::calls::Call& call, Block p, Lines& lines, bool) {
  lines.push_back(Opening(call, p) + ")");
  return ReturnsResult(p, protocol::layout::kCloseResult);
}

std::string SockOpt(const protocol::calls::Call& call, Block p, Lines& lines, bool) {
  const int32_t level = I32(p, protocol::layout::kOptionLevel);
  lines.push_back(Opening(call, p) + FormatLevel(level) +
                  FormatSockOpt(level, I32(p, protocol::layout::kOptionName), OptionBytes(p)) +
                  ")");
  return ReturnsResult(p, protocol::layout::kOptionResult);
}

std::string Convert32(const protocol::calls::Call& call, Block p, Lines& lines, bool) {
  lines.push_back(Opening(call, p) + FormatHex32(U32(p, protocol::layout::kConvert32Arg)) + ")");
  return Returns(FormatHex32(U32(p, protocol::layout::kConvert32Result)));
}

std::string Convert16(const protocol::calls::Call& call, Block p, Lines& lines, bool) {
  lines.push_back(Opening(call, p) + FormatHex16(U16(p, protocol::layout::kConvert16Arg)) + ")");
  return Returns(FormatHex16(U16(p, protocol::layout::kConvert16Result)));
}

std::string InetAddr(const protocol::calls::Call& call, Block p, Lines& lines, bool) {
  lines.push_back(Opening(call, p) + PayloadText(p, protocol::layout::kInetFixed) + ")");
  const uint32_t result = U32(p, protocol::layout::kInetAddrResult);
  return Returns(result == 0xFFFFFFFFu ? "INADDR_NONE" : FormatHex32(result));
}

std::string InetNtoa(const protocol::calls::Call& call, Block p, Lines& lines, bool) {
  lines.push_back(Opening(call, p) + FormatHex32(U32(p, protocol::layout::kInetNtoaArg)) + ")");
  const std::string result = PayloadText(p, protocol::layout::kInetFixed);
  return Returns(result.empty() ? "NULL" : result);
}

std::string Ioctl(const protocol::calls::Call& call, Block p, Lines& lines, bool) {
  lines.push_back(Opening(call, p) + ", " +
                  FormatIoctlCommand(U32(p, protocol::layout::kIoctlCmd)) +
                  "arg=" + FormatHex32(U32(p, protocol::layout::kIoctlArg)) + ")");
  return ReturnsResult(p, protocol::layout::kIoctlResult);
}

std::string Listen(const protocol::calls::Call& call, Block p, Lines& lines, bool) {
  lines.push_back(Opening(call, p) +
                  ", backlog=" + Decimal(I32(p, protocol::layout::kListenBacklog)) + ")");
  return ReturnsResult(p, protocol::layout::kListenResult);
}

std::string Shutdown(const protocol::calls::Call& call, Block p, Lines& lines, bool) {
  lines.push_back(Opening(call, p) + ", how=" + Decimal(I32(p, protocol::layout::kListenBacklog)) +
                  ")");
  return ReturnsResult(p, protocol::layout::kListenResult);
}

std::string Select(const protocol::calls::Call& call, Block p, Lines& lines, bool) {
  lines.push_back(Opening(call, p) +
                  "..,#reads=" + Decimal(U16(p, protocol::layout::kSelectReads)) +
                  ", #writes=" + Decimal(U16(p, protocol::layout::kSelectWrites)) +
                  ", #excepts=" + Decimal(U16(p, protocol::layout::kSelectExcepts)) + ",..)");
  return ReturnsResult(p, protocol::layout::kSelectResult);
}

std::string SocketCall(const protocol::calls::Call& call, Block p, Lines& lines, bool) {
  lines.push_back(Opening(call, p) +
                  "af=" + FormatProtocolFamily(I32(p, protocol::layout::kSocketAf)) +
                  ", type=" + FormatSocketType(I32(p, protocol::layout::kSocketType)) +
                  ", protocol=" + FormatHex16(U32(p, protocol::layout::kSocketProtocol)) + ")");
  return Returns(
      FormatSocket(I32(p, protocol::layout::kSocketResult), I32(p, protocol::layout::kError)));
}

std::string TransferReturns(Block p, size_t resultOffset) {
  const int32_t result = I32(p, resultOffset);
  if (result == -1) return Returns(FormatResult(-1, I32(p, protocol::layout::kError)));
  return Returns(Decimal(result) + " bytes");
}

// The flags of a transfer, named by its direction.
std::string Flags(const protocol::calls::Call& call, Block p) {
  const int32_t flags = I32(p, protocol::layout::kTransferFlags);
  return call.data == protocol::calls::Data::kSend ? FormatSendFlags(flags)
                                                   : FormatRecvFlags(flags);
}

std::string RecvSend(const protocol::calls::Call& call, Block p, Lines& lines, bool) {
  lines.push_back(Opening(call, p) + ", flags=" + Flags(call, p) + ")");
  return TransferReturns(p, protocol::layout::kShortTransfer.result);
}

// recvfrom and sendto; sendto's address length has always had two blanks before it.
std::string LongTransfer(const protocol::calls::Call& call, Block p, Lines& lines, bool verbose,
                         const char* lengthLabel, size_t addrLen) {
  std::string line = Opening(call, p) + ", flags=" + Flags(call, p);
  if (verbose) {
    lines.push_back(line + ", " + lengthLabel + Decimal(I32(p, addrLen)) + ",");
    AppendAddress(lines, p, protocol::layout::kLongImage);
  } else {
    lines.push_back(line + ",... )");
  }
  return TransferReturns(p, protocol::layout::kLongTransfer.result);
}

std::string RecvFrom(const protocol::calls::Call& call, Block p, Lines& lines, bool verbose) {
  return LongTransfer(call, p, lines, verbose,
                      "SOCKADDR.length=", protocol::layout::kRecvFromAddrLen);
}

std::string SendTo(const protocol::calls::Call& call, Block p, Lines& lines, bool verbose) {
  return LongTransfer(call, p, lines, verbose,
                      " SOCKADDR.length=", protocol::layout::kSendToAddrLen);
}

using Formatter = std::string (*)(const protocol::calls::Call& call, Block p, Lines& lines,
                                  bool verbose);

Formatter FormatterOf(protocol::layout::Group group) {
  using protocol::layout::Group;
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

std::span<const uint8_t> OptionBytes(std::span<const uint8_t> p) {
  const size_t fixed = protocol::layout::kOptionFixed;
  if (p.size() <= fixed) return {};
  const auto optlen = static_cast<size_t>(std::max(I32(p, protocol::layout::kOptionLen), 0));
  return p.subspan(fixed, std::min(optlen, p.size() - fixed));
}

int32_t OptionValue(std::span<const uint8_t> p) {
  return protocol::bytes::GetLE32Signed(OptionBytes(p), 0);
}

std::string PayloadText(std::span<const uint8_t> p, size_t offset) {
  if (offset >= p.size()) return {};
  const Block tail = p.subspan(offset);
  const auto end = std::find(tail.begin(), tail.end(), uint8_t{0});
  return std::string(tail.begin(), end);
}

std::string FormatCall(const protocol::calls::Call& call, const CSpyMsg& msg,
                       std::vector<std::string>& lines, bool verbose) {
  // The calls decoded by name only show no parameters and no result, whatever they carry.
  const Formatter formatter = FormatterOf(call.layout);
  if (formatter == nullptr || !msg.m_hData.HasData()) {
    lines.push_back(std::string(call.name) + "(... )");
    return formatter != nullptr ? " SPYNOBUFS" : "";
  }
  return formatter(call, msg.PayloadBytes(), lines, verbose);
}

}  // namespace format
