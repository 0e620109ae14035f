// The launcher's reading of an arbitrary file: its header is read without going past the end,
// and a program is one only where the bytes say so. The copy, for the agents of the width the
// header gives, has the same length, every reference to a module name within the file (8-bit or
// UTF-16LE) is rewritten to that width's agent, and no other byte changes.
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

// Whether the header of `text` is an i386 or AMD64 program's, as the launcher reads it.
bool IsProgram(const std::string& text, config::launcher::Width width) {
  auto le = [&](size_t at, size_t n) {
    uint32_t value = 0;
    for (size_t i = n; i-- > 0;) value = value << 8 | static_cast<uint8_t>(text[at + i]);
    return value;
  };
  if (text.size() < 64 || text.compare(0, 2, "MZ") != 0) return false;
  const uint64_t pe = le(0x3C, 4);
  if (pe + 26 > text.size() || text.compare(pe, 4, std::string("PE\0\0", 4)) != 0) return false;
  const bool wide = width == config::launcher::Width::k64;
  return le(pe + 4, 2) == (wide ? 0x8664u : 0x14Cu) && le(pe + 24, 2) == (wide ? 0x20Bu : 0x10Bu);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string original(reinterpret_cast<const char*>(data), size);
  std::istringstream source(original);
  const config::launcher::ProgramHeader header = config::launcher::ReadProgramHeader(source);
  if (header.kind == config::launcher::ProgramHeader::Kind::kProgram &&
      !IsProgram(original, header.width)) {
    __builtin_trap();
  }
  const config::launcher::Width width = header.width;
  std::ostringstream copy;
  const std::optional<config::launcher::Rewrites> rewrites =
      config::launcher::CopyRedirected(source, copy, width);
  if (!rewrites) __builtin_trap();
  const std::string result = copy.str();
  if (result.size() != original.size()) __builtin_trap();

  config::launcher::Rewrites occurrences{};
  for (size_t at = 0; at < original.size();) {
    size_t length = 0;
    for (size_t row = 0; row < config::launcher::kModuleCount && length == 0; ++row) {
      const std::string_view module = protocol::kAgentFiles[row].module;
      const std::string_view agent = protocol::kAgentFiles[row].Agent(width);
      for (size_t charWidth = 1; charWidth <= 2 && length == 0; ++charWidth) {
        length = ReferenceAt(original, at, module, charWidth);
        if (length == 0) continue;
        ++occurrences[row];
        for (size_t i = 0; i < length; ++i) {
          const char was = original[at + i];
          char want = was;  // the upper bytes of UTF-16 stay
          if (i % charWidth == 0) {
            const char c = agent[i / charWidth];
            want = was >= 'a' && was <= 'z' ? Lower(c) : Upper(c);
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
