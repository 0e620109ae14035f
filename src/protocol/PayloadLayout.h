// Byte offsets of the call payloads the agent sends, one layout per group of calls. Every
// payload starts with the Winsock error code the calling thread had after the call; all
// numbers are little-endian. Texts, option values and data follow the fixed part.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace protocol::layout {

// The payload of each traced call is one of these; the table of calls (Calls.h) says which.
// Calls that share one differ only in their name (htonl and ntohl), in their data direction
// (recv and send), or in what a field means (listen's backlog is shutdown's how).
enum class Group : uint8_t {
  kAccept,
  kBindConnect,
  kGetName,  // getpeername, getsockname
  kClose,
  kOption,  // getsockopt, setsockopt
  kConvert32,
  kConvert16,
  kInetAddr,
  kInetNtoa,
  kIoctl,
  kListen,
  kShutdown,
  kSelect,
  kSocket,
  kRecvSend,
  kRecvFrom,
  kSendTo,
  kGeneric,  // the calls decoded by name only
  // The Winsock 2 calls.
  kStartup,
  kCleanup,
  kSocket2,
  kClose2,
  kBindConnect2,  // bind, connect
  kRecvSend2,     // recv, send
  kAccept2,       // accept, WSAAccept
  kWSASocket,     // WSASocketA, WSASocketW
  kWSAConnect,
  kListenShutdown2,
  kGetName2,  // getsockname, getpeername
  kOption2,   // getsockopt, setsockopt
  kIoctl2,
  kWSAIoctl,
  kDuplicateSocket,  // WSADuplicateSocketA, WSADuplicateSocketW
  kAddrInfo,         // getaddrinfo, GetAddrInfoW
  kFreeAddrInfo,
  kNameInfo,         // getnameinfo, GetNameInfoW
  kInetPton,         // inet_pton, InetPtonW
  kInetNtop,         // inet_ntop, InetNtopW
  kAddressToString,  // WSAAddressToStringA, WSAAddressToStringW
  kStringToAddress,  // WSAStringToAddressA, WSAStringToAddressW
  kSelect2,          // select
  kPoll,             // WSAPoll
  kSelectEvents,     // WSAAsyncSelect, WSAEventSelect
  kNetworkEvents,    // WSAEnumNetworkEvents
  kHostent,          // gethostbyname, gethostbyaddr
  kHostName,         // gethostname
  kWsaBuffers,       // WSASend, WSARecv
  kTransferAddr2,    // sendto, recvfrom
  kWsaBuffersAddr,   // WSASendTo, WSARecvFrom
  kOverlappedResult,
};

constexpr size_t kError = 0;
constexpr size_t kSocket = 4;  // s, in every call that takes one

// The 16-byte socket address image: family, port and address, both in network order.
constexpr size_t kSockAddrSize = 16;
constexpr size_t kImageFamily = 0;
constexpr size_t kImagePort = 2;
constexpr size_t kImageAddress = 4;

// accept, bind, connect, getpeername, getsockname, and closesocket share the 48-byte block.
struct Address {
  size_t result;
  size_t addrLen;
};
constexpr size_t kAddressFixed = 48;
constexpr size_t kAddressImage = 32;
constexpr Address kAccept{8, 16};  // result is the new socket
constexpr Address kBindConnect{28, 12};
constexpr Address kGetName{28, 16};  // getpeername, getsockname
constexpr size_t kCloseFixed = 48;
constexpr size_t kCloseResult = 28;

// recv, send, recvfrom and sendto: the call's result (bytes transferred, or -1), the count of
// captured bytes, and the fixed part, after which the captured bytes follow.
struct Transfer {
  size_t result;
  size_t count;
  size_t fixed;
};
constexpr Transfer kShortTransfer{16, 20, 24};  // recv, send
constexpr Transfer kLongTransfer{20, 44, 48};   // recvfrom, sendto
constexpr size_t kTransferFlags = 12;
// recvfrom and sendto differ only in where the address length lies.
constexpr size_t kRecvFromAddrLen = 24;
constexpr size_t kSendToAddrLen = 16;
constexpr size_t kLongImage = 28;

