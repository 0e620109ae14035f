// Numbers typed into dialogs: the reading that edit handlers do on loss of focus, and the
// checks of the dialogs' OK transfer with their standard messages.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ddx {

inline constexpr std::string_view kIntegerMessage = "Please enter an integer.";
inline constexpr std::string_view kPositiveIntegerMessage = "Please enter a positive integer.";

// A leading decimal number as "%d" reads it: blanks, an optional sign, digits; whatever follows
// is ignored. Nothing when no digit comes first or the number does not fit 32 bits. Only the
// first `maxChars` characters are looked at (the edit is read into a buffer of that size).
std::optional<int32_t> ReadDecimal(std::string_view text, size_t maxChars = std::string_view::npos);

// "Please enter an integer between 50 and 2000."
std::string RangeMessage(int32_t min, int32_t max);

// The outcome of one field's transfer: the value, or the message to show before the focus
// goes back to the field.
template <typename T>
struct Field {
  std::optional<T> value;
  std::string message;
};

// A whole-text signed integer within [min, max].
Field<int32_t> ExchangeInt(std::string_view text, int32_t min, int32_t max);

// A whole-text unsigned decimal integer; a minus sign is refused like any other non-digit.
Field<uint32_t> ExchangeUnsigned(std::string_view text);

}  // namespace ddx
