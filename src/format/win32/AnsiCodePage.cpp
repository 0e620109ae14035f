// The ANSI code page of the Windows build: the system's own, as the ...A functions that draw,
// copy and print the text take it.
#include <windows.h>

#include <string>

#include "format/WideText.h"

namespace format {

std::string AnsiFromUtf16(std::u16string_view text) {
  if (text.empty()) return {};
  const std::wstring wide(text.begin(), text.end());
  // A UTF-8 code page holds every character and refuses the options of the others.
  const bool utf8 = GetACP() == CP_UTF8;
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const char* unknown = utf8 ? nullptr : "?";
  const int length = static_cast<int>(wide.size());
  const int size =
      WideCharToMultiByte(CP_ACP, flags, wide.data(), length, nullptr, 0, unknown, nullptr);
  std::string out(static_cast<size_t>(size > 0 ? size : 0), '\0');
  WideCharToMultiByte(CP_ACP, flags, wide.data(), length, out.data(), size, unknown, nullptr);
  return out;
}

}  // namespace format
