// The numbers typed into dialogs, against std::from_chars: a leading number as "%d" reads it
// (within the first characters the edit's buffer holds), and the whole-text transfers of OK
// with their range and their messages.
// Input: byte 0 the buffer size (255: no limit), bytes 1..8 the range, the rest the text.
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "ui/DataExchange.h"

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// A number at the start of `text`, and whether it took the whole text. from_chars takes a minus
// sign but no plus sign.
template <typename T>
std::optional<T> FromChars(std::string_view text, bool whole) {
  if (text.size() >= 2 && text[0] == '+' && IsDigit(text[1])) text.remove_prefix(1);
  int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || (whole && end != text.data() + text.size())) return std::nullopt;
  if (value < static_cast<int64_t>(std::numeric_limits<T>::min()) ||
      value > static_cast<int64_t>(std::numeric_limits<T>::max())) {
    return std::nullopt;
  }
  return static_cast<T>(value);
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

int32_t Int32At(const uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                              static_cast<uint32_t>(p[2]) << 16 |
                              static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 9) return 0;
  const size_t maxChars = data[0] == 255 ? std::string_view::npos : data[0];
  const int32_t min = Int32At(data + 1);
  const int32_t max = Int32At(data + 5);
  const std::string_view text(reinterpret_cast<const char*>(data + 9), size - 9);

  std::string_view leading = text.substr(0, maxChars);
  while (!leading.empty() && IsBlank(leading.front())) leading.remove_prefix(1);
  if (ui::ddx::ReadDecimal(text, maxChars) != FromChars<int32_t>(leading, false)) __builtin_trap();

  const ui::ddx::Field<int32_t> integer = ui::ddx::ExchangeInt(text, min, max);
  const std::optional<int32_t> whole = FromChars<int32_t>(Trim(text), true);
  if (!whole) {
    if (integer.value || integer.message != ui::ddx::kIntegerMessage) __builtin_trap();
  } else if (*whole < min || *whole > max) {
    if (integer.value || integer.message != ui::ddx::RangeMessage(min, max)) __builtin_trap();
  } else if (integer.value != whole || !integer.message.empty()) {
    __builtin_trap();
  }

  const ui::ddx::Field<uint32_t> count = ui::ddx::ExchangeUnsigned(text);
  const std::string_view trimmed = Trim(text);
  const std::optional<uint32_t> unsignedWhole = !trimmed.empty() && trimmed.front() == '-'
                                                    ? std::nullopt
                                                    : FromChars<uint32_t>(trimmed, true);
  if (count.value != unsignedWhole) __builtin_trap();
  if (count.value.has_value() == (count.message == ui::ddx::kPositiveIntegerMessage))
    __builtin_trap();
  return 0;
}
