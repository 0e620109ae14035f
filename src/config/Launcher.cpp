#include "config/Launcher.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <istream>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "protocol/Bytes.h"

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

Message CannotRead(const std::string& chosenPath) {
  return {"Cannot open " + chosenPath + " for reading.", "Execution Error"};
}

// Whether a reference may start with `c`: the first letter of a module name, in either case.
bool IsCandidate(char c) {
  return std::ranges::any_of(protocol::kAgentFiles, [&](const protocol::AgentFile& r) {
    return r.module[0] == AsciiUpper(c);
  });
}

// Rewrites a reference to `module` in `width`-byte characters at the start of `window` to
// `agent`: each character of the agent's name goes to the first byte of its character, a letter
// in the case of the letter it replaces. Returns the bytes it spans, 0 when no such reference
// starts there.
size_t RewriteReference(std::span<char> window, std::string_view module, std::string_view agent,
                        size_t width) {
  const size_t length = module.size() * width;
  if (window.size() < length) return 0;
  for (size_t i = 0; i < module.size(); ++i) {
    const char c = window[i * width];
    const char want = module[i];
    // Letters in either case; other characters only as they are.
    if (AsciiLower(want) != want ? AsciiUpper(c) != want : c != want) return 0;
    for (size_t high = 1; high < width; ++high) {
      if (window[i * width + high] != '\0') return 0;
    }
  }
  for (size_t i = 0; i < agent.size(); ++i) {
    char& c = window[i * width];
    c = c >= 'a' && c <= 'z' ? AsciiLower(agent[i]) : AsciiUpper(agent[i]);
  }
  return length;
}

// Rewrites the reference, of any module in any character width, that starts at the start of
// `window`, to the module's agent of `program`'s width.
std::optional<Occurrence> RewriteAnyReference(std::span<char> window, Width program) {
  for (size_t row = 0; row < kModuleCount; ++row) {
    const protocol::AgentFile& file = protocol::kAgentFiles[row];
    for (size_t width = 1; width <= kMaxCharWidth; ++width) {
      if (const size_t length = RewriteReference(window, file.module, file.Agent(program), width)) {
        return Occurrence{static_cast<AgentRow>(row), length};
      }
    }
  }
  return std::nullopt;
}

// The processors the header names: AMD64 (0x8664) and i386 (0x14C) programs load an agent;
// others are named in the refusal.
constexpr uint16_t kMachineI386 = 0x014C;
constexpr uint16_t kMachineAmd64 = 0x8664;
constexpr std::pair<uint16_t, const char*> kMachineNames[] = {
    {0xAA64, "ARM64"},
    {0x01C4, "ARM"},
    {0x0200, "Itanium"},
    {0x5064, "RISC-V"},
};
constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr uint16_t kExecutableImage = 0x0002;
constexpr uint16_t kDll = 0x2000;
// The MS-DOS header's size, and the offset in it of the PE header's position.
constexpr size_t kDosHeaderSize = 64;
constexpr size_t kPeOffsetField = 0x3C;
// From the PE header: "PE\0\0", the file header (machine at 4, characteristics at 22), then
// the optional header's magic at 24.
constexpr size_t kPeHeadSize = 26;

// Up to `size` bytes of `file` from `offset`; fewer where the file ends.
std::vector<uint8_t> ReadBytes(std::istream& file, uint64_t offset, size_t size) {
  std::vector<uint8_t> bytes(size);
  file.clear();
  file.seekg(static_cast<std::streamoff>(offset));
  if (!file) return {};
  file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
  bytes.resize(static_cast<size_t>(file.gcount()));
  return bytes;
}

}  // namespace

std::optional<std::string> CopyPath(const std::string& chosenPath) {
  const size_t dot = chosenPath.rfind('.');
  if (dot == std::string::npos) return std::nullopt;
  return chosenPath.substr(0, dot) + ".tmp";
}

ProgramHeader ReadProgramHeader(std::istream& file) {
  using protocol::bytes::GetLE16;
  using protocol::bytes::GetLE32;
  ProgramHeader header;
  const std::vector<uint8_t> dos = ReadBytes(file, 0, kDosHeaderSize);
  if (dos.size() < kDosHeaderSize || dos[0] != 'M' || dos[1] != 'Z') return header;
  const std::vector<uint8_t> pe = ReadBytes(file, GetLE32(dos, kPeOffsetField), kPeHeadSize);
  if (pe.size() < 4 || GetLE32(pe, 0) != 0x00004550) {  // no "PE\0\0": "NE", or MS-DOS alone
    header.kind = ProgramHeader::Kind::k16Bit;
    return header;
  }
  const uint16_t characteristics = GetLE16(pe, 22);
  if (pe.size() < kPeHeadSize || (characteristics & kDll) != 0 ||
      (characteristics & kExecutableImage) == 0) {
    return header;
  }
  header.machine = GetLE16(pe, 4);
  const uint16_t magic = GetLE16(pe, 24);
  if (header.machine == kMachineI386 || header.machine == kMachineAmd64) {
    header.width = header.machine == kMachineAmd64 ? Width::k64 : Width::k32;
    if (magic == (header.width == Width::k64 ? kPe32PlusMagic : kPe32Magic)) {
      header.kind = ProgramHeader::Kind::kProgram;
    }
  } else {
    header.kind = ProgramHeader::Kind::kOtherMachine;
  }
  return header;
}