// getsockopt, setsockopt; the option value follows the fixed part.
constexpr size_t kOptionFixed = 48;
constexpr size_t kOptionLen = 16;
constexpr size_t kOptionLevel = 20;
constexpr size_t kOptionName = 24;
constexpr size_t kOptionResult = 28;

// htonl, ntohl, htons, ntohs.
constexpr size_t kConvertFixed = 16;
constexpr size_t kConvert32Arg = 4;
constexpr size_t kConvert32Result = 8;
constexpr size_t kConvert16Arg = 12;
constexpr size_t kConvert16Result = 14;

// inet_addr (argument text) and inet_ntoa (result text); the text ends with a zero byte.
constexpr size_t kInetFixed = 12;
constexpr size_t kInetAddrResult = 4;
constexpr size_t kInetNtoaArg = 8;

constexpr size_t kIoctlFixed = 20;
constexpr size_t kIoctlCmd = 8;
constexpr size_t kIoctlArg = 12;
constexpr size_t kIoctlResult = 16;

constexpr size_t kListenFixed = 16;  // shutdown has the same layout, with how for backlog
constexpr size_t kListenBacklog = 8;
constexpr size_t kListenResult = 12;

constexpr size_t kSelectFixed = 36;
constexpr size_t kSelectResult = 24;
constexpr size_t kSelectReads = 28;
constexpr size_t kSelectWrites = 30;
constexpr size_t kSelectExcepts = 32;

constexpr size_t kSocketFixed = 20;
constexpr size_t kSocketAf = 4;
constexpr size_t kSocketType = 8;
constexpr size_t kSocketProtocol = 12;
constexpr size_t kSocketResult = 16;

// The calls decoded by name only carry the error code.
constexpr size_t kGenericFixed = 4;

// The Winsock 2 calls' payloads keep handles and pointers in 64-bit fields, so that 32-bit and
// 64-bit programs send the same layout, and hold socket addresses whole. Their error code is
// followed by their int result where they have one, and their socket lies at kSocket64.
constexpr size_t kResult2 = 4;
constexpr size_t kSocket64 = 8;

// A socket address of any family: the length the call gave or got, then the address's first
// bytes, up to the size of the largest (a SOCKADDR_STORAGE), zero beyond. The family is its
// first two bytes; the port, where the family has one, the next two, in network order. A length
// of kNoAddress says that the block holds none: the call gave or got no address (a receive that
// failed or has not completed, a collected call that names none).
constexpr size_t kAddrBlockLength = 0;
constexpr size_t kAddrBlockBytes = 4;
constexpr size_t kAddrBlockCapacity = 128;
constexpr size_t kAddrBlockSize = kAddrBlockBytes + kAddrBlockCapacity;
constexpr int32_t kNoAddress = -1;
constexpr int16_t kFamilyInet = 2;
constexpr int16_t kFamilyInet6 = 23;
// The families whose port and address are shown as such; any other family shows its bytes.
constexpr bool HasPortAndAddress(int16_t family) {
  return family == kFamilyInet || family == kFamilyInet6;
}
// Within the bytes of an AF_INET6 address: flow info, address, scope id.
constexpr size_t kIn6Address = 8;
constexpr size_t kIn6Scope = 24;
constexpr size_t kIn6Size = 28;

// WSAStartup: the version asked for, and the WSADATA it filled; its description and system
// status follow the fixed part as two zero-ended texts.
constexpr size_t kStartupFixed = 16;
constexpr size_t kStartupRequested = 8;
constexpr size_t kStartupVersion = 10;
constexpr size_t kStartupHighVersion = 12;

constexpr size_t kCleanupFixed = 8;

constexpr size_t kSocket2Fixed = 24;  // af, type and protocol as in kSocket; the new socket last
constexpr size_t kSocket2Result = 16;

constexpr size_t kClose2Fixed = 16;

constexpr size_t kBindConnect2Address = 16;
constexpr size_t kBindConnect2Fixed = kBindConnect2Address + kAddrBlockSize;

