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
#include "protocol/WinsockErrors.h"

namespace store {

struct TriggerError {
  std::string_view name;
  int32_t code;
};

// The errors the trigger offers: the Winsock 1.1 names from WSAEWOULDBLOCK on, in code order,
// the order the combo box is given them.
constexpr int32_t kFirstTriggerErrorCode = 10035;

constexpr bool IsTriggerError(const protocol::errors::Error& error) {
  return error.since == protocol::calls::Family::kWinsock1 && error.code >= kFirstTriggerErrorCode;
}

constexpr size_t kTriggerErrorCount = [] {
  size_t n = 0;
  for (const protocol::errors::Error& error : protocol::errors::kErrors) n += IsTriggerError(error);
  return n;
}();

constexpr std::array<TriggerError, kTriggerErrorCount> InCodeOrder() {
  std::array<TriggerError, kTriggerErrorCount> errors{};
  size_t n = 0;
  for (const protocol::errors::Error& error : protocol::errors::kErrors) {
    if (IsTriggerError(error)) errors[n++] = {error.name, error.code};
  }
  std::sort(errors.begin(), errors.end(),
            [](const TriggerError& a, const TriggerError& b) { return a.code < b.code; });
  return errors;
}

constexpr std::array<std::string_view, kTriggerErrorCount> kTriggerErrorNames = [] {
  std::array<std::string_view, kTriggerErrorCount> names{};
  const auto errors = InCodeOrder();
  for (size_t i = 0; i < names.size(); ++i) names[i] = errors[i].name;
  return names;
}();

// The combo box sorts its entries; a stored error index is a position in this order.
constexpr std::array<TriggerError, kTriggerErrorCount> kSortedTriggerErrors = [] {
  auto sorted = InCodeOrder();
  std::sort(sorted.begin(), sorted.end(),
            [](const TriggerError& a, const TriggerError& b) { return a.name < b.name; });
  return sorted;
}();

// The error code an error index stands for; none for -1 and any other index outside the list.
constexpr std::optional<int32_t> TriggerErrorCode(int32_t index) {
  if (index < 0 || index >= static_cast<int32_t>(kSortedTriggerErrors.size())) return std::nullopt;
  return kSortedTriggerErrors[static_cast<size_t>(index)].code;
}

}  // namespace store