std::optional<Message> HeaderRefusal(const std::string& chosenPath, const ProgramHeader& header) {
  static constexpr std::string_view kTraced =
      " Quarnet traces 32-bit and 64-bit Windows programs for x86 processors only.";
  std::string text;
  switch (header.kind) {
    case ProgramHeader::Kind::kProgram:
      return std::nullopt;
    case ProgramHeader::Kind::k16Bit:
      text = chosenPath + " is a 16-bit program." + std::string(kTraced);
      break;
    case ProgramHeader::Kind::kOtherMachine: {
      char machine[16];
      std::snprintf(machine, sizeof machine, "0x%04X", header.machine);
      std::string name = std::string("the processor ") + machine;
      for (const auto& [value, known] : kMachineNames) {
        if (value == header.machine) name = known;
      }
      text = chosenPath + " is a program for " + name + "." + std::string(kTraced);
      break;
    }
    case ProgramHeader::Kind::kNotProgram:
      text = chosenPath + " is not a Windows program.";
      break;
  }
  return Message{text, "Execution Error"};
}

LaunchPlan PlanLaunch(const std::string& chosenPath) {
  LaunchPlan plan;
  const std::optional<std::string> copyPath = CopyPath(chosenPath);
  if (!copyPath) {
    plan.message = {"Execution Error", "Don't know how to launch " + chosenPath};
    return plan;
  }
  {
    std::ifstream program(chosenPath, std::ios::binary);
    if (!program.is_open()) {
      plan.message = CannotRead(chosenPath);
      return plan;
    }
    const ProgramHeader header = ReadProgramHeader(program);
    if (auto refusal = HeaderRefusal(chosenPath, header)) {
      plan.message = std::move(*refusal);
      return plan;
    }
    plan.width = header.width;
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
                                          uint64_t position, Width width) {
  std::array<char, kMatchWindow> window{};
  source.clear();
  source.seekg(static_cast<std::streamoff>(position));
  source.read(window.data(), static_cast<std::streamsize>(window.size()));
  const auto count = static_cast<size_t>(source.gcount());
  const std::optional<Occurrence> found =
      RewriteAnyReference(std::span(window).first(count), width);
  if (!found) return std::nullopt;
  copy.seekp(static_cast<std::streamoff>(position));
  copy.write(window.data(), static_cast<std::streamsize>(found->length));
  return found;
}

std::optional<Rewrites> CopyRedirected(std::istream& source, std::ostream& copy, Width width) {
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
      if (const auto found =
              RewriteAnyReference(std::span(block).subspan(i, kMatchWindow), width)) {
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
      if (const auto found = PatchModuleName(source, copy, position + i, width)) {
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

CopyResult CopyWithModuleRedirect(const std::string& chosenPath, const std::string& copyPath,
                                  Width width) {
  CopyResult result;
  std::ifstream source(chosenPath, std::ios::binary);
  if (!source.is_open()) {
    result.error = CannotRead(chosenPath);
    return result;
  }
  std::fstream copy(copyPath, std::ios::binary | std::ios::in | std::ios::out | std::ios::trunc);
  if (!copy.is_open()) {
    result.error = {"Cannot create " + copyPath + ".", "Execution Error"};
    return result;
  }

  const std::optional<Rewrites> rewrites = CopyRedirected(source, copy, width);
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
  for (const protocol::AgentFile& file : protocol::kAgentFiles) {
    modules += (modules.empty() ? "" : " or ") + std::string(file.module) + ".DLL";
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

std::optional<std::string> Launch(const std::string& chosenPath, LaunchShell& shell) {
  if (!shell.Contact()) return std::nullopt;
  const LaunchPlan plan = PlanLaunch(chosenPath);
  if (plan.step == LaunchPlan::Step::kRefuse) {
    shell.Refuse(plan.message);
    return std::nullopt;
  }
  if (plan.step == LaunchPlan::Step::kConfirmOverwrite && !shell.ReplaceCopy(plan.message)) {
    return std::nullopt;
  }
  const CopyResult copy = CopyWithModuleRedirect(chosenPath, plan.copyPath, plan.width);
  if (!copy.ok) {
    shell.Refuse(copy.error);
    return std::nullopt;
  }
  if (const auto warning = UntracedWarning(chosenPath, copy.rewrites);
      warning && !shell.StartUntraced(*warning)) {
    std::remove(plan.copyPath.c_str());
    return std::nullopt;
  }
  if (const std::optional<Message> failure = shell.Start(plan.copyPath)) {
    std::remove(plan.copyPath.c_str());
    shell.Refuse(*failure);
    return std::nullopt;
  }
  return plan.copyPath;
}

}  // namespace config::launcher