// recv, send: the flags and the length the program passed, then as kShortTransfer.
constexpr Transfer kTransfer2{kResult2, 24, 28};
constexpr size_t kTransfer2Flags = 16;
constexpr size_t kTransfer2Len = 20;

// accept, WSAAccept: the address length the program offered (0 when not known), the new socket,
// WSAAccept's condition function and callback data (0 for accept), and the peer's address as
// the call filled it in (nothing when it failed).
constexpr size_t kAccept2Offered = 4;
constexpr size_t kAccept2Result = 16;
constexpr size_t kAccept2Condition = 24;
constexpr size_t kAccept2CallbackData = 32;
constexpr size_t kAccept2Address = 40;
constexpr size_t kAccept2Fixed = kAccept2Address + kAddrBlockSize;

// WSASocketA, WSASocketW: af, type, protocol and the new socket as in kSocket2; the protocol
// info pointer, the group and the flags.
constexpr size_t kWSASocketInfo = 24;
constexpr size_t kWSASocketGroup = 32;
constexpr size_t kWSASocketFlags = 36;
constexpr size_t kWSASocketFixed = 40;

// WSAConnect: the caller and callee data and the two QOS pointers, then the address.
constexpr size_t kWSAConnectCallerData = 16;
constexpr size_t kWSAConnectCalleeData = 24;
constexpr size_t kWSAConnectSqos = 32;
constexpr size_t kWSAConnectGqos = 40;
constexpr size_t kWSAConnectAddress = 48;
constexpr size_t kWSAConnectFixed = kWSAConnectAddress + kAddrBlockSize;

constexpr size_t kListenShutdown2Value = 16;  // listen's backlog, shutdown's how
constexpr size_t kListenShutdown2Fixed = 20;

// getsockname, getpeername: the length offered (0 when not known), and the address the call
// filled in (nothing when it failed).
constexpr size_t kGetName2Offered = 16;
constexpr size_t kGetName2Address = 20;
constexpr size_t kGetName2Fixed = kGetName2Address + kAddrBlockSize;

// getsockopt, setsockopt: the length offered (getsockopt's *optlen before the call, 0 when not
// known; setsockopt's optlen) and the value's length (setsockopt's optlen, getsockopt's
// *optlen after the call); the value's bytes follow the fixed part.
constexpr size_t kOption2Level = 16;
constexpr size_t kOption2Name = 20;
constexpr size_t kOption2Offered = 24;
constexpr size_t kOption2Len = 28;
constexpr size_t kOption2Fixed = 32;

// ioctlsocket: the command and what argp pointed to before and after the call (0 when not known).
constexpr size_t kIoctl2Cmd = 16;
constexpr size_t kIoctl2Before = 20;
constexpr size_t kIoctl2After = 24;
constexpr size_t kIoctl2Fixed = 28;

// WSAIoctl: the code, the two buffers' lengths, the bytes returned, the OVERLAPPED and the
// completion routine; then the counts of the input and the output bytes captured, which follow
// the fixed part in that order.
constexpr size_t kWSAIoctlCode = 16;
constexpr size_t kWSAIoctlInLen = 20;
constexpr size_t kWSAIoctlOutLen = 24;
constexpr size_t kWSAIoctlReturned = 28;
constexpr size_t kWSAIoctlOverlapped = 32;
constexpr size_t kWSAIoctlRoutine = 40;
constexpr size_t kWSAIoctlInCount = 48;
constexpr size_t kWSAIoctlOutCount = 52;
constexpr size_t kWSAIoctlFixed = 56;

// WSADuplicateSocketA, WSADuplicateSocketW: the process, the WSAPROTOCOL_INFO pointer, and the
// family, type and protocol the call wrote into it (0 when it failed).
constexpr size_t kDuplicateProcess = 16;
constexpr size_t kDuplicateInfo = 24;
constexpr size_t kDuplicateAf = 32;
constexpr size_t kDuplicateType = 36;
constexpr size_t kDuplicateProtocol = 40;
constexpr size_t kDuplicateFixed = 44;
// A text of a Winsock 2 call, where its payload puts one: its length in characters, -1 for a
// null pointer; the size of a character, 1, or 2 for the UTF-16LE of the wide calls (0 for a
// null pointer); then the characters. A text cut to fit the payload gives the length of what
// was kept.
constexpr size_t kTextLength = 0;
constexpr size_t kTextWidth = 4;
constexpr size_t kTextChars = 8;

