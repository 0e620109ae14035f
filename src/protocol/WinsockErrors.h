// The Windows Sockets error codes with a name, written once. Each name says the first family of
// calls that knows it: the Winsock 1.1 calls name the 43 codes of that interface and show every
// other code as a number; the Winsock 2 calls know those and the codes Winsock 2 added.
#pragma once

#include <cstdint>
#include <string_view>

#include "protocol/Calls.h"

namespace protocol::errors {

struct Error {
  int32_t code;
  std::string_view name;
  protocol::calls::Family since;
};

using enum protocol::calls::Family;

inline constexpr Error kErrors[] = {
    {10004, "WSAEINTR", kWinsock1},
    {10009, "WSAEBADF", kWinsock1},
    {10013, "WSAEACCES", kWinsock1},
    {10014, "WSAEFAULT", kWinsock1},
    {10022, "WSAEINVAL", kWinsock1},
    {10024, "WSAEMFILE", kWinsock1},
    {10035, "WSAEWOULDBLOCK", kWinsock1},
    {10036, "WSAEINPROGRESS", kWinsock1},
    {10037, "WSAEALREADY", kWinsock1},
    {10038, "WSAENOTSOCK", kWinsock1},
    {10039, "WSAEDESTADDRREQ", kWinsock1},
    {10040, "WSAEMSGSIZE", kWinsock1},
    {10041, "WSAEPROTOTYPE", kWinsock1},
    {10042, "WSAENOPROTOOPT", kWinsock1},
    {10043, "WSAEPROTONOSUPPORT", kWinsock1},
    {10044, "WSAESOCKTNOSUPPORT", kWinsock1},
    {10045, "WSAEOPNOTSUPP", kWinsock1},
    {10046, "WSAEPFNOSUPPORT", kWinsock1},
    {10047, "WSAEAFNOSUPPORT", kWinsock1},
    {10048, "WSAEADDRINUSE", kWinsock1},
    {10049, "WSAEADDRNOTAVAIL", kWinsock1},
    {10050, "WSAENETDOWN", kWinsock1},
    {10051, "WSAENETUNREACH", kWinsock1},
    {10052, "WSAENETRESET", kWinsock1},
    {10053, "WSAECONNABORTED", kWinsock1},
    {10054, "WSAECONNRESET", kWinsock1},
    {10055, "WSAENOBUFS", kWinsock1},
    {10056, "WSAEISCONN", kWinsock1},
    {10057, "WSAENOTCONN", kWinsock1},
    {10058, "WSAESHUTDOWN", kWinsock1},
    {10059, "WSAETOOMANYREFS", kWinsock1},
    {10060, "WSAETIMEDOUT", kWinsock1},
    {10061, "WSAECONNREFUSED", kWinsock1},
    {10062, "WSAELOOP", kWinsock1},
    {10063, "WSAENAMETOOLONG", kWinsock1},
    {10064, "WSAEHOSTDOWN", kWinsock1},
    {10065, "WSAEHOSTUNREACH", kWinsock1},
    {10066, "WSAENOTEMPTY", kWinsock1},
    {10067, "WSAEPROCLIM", kWinsock1},
    {10068, "WSAEUSERS", kWinsock1},
    {10069, "WSAEDQUOT", kWinsock1},
    {10070, "WSAESTALE", kWinsock1},
    {10071, "WSAEREMOTE", kWinsock1},
    // Overlapped operations report the system's own codes.
    {6, "WSA_INVALID_HANDLE", kWinsock2},
    {8, "WSA_NOT_ENOUGH_MEMORY", kWinsock2},
    {87, "WSA_INVALID_PARAMETER", kWinsock2},
    {995, "WSA_OPERATION_ABORTED", kWinsock2},
    {996, "WSA_IO_INCOMPLETE", kWinsock2},
    {997, "WSA_IO_PENDING", kWinsock2},
    {10091, "WSASYSNOTREADY", kWinsock2},
    {10092, "WSAVERNOTSUPPORTED", kWinsock2},
    {10093, "WSANOTINITIALISED", kWinsock2},
    {10101, "WSAEDISCON", kWinsock2},
    {10102, "WSAENOMORE", kWinsock2},
    {10103, "WSAECANCELLED", kWinsock2},
    {10104, "WSAEINVALIDPROCTABLE", kWinsock2},
    {10105, "WSAEINVALIDPROVIDER", kWinsock2},
    {10106, "WSAEPROVIDERFAILEDINIT", kWinsock2},
    {10107, "WSASYSCALLFAILURE", kWinsock2},
    {10108, "WSASERVICE_NOT_FOUND", kWinsock2},
    {10109, "WSATYPE_NOT_FOUND", kWinsock2},
    {10110, "WSA_E_NO_MORE", kWinsock2},
    {10111, "WSA_E_CANCELLED", kWinsock2},
    {10112, "WSAEREFUSED", kWinsock2},
    // Name lookups.
    {11001, "WSAHOST_NOT_FOUND", kWinsock2},
    {11002, "WSATRY_AGAIN", kWinsock2},
    {11003, "WSANO_RECOVERY", kWinsock2},
    {11004, "WSANO_DATA", kWinsock2},
};

namespace detail {
constexpr bool CodesAreUnique() {
  for (const Error& a : kErrors) {
    for (const Error& b : kErrors) {
      if (&a != &b && a.code == b.code) return false;
    }
  }
  return true;
}
}  // namespace detail
static_assert(detail::CodesAreUnique(), "one name per code");

// The name a call of `family` gives the code; empty when it shows the number.
constexpr std::string_view Name(int32_t code, protocol::calls::Family family) {
  for (const Error& error : kErrors) {
    if (error.code == code) return error.since <= family ? error.name : std::string_view();
  }
  return {};
}

}  // namespace protocol::errors
