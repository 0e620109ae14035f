// Writers of the call payloads, one per layout, exactly as the agent sends them (offsets in
// PayloadLayout.h). Each writes into a caller's buffer and allocates nothing: it zeroes the
// fixed part, fills its fields, appends the text, option value or data, and returns the size
// of the payload. A buffer smaller than the fixed part gets nothing and the result is 0;
// texts, option values and data are cut to what fits (a transfer's captured count says how
// many data bytes were written).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <type_traits>
#include <variant>

namespace agent::payload {

using SockAddrImage = std::array<uint8_t, 16>;

// A program's socket handle, `Socket` being its SOCKET of 32 or 64 bits. Windows keeps a
// handle's value below 2^32 in 64-bit programs too, and INVALID_SOCKET is all ones in either
// width. The payloads of ids 0-45 hold its low 32 bits, shown signed; the Winsock 2 payloads hold
// 64 bits, widened with the sign, so that a handle of either width travels as the same bytes.
template <class Socket>
int32_t Handle(Socket s) {
  static_assert(std::is_unsigned_v<Socket> && sizeof(Socket) <= sizeof(uint64_t));
  return static_cast<int32_t>(static_cast<uint32_t>(s));
}
template <class Socket>
uint64_t Handle64(Socket s) {
  static_assert(std::is_unsigned_v<Socket> && sizeof(Socket) <= sizeof(uint64_t));
  return static_cast<uint64_t>(static_cast<int64_t>(static_cast<std::make_signed_t<Socket>>(s)));
}

// An address image: the family, then port and IPv4 address in network order. `port` is in
// host order; `address` is the four bytes in the order written, 192.168.1.10 as {192,168,1,10}.
SockAddrImage MakeSockAddr(int16_t family, uint16_t port, std::array<uint8_t, 4> address);

struct AddressCall {
  int32_t error = 0;
  int32_t s = 0;
  int32_t result = 0;  // accept: the new socket
  int32_t addrLen = 0;
  SockAddrImage addr{};
};
size_t BuildAccept(std::span<uint8_t> out, const AddressCall& call);
size_t BuildBindConnect(std::span<uint8_t> out, const AddressCall& call);
size_t BuildGetName(std::span<uint8_t> out, const AddressCall& call);  // getpeername, getsockname

// recv, send, recvfrom, sendto; addrLen and addr are used by the last two only.
struct TransferCall {
  int32_t error = 0;
  int32_t s = 0;
  int32_t flags = 0;
  int32_t result = 0;
  int32_t addrLen = 0;
  SockAddrImage addr{};
};
size_t BuildRecvSend(std::span<uint8_t> out, const TransferCall& call,
                     std::span<const uint8_t> data);
size_t BuildRecvFrom(std::span<uint8_t> out, const TransferCall& call,
                     std::span<const uint8_t> data);
size_t BuildSendTo(std::span<uint8_t> out, const TransferCall& call, std::span<const uint8_t> data);

struct ResultCall {  // closesocket
  int32_t error = 0;
  int32_t s = 0;
  int32_t result = 0;
};
size_t BuildCloseSocket(std::span<uint8_t> out, const ResultCall& call);

// getsockopt, setsockopt: optlen is stored as the call had it; `value` is the option's bytes.
struct OptionCall {
  int32_t error = 0;
  int32_t s = 0;
  int32_t level = 0;
  int32_t optname = 0;
  int32_t optlen = 0;
  int32_t result = 0;
};
size_t BuildSockOpt(std::span<uint8_t> out, const OptionCall& call, std::span<const uint8_t> value);

struct Convert32Call {  // htonl, ntohl
  int32_t error = 0;
  uint32_t arg = 0;
  uint32_t result = 0;
};
size_t BuildConvert32(std::span<uint8_t> out, const Convert32Call& call);

struct Convert16Call {  // htons, ntohs
  int32_t error = 0;
  uint16_t arg = 0;
  uint16_t result = 0;
};
size_t BuildConvert16(std::span<uint8_t> out, const Convert16Call& call);

// inet_addr: `result` is the address as the call returned it, in network order.
size_t BuildInetAddr(std::span<uint8_t> out, int32_t error, uint32_t result, std::string_view arg);
// inet_ntoa: an empty `result` stands for a null result.
size_t BuildInetNtoa(std::span<uint8_t> out, int32_t error, uint32_t arg, std::string_view result);

struct IoctlCall {
  int32_t error = 0;
  int32_t s = 0;
  uint32_t cmd = 0;
  uint32_t arg = 0;  // the value argp points to
  int32_t result = 0;
};
size_t BuildIoctl(std::span<uint8_t> out, const IoctlCall& call);

struct SocketValueCall {  // listen (value: backlog), shutdown (value: how)
  int32_t error = 0;
  int32_t s = 0;
  int32_t value = 0;
  int32_t result = 0;
};
size_t BuildListenShutdown(std::span<uint8_t> out, const SocketValueCall& call);

struct SelectCall {
  int32_t error = 0;
  int32_t result = 0;
  uint16_t reads = 0;  // socket counts of the three sets
  uint16_t writes = 0;
  uint16_t excepts = 0;
};
size_t BuildSelect(std::span<uint8_t> out, const SelectCall& call);

struct SocketCall {
  int32_t error = 0;
  int32_t af = 0;
  int32_t type = 0;
  int32_t protocol = 0;
  int32_t result = 0;  // the new socket
};
size_t BuildSocket(std::span<uint8_t> out, const SocketCall& call);

// ---- The Winsock 2 calls: handles in 64-bit fields, addresses whole ----

// A socket address as the call had it: `length` as given or got, and the address's bytes (cut
// to the capacity of the address block).
struct AnyAddress {
  int32_t length = 0;
  std::span<const uint8_t> bytes;
};

struct StartupCall {
  int32_t error = 0;
  int32_t result = 0;
  uint16_t requested = 0;
  uint16_t version = 0;  // the WSADATA's, 0 when the call failed
  uint16_t highVersion = 0;
  std::string_view description;
  std::string_view systemStatus;
};
size_t BuildStartup(std::span<uint8_t> out, const StartupCall& call);
size_t BuildCleanup(std::span<uint8_t> out, int32_t error, int32_t result);

struct Socket2Call {
  int32_t error = 0;
  int32_t af = 0;
  int32_t type = 0;
  int32_t protocol = 0;
  uint64_t result = 0;  // the new socket
};
size_t BuildSocket2(std::span<uint8_t> out, const Socket2Call& call);

struct Result2Call {  // closesocket
  int32_t error = 0;
  int32_t result = 0;
  uint64_t s = 0;
};
size_t BuildClose2(std::span<uint8_t> out, const Result2Call& call);

struct Address2Call {  // bind, connect
  int32_t error = 0;
  int32_t result = 0;
  uint64_t s = 0;
  AnyAddress address;
};
size_t BuildBindConnect2(std::span<uint8_t> out, const Address2Call& call);

struct Transfer2Call {  // recv, send
  int32_t error = 0;
  int32_t result = 0;
  uint64_t s = 0;
  int32_t flags = 0;
  int32_t len = 0;
};
size_t BuildRecvSend2(std::span<uint8_t> out, const Transfer2Call& call,
                      std::span<const uint8_t> data);

struct Accept2Call {  // accept, WSAAccept
  int32_t error = 0;
  int32_t offered = 0;  // the address length the program offered
  uint64_t s = 0;
  uint64_t result = 0;  // the new socket
  uint64_t condition = 0;
  uint64_t callbackData = 0;
  AnyAddress address;  // the peer's
};
size_t BuildAccept2(std::span<uint8_t> out, const Accept2Call& call);

struct WSASocketCall {  // WSASocketA, WSASocketW
  int32_t error = 0;
  int32_t af = 0;
  int32_t type = 0;
  int32_t protocol = 0;
  uint64_t result = 0;  // the new socket
  uint64_t protocolInfo = 0;
  uint32_t group = 0;
  uint32_t flags = 0;
};
size_t BuildWSASocket(std::span<uint8_t> out, const WSASocketCall& call);

struct WSAConnectCall {
  int32_t error = 0;
  int32_t result = 0;
  uint64_t s = 0;
  AnyAddress address;
  uint64_t callerData = 0;
  uint64_t calleeData = 0;
  uint64_t sqos = 0;
  uint64_t gqos = 0;
};
size_t BuildWSAConnect(std::span<uint8_t> out, const WSAConnectCall& call);

struct Value2Call {  // listen (value: backlog), shutdown (value: how)
  int32_t error = 0;
  int32_t result = 0;
  uint64_t s = 0;
  int32_t value = 0;
};
size_t BuildListenShutdown2(std::span<uint8_t> out, const Value2Call& call);

struct GetName2Call {  // getsockname, getpeername
  int32_t error = 0;
  int32_t result = 0;
  uint64_t s = 0;
  int32_t offered = 0;
  AnyAddress address;
};
size_t BuildGetName2(std::span<uint8_t> out, const GetName2Call& call);

// getsockopt, setsockopt; `value` is the option's bytes, cut to what fits.
struct Option2Call {
  int32_t error = 0;
  int32_t result = 0;
  uint64_t s = 0;
  int32_t level = 0;
  int32_t optname = 0;
  int32_t offered = 0;
  int32_t optlen = 0;
};
size_t BuildSockOpt2(std::span<uint8_t> out, const Option2Call& call,
                     std::span<const uint8_t> value);

struct Ioctl2Call {  // ioctlsocket
  int32_t error = 0;
  int32_t result = 0;
  uint64_t s = 0;
  uint32_t cmd = 0;
  uint32_t before = 0;  // what argp pointed to before the call and after it
  uint32_t after = 0;
};
size_t BuildIoctl2(std::span<uint8_t> out, const Ioctl2Call& call);

// WSAIoctl: the input and output bytes are cut to what fits, the input first.
struct WSAIoctlCall {
  int32_t error = 0;
  int32_t result = 0;
  uint64_t s = 0;
  uint32_t code = 0;
  uint32_t inLen = 0;
  uint32_t outLen = 0;
  uint32_t returned = 0;
  uint64_t overlapped = 0;
  uint64_t routine = 0;
};
size_t BuildWSAIoctl(std::span<uint8_t> out, const WSAIoctlCall& call,
                     std::span<const uint8_t> input, std::span<const uint8_t> output);

struct DuplicateCall {  // WSADuplicateSocketA, WSADuplicateSocketW
  int32_t error = 0;
  int32_t result = 0;
  uint64_t s = 0;
  uint32_t processId = 0;
  uint64_t protocolInfo = 0;
  int32_t af = 0;  // of the WSAPROTOCOL_INFO filled in
  int32_t type = 0;
  int32_t protocol = 0;
};
size_t BuildDuplicateSocket(std::span<uint8_t> out, const DuplicateCall& call);
// A text the program passed or got: its 8-bit characters, the UTF-16 code units of a wide
// call's, or none for a null pointer.
using Text = std::variant<std::monostate, std::string_view, std::u16string_view>;
// The bytes the text takes in a payload.
size_t TextSize(const Text& text);

// The four fields of an addrinfo the hints and every entry of a getaddrinfo list have.
struct AddrInfoFields {
  int32_t flags = 0;
  int32_t family = 0;
  int32_t socktype = 0;
  int32_t protocol = 0;
};

// getaddrinfo, GetAddrInfoW, which return their error: the fixed part and the two texts. The
// entries of the list follow, each added by AddAddrInfoEntry.
struct AddrInfoCall {
  int32_t error = 0;
  int32_t result = 0;
  uint64_t list = 0;
  std::optional<AddrInfoFields> hints;
  int32_t count = 0;  // the entries of the list
  Text node;
  Text service;
};
size_t BuildAddrInfo(std::span<uint8_t> out, const AddrInfoCall& call);
struct AddrInfoEntry {
  AddrInfoFields fields;
  AnyAddress address;
  Text canonicalName;
};
// Adds an entry behind the `size` bytes of a getaddrinfo payload, when it fits whole; returns
// the payload's new size, `size` itself when the entry did not fit.
size_t AddAddrInfoEntry(std::span<uint8_t> out, size_t size, const AddrInfoEntry& entry);

size_t BuildFreeAddrInfo(std::span<uint8_t> out, int32_t error, uint64_t list);

// getnameinfo, GetNameInfoW, which return their error.
struct NameInfoCall {
  int32_t error = 0;
  int32_t result = 0;
  AnyAddress address;
  int32_t hostLen = 0;
  int32_t servLen = 0;
  int32_t flags = 0;
  Text host;
  Text service;
};
size_t BuildNameInfo(std::span<uint8_t> out, const NameInfoCall& call);

// inet_pton, InetPtonW: `bytes` are those the call wrote.
struct PtonCall {
  int32_t error = 0;
  int32_t result = 0;
  int32_t family = 0;
  std::span<const uint8_t> bytes;
  Text text;
};
size_t BuildInetPton(std::span<uint8_t> out, const PtonCall& call);

// inet_ntop, InetNtopW: `bytes` are those the call read; `result` the text it returned.
struct NtopCall {
  int32_t error = 0;
  int32_t family = 0;
  uint64_t size = 0;
  std::span<const uint8_t> bytes;
  Text result;
};
size_t BuildInetNtop(std::span<uint8_t> out, const NtopCall& call);

struct AddressToStringCall {  // WSAAddressToStringA, WSAAddressToStringW
  int32_t error = 0;
  int32_t result = 0;
  AnyAddress address;
  uint64_t protocolInfo = 0;
  int32_t length = 0;  // the buffer's, in characters, as passed
  int32_t lengthOut = 0;
  Text text;
};
size_t BuildAddressToString(std::span<uint8_t> out, const AddressToStringCall& call);

struct StringToAddressCall {  // WSAStringToAddressA, WSAStringToAddressW
  int32_t error = 0;
  int32_t result = 0;
  Text text;
  int32_t family = 0;
  uint64_t protocolInfo = 0;
  int32_t length = 0;  // the address length passed
  AnyAddress address;  // as filled in, its length as the call set it
};
size_t BuildStringToAddress(std::span<uint8_t> out, const StringToAddressCall& call);
// select: a set as the program passed it or as the call left it, its count as the set holds it
// and its first sockets (the payload keeps min(count, kFdSetSize) of them, 0 for any missing).
struct FdSetImage {
  uint32_t count = 0;
  std::span<const uint64_t> sockets;
};
struct Select2Call {
  int32_t error = 0;
  int32_t result = 0;
  int32_t nfds = 0;
  uint32_t passed = 0;  // the kPassed* bits of PayloadLayout.h
  int32_t sec = 0;
  int32_t usec = 0;
  std::array<FdSetImage, 3> before{};  // read, write, except
  std::array<FdSetImage, 3> after{};
};
size_t BuildSelect2(std::span<uint8_t> out, const Select2Call& call);

struct PollEntry {
  uint64_t fd = 0;
  int16_t events = 0;
  int16_t revents = 0;
};
struct PollCall {
  int32_t error = 0;
  int32_t result = 0;
  uint32_t count = 0;  // the count the program passed
  int32_t timeout = 0;
  std::span<const PollEntry> entries;  // as many as were read; cut to whole entries that fit
};
size_t BuildPoll(std::span<uint8_t> out, const PollCall& call);

struct SelectEventsCall {  // WSAAsyncSelect, WSAEventSelect
  int32_t error = 0;
  int32_t result = 0;
  uint64_t s = 0;
  uint64_t handle = 0;  // the window or the event
  int32_t events = 0;
  uint32_t message = 0;
};
size_t BuildSelectEvents(std::span<uint8_t> out, const SelectEventsCall& call);

struct NetworkEventsCall {  // WSAEnumNetworkEvents
  int32_t error = 0;
  int32_t result = 0;
  uint64_t s = 0;
  uint64_t event = 0;
  int32_t events = 0;
  std::array<int32_t, 10> errors{};
};
size_t BuildNetworkEvents(std::span<uint8_t> out, const NetworkEventsCall& call);

// gethostbyname (name) and gethostbyaddr (len, type, addr), and the hostent returned; the
// hostent's part is not written when `result` is 0. Texts and the lists are cut to what fits,
// an address only whole; an address is min(length, kHostAddrCapacity) bytes.
struct HostentCall {
  int32_t error = 0;
  uint64_t result = 0;
  std::string_view name;
  int32_t len = 0;
  int32_t type = 0;
  std::span<const uint8_t> addr;
  std::string_view hostName;
  std::span<const std::string_view> aliases;
  int16_t addrType = 0;
  int16_t length = 0;
  std::span<const uint8_t* const> addresses;
};
size_t BuildHostent(std::span<uint8_t> out, const HostentCall& call);
// gethostname: `name` is written only where the call succeeded.
size_t BuildHostName(std::span<uint8_t> out, int32_t error, int32_t result, int32_t namelen,
                     std::string_view name);

// sendto, recvfrom: `address` is the destination, or the source the call filled in (length
// kNoAddress when it gave none); `fromLen` the size of recvfrom's address buffer.
struct TransferAddr2Call {
  int32_t error = 0;
  int32_t result = 0;
  uint64_t s = 0;
  int32_t flags = 0;
  int32_t len = 0;
  int32_t fromLen = 0;
  AnyAddress address;
};
size_t BuildTransferAddr2(std::span<uint8_t> out, const TransferAddr2Call& call,
                          std::span<const uint8_t> data);

// WSASend, WSARecv, WSASendTo, WSARecvFrom. `data` is the buffers' bytes in order as far as they
// are kept, `lengths` the lengths of the first buffers; the data goes first where room is short.
struct BuffersCall {
  int32_t error = 0;
  int32_t result = 0;
  uint64_t s = 0;
  int32_t bytes = -1;  // moved, handed over by a send that pends; -1 when not known
  int32_t flags = 0;
  int32_t flagsOut = 0;
  uint32_t bufferCount = 0;
  int32_t fromLen = 0;
  uint64_t overlapped = 0;
  uint64_t completion = 0;
  AnyAddress address;  // the -To/-From calls' only
};
size_t BuildWsaBuffers(std::span<uint8_t> out, const BuffersCall& call,
                       std::span<const uint8_t> data, std::span<const uint32_t> lengths);
size_t BuildWsaBuffersAddr(std::span<uint8_t> out, const BuffersCall& call,
                           std::span<const uint8_t> data, std::span<const uint32_t> lengths);

// WSAGetOverlappedResult, with the receive it collected: its API id (0 for none), buffers,
// bytes and source address, as a WSARecvFrom lays them out.
struct CollectCall {
  int32_t error = 0;
  int32_t result = 0;
  uint64_t s = 0;
  uint64_t overlapped = 0;
  int32_t wait = 0;
  int32_t transferred = 0;
  int32_t flagsOut = 0;
  uint16_t collected = 0;
  int32_t bytes = -1;  // the receive's, when it is known
  uint32_t bufferCount = 0;
  AnyAddress address{-1, {}};
};
size_t BuildOverlappedResult(std::span<uint8_t> out, const CollectCall& call,
                             std::span<const uint8_t> data, std::span<const uint32_t> lengths);

// The calls shown by name only (API ids 23 to 45).
size_t BuildGeneric(std::span<uint8_t> out, int32_t error);

}  // namespace agent::payload
