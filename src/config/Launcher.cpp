#include "config/Launcher.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <span>
#include <string_view>
#include <utility>

namespace config::launcher {
namespace {

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return AsciiLower(x) == AsciiLower(y);
         });
}

// Whether a reference may start with `c`: the first letter of a module name, in either case.
bool IsCandidate(char c) {
  return std::ranges::any_of(kModuleRedirects,
                             [&](const ModuleRedirect& r) { return r.module[0] == AsciiUpper(c); });
}

// Rewrites a reference to `redirect`'s module in `width`-byte characters at the start of
// `window`: each character of the agent's name goes to the first byte of its character, a
// letter in lower case where it replaces a lower-case letter. Returns the bytes it spans, 0 when
// no such reference starts there.
size_t RewriteReference(std::span<char> window, const ModuleRedirect& redirect, size_t width) {
  const size_t length = redirect.module.size() * width;
  if (window.size() < length) return 0;
  for (size_t i = 0; i < redirect.module.size(); ++i) {
    const char c = window[i * width];
    const char want = redirect.module[i];
    // Letters in either case; other characters only as they are.
    if (AsciiLower(want) != want ? AsciiUpper(c) != want : c != want) return 0;
    for (size_t high = 1; high < width; ++high) {
      if (window[i * width + high] != '\0') return 0;
    }
  }
  for (size_t i = 0; i < redirect.agent.size(); ++i) {
    char& c = window[i * width];
    c = c >= 'a' && c <= 'z' ? AsciiLower(redirect.agent[i]) : redirect.agent[i];
  }
  return length;
}

