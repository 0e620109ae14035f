// Decoding tables of the Winsock 1.1 constants, each written once as value/name pairs (the error
// names are protocol::errors'). Lookups never fail: a value without a name gives nullptr and the
// caller prints the number instead.
#pragma once

#include <cstdint>
#include <span>

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
inline constexpr int32_t kSolSocket = 0xFFFF;

// How a socket option's value is shown after its name.
enum class OptionSuffix {
  kBoolean,     // "=TRUE" or "=FALSE"
  kLinger,      // "=OFF" or "=ON, TIME=%d"
  kNumber,      // "=%d"
  kNone,        // nothing
  kAddress,     // "=a.b.c.d", an in_addr
  kMembership,  // "=group, INTERFACE=address", an ip_mreq
  kHex,         // "=0x" and the value's bytes in hexadecimal
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

constexpr const SocketOption* FindSocketOption(std::span<const SocketOption> table, int32_t level,
                                               int32_t value) {
  for (const auto& option : table) {
    if (option.level == level && option.value == value) return &option;
  }
  return nullptr;
}

// Texts end in ", " because the ioctlsocket line continues with the argument.
inline constexpr ValueName<uint32_t> kIoctlCommands[] = {
    {0x8004667E, "cmd=FIONBIO, "},
    {0x4004667F, "cmd=FIONREAD, "},
    {0x40047307, "cmd=SIOCATMARK, "},
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
inline constexpr ValueName<int32_t> kWinsock2MsgFlags[] = {
    {0x0001, "MSG_OOB"},     {0x0002, "MSG_PEEK"},      {0x0004, "MSG_DONTROUTE"},
    {0x0008, "MSG_WAITALL"}, {0x0010, "MSG_INTERRUPT"}, {0x0020, "MSG_PUSH_IMMEDIATE"},
    {0x0100, "MSG_TRUNC"},   {0x0200, "MSG_CTRUNC"},    {0x0400, "MSG_BCAST"},
    {0x0800, "MSG_MCAST"},   {0x8000, "MSG_PARTIAL"},
};

// The family of a socket address, and the af argument of socket().
inline constexpr ValueName<int32_t> kAddressFamilies[] = {{2, "AF_INET"}};
inline constexpr ValueName<int32_t> kProtocolFamilies[] = {{2, "PF_INET"}};
// The ones the Winsock 2 calls name besides.
inline constexpr ValueName<int32_t> kWinsock2AddressFamilies[] = {{23, "AF_INET6"}};
inline constexpr ValueName<int32_t> kWinsock2ProtocolFamilies[] = {{23, "PF_INET6"}};

inline constexpr ValueName<int32_t> kSocketTypes[] = {
    {1, "SOCK_STREAM"},
    {2, "SOCK_DGRAM"},
};

}  // namespace format::names
