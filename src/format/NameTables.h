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

// How a socket option's value is shown after its name.
enum class OptionSuffix { kBoolean, kLinger, kNumber, kNone };

struct SocketOption {
  int32_t value;
  const char* name;
  OptionSuffix suffix;
};

inline constexpr SocketOption kSocketOptions[] = {
    {0x0001, "SO_DEBUG", OptionSuffix::kBoolean},
    {0x0002, "SO_ACCEPTCONN", OptionSuffix::kBoolean},
    {0x0004, "SO_REUSEADDR", OptionSuffix::kBoolean},
    {0x0008, "SO_KEEPALIVE", OptionSuffix::kBoolean},
    {0x0010, "SO_DONTROUTE", OptionSuffix::kBoolean},
    {0x0020, "SO_BROADCAST", OptionSuffix::kBoolean},
    {0x0080, "SO_LINGER", OptionSuffix::kLinger},
    {0x0100, "SO_OOBINLINE", OptionSuffix::kBoolean},
    {0x1001, "SO_SNDBUF", OptionSuffix::kNumber},
    {0x1002, "SO_RCVBUF", OptionSuffix::kNumber},
    {0x1003, "SO_SNDLOWAT", OptionSuffix::kNone},
    {0x1004, "SO_RCVLOWAT", OptionSuffix::kNone},
    {0x1005, "SO_SNDTIMEO", OptionSuffix::kNone},
    {0x1006, "SO_RCVTIMEO", OptionSuffix::kNone},
    {0x1007, "SO_ERROR", OptionSuffix::kNumber},
    {0x1008, "SO_TYPE", OptionSuffix::kNumber},
    {~0x0080, "SO_DONTLINGER", OptionSuffix::kBoolean},
};

constexpr const SocketOption* FindSocketOption(int32_t value) {
  for (const auto& option : kSocketOptions) {
    if (option.value == value) return &option;
  }
  return nullptr;
}

inline constexpr int32_t kSolSocket = 0xFFFF;

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

// The family of a socket address, and the af argument of socket().
inline constexpr ValueName<int32_t> kAddressFamilies[] = {{2, "AF_INET"}};
inline constexpr ValueName<int32_t> kProtocolFamilies[] = {{2, "PF_INET"}};

inline constexpr ValueName<int32_t> kSocketTypes[] = {
    {1, "SOCK_STREAM"},
    {2, "SOCK_DGRAM"},
};

}  // namespace format::names
