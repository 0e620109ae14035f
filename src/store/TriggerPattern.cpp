#include "store/TriggerPattern.h"

#include <algorithm>

namespace store {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

PatternParse ParseTriggerPattern(std::string_view text) {
  PatternParse result;
  int value = 0;
  int digits = 0;
  auto fail = [&result](const char* error, size_t position) {
    result.error = error;
    result.position = static_cast<int>(position);
    return result;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const int digit = HexDigit(text[i]);
    if (digit >= 0) {
      if (digits == 0 && result.length == kTriggerPatternSize) {
        return fail("Pattern Longer Than 100 Bytes", i);
      }
      value = value * 16 + digit;
      ++digits;
      if (value > 0xFF) return fail("Value Too Large", i);
    } else {
      if (digits == 0) return fail("Invalid Character in String", i);
      result.bytes[static_cast<size_t>(result.length++)] = static_cast<uint8_t>(value);
      value = 0;
      digits = 0;
    }
  }
  if (digits > 0) result.bytes[static_cast<size_t>(result.length++)] = static_cast<uint8_t>(value);
  return result;
}

std::string FormatTriggerPattern(std::span<const uint8_t, kTriggerPatternSize> pattern,
                                 int32_t length) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const int32_t count = std::clamp(length, 0, kTriggerPatternSize);
  std::string text;
  for (int32_t i = 0; i < count; ++i) {
    if (i > 0) text += ',';
    const uint8_t byte = pattern[static_cast<size_t>(i)];
    text += kHex[byte >> 4];
    text += kHex[byte & 0x0F];
  }
  return text;
}

}  // namespace store
