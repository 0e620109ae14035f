// Decoding tables of the Winsock constants, each written once as value/name pairs (the error
// names are protocol::errors'). Lookups never fail: a value without a name gives nullptr and the
// caller prints the number instead.
#pragma once

#include <cstdint>
#include <span>

#include "protocol/Calls.h"

namespace format::names {

template <typename T>
struct ValueName {
  T value;
  const char* name;
};

template <typename T>
constexpr const char* Find(std::span<const ValueName<T>> table, T value) {
  for (const auto& entry : table) {
    if (entry.value == value) return entry.name;
  }
  return nullptr;
}

// Option levels.
inline constexpr int32_t kIpProtoIp = 0;
inline constexpr int32_t kIpProtoTcp = 6;
inline constexpr int32_t kIpProtoUdp = 17;
inline constexpr int32_t kIpProtoIpv6 = 41;
inline constexpr int32_t kSolSocket = 0xFFFF;

// The Winsock 1.1 calls name SOL_SOCKET alone; the Winsock 2 calls name every level here.
inline constexpr ValueName<int32_t> kOptionLevels[] = {
    {kSolSocket, "SOL_SOCKET"},   {kIpProtoIp, "IPPROTO_IP"},     {kIpProtoTcp, "IPPROTO_TCP"},
    {kIpProtoUdp, "IPPROTO_UDP"}, {kIpProtoIpv6, "IPPROTO_IPV6"},
};

// How a socket option's value is shown after its name.
enum class OptionSuffix {
  kBoolean,      // "=TRUE" or "=FALSE"
  kLinger,       // "=OFF" or "=ON, TIME=%d"
  kNumber,       // "=%d"
  kNone,         // nothing
  kAddress,      // "=a.b.c.d", an in_addr
  kMembership,   // "=group, INTERFACE=address", an ip_mreq
  kHex,          // "=0x" and the value's bytes in hexadecimal
  kMembership6,  // "=group, INTERFACE=index", an ipv6_mreq
};

// An option is named by its level and number together: option 1 is SO_DEBUG at SOL_SOCKET and
// TCP_NODELAY at IPPROTO_TCP.
struct SocketOption {
  int32_t level;
  int32_t value;
  const char* name;
  OptionSuffix suffix;
};

// The options of the Winsock 1.1 calls (API ids 0 to 45). The IP_* numbers are Winsock 1.1's;
// Winsock 2 numbers the same names differently, so a family of its calls has its own table.
inline constexpr SocketOption kWinsock11Options[] = {
    {kSolSocket, 0x0001, "SO_DEBUG", OptionSuffix::kBoolean},
    {kSolSocket, 0x0002, "SO_ACCEPTCONN", OptionSuffix::kBoolean},
    {kSolSocket, 0x0004, "SO_REUSEADDR", OptionSuffix::kBoolean},
    {kSolSocket, 0x0008, "SO_KEEPALIVE", OptionSuffix::kBoolean},
    {kSolSocket, 0x0010, "SO_DONTROUTE", OptionSuffix::kBoolean},
    {kSolSocket, 0x0020, "SO_BROADCAST", OptionSuffix::kBoolean},
    {kSolSocket, 0x0080, "SO_LINGER", OptionSuffix::kLinger},
    {kSolSocket, 0x0100, "SO_OOBINLINE", OptionSuffix::kBoolean},
    {kSolSocket, 0x1001, "SO_SNDBUF", OptionSuffix::kNumber},
    {kSolSocket, 0x1002, "SO_RCVBUF", OptionSuffix::kNumber},
    {kSolSocket, 0x1003, "SO_SNDLOWAT", OptionSuffix::kNone},
    {kSolSocket, 0x1004, "SO_RCVLOWAT", OptionSuffix::kNone},
    {kSolSocket, 0x1005, "SO_SNDTIMEO", OptionSuffix::kNone},
    {kSolSocket, 0x1006, "SO_RCVTIMEO", OptionSuffix::kNone},
    {kSolSocket, 0x1007, "SO_ERROR", OptionSuffix::kNumber},
    {kSolSocket, 0x1008, "SO_TYPE", OptionSuffix::kNumber},
    {kSolSocket, ~0x0080, "SO_DONTLINGER", OptionSuffix::kBoolean},
    {kIpProtoTcp, 0x0001, "TCP_NODELAY", OptionSuffix::kBoolean},
    {kIpProtoIp, 1, "IP_OPTIONS", OptionSuffix::kHex},
    {kIpProtoIp, 2, "IP_MULTICAST_IF", OptionSuffix::kAddress},
    {kIpProtoIp, 3, "IP_MULTICAST_TTL", OptionSuffix::kNumber},
    {kIpProtoIp, 4, "IP_MULTICAST_LOOP", OptionSuffix::kBoolean},
    {kIpProtoIp, 5, "IP_ADD_MEMBERSHIP", OptionSuffix::kMembership},
    {kIpProtoIp, 6, "IP_DROP_MEMBERSHIP", OptionSuffix::kMembership},
    {kIpProtoIp, 7, "IP_TTL", OptionSuffix::kNumber},
    {kIpProtoIp, 8, "IP_TOS", OptionSuffix::kNumber},
    {kIpProtoIp, 9, "IP_DONTFRAGMENT", OptionSuffix::kBoolean},
};

// The options Winsock 2 names besides the SOL_SOCKET and IPPROTO_TCP options of Winsock 1.1,
// which it numbers alike: ws2tcpip.h numbers IP_* differently, and IPPROTO_IPV6 and IPPROTO_UDP
// are new.
inline constexpr SocketOption kWinsock2Options[] = {
    {kSolSocket, 0x0040, "SO_USELOOPBACK", OptionSuffix::kBoolean},
    {kSolSocket, ~0x0004, "SO_EXCLUSIVEADDRUSE", OptionSuffix::kBoolean},
    {kSolSocket, 0x2001, "SO_GROUP_ID", OptionSuffix::kNumber},
    {kSolSocket, 0x2002, "SO_GROUP_PRIORITY", OptionSuffix::kNumber},
    {kSolSocket, 0x2003, "SO_MAX_MSG_SIZE", OptionSuffix::kNumber},
    {kSolSocket, 0x2004, "SO_PROTOCOL_INFOA", OptionSuffix::kNone},
    {kSolSocket, 0x2005, "SO_PROTOCOL_INFOW", OptionSuffix::kNone},
    {kSolSocket, 0x3002, "SO_CONDITIONAL_ACCEPT", OptionSuffix::kBoolean},
    {kSolSocket, 0x7008, "SO_OPENTYPE", OptionSuffix::kNumber},
    {kSolSocket, 0x7009, "SO_MAXDG", OptionSuffix::kNumber},
    {kSolSocket, 0x700A, "SO_MAXPATHDG", OptionSuffix::kNumber},
    {kSolSocket, 0x700B, "SO_UPDATE_ACCEPT_CONTEXT", OptionSuffix::kHex},
    {kSolSocket, 0x700C, "SO_CONNECT_TIME", OptionSuffix::kNumber},
    {kSolSocket, 0x7010, "SO_UPDATE_CONNECT_CONTEXT", OptionSuffix::kNone},
    {kIpProtoTcp, 2, "TCP_EXPEDITED_1122", OptionSuffix::kBoolean},
    {kIpProtoTcp, 3, "TCP_KEEPALIVE", OptionSuffix::kNumber},
    {kIpProtoTcp, 4, "TCP_MAXSEG", OptionSuffix::kNumber},
    {kIpProtoTcp, 5, "TCP_MAXRT", OptionSuffix::kNumber},
    {kIpProtoTcp, 10, "TCP_TIMESTAMPS", OptionSuffix::kBoolean},
    {kIpProtoTcp, 15, "TCP_FASTOPEN", OptionSuffix::kBoolean},
    {kIpProtoTcp, 16, "TCP_KEEPCNT", OptionSuffix::kNumber},
    {kIpProtoTcp, 17, "TCP_KEEPINTVL", OptionSuffix::kNumber},
    {kIpProtoTcp, 0x7000, "TCP_BSDURGENT", OptionSuffix::kBoolean},
    {kIpProtoUdp, 1, "UDP_NOCHECKSUM", OptionSuffix::kBoolean},
    {kIpProtoUdp, 20, "UDP_CHECKSUM_COVERAGE", OptionSuffix::kNumber},
    {kIpProtoIp, 1, "IP_OPTIONS", OptionSuffix::kHex},
    {kIpProtoIp, 2, "IP_HDRINCL", OptionSuffix::kBoolean},
    {kIpProtoIp, 3, "IP_TOS", OptionSuffix::kNumber},
    {kIpProtoIp, 4, "IP_TTL", OptionSuffix::kNumber},
    {kIpProtoIp, 9, "IP_MULTICAST_IF", OptionSuffix::kAddress},
    {kIpProtoIp, 10, "IP_MULTICAST_TTL", OptionSuffix::kNumber},
    {kIpProtoIp, 11, "IP_MULTICAST_LOOP", OptionSuffix::kBoolean},
    {kIpProtoIp, 12, "IP_ADD_MEMBERSHIP", OptionSuffix::kMembership},
    {kIpProtoIp, 13, "IP_DROP_MEMBERSHIP", OptionSuffix::kMembership},
    {kIpProtoIp, 14, "IP_DONTFRAGMENT", OptionSuffix::kBoolean},
    {kIpProtoIp, 19, "IP_PKTINFO", OptionSuffix::kBoolean},
    {kIpProtoIp, 21, "IP_RECVTTL", OptionSuffix::kBoolean},
    {kIpProtoIp, 22, "IP_RECEIVE_BROADCAST", OptionSuffix::kBoolean},
    {kIpProtoIp, 24, "IP_RECVIF", OptionSuffix::kBoolean},
    {kIpProtoIp, 31, "IP_UNICAST_IF", OptionSuffix::kNumber},
    {kIpProtoIp, 40, "IP_RECVTOS", OptionSuffix::kBoolean},
    {kIpProtoIp, 71, "IP_MTU_DISCOVER", OptionSuffix::kNumber},
    {kIpProtoIp, 73, "IP_MTU", OptionSuffix::kNumber},
    {kIpProtoIpv6, 2, "IPV6_HDRINCL", OptionSuffix::kBoolean},
    {kIpProtoIpv6, 4, "IPV6_UNICAST_HOPS", OptionSuffix::kNumber},
    {kIpProtoIpv6, 9, "IPV6_MULTICAST_IF", OptionSuffix::kNumber},
    {kIpProtoIpv6, 10, "IPV6_MULTICAST_HOPS", OptionSuffix::kNumber},
    {kIpProtoIpv6, 11, "IPV6_MULTICAST_LOOP", OptionSuffix::kBoolean},
    {kIpProtoIpv6, 12, "IPV6_ADD_MEMBERSHIP", OptionSuffix::kMembership6},
    {kIpProtoIpv6, 13, "IPV6_DROP_MEMBERSHIP", OptionSuffix::kMembership6},
    {kIpProtoIpv6, 14, "IPV6_DONTFRAG", OptionSuffix::kBoolean},
    {kIpProtoIpv6, 19, "IPV6_PKTINFO", OptionSuffix::kBoolean},
    {kIpProtoIpv6, 21, "IPV6_HOPLIMIT", OptionSuffix::kBoolean},
    {kIpProtoIpv6, 23, "IPV6_PROTECTION_LEVEL", OptionSuffix::kNumber},
    {kIpProtoIpv6, 24, "IPV6_RECVIF", OptionSuffix::kBoolean},
    {kIpProtoIpv6, 27, "IPV6_V6ONLY", OptionSuffix::kBoolean},
    {kIpProtoIpv6, 31, "IPV6_UNICAST_IF", OptionSuffix::kNumber},
    {kIpProtoIpv6, 40, "IPV6_RECVTCLASS", OptionSuffix::kBoolean},
    {kIpProtoIpv6, 71, "IPV6_MTU_DISCOVER", OptionSuffix::kNumber},
    {kIpProtoIpv6, 72, "IPV6_MTU", OptionSuffix::kNumber},
};

constexpr const SocketOption* FindSocketOption(std::span<const SocketOption> table, int32_t level,
                                               int32_t value) {
  for (const auto& option : table) {
    if (option.level == level && option.value == value) return &option;
  }
  return nullptr;
}

// The option as the calls of `family` name it.
constexpr const SocketOption* FindSocketOption(protocol::calls::Family family, int32_t level,
                                               int32_t value) {
  if (family == protocol::calls::Family::kWinsock2) {
    if (const SocketOption* own = FindSocketOption(kWinsock2Options, level, value)) return own;
    if (level == kIpProtoIp) return nullptr;
  }
  return FindSocketOption(kWinsock11Options, level, value);
}

// The commands of ioctlsocket, which WSAIoctl takes too.
inline constexpr ValueName<uint32_t> kIoctlCommands[] = {
    {0x8004667E, "FIONBIO"},
    {0x4004667F, "FIONREAD"},
    {0x40047307, "SIOCATMARK"},
};
// An ioctl code's top bits say which way its argument goes: in to the call, out of it, or both.
inline constexpr uint32_t kIocIn = 0x80000000;

// The control codes WSAIoctl takes besides those: winsock2.h's (IOC_WS2), mstcpip.h's and
// mswsock.h's (IOC_VENDOR), and ws2tcpip.h's.
inline constexpr ValueName<uint32_t> kWsaIoctlCodes[] = {
    {0x88000001, "SIO_ASSOCIATE_HANDLE"},
    {0x28000002, "SIO_ENABLE_CIRCULAR_QUEUEING"},
    {0x48000003, "SIO_FIND_ROUTE"},
    {0x28000004, "SIO_FLUSH"},
    {0x48000005, "SIO_GET_BROADCAST_ADDRESS"},
    {0xC8000006, "SIO_GET_EXTENSION_FUNCTION_POINTER"},
    {0xC8000007, "SIO_GET_QOS"},
    {0xC8000008, "SIO_GET_GROUP_QOS"},
    {0x88000009, "SIO_MULTIPOINT_LOOPBACK"},
    {0x8800000A, "SIO_MULTICAST_SCOPE"},
    {0x8800000B, "SIO_SET_QOS"},
    {0x8800000C, "SIO_SET_GROUP_QOS"},
    {0xC800000D, "SIO_TRANSLATE_HANDLE"},
    {0xC8000014, "SIO_ROUTING_INTERFACE_QUERY"},
    {0x88000015, "SIO_ROUTING_INTERFACE_CHANGE"},
    {0x48000016, "SIO_ADDRESS_LIST_QUERY"},
    {0x28000017, "SIO_ADDRESS_LIST_CHANGE"},
    {0x48000018, "SIO_QUERY_TARGET_PNP_HANDLE"},
    {0xC8000019, "SIO_ADDRESS_LIST_SORT"},
    {0x4800001B, "SIO_BSP_HANDLE"},
    {0x4800001C, "SIO_BSP_HANDLE_SELECT"},
    {0x4800001D, "SIO_BSP_HANDLE_POLL"},
    {0x48000022, "SIO_BASE_HANDLE"},
    {0x98000001, "SIO_RCVALL"},
    {0x98000004, "SIO_KEEPALIVE_VALS"},
    {0x9800000C, "SIO_UDP_CONNRESET"},
    {0x98000010, "SIO_LOOPBACK_FAST_PATH"},
    {0x4004747F, "SIO_GET_INTERFACE_LIST"},
};

// The flags of WSASocketA and WSASocketW, bit by bit.
inline constexpr ValueName<uint32_t> kWsaSocketFlags[] = {
    {0x01, "WSA_FLAG_OVERLAPPED"},        {0x02, "WSA_FLAG_MULTIPOINT_C_ROOT"},
    {0x04, "WSA_FLAG_MULTIPOINT_C_LEAF"}, {0x08, "WSA_FLAG_MULTIPOINT_D_ROOT"},
    {0x10, "WSA_FLAG_MULTIPOINT_D_LEAF"}, {0x40, "WSA_FLAG_ACCESS_SYSTEM_SECURITY"},
    {0x80, "WSA_FLAG_NO_HANDLE_INHERIT"}, {0x100, "WSA_FLAG_REGISTERED_IO"},
};
// Their group, where it is not a group's id.
inline constexpr ValueName<uint32_t> kSocketGroups[] = {
    {1, "SG_UNCONSTRAINED_GROUP"},
    {2, "SG_CONSTRAINED_GROUP"},
};

// shutdown's how.
inline constexpr ValueName<int32_t> kShutdownHow[] = {
    {0, "SD_RECEIVE"},
    {1, "SD_SEND"},
    {2, "SD_BOTH"},
};

// Flags are matched as a whole value; combinations fall back to hexadecimal.
inline constexpr ValueName<int32_t> kRecvFlags[] = {
    {2, "MSG_PEEK"},
    {1, "MSG_OOB"},
};

inline constexpr ValueName<int32_t> kSendFlags[] = {
    {4, "MSG_DONTROUTE"},
    {1, "MSG_OOB"},
};

// The MSG_* bits of the Winsock 2 calls, in and out, each named on its own.
inline constexpr ValueName<uint32_t> kWinsock2MsgFlags[] = {
    {0x0001, "MSG_OOB"},     {0x0002, "MSG_PEEK"},      {0x0004, "MSG_DONTROUTE"},
    {0x0008, "MSG_WAITALL"}, {0x0010, "MSG_INTERRUPT"}, {0x0020, "MSG_PUSH_IMMEDIATE"},
    {0x0100, "MSG_TRUNC"},   {0x0200, "MSG_CTRUNC"},    {0x0400, "MSG_BCAST"},
    {0x0800, "MSG_MCAST"},   {0x8000, "MSG_PARTIAL"},
};

// The family of a socket address, and the af argument of socket().
inline constexpr ValueName<int32_t> kAddressFamilies[] = {{2, "AF_INET"}};
inline constexpr ValueName<int32_t> kProtocolFamilies[] = {{2, "PF_INET"}};
// The ones the Winsock 2 calls name besides.
inline constexpr ValueName<int32_t> kWinsock2AddressFamilies[] = {{0, "AF_UNSPEC"},
                                                                  {23, "AF_INET6"}};
inline constexpr ValueName<int32_t> kWinsock2ProtocolFamilies[] = {{23, "PF_INET6"}};
// WSASocketA/W's af, type or protocol that takes its value from the protocol info.
inline constexpr ValueName<int32_t> kFromProtocolInfo[] = {{-1, "FROM_PROTOCOL_INFO"}};

inline constexpr ValueName<int32_t> kSocketTypes[] = {
    {1, "SOCK_STREAM"},
    {2, "SOCK_DGRAM"},
};

// The bits of getaddrinfo's flags and getnameinfo's; a mask shows the names of its bits.
inline constexpr ValueName<uint32_t> kAddrInfoFlags[] = {
    {0x00000001, "AI_PASSIVE"},
    {0x00000002, "AI_CANONNAME"},
    {0x00000004, "AI_NUMERICHOST"},
    {0x00000008, "AI_NUMERICSERV"},
    {0x00000010, "AI_DNS_ONLY"},
    {0x00000100, "AI_ALL"},
    {0x00000400, "AI_ADDRCONFIG"},
    {0x00000800, "AI_V4MAPPED"},
    {0x00004000, "AI_NON_AUTHORITATIVE"},
    {0x00008000, "AI_SECURE"},
    {0x00010000, "AI_RETURN_PREFERRED_NAMES"},
    {0x00020000, "AI_FQDN"},
    {0x00040000, "AI_FILESERVER"},
    {0x00080000, "AI_DISABLE_IDN_ENCODING"},
    {0x40000000, "AI_RESOLUTION_HANDLE"},
    {0x80000000, "AI_EXTENDED"},
};

inline constexpr ValueName<uint32_t> kNameInfoFlags[] = {
    {0x01, "NI_NOFQDN"},      {0x02, "NI_NUMERICHOST"}, {0x04, "NI_NAMEREQD"},
    {0x08, "NI_NUMERICSERV"}, {0x10, "NI_DGRAM"},
};

// The FD_* network events of WSAAsyncSelect, WSAEventSelect and WSAEnumNetworkEvents: entry i
// is bit i, whose error code WSANETWORKEVENTS holds at index i.
inline constexpr ValueName<uint32_t> kNetworkEvents[] = {
    {0x001, "FD_READ"},
    {0x002, "FD_WRITE"},
    {0x004, "FD_OOB"},
    {0x008, "FD_ACCEPT"},
    {0x010, "FD_CONNECT"},
    {0x020, "FD_CLOSE"},
    {0x040, "FD_QOS"},
    {0x080, "FD_GROUP_QOS"},
    {0x100, "FD_ROUTING_INTERFACE_CHANGE"},
    {0x200, "FD_ADDRESS_LIST_CHANGE"},
};

// WSAPoll's events and revents (POLLIN is both read bits, POLLOUT POLLWRNORM).
inline constexpr ValueName<uint32_t> kPollEvents[] = {
    {0x0100, "POLLRDNORM"}, {0x0200, "POLLRDBAND"}, {0x0400, "POLLPRI"}, {0x0010, "POLLWRNORM"},
    {0x0020, "POLLWRBAND"}, {0x0001, "POLLERR"},    {0x0002, "POLLHUP"}, {0x0004, "POLLNVAL"},
};

}  // namespace format::names
