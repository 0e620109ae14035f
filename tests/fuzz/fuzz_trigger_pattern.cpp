// The trigger's data pattern as typed into its dialog, against a second reading of the rules:
// the text splits at every non-hex character into fields; every field but the last needs a
// digit, a field is a byte up to FF, at most 100 of them. A parsed pattern formats back to a
// text that parses to the same bytes, and so does any stored length formatted.
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "store/TriggerPattern.h"

namespace {

bool IsHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

store::PatternParse ReadFields(std::string_view text) {
  store::PatternParse expected;
  auto fail = [&expected](const char* error, size_t position) {
    expected.error = error;
    expected.position = static_cast<int>(position);
    return expected;
  };
  size_t start = 0;
  for (;;) {
    size_t end = start;
    while (end < text.size() && IsHex(text[end])) ++end;
    if (end == start) {
      if (end == text.size()) return expected;  // a separator may end the text
      return fail("Invalid Character in String", start);
    }
    if (expected.length == store::kTriggerPatternSize)
      return fail("Pattern Longer Than 100 Bytes", start);
    unsigned value = 0;
    for (size_t i = start; i < end; ++i) {
      unsigned digit = 0;
      std::from_chars(&text[i], &text[i] + 1, digit, 16);
      value = value * 16 + digit;
      if (value > 0xFF) return fail("Value Too Large", i);
    }
    expected.bytes[static_cast<size_t>(expected.length++)] = static_cast<uint8_t>(value);
    if (end == text.size()) return expected;
    start = end + 1;
  }
}

bool Same(const store::PatternParse& a, const store::PatternParse& b) {
  return a.error == b.error && a.position == b.position && a.length == b.length &&
         a.bytes == b.bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const store::PatternParse parsed = store::ParseTriggerPattern(text);
  if (!Same(parsed, ReadFields(text))) __builtin_trap();
  if (parsed.error.empty()) {
    const store::PatternParse again =
        store::ParseTriggerPattern(store::FormatTriggerPattern(parsed.bytes, parsed.length));
    if (!Same(again, parsed)) __builtin_trap();
  }
  // A stored pattern of any length, as the settings file may hold it.
  if (size >= 4) {
    store::TriggerPatternBytes stored{};
    for (size_t i = 4; i < size && i - 4 < stored.size(); ++i) stored[i - 4] = data[i];
    const auto length = static_cast<int32_t>(
        static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
        static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 24);
    const store::PatternParse shown =
        store::ParseTriggerPattern(store::FormatTriggerPattern(stored, length));
    const int32_t kept = length < 0                            ? 0
                         : length > store::kTriggerPatternSize ? store::kTriggerPatternSize
                                                               : length;
    if (!shown.error.empty() || shown.length != kept) __builtin_trap();
    for (int32_t i = 0; i < kept; ++i) {
      if (shown.bytes[static_cast<size_t>(i)] != stored[static_cast<size_t>(i)]) __builtin_trap();
    }
  }
  return 0;
}
