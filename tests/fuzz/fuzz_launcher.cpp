// The launcher's copy of an arbitrary executable: the copy has the same length, every
// reference to a module name within the file (8-bit or UTF-16LE) is rewritten, and no other
// byte changes.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

#include "config/Launcher.h"

namespace {

char Upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The bytes of the reference to `name` in characters of `width` bytes at `at` of `text`, when
// one is there: letters in any case, other characters exact, the upper bytes 0.
size_t ReferenceAt(const std::string& text, size_t at, std::string_view name, size_t width) {
  if (at + name.size() * width > text.size()) return 0;
  for (size_t i = 0; i < name.size(); ++i) {
    const char c = text[at + i * width];
    const bool letter = name[i] >= 'A' && name[i] <= 'Z';
    if ((letter ? Upper(c) : c) != name[i]) return 0;
    if (width == 2 && text[at + i * 2 + 1] != '\0') return 0;
  }
  return name.size() * width;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string original(reinterpret_cast<const char*>(data), size);
  std::istringstream source(original);
  std::ostringstream copy;
  const std::optional<config::launcher::Rewrites> rewrites =
      config::launcher::CopyRedirected(source, copy);
  if (!rewrites) __builtin_trap();
  const std::string result = copy.str();
  if (result.size() != original.size()) __builtin_trap();

  config::launcher::Rewrites occurrences{};
  for (size_t at = 0; at < original.size();) {
    size_t length = 0;
    for (size_t row = 0; row < config::launcher::kModuleCount && length == 0; ++row) {
      const auto& [module, agent] = config::launcher::kModuleRedirects[row];
      for (size_t width = 1; width <= 2 && length == 0; ++width) {
        length = ReferenceAt(original, at, module, width);
        if (length == 0) continue;
        ++occurrences[row];
        for (size_t i = 0; i < length; ++i) {
          const char was = original[at + i];
          char want = was;  // the upper bytes of UTF-16 stay
          if (i % width == 0) {
            want = was >= 'a' && was <= 'z' ? Lower(agent[i / width]) : agent[i / width];
          }
          if (result[at + i] != want) __builtin_trap();
        }
      }
    }
    if (length == 0 && result[at] != original[at]) __builtin_trap();
    at += length == 0 ? 1 : length;
  }
  if (occurrences != *rewrites) __builtin_trap();
  return 0;
}