// getaddrinfo, GetAddrInfoW: the call returns its error. The hints the program passed (their
// four fields zero without them), the list the call returned and how many entries it holds; the
// node and service texts follow, then as many entries as the payload holds.
constexpr size_t kAddrInfoList = 8;    // the list, a pointer
constexpr size_t kAddrInfoHints = 16;  // 1 when the program passed hints
constexpr size_t kAddrInfoFlags = 20;
constexpr size_t kAddrInfoFamily = 24;
constexpr size_t kAddrInfoSockType = 28;
constexpr size_t kAddrInfoProtocol = 32;
constexpr size_t kAddrInfoCount = 36;  // the entries of the list
constexpr size_t kAddrInfoHeld = 40;   // the entries that follow
constexpr size_t kAddrInfoFixed = 44;
// An entry of the list: the same four fields, then its address as an address block cut to the
// address's length, then its canonical name (a text).
constexpr size_t kEntryFlags = 0;
constexpr size_t kEntryFamily = 4;
constexpr size_t kEntrySockType = 8;
constexpr size_t kEntryProtocol = 12;
constexpr size_t kEntryAddress = 16;
constexpr size_t kEntryFixed = kEntryAddress + kAddrBlockBytes;
// The bytes of an address block cut to its length.
constexpr size_t CutAddressBytes(int32_t length) {
  return static_cast<size_t>(
      std::clamp<int32_t>(length, 0, static_cast<int32_t>(kAddrBlockCapacity)));
}

constexpr size_t kFreeAddrInfoList = 8;
constexpr size_t kFreeAddrInfoFixed = 16;

// getnameinfo, GetNameInfoW: the call returns its error. The two buffers' sizes in characters,
// the NI_ flags and the address; the host and service texts follow, null where the program
// passed no buffer or the call failed.
constexpr size_t kNameInfoHostLen = 8;
constexpr size_t kNameInfoServLen = 12;
constexpr size_t kNameInfoFlags = 16;
constexpr size_t kNameInfoAddress = 20;
constexpr size_t kNameInfoFixed = kNameInfoAddress + kAddrBlockSize;

// The bytes of an IPv4 or IPv6 address, the two families inet_pton and inet_ntop convert: how
// many, then up to 16.
constexpr size_t kInAddrCapacity = 16;

// inet_pton, InetPtonW: the family and the bytes the call wrote (none unless it returned 1);
// the text follows.
constexpr size_t kPtonFamily = 8;
constexpr size_t kPtonCount = 12;
constexpr size_t kPtonBytes = 16;
constexpr size_t kPtonFixed = kPtonBytes + kInAddrCapacity;

// inet_ntop, InetNtopW: the family, the buffer's size in characters, the bytes the call read
// (none for another family); the text it returned follows, null for a null result.
constexpr size_t kNtopFamily = 4;
constexpr size_t kNtopSize = 8;
constexpr size_t kNtopCount = 16;
constexpr size_t kNtopBytes = 20;
constexpr size_t kNtopFixed = kNtopBytes + kInAddrCapacity;

// WSAAddressToStringA/W: the protocol info pointer, the buffer's length in characters as the
// program passed it and as the call set it (0 unless it succeeded), the address; the text
// follows, null unless the call succeeded.
constexpr size_t kToStringInfo = 8;
constexpr size_t kToStringLength = 16;
constexpr size_t kToStringLengthOut = 20;
constexpr size_t kToStringAddress = 24;
constexpr size_t kToStringFixed = kToStringAddress + kAddrBlockSize;

