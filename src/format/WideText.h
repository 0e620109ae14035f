// The wide strings of the traced calls. They travel as the UTF-16 code units the program had;
// the readers keep them as UTF-8, which the JSON export writes as Unicode, while the window, the
// clipboard and the printer, which take 8-bit text, show them in the ANSI code page, with '?'
// for a character the code page cannot hold.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace format {

// UTF-16LE code units as UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf8FromUtf16Le(std::span<const uint8_t> units);
// UTF-8 as UTF-16; a byte that starts no valid sequence becomes U+FFFD.
std::u16string Utf16FromUtf8(std::string_view text);

// Text in the ANSI code page, each character it cannot hold a '?'. The code page is the
// system's on Windows and Windows-1252 in the native build, so that a trace reads the same in
// both where Wine runs with an English locale.
std::string AnsiFromUtf16(std::u16string_view text);
inline std::string AnsiFromUtf8(std::string_view text) {
  return AnsiFromUtf16(Utf16FromUtf8(text));
}

}  // namespace format
