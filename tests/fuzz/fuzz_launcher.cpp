// The launcher's copy of an arbitrary executable: the copy has the same length, every
// occurrence of the module name within the file is rewritten, and no other byte changes.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <sstream>
#include <string>

#include "config/Launcher.h"

namespace {

char Upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsModuleNameAt(const std::string& text, size_t at) {
  static constexpr char kName[] = "WSOCK32";
  if (at + 7 > text.size()) return false;
  for (size_t i = 0; i < 7; ++i) {
    if (i < 5 ? Upper(text[at + i]) != kName[i] : text[at + i] != kName[i]) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string original(reinterpret_cast<const char*>(data), size);
  std::istringstream source(original);
  std::ostringstream copy;
  const std::optional<int> patched = config::launcher::CopyRedirected(source, copy);
  if (!patched) __builtin_trap();
  const std::string result = copy.str();
  if (result.size() != original.size()) __builtin_trap();

  int occurrences = 0;
  size_t changedUpTo = 0;  // bytes before this belong to a rewritten occurrence
  for (size_t at = 0; at < original.size(); ++at) {
    if (IsModuleNameAt(original, at)) {
      ++occurrences;
      for (size_t i = 0; i < 7; ++i) {
        const char want = "KLVNT32"[i];
        const bool lower = original[at + i] >= 'a' && original[at + i] <= 'z';
        if (result[at + i] != (lower ? static_cast<char>(want - 'A' + 'a') : want)) {
          __builtin_trap();
        }
      }
      changedUpTo = at + 7;
    } else if (at >= changedUpTo && result[at] != original[at]) {
      __builtin_trap();
    }
  }
  if (occurrences != *patched) __builtin_trap();
  return 0;
}
