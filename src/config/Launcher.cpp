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

constexpr std::array<char, kModuleNameLength> kModuleName = {'W', 'S', 'O', 'C', 'K', '3', '2'};
constexpr std::array<char, kModuleNameLength> kAgentName = {'K', 'L', 'V', 'N', 'T', '3', '2'};

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

// Rewrites `window` in place when it spells the module name: each letter of the agent's name
// takes the case of the letter it replaces, the digits stay.
bool RewriteModuleName(std::span<char, kModuleNameLength> window) {
  for (size_t i = 0; i < kModuleNameLength; ++i) {
    // Letters in either case; the digits only as they are.
    if (AsciiUpper(window[i]) != kModuleName[i]) return false;
    if (i >= 5 && window[i] != kModuleName[i]) return false;
  }
  for (size_t i = 0; i < kModuleNameLength; ++i) {
    const bool lower = window[i] >= 'a' && window[i] <= 'z';
    window[i] = lower ? AsciiLower(kAgentName[i]) : kAgentName[i];
  }
  return true;
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

bool PatchModuleName(std::istream& source, std::ostream& copy, uint64_t position) {
  std::array<char, kModuleNameLength> window{};
  source.clear();
  source.seekg(static_cast<std::streamoff>(position));
  source.read(window.data(), static_cast<std::streamsize>(window.size()));
  if (source.gcount() != static_cast<std::streamsize>(window.size())) return false;
  if (!RewriteModuleName(window)) return false;
  copy.seekp(static_cast<std::streamoff>(position));
  copy.write(window.data(), static_cast<std::streamsize>(window.size()));
  return true;
}

std::optional<int> CopyRedirected(std::istream& source, std::ostream& copy) {
  std::array<char, kBlockSize> block{};
  uint64_t position = 0;
  // Bytes of the copy before this point are final. A rewrite near the end of a block reaches
  // into the next one; that block is written only behind it, so the rewrite stays.
  uint64_t written = 0;
  int patched = 0;
  for (;;) {
    source.clear();
    source.seekg(static_cast<std::streamoff>(position));
    source.read(block.data(), static_cast<std::streamsize>(block.size()));
    if (source.bad()) return std::nullopt;
    const auto count = static_cast<size_t>(source.gcount());
    // Occurrences within the block are rewritten in memory: going back to the file for every
    // "w" made a copy take seconds per megabyte of such bytes.
    size_t i = 0;
    for (; i + kModuleNameLength <= count; ++i) {
      if (RewriteModuleName(
              std::span<char, kModuleNameLength>(block.data() + i, kModuleNameLength))) {
        ++patched;
        i += kModuleNameLength - 1;
      }
    }
    const size_t skip =
        written > position ? static_cast<size_t>(std::min<uint64_t>(written - position, count)) : 0;
    copy.seekp(static_cast<std::streamoff>(position + skip));
    copy.write(block.data() + skip, static_cast<std::streamsize>(count - skip));
    written = std::max<uint64_t>(written, position + count);
    // A candidate in the last six bytes continues into the next block, or past the file's end.
    for (; i < count; ++i) {
      if (block[i] != 'w' && block[i] != 'W') continue;
      if (PatchModuleName(source, copy, position + i)) {
        ++patched;
        written = position + i + kModuleNameLength;
        break;
      }
      if (source.bad()) return std::nullopt;
    }
    if (!copy.good()) return std::nullopt;
    if (count < kBlockSize) return patched;
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

  const std::optional<int> patched = CopyRedirected(source, copy);
  copy.close();
  if (!patched || copy.fail()) {
    std::remove(copyPath.c_str());
    result.error = {"Cannot copy " + chosenPath + " to " + copyPath + ".", "Execution Error"};
    return result;
  }
  result.ok = true;
  result.patched = *patched;
  return result;
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
