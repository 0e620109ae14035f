// The trigger's data pattern as the user types it: hexadecimal bytes separated by one
// character each ("55,AA,FF" or "55 AA FF").
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace store {

constexpr int32_t kTriggerPatternSize = 100;
using TriggerPatternBytes = std::array<uint8_t, kTriggerPatternSize>;

struct PatternParse {
  std::string error;  // empty when the text is well formed
  int position = 0;   // character at which the error was found
  TriggerPatternBytes bytes{};
  int32_t length = 0;
};

// Errors: "Value Too Large" at the digit that takes a byte above FF, "Invalid Character in
// String" at a separator with no digits before it, "Pattern Longer Than 100 Bytes" at the first
// digit of a 101st byte.
PatternParse ParseTriggerPattern(std::string_view text);

// Upper-case hex pairs joined by commas. A length outside 0..100 (the settings file may hold
// one) shows as many bytes as there are, or none.
std::string FormatTriggerPattern(std::span<const uint8_t, kTriggerPatternSize> pattern,
                                 int32_t length);

}  // namespace store