// WSAStringToAddressA/W: the family, the address length the program passed, the protocol info
// pointer, and the address the call filled in with its length as the call set it (empty unless
// it succeeded); the text follows.
constexpr size_t kToAddressFamily = 8;
constexpr size_t kToAddressLength = 12;
constexpr size_t kToAddressInfo = 16;
constexpr size_t kToAddressAddress = 24;
constexpr size_t kToAddressFixed = kToAddressAddress + kAddrBlockSize;
// sendto, recvfrom: as recv and send, then the size of the program's address buffer (recvfrom;
// 0 without one) and the address block: the destination, or the source the call filled in.
constexpr Transfer kTransferAddr2{kResult2, 24, 164};
constexpr size_t kTransferAddr2FromLen = 28;
constexpr size_t kTransferAddr2Address = 32;

// WSASend, WSARecv, WSASendTo, WSARecvFrom: the bytes the call moved (for a send that pends, the
// bytes it handed over; -1 when the call failed or a receive pends), the count of captured bytes,
// the flags as passed and, after a receive that completed, as it returned them, the buffer count,
// the size of a WSARecvFrom's address buffer, the OVERLAPPED, the completion routine, and how
// many buffer lengths the payload lists. The -To/-From calls add the address block. The captured
// bytes follow the fixed part, then the lengths of the first buffers, 32 bits each.
constexpr Transfer kWsaBuffers{16, 20, 60};
constexpr Transfer kWsaBuffersAddr{16, 20, 192};
constexpr size_t kWsaFlags = 24;
constexpr size_t kWsaFlagsOut = 28;
constexpr size_t kWsaBufferCount = 32;
constexpr size_t kWsaFromLen = 36;
constexpr size_t kWsaOverlapped = 40;
constexpr size_t kWsaCompletion = 48;
constexpr size_t kWsaListed = 56;
constexpr size_t kWsaAddress = 60;

// WSAGetOverlappedResult: laid out as a WSARecvFrom, with what it collected. The bytes are those
// of a receive the agent saw pend on the same OVERLAPPED (-1 for anything else), its buffer count
// and address block (kNoAddress but for a WSARecvFrom) and the API id of that receive (0 for
// none); the transfer count the call returned, fWait, and the flags it returned.
constexpr size_t kCollectWait = kWsaFlags;
constexpr size_t kCollectApi = kWsaFromLen;
constexpr size_t kCollectTransferred = kWsaCompletion;

// select: nfds, which of the three sets and the timeout the program passed (kPassed* bits), the
// timeout, and each set's socket count as passed and as the call left it (after a failed call,
// 0). The sockets follow the fixed part, 64-bit each, at most kFdSetSize of a set: the read,
// write and except sets as passed, then as the call left them.
constexpr size_t kSelect2Nfds = 8;
constexpr size_t kSelect2Passed = 12;
constexpr size_t kSelect2Sec = 16;
constexpr size_t kSelect2Usec = 20;
constexpr size_t kSelect2CountsBefore = 24;  // three 32-bit counts
constexpr size_t kSelect2CountsAfter = 36;
constexpr size_t kSelect2Fixed = 48;
constexpr size_t kFdSetSize = 64;
constexpr uint32_t kPassedTimeout = 1u << 3;  // bits 0 to 2: the read, write and except sets

// WSAPoll: the count and timeout it was given and how many entries follow the fixed part (none
// after WSAEFAULT), each a 64-bit socket, its events and, after a call that succeeded, revents.
constexpr size_t kPollCount = 8;
constexpr size_t kPollTimeout = 12;
constexpr size_t kPollKept = 16;
constexpr size_t kPollFixed = 20;
constexpr size_t kPollEntrySize = 16;
constexpr size_t kPollEvents = 8;
constexpr size_t kPollRevents = 10;

// WSAAsyncSelect and WSAEventSelect: the window or the event, the FD_* mask, and the message
// (WSAAsyncSelect's only).
constexpr size_t kSelectEventsHandle = 16;
constexpr size_t kSelectEventsMask = 24;
constexpr size_t kSelectEventsMessage = 28;
constexpr size_t kSelectEventsFixed = 32;

// WSAEnumNetworkEvents: the event, and the WSANETWORKEVENTS it filled (zero after a failure):
// the FD_* events and one error code per event bit.
constexpr size_t kNetworkEventsHandle = 16;
constexpr size_t kNetworkEventsMask = 24;
constexpr size_t kNetworkEventsErrors = 28;
constexpr size_t kNetworkEventsCount = 10;  // FD_MAX_EVENTS
constexpr size_t kNetworkEventsFixed = kNetworkEventsErrors + 4 * kNetworkEventsCount;

