// The choices of the trigger dialog: the call list and the error list, and what a
// chosen index means to the trigger. The call list is the calls table's trigger list,
// protocol::calls::kTriggerListNames: alphabetical, which is also API id order, so the call index
// is the API id.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "protocol/Calls.h"

namespace store {

struct TriggerError {
  std::string_view name;
  int32_t code;
};

// In the order the combo box is given them; the codes run from 10035 in this order.
constexpr std::array<std::string_view, 37> kTriggerErrorNames = {
    "WSAEWOULDBLOCK",     "WSAEINPROGRESS",     "WSAEALREADY",      "WSAENOTSOCK",
    "WSAEDESTADDRREQ",    "WSAEMSGSIZE",        "WSAEPROTOTYPE",    "WSAENOPROTOOPT",
    "WSAEPROTONOSUPPORT", "WSAESOCKTNOSUPPORT", "WSAEOPNOTSUPP",    "WSAEPFNOSUPPORT",
    "WSAEAFNOSUPPORT",    "WSAEADDRINUSE",      "WSAEADDRNOTAVAIL", "WSAENETDOWN",
    "WSAENETUNREACH",     "WSAENETRESET",       "WSAECONNABORTED",  "WSAECONNRESET",
    "WSAENOBUFS",         "WSAEISCONN",         "WSAENOTCONN",      "WSAESHUTDOWN",
    "WSAETOOMANYREFS",    "WSAETIMEDOUT",       "WSAECONNREFUSED",  "WSAELOOP",
    "WSAENAMETOOLONG",    "WSAEHOSTDOWN",       "WSAEHOSTUNREACH",  "WSAENOTEMPTY",
    "WSAEPROCLIM",        "WSAEUSERS",          "WSAEDQUOT",        "WSAESTALE",
    "WSAEREMOTE"};
constexpr int32_t kFirstTriggerErrorCode = 10035;

// The combo box sorts its entries; a stored error index is a position in this order.
constexpr std::array<TriggerError, 37> SortTriggerErrors() {
  std::array<TriggerError, 37> sorted{};
  for (size_t i = 0; i < sorted.size(); ++i) {
    sorted[i] = {kTriggerErrorNames[i], kFirstTriggerErrorCode + static_cast<int32_t>(i)};
  }
  std::sort(sorted.begin(), sorted.end(),
            [](const TriggerError& a, const TriggerError& b) { return a.name < b.name; });
  return sorted;
}
constexpr std::array<TriggerError, 37> kSortedTriggerErrors = SortTriggerErrors();

// The error code an error index stands for; none for -1 and any other index outside the list.
constexpr std::optional<int32_t> TriggerErrorCode(int32_t index) {
  if (index < 0 || index >= static_cast<int32_t>(kSortedTriggerErrors.size())) return std::nullopt;
  return kSortedTriggerErrors[static_cast<size_t>(index)].code;
}

}  // namespace store
