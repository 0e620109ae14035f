// The ANSI code page of the native build: Windows-1252, the code page Wine gives an English
// locale. The Windows build asks the system instead (win32/AnsiCodePage.cpp).
#include <algorithm>
#include <array>

#include "format/WideText.h"

namespace format {

namespace {

// The characters of bytes 0x80 to 0x9F; the five bytes without one stand for themselves. Every
// other byte is the character of the same number.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char ByteOf(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  const auto* found = std::find(kHigh.begin(), kHigh.end(), c);
  return found != kHigh.end() ? static_cast<char>(0x80 + (found - kHigh.begin())) : '?';
}

}  // namespace

std::string AnsiFromUtf16(std::u16string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    // A character beyond the 16-bit plane is one '?', not two.
    if (text[i] >= 0xD800 && text[i] < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      ++i;
      out += '?';
    } else {
      out += ByteOf(text[i]);
    }
  }
  return out;
}

}  // namespace format