// gethostbyname and gethostbyaddr: the hostent pointer returned, gethostbyaddr's len and type
// and the first kHostAddrCapacity bytes of its addr; and of the hostent, when there is one, the
// address type and length and how many aliases and addresses follow. After the fixed part:
// gethostbyname's name, then h_name and the aliases as zero-ended texts, then the addresses,
// each min(h_length, kHostAddrCapacity) bytes.
constexpr size_t kHostentResult = 8;
constexpr size_t kHostentLen = 16;
constexpr size_t kHostentType = 20;
constexpr size_t kHostentAddr = 24;
constexpr size_t kHostAddrCapacity = 16;
constexpr size_t kHostentAddrType = 40;
constexpr size_t kHostentLength = 42;
constexpr size_t kHostentAliases = 44;
constexpr size_t kHostentAddresses = 46;
constexpr size_t kHostentFixed = 48;

// gethostname: namelen, then the name got, a zero-ended text (none after a failure).
constexpr size_t kHostNameLen = 8;
constexpr size_t kHostNameFixed = 12;

// Where the captured data of a group lies; none for the groups without data.
constexpr std::optional<Transfer> TransferOf(Group group) {
  switch (group) {
    case Group::kRecvSend:
      return kShortTransfer;
    case Group::kRecvSend2:
      return kTransfer2;
    case Group::kRecvFrom:
    case Group::kSendTo:
      return kLongTransfer;
    case Group::kTransferAddr2:
      return kTransferAddr2;
    case Group::kWsaBuffers:
      return kWsaBuffers;
    case Group::kWsaBuffersAddr:
    case Group::kOverlappedResult:
      return kWsaBuffersAddr;
    default:
      return std::nullopt;
  }
}

// Where a group's payload holds an address block; none for the groups without one.
constexpr std::optional<size_t> AddressBlockOf(Group group) {
  switch (group) {
    case Group::kBindConnect2:
      return kBindConnect2Address;
    case Group::kAccept2:
      return kAccept2Address;
    case Group::kWSAConnect:
      return kWSAConnectAddress;
    case Group::kGetName2:
      return kGetName2Address;
    case Group::kNameInfo:
      return kNameInfoAddress;
    case Group::kAddressToString:
      return kToStringAddress;
    case Group::kStringToAddress:
      return kToAddressAddress;
    case Group::kTransferAddr2:
      return kTransferAddr2Address;
    case Group::kWsaBuffersAddr:
    case Group::kOverlappedResult:
      return kWsaAddress;
    default:
      return std::nullopt;
  }
}

// The groups whose Verbose lines vary with more than an address's family: a lookup's list, an
// address only a call that succeeded filled in, select's sets, WSAPoll's entries, a HOSTENT.
constexpr bool LinesVary(Group group) {
  switch (group) {
    case Group::kAddrInfo:
    case Group::kStringToAddress:
    case Group::kSelect2:
    case Group::kPoll:
    case Group::kHostent:
      return true;
    default:
      return false;
  }
}

// The groups with many in-line fields before their structure: in Verbose the structure opens a
// line of its own, under the call's first parameter, so that its members stay in view.
constexpr bool StructureOpensLine(Group group) {
  switch (group) {
    case Group::kWSAConnect:
    case Group::kNameInfo:
    case Group::kAddressToString:
    case Group::kStringToAddress:
    case Group::kWsaBuffersAddr:
    case Group::kOverlappedResult:
    case Group::kAddrInfo:
      return true;
    default:
      return false;
  }
}

// The groups whose payload holds a socket address image.
constexpr bool HasAddress(Group group) {
  switch (group) {
    case Group::kAccept:
    case Group::kBindConnect:
    case Group::kGetName:
    case Group::kRecvFrom:
    case Group::kSendTo:
      return true;
    default:
      return false;
  }
}

}  // namespace protocol::layout
