#include "ui/DataExchange.h"

namespace ddx {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Digits from the start of `text` into `magnitude`, stopping above `limit`. Returns how many
// characters were digits, 0 when none, npos when the number passes the limit.
size_t ReadDigits(std::string_view text, uint64_t limit, uint64_t& magnitude) {
  magnitude = 0;
  size_t used = 0;
  for (; used < text.size() && IsDigit(text[used]); ++used) {
    magnitude = magnitude * 10 + static_cast<uint64_t>(text[used] - '0');
    if (magnitude > limit) return std::string_view::npos;
  }
  return used;
}

// A sign and digits, with `whole` requiring nothing after them.
std::optional<int32_t> ReadSigned(std::string_view text, bool whole) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  uint64_t magnitude = 0;
  const size_t used = ReadDigits(text, negative ? 2147483648u : 2147483647u, magnitude);
  if (used == 0 || used == std::string_view::npos) return std::nullopt;
  if (whole && used != text.size()) return std::nullopt;
  return static_cast<int32_t>(negative ? -static_cast<int64_t>(magnitude)
                                       : static_cast<int64_t>(magnitude));
}

}  // namespace

std::optional<int32_t> ReadDecimal(std::string_view text, size_t maxChars) {
  text = text.substr(0, maxChars);
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  return ReadSigned(text, false);
}

std::string RangeMessage(int32_t min, int32_t max) {
  return "Please enter an integer between " + std::to_string(min) + " and " + std::to_string(max) +
         ".";
}

Field<int32_t> ExchangeInt(std::string_view text, int32_t min, int32_t max) {
  const std::optional<int32_t> value = ReadSigned(Trim(text), true);
  if (!value) return {std::nullopt, std::string(kIntegerMessage)};
  if (*value < min || *value > max) return {std::nullopt, RangeMessage(min, max)};
  return {value, {}};
}

Field<uint32_t> ExchangeUnsigned(std::string_view text) {
  text = Trim(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  uint64_t magnitude = 0;
  const size_t used = ReadDigits(text, 0xFFFFFFFFu, magnitude);
  if (used == 0 || used == std::string_view::npos || used != text.size()) {
    return {std::nullopt, std::string(kPositiveIntegerMessage)};
  }
  return {static_cast<uint32_t>(magnitude), {}};
}

}  // namespace ddx
