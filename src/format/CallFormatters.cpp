#include "format/CallFormatters.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <span>

#include "agent/PayloadLayout.h"
#include "format/NameTables.h"
#include "format/ValueRenderers.h"
#include "store/Bytes.h"

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

std::string Socket(Block p) {
  return FormatSocket(I32(p, layout::kSocket), 0);
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

std::string AddressCall(std::string_view name, Block p, Lines& lines, bool verbose,
                        layout::Address offsets, bool socketResult) {
  std::string line = std::string(name) + " (" + Socket(p);
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

std::string Accept(std::string_view name, Block p, Lines& lines, bool verbose) {
  return AddressCall(name, p, lines, verbose, layout::kAccept, true);
}

std::string BindConnect(std::string_view name, Block p, Lines& lines, bool verbose) {
  return AddressCall(name, p, lines, verbose, layout::kBindConnect, false);
}

std::string GetName(std::string_view name, Block p, Lines& lines, bool verbose) {
  return AddressCall(name, p, lines, verbose, layout::kGetName, false);
}

std::string CloseSocket(std::string_view name, Block p, Lines& lines, bool) {
  lines.push_back(std::string(name) + " (" + Socket(p) + ")");
  return ReturnsResult(p, layout::kCloseResult);
}

std::string SockOpt(std::string_view name, Block p, Lines& lines, bool) {
  // Only the first four bytes of the value count, as two 16-bit halves.
  const int32_t optlen = std::clamp(I32(p, layout::kOptionLen), 0, 4);
  std::array<uint8_t, 4> value{};
  for (size_t i = 0; i < static_cast<size_t>(optlen); ++i) {
    value[i] = bytes::Get8(p, layout::kOptionFixed + i);
  }
  const Block valueBytes(value);
  lines.push_back(std::string(name) + " (" + Socket(p) + FormatLevel(I32(p, layout::kOptionLevel)) +
                  FormatSockOpt(I32(p, layout::kOptionName), bytes::GetLE16(valueBytes, 0),
                                bytes::GetLE16(valueBytes, 2)) +
                  ")");
  return ReturnsResult(p, layout::kOptionResult);
}

std::string Convert32(std::string_view name, Block p, Lines& lines, bool) {
  lines.push_back(std::string(name) + " (" + FormatHex32(U32(p, layout::kConvert32Arg)) + ")");
  return Returns(FormatHex32(U32(p, layout::kConvert32Result)));
}

std::string Convert16(std::string_view name, Block p, Lines& lines, bool) {
  lines.push_back(std::string(name) + " (" + FormatHex16(U16(p, layout::kConvert16Arg)) + ")");
  return Returns(FormatHex16(U16(p, layout::kConvert16Result)));
}

std::string InetAddr(std::string_view name, Block p, Lines& lines, bool) {
  lines.push_back(std::string(name) + " (" + PayloadText(p, layout::kInetFixed) + ")");
  const uint32_t result = U32(p, layout::kInetAddrResult);
  return Returns(result == 0xFFFFFFFFu ? "INADDR_NONE" : FormatHex32(result));
}

std::string InetNtoa(std::string_view name, Block p, Lines& lines, bool) {
  lines.push_back(std::string(name) + " (" + FormatHex32(U32(p, layout::kInetNtoaArg)) + ")");
  const std::string result = PayloadText(p, layout::kInetFixed);
  return Returns(result.empty() ? "NULL" : result);
}

std::string Ioctl(std::string_view name, Block p, Lines& lines, bool) {
  lines.push_back(std::string(name) + " (" + Socket(p) + ", " +
                  FormatIoctlCommand(U32(p, layout::kIoctlCmd)) +
                  "arg=" + FormatHex32(U32(p, layout::kIoctlArg)) + ")");
  return ReturnsResult(p, layout::kIoctlResult);
}

std::string Listen(std::string_view name, Block p, Lines& lines, bool) {
  lines.push_back(std::string(name) + " (" + Socket(p) +
                  ", backlog=" + Decimal(I32(p, layout::kListenBacklog)) + ")");
  return ReturnsResult(p, layout::kListenResult);
}

std::string Shutdown(std::string_view name, Block p, Lines& lines, bool) {
  lines.push_back(std::string(name) + " (" + Socket(p) +
                  ", how=" + Decimal(I32(p, layout::kListenBacklog)) + ")");
  return ReturnsResult(p, layout::kListenResult);
}

std::string Select(std::string_view name, Block p, Lines& lines, bool) {
  lines.push_back(std::string(name) + " (..,#reads=" + Decimal(U16(p, layout::kSelectReads)) +
                  ", #writes=" + Decimal(U16(p, layout::kSelectWrites)) +
                  ", #excepts=" + Decimal(U16(p, layout::kSelectExcepts)) + ",..)");
  return ReturnsResult(p, layout::kSelectResult);
}

std::string SocketCall(std::string_view name, Block p, Lines& lines, bool) {
  lines.push_back(std::string(name) + " (af=" + FormatProtocolFamily(I32(p, layout::kSocketAf)) +
                  ", type=" + FormatSocketType(I32(p, layout::kSocketType)) +
                  ", protocol=" + FormatHex16(U32(p, layout::kSocketProtocol)) + ")");
  return Returns(FormatSocket(I32(p, layout::kSocketResult), I32(p, layout::kError)));
}

std::string TransferReturns(Block p, size_t resultOffset) {
  const int32_t result = I32(p, resultOffset);
  if (result == -1) return Returns(FormatResult(-1, I32(p, layout::kError)));
  return Returns(Decimal(result) + " bytes");
}

std::string Recv(std::string_view name, Block p, Lines& lines, bool) {
  lines.push_back(std::string(name) + " (" + Socket(p) +
                  ", flags=" + FormatRecvFlags(I32(p, layout::kTransferFlags)) + ")");
  return TransferReturns(p, CSpyMsg::kShortResultOffset);
}

std::string Send(std::string_view name, Block p, Lines& lines, bool) {
  lines.push_back(std::string(name) + " (" + Socket(p) +
                  ", flags=" + FormatSendFlags(I32(p, layout::kTransferFlags)) + ")");
  return TransferReturns(p, CSpyMsg::kShortResultOffset);
}

// recvfrom and sendto; sendto's address length has always had two blanks before it.
std::string LongTransfer(std::string_view name, Block p, Lines& lines, bool verbose,
                         const std::string& flags, const char* lengthLabel, size_t addrLen) {
  std::string line = std::string(name) + " (" + Socket(p) + ", flags=" + flags;
  if (verbose) {
    lines.push_back(line + ", " + lengthLabel + Decimal(I32(p, addrLen)) + ",");
    AppendAddress(lines, p, layout::kLongImage);
  } else {
    lines.push_back(line + ",... )");
  }
  return TransferReturns(p, CSpyMsg::kLongResultOffset);
}

std::string RecvFrom(std::string_view name, Block p, Lines& lines, bool verbose) {
  return LongTransfer(name, p, lines, verbose, FormatRecvFlags(I32(p, layout::kTransferFlags)),
                      "SOCKADDR.length=", layout::kRecvFromAddrLen);
}

std::string SendTo(std::string_view name, Block p, Lines& lines, bool verbose) {
  return LongTransfer(name, p, lines, verbose, FormatSendFlags(I32(p, layout::kTransferFlags)),
                      " SOCKADDR.length=", layout::kSendToAddrLen);
}

using Formatter = std::string (*)(std::string_view name, Block p, Lines& lines, bool verbose);

// Indexed by API id.
constexpr std::array<Formatter, kLastSocketCall + 1> kFormatters = {
    Accept,    BindConnect, CloseSocket, BindConnect, GetName, GetName,   SockOpt,    Convert32,
    Convert16, InetAddr,    InetNtoa,    Ioctl,       Listen,  Convert32, Convert16,  Recv,
    RecvFrom,  Select,      Send,        SendTo,      SockOpt, Shutdown,  SocketCall,
};

}  // namespace

std::string PayloadText(std::span<const uint8_t> p, size_t offset) {
  if (offset >= p.size()) return {};
  const Block tail = p.subspan(offset);
  const auto end = std::find(tail.begin(), tail.end(), uint8_t{0});
  return std::string(tail.begin(), end);
}

std::string FormatSocketCall(const CSpyMsg& msg, std::vector<std::string>& lines, bool verbose) {
  const std::string_view name = names::ApiName(msg.m_nApiId);
  if (!msg.m_hData.HasData()) {
    lines.push_back(std::string(name) + "(... )");
    return " SPYNOBUFS";
  }
  return kFormatters[static_cast<size_t>(msg.m_nApiId)](name, msg.PayloadBytes(), lines, verbose);
}
