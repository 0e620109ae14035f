#include "agent/PayloadBuilders.h"

#include <algorithm>

#include "protocol/Bytes.h"
#include "protocol/PayloadLayout.h"

namespace agent::payload {
namespace {

// Zeroes the fixed part and writes the error word; false when the buffer is too small.
bool Begin(std::span<uint8_t> out, size_t fixed, int32_t error) {
  if (out.size() < fixed) return false;
  std::fill_n(out.begin(), fixed, uint8_t{0});
  protocol::bytes::PutLE32(out.data() + protocol::layout::kError, static_cast<uint32_t>(error));
  return true;
}

void Put32(std::span<uint8_t> out, size_t offset, int32_t value) {
  protocol::bytes::PutLE32(out.data() + offset, static_cast<uint32_t>(value));
}

// Copies as much of `tail` as fits behind the fixed part; returns the bytes copied.
size_t PutTail(std::span<uint8_t> out, size_t fixed, std::span<const uint8_t> tail) {
  const size_t count = std::min(tail.size(), out.size() - fixed);
  std::copy_n(tail.begin(), count, out.begin() + static_cast<std::ptrdiff_t>(fixed));
  return count;
}

// A text behind the fixed part, ended by a zero byte when there is room for one.
size_t PutText(std::span<uint8_t> out, size_t fixed, std::string_view text) {
  text = text.substr(0, text.find('\0'));
  const size_t room = out.size() - fixed;
  if (room == 0) return fixed;
  const size_t count = std::min(text.size(), room - 1);
  std::copy_n(text.begin(), count, out.begin() + static_cast<std::ptrdiff_t>(fixed));
  out[fixed + count] = 0;
  return fixed + count + 1;
}

size_t BuildAddress(std::span<uint8_t> out, const AddressCall& call,
                    protocol::layout::Address offsets) {
  if (!Begin(out, protocol::layout::kAddressFixed, call.error)) return 0;
  Put32(out, protocol::layout::kSocket, call.s);
  Put32(out, offsets.result, call.result);
  Put32(out, offsets.addrLen, call.addrLen);
  std::copy(call.addr.begin(), call.addr.end(), out.begin() + protocol::layout::kAddressImage);
  return protocol::layout::kAddressFixed;
}

size_t BuildTransfer(std::span<uint8_t> out, const TransferCall& call,
                     std::span<const uint8_t> data, bool longLayout, size_t addrLenOffset) {
  const protocol::layout::Transfer& offsets =
      longLayout ? protocol::layout::kLongTransfer : protocol::layout::kShortTransfer;
  const size_t fixed = offsets.fixed;
  if (!Begin(out, fixed, call.error)) return 0;
  Put32(out, protocol::layout::kSocket, call.s);
  Put32(out, protocol::layout::kTransferFlags, call.flags);
  Put32(out, offsets.result, call.result);
  if (longLayout) {
    Put32(out, addrLenOffset, call.addrLen);
    std::copy(call.addr.begin(), call.addr.end(), out.begin() + protocol::layout::kLongImage);
  }
  const size_t count = PutTail(out, fixed, data);
  Put32(out, offsets.count, static_cast<int32_t>(count));
  return fixed + count;
}

void Put64(std::span<uint8_t> out, size_t offset, uint64_t value) {
  protocol::bytes::PutLE64(out.data() + offset, value);
}

void PutAddress(std::span<uint8_t> out, size_t offset, const AnyAddress& address) {
  Put32(out, offset + protocol::layout::kAddrBlockLength, address.length);
  const size_t count = std::min(address.bytes.size(), protocol::layout::kAddrBlockCapacity);
  std::copy_n(
      address.bytes.begin(), count,
      out.begin() + static_cast<std::ptrdiff_t>(offset + protocol::layout::kAddrBlockBytes));
}

// A text behind `offset`, cut to what fits; returns where it ends. A text whose length and
// width do not fit is left out.
size_t PutCountedText(std::span<uint8_t> out, size_t offset, const Text& text) {
  namespace layout = protocol::layout;
  if (out.size() < offset + layout::kTextChars) return offset;
  size_t width = 0;
  size_t length = 0;
  const size_t chars = offset + layout::kTextChars;
  if (const auto* narrow = std::get_if<std::string_view>(&text)) {
    width = 1;
    length = std::min(narrow->size(), out.size() - chars);
    std::copy_n(narrow->begin(), length, out.begin() + static_cast<std::ptrdiff_t>(chars));
  } else if (const auto* wide = std::get_if<std::u16string_view>(&text)) {
    width = 2;
    length = std::min(wide->size(), (out.size() - chars) / 2);
    for (size_t i = 0; i < length; ++i)
      protocol::bytes::PutLE16(out.data() + chars + 2 * i, (*wide)[i]);
  }
  const bool null = std::holds_alternative<std::monostate>(text);
  Put32(out, offset + layout::kTextLength, null ? -1 : static_cast<int32_t>(length));
  Put32(out, offset + layout::kTextWidth, static_cast<int32_t>(width));
  return chars + length * width;
}

// The bytes an IPv4 or IPv6 address of inet_pton or inet_ntop: their count, then the bytes.
void PutInAddr(std::span<uint8_t> out, size_t countOffset, size_t offset,
               std::span<const uint8_t> bytes) {
  const size_t count = std::min(bytes.size(), protocol::layout::kInAddrCapacity);
  Put32(out, countOffset, static_cast<int32_t>(count));
  std::copy_n(bytes.begin(), count, out.begin() + static_cast<std::ptrdiff_t>(offset));
}

// The captured bytes behind the fixed part, then the buffer lengths as far as they fit; returns
// the payload's size and writes the byte and length counts.
size_t PutDataAndLengths(std::span<uint8_t> out, size_t fixed, size_t countOffset,
                         std::span<const uint8_t> data, std::span<const uint32_t> lengths) {
  const size_t count = PutTail(out, fixed, data);
  Put32(out, countOffset, static_cast<int32_t>(count));
  size_t end = fixed + count;
  uint32_t listed = 0;
  for (; listed < lengths.size() && out.size() - end >= 4; ++listed, end += 4) {
    protocol::bytes::PutLE32(out.data() + end, lengths[listed]);
  }
  protocol::bytes::PutLE32(out.data() + protocol::layout::kWsaListed, listed);
  return end;
}

size_t BuildBuffers(std::span<uint8_t> out, const BuffersCall& call, std::span<const uint8_t> data,
                    std::span<const uint32_t> lengths, protocol::layout::Transfer offsets) {
  namespace layout = protocol::layout;
  if (!Begin(out, offsets.fixed, call.error)) return 0;
  Put32(out, layout::kResult2, call.result);
  Put64(out, layout::kSocket64, call.s);
  Put32(out, offsets.result, call.bytes);
  Put32(out, layout::kWsaFlags, call.flags);
  Put32(out, layout::kWsaFlagsOut, call.flagsOut);
  protocol::bytes::PutLE32(out.data() + layout::kWsaBufferCount, call.bufferCount);
  Put32(out, layout::kWsaFromLen, call.fromLen);
  Put64(out, layout::kWsaOverlapped, call.overlapped);
  Put64(out, layout::kWsaCompletion, call.completion);
  if (offsets.fixed > layout::kWsaAddress) PutAddress(out, layout::kWsaAddress, call.address);
  return PutDataAndLengths(out, offsets.fixed, offsets.count, data, lengths);
}

}  // namespace

SockAddrImage MakeSockAddr(int16_t family, uint16_t port, std::array<uint8_t, 4> address) {
  SockAddrImage image{};
  protocol::bytes::PutLE16(image.data() + protocol::layout::kImageFamily,
                           static_cast<uint16_t>(family));
  image[protocol::layout::kImagePort] = static_cast<uint8_t>(port >> 8);
  image[protocol::layout::kImagePort + 1] = static_cast<uint8_t>(port);
  std::copy(address.begin(), address.end(), image.begin() + protocol::layout::kImageAddress);
  return image;
}

size_t BuildAccept(std::span<uint8_t> out, const AddressCall& call) {
  return BuildAddress(out, call, protocol::layout::kAccept);
}

size_t BuildBindConnect(std::span<uint8_t> out, const AddressCall& call) {
  return BuildAddress(out, call, protocol::layout::kBindConnect);
}

size_t BuildGetName(std::span<uint8_t> out, const AddressCall& call) {
  return BuildAddress(out, call, protocol::layout::kGetName);
}

size_t BuildRecvSend(std::span<uint8_t> out, const TransferCall& call,
                     std::span<const uint8_t> data) {
  return BuildTransfer(out, call, data, false, 0);
}

size_t BuildRecvFrom(std::span<uint8_t> out, const TransferCall& call,
                     std::span<const uint8_t> data) {
  return BuildTransfer(out, call, data, true, protocol::layout::kRecvFromAddrLen);
}

size_t BuildSendTo(std::span<uint8_t> out, const TransferCall& call,
                   std::span<const uint8_t> data) {
  return BuildTransfer(out, call, data, true, protocol::layout::kSendToAddrLen);
}

size_t BuildCloseSocket(std::span<uint8_t> out, const ResultCall& call) {
  if (!Begin(out, protocol::layout::kCloseFixed, call.error)) return 0;
  Put32(out, protocol::layout::kSocket, call.s);
  Put32(out, protocol::layout::kCloseResult, call.result);
  return protocol::layout::kCloseFixed;
}

size_t BuildSockOpt(std::span<uint8_t> out, const OptionCall& call,
                    std::span<const uint8_t> value) {
  if (!Begin(out, protocol::layout::kOptionFixed, call.error)) return 0;
  Put32(out, protocol::layout::kSocket, call.s);
  Put32(out, protocol::layout::kOptionLen, call.optlen);
  Put32(out, protocol::layout::kOptionLevel, call.level);
  Put32(out, protocol::layout::kOptionName, call.optname);
  Put32(out, protocol::layout::kOptionResult, call.result);
  return protocol::layout::kOptionFixed + PutTail(out, protocol::layout::kOptionFixed, value);
}

size_t BuildConvert32(std::span<uint8_t> out, const Convert32Call& call) {
  if (!Begin(out, protocol::layout::kConvertFixed, call.error)) return 0;
  protocol::bytes::PutLE32(out.data() + protocol::layout::kConvert32Arg, call.arg);
  protocol::bytes::PutLE32(out.data() + protocol::layout::kConvert32Result, call.result);
  return protocol::layout::kConvertFixed;
}

size_t BuildConvert16(std::span<uint8_t> out, const Convert16Call& call) {
  if (!Begin(out, protocol::layout::kConvertFixed, call.error)) return 0;
  protocol::bytes::PutLE16(out.data() + protocol::layout::kConvert16Arg, call.arg);
  protocol::bytes::PutLE16(out.data() + protocol::layout::kConvert16Result, call.result);
  return protocol::layout::kConvertFixed;
}

size_t BuildInetAddr(std::span<uint8_t> out, int32_t error, uint32_t result, std::string_view arg) {
  if (!Begin(out, protocol::layout::kInetFixed, error)) return 0;
  protocol::bytes::PutLE32(out.data() + protocol::layout::kInetAddrResult, result);
  return PutText(out, protocol::layout::kInetFixed, arg);
}

size_t BuildInetNtoa(std::span<uint8_t> out, int32_t error, uint32_t arg, std::string_view result) {
  if (!Begin(out, protocol::layout::kInetFixed, error)) return 0;
  protocol::bytes::PutLE32(out.data() + protocol::layout::kInetNtoaArg, arg);
  return PutText(out, protocol::layout::kInetFixed, result);
}

size_t BuildIoctl(std::span<uint8_t> out, const IoctlCall& call) {
  if (!Begin(out, protocol::layout::kIoctlFixed, call.error)) return 0;
  Put32(out, protocol::layout::kSocket, call.s);
  protocol::bytes::PutLE32(out.data() + protocol::layout::kIoctlCmd, call.cmd);
  protocol::bytes::PutLE32(out.data() + protocol::layout::kIoctlArg, call.arg);
  Put32(out, protocol::layout::kIoctlResult, call.result);
  return protocol::layout::kIoctlFixed;
}

size_t BuildListenShutdown(std::span<uint8_t> out, const SocketValueCall& call) {
  if (!Begin(out, protocol::layout::kListenFixed, call.error)) return 0;
  Put32(out, protocol::layout::kSocket, call.s);
  Put32(out, protocol::layout::kListenBacklog, call.value);
  Put32(out, protocol::layout::kListenResult, call.result);
  return protocol::layout::kListenFixed;
}

size_t BuildSelect(std::span<uint8_t> out, const SelectCall& call) {
  if (!Begin(out, protocol::layout::kSelectFixed, call.error)) return 0;
  Put32(out, protocol::layout::kSelectResult, call.result);
  protocol::bytes::PutLE16(out.data() + protocol::layout::kSelectReads, call.reads);
  protocol::bytes::PutLE16(out.data() + protocol::layout::kSelectWrites, call.writes);
  protocol::bytes::PutLE16(out.data() + protocol::layout::kSelectExcepts, call.excepts);
  return protocol::layout::kSelectFixed;
}

size_t BuildSocket(std::span<uint8_t> out, const SocketCall& call) {
  if (!Begin(out, protocol::layout::kSocketFixed, call.error)) return 0;
  Put32(out, protocol::layout::kSocketAf, call.af);
  Put32(out, protocol::layout::kSocketType, call.type);
  Put32(out, protocol::layout::kSocketProtocol, call.protocol);
  Put32(out, protocol::layout::kSocketResult, call.result);
  return protocol::layout::kSocketFixed;
}

size_t BuildStartup(std::span<uint8_t> out, const StartupCall& call) {
  namespace layout = protocol::layout;
  if (!Begin(out, layout::kStartupFixed, call.error)) return 0;
  Put32(out, layout::kResult2, call.result);
  protocol::bytes::PutLE16(out.data() + layout::kStartupRequested, call.requested);
  protocol::bytes::PutLE16(out.data() + layout::kStartupVersion, call.version);
  protocol::bytes::PutLE16(out.data() + layout::kStartupHighVersion, call.highVersion);
  const size_t end = PutText(out, layout::kStartupFixed, call.description);
  return PutText(out, end, call.systemStatus);
}

size_t BuildCleanup(std::span<uint8_t> out, int32_t error, int32_t result) {
  if (!Begin(out, protocol::layout::kCleanupFixed, error)) return 0;
  Put32(out, protocol::layout::kResult2, result);
  return protocol::layout::kCleanupFixed;
}

size_t BuildSocket2(std::span<uint8_t> out, const Socket2Call& call) {
  if (!Begin(out, protocol::layout::kSocket2Fixed, call.error)) return 0;
  Put32(out, protocol::layout::kSocketAf, call.af);
  Put32(out, protocol::layout::kSocketType, call.type);
  Put32(out, protocol::layout::kSocketProtocol, call.protocol);
  Put64(out, protocol::layout::kSocket2Result, call.result);
  return protocol::layout::kSocket2Fixed;
}

size_t BuildClose2(std::span<uint8_t> out, const Result2Call& call) {
  if (!Begin(out, protocol::layout::kClose2Fixed, call.error)) return 0;
  Put32(out, protocol::layout::kResult2, call.result);
  Put64(out, protocol::layout::kSocket64, call.s);
  return protocol::layout::kClose2Fixed;
}

size_t BuildBindConnect2(std::span<uint8_t> out, const Address2Call& call) {
  if (!Begin(out, protocol::layout::kBindConnect2Fixed, call.error)) return 0;
  Put32(out, protocol::layout::kResult2, call.result);
  Put64(out, protocol::layout::kSocket64, call.s);
  PutAddress(out, protocol::layout::kBindConnect2Address, call.address);
  return protocol::layout::kBindConnect2Fixed;
}

size_t BuildRecvSend2(std::span<uint8_t> out, const Transfer2Call& call,
                      std::span<const uint8_t> data) {
  constexpr protocol::layout::Transfer kOffsets = protocol::layout::kTransfer2;
  if (!Begin(out, kOffsets.fixed, call.error)) return 0;
  Put32(out, kOffsets.result, call.result);
  Put64(out, protocol::layout::kSocket64, call.s);
  Put32(out, protocol::layout::kTransfer2Flags, call.flags);
  Put32(out, protocol::layout::kTransfer2Len, call.len);
  const size_t count = PutTail(out, kOffsets.fixed, data);
  Put32(out, kOffsets.count, static_cast<int32_t>(count));
  return kOffsets.fixed + count;
}

size_t BuildAccept2(std::span<uint8_t> out, const Accept2Call& call) {
  namespace layout = protocol::layout;
  if (!Begin(out, layout::kAccept2Fixed, call.error)) return 0;
  Put32(out, layout::kAccept2Offered, call.offered);
  Put64(out, layout::kSocket64, call.s);
  Put64(out, layout::kAccept2Result, call.result);
  Put64(out, layout::kAccept2Condition, call.condition);
  Put64(out, layout::kAccept2CallbackData, call.callbackData);
  PutAddress(out, layout::kAccept2Address, call.address);
  return layout::kAccept2Fixed;
}

size_t BuildWSASocket(std::span<uint8_t> out, const WSASocketCall& call) {
  namespace layout = protocol::layout;
  if (!Begin(out, layout::kWSASocketFixed, call.error)) return 0;
  Put32(out, layout::kSocketAf, call.af);
  Put32(out, layout::kSocketType, call.type);
  Put32(out, layout::kSocketProtocol, call.protocol);
  Put64(out, layout::kSocket2Result, call.result);
  Put64(out, layout::kWSASocketInfo, call.protocolInfo);
  protocol::bytes::PutLE32(out.data() + layout::kWSASocketGroup, call.group);
  protocol::bytes::PutLE32(out.data() + layout::kWSASocketFlags, call.flags);
  return layout::kWSASocketFixed;
}

size_t BuildWSAConnect(std::span<uint8_t> out, const WSAConnectCall& call) {
  namespace layout = protocol::layout;
  if (!Begin(out, layout::kWSAConnectFixed, call.error)) return 0;
  Put32(out, layout::kResult2, call.result);
  Put64(out, layout::kSocket64, call.s);
  Put64(out, layout::kWSAConnectCallerData, call.callerData);
  Put64(out, layout::kWSAConnectCalleeData, call.calleeData);
  Put64(out, layout::kWSAConnectSqos, call.sqos);
  Put64(out, layout::kWSAConnectGqos, call.gqos);
  PutAddress(out, layout::kWSAConnectAddress, call.address);
  return layout::kWSAConnectFixed;
}

size_t BuildListenShutdown2(std::span<uint8_t> out, const Value2Call& call) {
  namespace layout = protocol::layout;
  if (!Begin(out, layout::kListenShutdown2Fixed, call.error)) return 0;
  Put32(out, layout::kResult2, call.result);
  Put64(out, layout::kSocket64, call.s);
  Put32(out, layout::kListenShutdown2Value, call.value);
  return layout::kListenShutdown2Fixed;
}

size_t BuildGetName2(std::span<uint8_t> out, const GetName2Call& call) {
  namespace layout = protocol::layout;
  if (!Begin(out, layout::kGetName2Fixed, call.error)) return 0;
  Put32(out, layout::kResult2, call.result);
  Put64(out, layout::kSocket64, call.s);
  Put32(out, layout::kGetName2Offered, call.offered);
  PutAddress(out, layout::kGetName2Address, call.address);
  return layout::kGetName2Fixed;
}

size_t BuildSockOpt2(std::span<uint8_t> out, const Option2Call& call,
                     std::span<const uint8_t> value) {
  namespace layout = protocol::layout;
  if (!Begin(out, layout::kOption2Fixed, call.error)) return 0;
  Put32(out, layout::kResult2, call.result);
  Put64(out, layout::kSocket64, call.s);
  Put32(out, layout::kOption2Level, call.level);
  Put32(out, layout::kOption2Name, call.optname);
  Put32(out, layout::kOption2Offered, call.offered);
  Put32(out, layout::kOption2Len, call.optlen);
  return layout::kOption2Fixed + PutTail(out, layout::kOption2Fixed, value);
}

size_t BuildIoctl2(std::span<uint8_t> out, const Ioctl2Call& call) {
  namespace layout = protocol::layout;
  if (!Begin(out, layout::kIoctl2Fixed, call.error)) return 0;
  Put32(out, layout::kResult2, call.result);
  Put64(out, layout::kSocket64, call.s);
  protocol::bytes::PutLE32(out.data() + layout::kIoctl2Cmd, call.cmd);
  protocol::bytes::PutLE32(out.data() + layout::kIoctl2Before, call.before);
  protocol::bytes::PutLE32(out.data() + layout::kIoctl2After, call.after);
  return layout::kIoctl2Fixed;
}

size_t BuildWSAIoctl(std::span<uint8_t> out, const WSAIoctlCall& call,
                     std::span<const uint8_t> input, std::span<const uint8_t> output) {
  namespace layout = protocol::layout;
  if (!Begin(out, layout::kWSAIoctlFixed, call.error)) return 0;
  Put32(out, layout::kResult2, call.result);
  Put64(out, layout::kSocket64, call.s);
  protocol::bytes::PutLE32(out.data() + layout::kWSAIoctlCode, call.code);
  protocol::bytes::PutLE32(out.data() + layout::kWSAIoctlInLen, call.inLen);
  protocol::bytes::PutLE32(out.data() + layout::kWSAIoctlOutLen, call.outLen);
  protocol::bytes::PutLE32(out.data() + layout::kWSAIoctlReturned, call.returned);
  Put64(out, layout::kWSAIoctlOverlapped, call.overlapped);
  Put64(out, layout::kWSAIoctlRoutine, call.routine);
  const size_t inCount = PutTail(out, layout::kWSAIoctlFixed, input);
  const size_t outCount = PutTail(out, layout::kWSAIoctlFixed + inCount, output);
  Put32(out, layout::kWSAIoctlInCount, static_cast<int32_t>(inCount));
  Put32(out, layout::kWSAIoctlOutCount, static_cast<int32_t>(outCount));
  return layout::kWSAIoctlFixed + inCount + outCount;
}

size_t BuildDuplicateSocket(std::span<uint8_t> out, const DuplicateCall& call) {
  namespace layout = protocol::layout;
  if (!Begin(out, layout::kDuplicateFixed, call.error)) return 0;
  Put32(out, layout::kResult2, call.result);
  Put64(out, layout::kSocket64, call.s);
  protocol::bytes::PutLE32(out.data() + layout::kDuplicateProcess, call.processId);
  Put64(out, layout::kDuplicateInfo, call.protocolInfo);
  Put32(out, layout::kDuplicateAf, call.af);
  Put32(out, layout::kDuplicateType, call.type);
  Put32(out, layout::kDuplicateProtocol, call.protocol);
  return layout::kDuplicateFixed;
}

size_t TextSize(const Text& text) {
  const size_t chars = protocol::layout::kTextChars;
  if (const auto* narrow = std::get_if<std::string_view>(&text)) return chars + narrow->size();
  if (const auto* wide = std::get_if<std::u16string_view>(&text)) return chars + 2 * wide->size();
  return chars;
}

size_t BuildAddrInfo(std::span<uint8_t> out, const AddrInfoCall& call) {
  namespace layout = protocol::layout;
  if (!Begin(out, layout::kAddrInfoFixed, call.error)) return 0;
  Put32(out, layout::kResult2, call.result);
  Put64(out, layout::kAddrInfoList, call.list);
  if (call.hints) {
    Put32(out, layout::kAddrInfoHints, 1);
    Put32(out, layout::kAddrInfoFlags, call.hints->flags);
    Put32(out, layout::kAddrInfoFamily, call.hints->family);
    Put32(out, layout::kAddrInfoSockType, call.hints->socktype);
    Put32(out, layout::kAddrInfoProtocol, call.hints->protocol);
  }
  Put32(out, layout::kAddrInfoCount, call.count);
  return PutCountedText(out, PutCountedText(out, layout::kAddrInfoFixed, call.node), call.service);
}

size_t AddAddrInfoEntry(std::span<uint8_t> out, size_t size, const AddrInfoEntry& entry) {
  namespace layout = protocol::layout;
  const size_t addressBytes = layout::CutAddressBytes(entry.address.length);
  const size_t end = size + layout::kEntryFixed + addressBytes + TextSize(entry.canonicalName);
  if (size < layout::kAddrInfoFixed || end > out.size()) return size;
  std::fill(out.begin() + static_cast<std::ptrdiff_t>(size),
            out.begin() + static_cast<std::ptrdiff_t>(size + layout::kEntryFixed + addressBytes),
            uint8_t{0});
  const AddrInfoFields& fields = entry.fields;
  Put32(out, size + layout::kEntryFlags, fields.flags);
  Put32(out, size + layout::kEntryFamily, fields.family);
  Put32(out, size + layout::kEntrySockType, fields.socktype);
  Put32(out, size + layout::kEntryProtocol, fields.protocol);
  const std::span<const uint8_t> bytes = entry.address.bytes;
  const AnyAddress cut{entry.address.length, bytes.first(std::min(addressBytes, bytes.size()))};
  PutAddress(out, size + layout::kEntryAddress, cut);
  PutCountedText(out, size + layout::kEntryFixed + addressBytes, entry.canonicalName);
  Put32(out, layout::kAddrInfoHeld, protocol::bytes::GetLE32Signed(out, layout::kAddrInfoHeld) + 1);
  return end;
}

size_t BuildFreeAddrInfo(std::span<uint8_t> out, int32_t error, uint64_t list) {
  if (!Begin(out, protocol::layout::kFreeAddrInfoFixed, error)) return 0;
  Put64(out, protocol::layout::kFreeAddrInfoList, list);
  return protocol::layout::kFreeAddrInfoFixed;
}

size_t BuildNameInfo(std::span<uint8_t> out, const NameInfoCall& call) {
  namespace layout = protocol::layout;
  if (!Begin(out, layout::kNameInfoFixed, call.error)) return 0;
  Put32(out, layout::kResult2, call.result);
  Put32(out, layout::kNameInfoHostLen, call.hostLen);
  Put32(out, layout::kNameInfoServLen, call.servLen);
  Put32(out, layout::kNameInfoFlags, call.flags);
  PutAddress(out, layout::kNameInfoAddress, call.address);
  return PutCountedText(out, PutCountedText(out, layout::kNameInfoFixed, call.host), call.service);
}

size_t BuildInetPton(std::span<uint8_t> out, const PtonCall& call) {
  namespace layout = protocol::layout;
  if (!Begin(out, layout::kPtonFixed, call.error)) return 0;
  Put32(out, layout::kResult2, call.result);
  Put32(out, layout::kPtonFamily, call.family);
  PutInAddr(out, layout::kPtonCount, layout::kPtonBytes, call.bytes);
  return PutCountedText(out, layout::kPtonFixed, call.text);
}

size_t BuildInetNtop(std::span<uint8_t> out, const NtopCall& call) {
  namespace layout = protocol::layout;
  if (!Begin(out, layout::kNtopFixed, call.error)) return 0;
  Put32(out, layout::kNtopFamily, call.family);
  Put64(out, layout::kNtopSize, call.size);
  PutInAddr(out, layout::kNtopCount, layout::kNtopBytes, call.bytes);
  return PutCountedText(out, layout::kNtopFixed, call.result);
}

size_t BuildAddressToString(std::span<uint8_t> out, const AddressToStringCall& call) {
  namespace layout = protocol::layout;
  if (!Begin(out, layout::kToStringFixed, call.error)) return 0;
  Put32(out, layout::kResult2, call.result);
  Put64(out, layout::kToStringInfo, call.protocolInfo);
  Put32(out, layout::kToStringLength, call.length);
  Put32(out, layout::kToStringLengthOut, call.lengthOut);
  PutAddress(out, layout::kToStringAddress, call.address);
  return PutCountedText(out, layout::kToStringFixed, call.text);
}

size_t BuildStringToAddress(std::span<uint8_t> out, const StringToAddressCall& call) {
  namespace layout = protocol::layout;
  if (!Begin(out, layout::kToAddressFixed, call.error)) return 0;
  Put32(out, layout::kResult2, call.result);
  Put32(out, layout::kToAddressFamily, call.family);
  Put32(out, layout::kToAddressLength, call.length);
  Put64(out, layout::kToAddressInfo, call.protocolInfo);
  PutAddress(out, layout::kToAddressAddress, call.address);
  return PutCountedText(out, layout::kToAddressFixed, call.text);
}

size_t BuildSelect2(std::span<uint8_t> out, const Select2Call& call) {
  namespace layout = protocol::layout;
  if (!Begin(out, layout::kSelect2Fixed, call.error)) return 0;
  Put32(out, layout::kResult2, call.result);
  Put32(out, layout::kSelect2Nfds, call.nfds);
  protocol::bytes::PutLE32(out.data() + layout::kSelect2Passed, call.passed);
  Put32(out, layout::kSelect2Sec, call.sec);
  Put32(out, layout::kSelect2Usec, call.usec);
  size_t end = layout::kSelect2Fixed;
  const auto putSets = [&](const std::array<FdSetImage, 3>& sets, size_t counts) {
    for (size_t i = 0; i < sets.size(); ++i) {
      protocol::bytes::PutLE32(out.data() + counts + 4 * i, sets[i].count);
      const size_t kept = std::min<size_t>(sets[i].count, layout::kFdSetSize);
      for (size_t k = 0; k < kept && end + 8 <= out.size(); ++k, end += 8) {
        Put64(out, end, k < sets[i].sockets.size() ? sets[i].sockets[k] : 0);
      }
    }
  };
  putSets(call.before, layout::kSelect2CountsBefore);
  putSets(call.after, layout::kSelect2CountsAfter);
  return end;
}

size_t BuildPoll(std::span<uint8_t> out, const PollCall& call) {
  namespace layout = protocol::layout;
  if (!Begin(out, layout::kPollFixed, call.error)) return 0;
  Put32(out, layout::kResult2, call.result);
  protocol::bytes::PutLE32(out.data() + layout::kPollCount, call.count);
  Put32(out, layout::kPollTimeout, call.timeout);
  const size_t kept =
      std::min(call.entries.size(), (out.size() - layout::kPollFixed) / layout::kPollEntrySize);
  protocol::bytes::PutLE32(out.data() + layout::kPollKept, static_cast<uint32_t>(kept));
  size_t end = layout::kPollFixed;
  for (size_t i = 0; i < kept; ++i, end += layout::kPollEntrySize) {
    std::fill_n(out.begin() + static_cast<std::ptrdiff_t>(end), layout::kPollEntrySize, 0);
    Put64(out, end, call.entries[i].fd);
    protocol::bytes::PutLE16(out.data() + end + layout::kPollEvents,
                             static_cast<uint16_t>(call.entries[i].events));
    protocol::bytes::PutLE16(out.data() + end + layout::kPollRevents,
                             static_cast<uint16_t>(call.entries[i].revents));
  }
  return end;
}

size_t BuildSelectEvents(std::span<uint8_t> out, const SelectEventsCall& call) {
  namespace layout = protocol::layout;
  if (!Begin(out, layout::kSelectEventsFixed, call.error)) return 0;
  Put32(out, layout::kResult2, call.result);
  Put64(out, layout::kSocket64, call.s);
  Put64(out, layout::kSelectEventsHandle, call.handle);
  Put32(out, layout::kSelectEventsMask, call.events);
  protocol::bytes::PutLE32(out.data() + layout::kSelectEventsMessage, call.message);
  return layout::kSelectEventsFixed;
}

size_t BuildNetworkEvents(std::span<uint8_t> out, const NetworkEventsCall& call) {
  namespace layout = protocol::layout;
  if (!Begin(out, layout::kNetworkEventsFixed, call.error)) return 0;
  Put32(out, layout::kResult2, call.result);
  Put64(out, layout::kSocket64, call.s);
  Put64(out, layout::kNetworkEventsHandle, call.event);
  Put32(out, layout::kNetworkEventsMask, call.events);
  for (size_t i = 0; i < call.errors.size(); ++i) {
    Put32(out, layout::kNetworkEventsErrors + 4 * i, call.errors[i]);
  }
  return layout::kNetworkEventsFixed;
}

size_t BuildHostent(std::span<uint8_t> out, const HostentCall& call) {
  namespace layout = protocol::layout;
  if (!Begin(out, layout::kHostentFixed, call.error)) return 0;
  Put64(out, layout::kHostentResult, call.result);
  Put32(out, layout::kHostentLen, call.len);
  Put32(out, layout::kHostentType, call.type);
  std::copy_n(call.addr.begin(), std::min(call.addr.size(), layout::kHostAddrCapacity),
              out.begin() + layout::kHostentAddr);
  size_t end = PutText(out, layout::kHostentFixed, call.name);
  if (call.result == 0) return end;
  protocol::bytes::PutLE16(out.data() + layout::kHostentAddrType,
                           static_cast<uint16_t>(call.addrType));
  protocol::bytes::PutLE16(out.data() + layout::kHostentLength, static_cast<uint16_t>(call.length));
  end = PutText(out, end, call.hostName);
  uint16_t aliases = 0;
  for (; aliases < call.aliases.size() && aliases < UINT16_MAX && end < out.size(); ++aliases) {
    end = PutText(out, end, call.aliases[aliases]);
  }
  protocol::bytes::PutLE16(out.data() + layout::kHostentAliases, aliases);
  const size_t size =
      std::min<size_t>(std::max<int16_t>(call.length, 0), layout::kHostAddrCapacity);
  uint16_t addresses = 0;
  for (; size > 0 && addresses < call.addresses.size() && addresses < UINT16_MAX &&
         end + size <= out.size();
       ++addresses, end += size) {
    std::copy_n(call.addresses[addresses], size, out.begin() + static_cast<std::ptrdiff_t>(end));
  }
  protocol::bytes::PutLE16(out.data() + layout::kHostentAddresses, addresses);
  return end;
}

size_t BuildHostName(std::span<uint8_t> out, int32_t error, int32_t result, int32_t namelen,
                     std::string_view name) {
  namespace layout = protocol::layout;
  if (!Begin(out, layout::kHostNameFixed, error)) return 0;
  Put32(out, layout::kResult2, result);
  Put32(out, layout::kHostNameLen, namelen);
  return result == 0 ? PutText(out, layout::kHostNameFixed, name) : layout::kHostNameFixed;
}

size_t BuildTransferAddr2(std::span<uint8_t> out, const TransferAddr2Call& call,
                          std::span<const uint8_t> data) {
  namespace layout = protocol::layout;
  constexpr layout::Transfer kOffsets = layout::kTransferAddr2;
  if (!Begin(out, kOffsets.fixed, call.error)) return 0;
  Put32(out, kOffsets.result, call.result);
  Put64(out, layout::kSocket64, call.s);
  Put32(out, layout::kTransfer2Flags, call.flags);
  Put32(out, layout::kTransfer2Len, call.len);
  Put32(out, layout::kTransferAddr2FromLen, call.fromLen);
  PutAddress(out, layout::kTransferAddr2Address, call.address);
  const size_t count = PutTail(out, kOffsets.fixed, data);
  Put32(out, kOffsets.count, static_cast<int32_t>(count));
  return kOffsets.fixed + count;
}

size_t BuildWsaBuffers(std::span<uint8_t> out, const BuffersCall& call,
                       std::span<const uint8_t> data, std::span<const uint32_t> lengths) {
  return BuildBuffers(out, call, data, lengths, protocol::layout::kWsaBuffers);
}

size_t BuildWsaBuffersAddr(std::span<uint8_t> out, const BuffersCall& call,
                           std::span<const uint8_t> data, std::span<const uint32_t> lengths) {
  return BuildBuffers(out, call, data, lengths, protocol::layout::kWsaBuffersAddr);
}

size_t BuildOverlappedResult(std::span<uint8_t> out, const CollectCall& call,
                             std::span<const uint8_t> data, std::span<const uint32_t> lengths) {
  namespace layout = protocol::layout;
  BuffersCall laid{call.error,       call.result,
                   call.s,           call.bytes,
                   call.wait,        call.flagsOut,
                   call.bufferCount, call.collected,
                   call.overlapped,  static_cast<uint64_t>(static_cast<uint32_t>(call.transferred)),
                   call.address};
  return BuildBuffers(out, laid, data, lengths, layout::kWsaBuffersAddr);
}

size_t BuildGeneric(std::span<uint8_t> out, int32_t error) {
  return Begin(out, protocol::layout::kGenericFixed, error) ? protocol::layout::kGenericFixed : 0;
}

}  // namespace agent::payload