// Rewrites the reference, of any module in any width, that starts at the start of `window`.
std::optional<Occurrence> RewriteAnyReference(std::span<char> window) {
  for (size_t row = 0; row < kModuleCount; ++row) {
    for (size_t width = 1; width <= kMaxCharWidth; ++width) {
      if (const size_t length = RewriteReference(window, kModuleRedirects[row], width)) {
        return Occurrence{static_cast<ModuleRow>(row), length};
      }
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> CopyPath(const std::string& chosenPath) {
  const size_t dot = chosenPath.rfind('.');
  if (dot == std::string::npos) return std::nullopt;
  return chosenPath.substr(0, dot) + ".tmp";
}

LaunchPlan PlanLaunch(const std::string& chosenPath) {
  LaunchPlan plan;
  const std::optional<std::string> copyPath = CopyPath(chosenPath);
  if (!copyPath) {
    plan.message = {"Execution Error", "Don't know how to launch " + chosenPath};
    return plan;
  }
  plan.copyPath = *copyPath;
  // A chosen "*.tmp" is its own copy: emptying the copy would destroy the program.
  if (SameIgnoringCase(chosenPath, *copyPath)) {
    plan.message = {"The copy of " + chosenPath +
                        " would overwrite the program itself. Choose the original program.",
                    "Execution Error"};
    return plan;
  }
  if (std::ifstream(*copyPath, std::ios::binary).is_open()) {
    plan.step = LaunchPlan::Step::kConfirmOverwrite;
    plan.message = {*copyPath + " already exists", "Delete File?"};
    return plan;
  }
  plan.step = LaunchPlan::Step::kCopy;
  return plan;
}

std::optional<Occurrence> PatchModuleName(std::istream& source, std::ostream& copy,
                                          uint64_t position) {
  std::array<char, kMatchWindow> window{};
  source.clear();
  source.seekg(static_cast<std::streamoff>(position));
  source.read(window.data(), static_cast<std::streamsize>(window.size()));
  const auto count = static_cast<size_t>(source.gcount());
  const std::optional<Occurrence> found = RewriteAnyReference(std::span(window).first(count));
  if (!found) return std::nullopt;
  copy.seekp(static_cast<std::streamoff>(position));
  copy.write(window.data(), static_cast<std::streamsize>(found->length));
  return found;
}

std::optional<Rewrites> CopyRedirected(std::istream& source, std::ostream& copy) {
  std::array<char, kBlockSize> block{};
  uint64_t position = 0;
  // Bytes of the copy before this point are final. A rewrite near the end of a block reaches
  // into the next one; that block is looked at and written only behind it, so the rewrite
  // stays.
  uint64_t written = 0;
  Rewrites rewrites{};
  for (;;) {
    source.clear();
    source.seekg(static_cast<std::streamoff>(position));
    source.read(block.data(), static_cast<std::streamsize>(block.size()));
    if (source.bad()) return std::nullopt;
    const auto count = static_cast<size_t>(source.gcount());
    const size_t skip =
        written > position ? static_cast<size_t>(std::min<uint64_t>(written - position, count)) : 0;
    // References within the block are rewritten in memory: going back to the file for every
    // candidate made a copy take seconds per megabyte of such bytes.
    size_t i = skip;
    for (; i + kMatchWindow <= count; ++i) {
      if (const auto found = RewriteAnyReference(std::span(block).subspan(i, kMatchWindow))) {
        ++rewrites[found->module];
        i += found->length - 1;
      }
    }
    copy.seekp(static_cast<std::streamoff>(position + skip));
    copy.write(block.data() + skip, static_cast<std::streamsize>(count - skip));
    written = std::max<uint64_t>(written, position + count);
    // A candidate near the end may continue into the next block, or past the file's end.
    for (; i < count; ++i) {
      if (!IsCandidate(block[i])) continue;
      if (const auto found = PatchModuleName(source, copy, position + i)) {
        ++rewrites[found->module];
        written = std::max<uint64_t>(written, position + i + found->length);
        i += found->length - 1;
      } else if (source.bad()) {
        return std::nullopt;
      }
    }
    if (!copy.good()) return std::nullopt;
    if (count < kBlockSize) return rewrites;
    position += count;
  }
}

CopyResult CopyWithModuleRedirect(const std::string& chosenPath, const std::string& copyPath) {
  CopyResult result;
  std::ifstream source(chosenPath, std::ios::binary);
  if (!source.is_open()) {
    result.error = {"Cannot open " + chosenPath + " for reading.", "Execution Error"};
    return result;
  }
  std::fstream copy(copyPath, std::ios::binary | std::ios::in | std::ios::out | std::ios::trunc);
  if (!copy.is_open()) {
    result.error = {"Cannot create " + copyPath + ".", "Execution Error"};
    return result;
  }

  const std::optional<Rewrites> rewrites = CopyRedirected(source, copy);
  copy.close();
  if (!rewrites || copy.fail()) {
    std::remove(copyPath.c_str());
    result.error = {"Cannot copy " + chosenPath + " to " + copyPath + ".", "Execution Error"};
    return result;
  }
  result.ok = true;
  result.rewrites = *rewrites;
  return result;
}

std::optional<std::string> UntracedWarning(const std::string& chosenPath,
                                           const Rewrites& rewrites) {
  if (std::ranges::any_of(rewrites, [](int count) { return count > 0; })) return std::nullopt;
  std::string modules;
  for (const ModuleRedirect& redirect : kModuleRedirects) {
    modules += (modules.empty() ? "" : " or ") + std::string(redirect.module) + ".DLL";
  }
  return chosenPath + " does not load " + modules +
         " by name, so its Winsock calls cannot be traced.";
}

Message LaunchAnyway(const std::string& warning) {
  return {warning + " Launch it anyway?", "Quarnet"};
}

std::optional<Message> StartFailure(const std::string& chosenPath, uint32_t winExecResult) {
  // WinExec's documented failures; any other value below 32 is shown as its number.
  static constexpr std::pair<uint32_t, const char*> kReasons[] = {
      {0, "the system is out of memory or resources"},
      {2, "the file was not found"},
      {3, "the path was not found"},
      {11, "the file is not a valid Windows program"},
  };
  if (winExecResult > 31) return std::nullopt;
  std::string reason = "error " + std::to_string(winExecResult);
  for (const auto& [code, text] : kReasons) {
    if (code == winExecResult) reason = text;
  }
  return Message{"Execution Error", "Could not launch " + chosenPath + ": " + reason};
}

namespace {

std::string FolderKey(std::string_view folder) {
  while (folder.size() > 1 && (folder.back() == '\\' || folder.back() == '/')) {
    folder.remove_suffix(1);
  }
  std::string key(folder);
  for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return key;
}

}  // namespace

std::string PathWithFolderFirst(const std::string& path, const std::string& folder) {
  const std::string key = FolderKey(folder);
  std::string result = folder;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(';', start);
    if (end == std::string::npos) end = path.size();
    const std::string_view entry(path.data() + start, end - start);
    if (!entry.empty() && FolderKey(entry) != key) {
      result += ';';
      result += entry;
    }
    start = end + 1;
  }
  return result;
}

}  // namespace config::launcher
