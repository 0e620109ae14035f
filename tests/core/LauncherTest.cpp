#include "config/Launcher.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "ScratchDir.h"
#include "protocol/Bytes.h"

namespace fs = std::filesystem;

namespace {

using config::launcher::ProgramHeader;
using config::launcher::Rewrites;
using config::launcher::Width;

// `text` in UTF-16LE, as LoadLibraryW's argument lies in a program.
std::string Wide(std::string_view text) {
  std::string wide;
  for (char c : text) wide += {c, '\0'};
  return wide;
}

constexpr uint16_t kI386 = 0x14C, kAmd64 = 0x8664, kArm64 = 0xAA64;
constexpr uint16_t kPe32 = 0x10B, kPe32Plus = 0x20B;

// A program's first bytes as a linker writes them: the MS-DOS header, whose field at 0x3C
// points at the signature at 0x40, then the file header (machine, characteristics: an
// executable image) and the optional header's magic.
std::string Image(uint16_t machine, uint16_t magic, uint16_t characteristics = 0x0102,
                  std::string_view signature = {"PE\0\0", 4}) {
  std::string image(0x40 + 26, '\0');
  auto put16 = [&](size_t at, uint16_t value) {
    image[at] = static_cast<char>(value & 0xFF);
    image[at + 1] = static_cast<char>(value >> 8);
  };
  image.replace(0, 2, "MZ");
  put16(0x3C, 0x40);
  image.replace(0x40, signature.size(), signature);
  put16(0x44, machine);
  put16(0x40 + 22, characteristics);
  put16(0x40 + 24, magic);
  return image;
}

class LauncherTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return (m_dir / name).string(); }

  static void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  // Copies `content` from prog.exe through the launcher and returns what the copy holds.
  // `expected` counts the occurrences of WSOCK32 and of WS2_32 rewritten.
  std::string Launder(const std::string& content, Rewrites expected, Width width = Width::k32) {
    Write(Path("prog.exe"), content);
    const config::launcher::CopyResult result =
        config::launcher::CopyWithModuleRedirect(Path("prog.exe"), Path("prog.tmp"), width);
    EXPECT_TRUE(result.ok) << result.error.text;
    EXPECT_EQ(result.rewrites, expected);
    return Read(Path("prog.tmp"));
  }

  ScratchDir m_dir{"launcher"};
};

TEST_F(LauncherTest, RewritesEachCasePatternAndLeavesOtherDigitsAlone) {
  const std::string original =
      "MZ WSOCK32.DLL wsock32.dll WSock32 WSOCK33 wsock3x wsock2 WSOCKET32";
  EXPECT_EQ(Launder(original, {3, 0}),
            "MZ KLVNT32.DLL klvnt32.dll KLvnt32 WSOCK33 wsock3x wsock2 WSOCKET32");
}

// WS2_32 keeps its "2_32"; both names are found in UTF-16 too, where every other byte must be 0.
TEST_F(LauncherTest, RewritesWinsock2AndUtf16References) {
  EXPECT_EQ(Launder("ws2_32.dll WS2_32.DLL wS2_32 WS2-32 WS3_32 ws2_31 WS2_3", {0, 3}),
            "kl2_32.dll KL2_32.DLL kL2_32 WS2-32 WS3_32 ws2_31 WS2_3");
  // "wsock3" and U+0132 is no reference.
  const std::string wide = Wide("ws2_32.dll|WSOCK32.DLL|WsOck32|WS2_32|ws2_33|") + Wide("wsock3") +
                           "2\x01" + Wide("|ws2_3");
  EXPECT_EQ(Launder(wide, {2, 2}), Wide("kl2_32.dll|KLVNT32.DLL|KlVnt32|KL2_32|ws2_33|") +
                                       Wide("wsock3") + "2\x01" + Wide("|ws2_3"));
}

// A 64-bit program's copy names the 64-bit agents: the agent's digits are written too.
TEST_F(LauncherTest, SixtyFourBitCopyNamesTheSixtyFourBitAgents) {
  EXPECT_EQ(
      Launder("WSOCK32.DLL wsock32 WSock32 ws2_32 Ws2_32 " + Wide("WS2_32"), {3, 3}, Width::k64),
      "KLVNT64.DLL klvnt64 KLvnt64 kl2_64 Kl2_64 " + Wide("KL2_64"));
}

// Every start position around the first block boundary, in a file where every other byte is a
// candidate: the occurrence is rewritten wherever it starts, and nothing else changes.
TEST_F(LauncherTest, RewritesOccurrencesAcrossBlockBoundaries) {
  const struct {
    std::string name, agent;
    Rewrites found;
  } kForms[] = {
      {"WSOCK32", "KLVNT32", {1, 0}},
      {"Ws2_32", "Kl2_32", {0, 1}},
      {Wide("wsock32"), Wide("klvnt32"), {1, 0}},
      {Wide("WS2_32"), Wide("KL2_32"), {0, 1}},
  };
  for (const auto& form : kForms) {
    for (size_t at = 512 - form.name.size(); at <= 520; ++at) {
      SCOPED_TRACE(form.agent + " at " + std::to_string(at));
      std::string original(1100, 'w');
      original.replace(at, form.name.size(), form.name);
      std::string expected = original;
      expected.replace(at, form.agent.size(), form.agent);
      EXPECT_EQ(Launder(original, form.found), expected);
    }
  }
}

// The copy says which names it found; when none, the monitor asks before it launches.
TEST_F(LauncherTest, CopyThatFoundNoNameWarns) {
  using config::launcher::UntracedWarning;
  EXPECT_EQ(Launder("MZ kernel32.dll WSOCKET32 WS2_3", {0, 0}), "MZ kernel32.dll WSOCKET32 WS2_3");
  const std::optional<std::string> warning = UntracedWarning("C:\\a\\calc.exe", {0, 0});
  ASSERT_TRUE(warning.has_value());
  EXPECT_EQ(*warning,
            "C:\\a\\calc.exe does not load WSOCK32.DLL or WS2_32.DLL by name, so its Winsock calls "
            "cannot be traced.");
  EXPECT_EQ(config::launcher::LaunchAnyway(*warning).text, *warning + " Launch it anyway?");

  EXPECT_EQ(Launder("wsock32.dll " + Wide("WS2_32.dll"), {1, 1}),
            "klvnt32.dll " + Wide("KL2_32.dll"));
  EXPECT_EQ(UntracedWarning("x.exe", {1, 1}), std::nullopt);
  EXPECT_EQ(UntracedWarning("x.exe", {0, 2}), std::nullopt);
}

TEST_F(LauncherTest, FileEndsDecideMatches) {
  // Exactly one block, the occurrence ending on its last byte: one full read, one empty read.
  std::string exact(512, '.');
  exact.replace(505, 7, "wsock32");
  std::string expected = exact;
  expected.replace(505, 7, "klvnt32");
  EXPECT_EQ(Launder(exact, {1, 0}), expected);

  // An occurrence cut off by the end of the file stays as it is.
  const std::string cut = std::string(1030, 'x') + "WSOCK3";
  EXPECT_EQ(Launder(cut, {0, 0}), cut);
  const std::string wideCut = std::string(1030, 'x') + Wide("WS2_32").substr(0, 11);
  EXPECT_EQ(Launder(wideCut, {0, 0}), wideCut);
  EXPECT_EQ(Launder("", {0, 0}), "");
}

TEST_F(LauncherTest, CopyPathCutsAtLastDotOfWholePath) {
  EXPECT_EQ(config::launcher::CopyPath("C:\\apps\\FTP.EXE"), "C:\\apps\\FTP.tmp");
  EXPECT_EQ(config::launcher::CopyPath("C:\\my.apps\\ftp"), "C:\\my.tmp");
  EXPECT_EQ(config::launcher::CopyPath("C:\\apps\\ftp"), std::nullopt);

  const config::launcher::LaunchPlan none = config::launcher::PlanLaunch("C:\\apps\\ftp");
  EXPECT_EQ(none.step, config::launcher::LaunchPlan::Step::kRefuse);
  EXPECT_EQ(none.message.text, "Execution Error");
  EXPECT_EQ(none.message.caption, "Don't know how to launch C:\\apps\\ftp");

  // The copy's start: WinExec's result above 31 is a started program, anything else says why.
  EXPECT_EQ(config::launcher::StartFailure("C:\\a\\ftp.exe", 32), std::nullopt);
  const auto notProgram = config::launcher::StartFailure("C:\\a\\ftp.exe", 11);
  ASSERT_TRUE(notProgram.has_value());
  EXPECT_EQ(notProgram->text, "Execution Error");
  EXPECT_EQ(notProgram->caption,
            "Could not launch C:\\a\\ftp.exe: the file is not a valid Windows program");
  EXPECT_EQ(config::launcher::StartFailure("x.exe", 31)->caption,
            "Could not launch x.exe: error 31");

  // On disk: a dotted directory with a dotless program makes its copy beside the directory.
  fs::create_directories(m_dir / "tools.d");
  Write(Path("tools.d/ftp"), Image(kI386, kPe32) + "wsock32");
  const config::launcher::LaunchPlan plan = config::launcher::PlanLaunch(Path("tools.d/ftp"));
  ASSERT_EQ(plan.step, config::launcher::LaunchPlan::Step::kCopy);
  EXPECT_EQ(plan.copyPath, Path("tools.tmp"));
  EXPECT_TRUE(
      config::launcher::CopyWithModuleRedirect(Path("tools.d/ftp"), plan.copyPath, plan.width).ok);
  EXPECT_EQ(Read(Path("tools.tmp")), Image(kI386, kPe32) + "klvnt32");
}

TEST_F(LauncherTest, ExistingCopyIsQuestionedAndProgramNeverOverwritten) {
  const std::string program = Image(kAmd64, kPe32Plus);
  Write(Path("FTP.EXE"), program);
  EXPECT_EQ(config::launcher::PlanLaunch(Path("FTP.EXE")).step,
            config::launcher::LaunchPlan::Step::kCopy);
  ASSERT_TRUE(
      config::launcher::CopyWithModuleRedirect(Path("FTP.EXE"), Path("FTP.tmp"), Width::k64).ok);

  const config::launcher::LaunchPlan again = config::launcher::PlanLaunch(Path("FTP.EXE"));
  EXPECT_EQ(again.step, config::launcher::LaunchPlan::Step::kConfirmOverwrite);
  EXPECT_EQ(again.message.text, Path("FTP.tmp") + " already exists");
  EXPECT_EQ(again.message.caption, "Delete File?");

  // Choosing the copy itself (any case of ".tmp") would empty it before it is read.
  Write(Path("old.TMP"), program);
  for (const char* name : {"FTP.tmp", "old.TMP"}) {
    const config::launcher::LaunchPlan self = config::launcher::PlanLaunch(Path(name));
    EXPECT_EQ(self.step, config::launcher::LaunchPlan::Step::kRefuse) << name;
    EXPECT_NE(self.message.text.find(Path(name)), std::string::npos);
    EXPECT_EQ(self.message.caption, "Execution Error");
  }
  EXPECT_EQ(Read(Path("old.TMP")), program);
}

TEST(LauncherHeader, TellsWidthOrWhyNot) {
  using Kind = ProgramHeader::Kind;
  const std::string ne = Image(0, 0, 0, "NE");
  std::string msdos = Image(kI386, kPe32);
  msdos[0x3C] = 0;  // the PE header's position 0: the MS-DOS header itself
  std::string beyond = Image(kI386, kPe32);
  beyond[0x3F] = 0x70;  // past the end of the file
  const struct {
    std::string bytes;
    Kind kind;
    Width width;
  } kCases[] = {
      {Image(kI386, kPe32), Kind::kProgram, Width::k32},
      {Image(kAmd64, kPe32Plus), Kind::kProgram, Width::k64},
      {ne, Kind::k16Bit, Width::k32},
      {msdos, Kind::k16Bit, Width::k32},
      {beyond, Kind::k16Bit, Width::k32},
      {Image(kArm64, kPe32Plus), Kind::kOtherMachine, Width::k32},
      {Image(kI386, kPe32Plus), Kind::kNotProgram, Width::k32},  // magic of the other width
      {Image(kAmd64, kPe32Plus, 0x2022), Kind::kNotProgram, Width::k32},          // a DLL
      {Image(kI386, kPe32, 0), Kind::kNotProgram, Width::k32},                    // not executable
      {Image(kI386, kPe32).substr(0, 0x40 + 25), Kind::kNotProgram, Width::k32},  // cut short
      {"MZ", Kind::kNotProgram, Width::k32},
      {"#!/bin/sh\n" + std::string(80, ' '), Kind::kNotProgram, Width::k32},
  };
  for (size_t i = 0; i < std::size(kCases); ++i) {
    std::istringstream file(kCases[i].bytes);
    const ProgramHeader header = config::launcher::ReadProgramHeader(file);
    EXPECT_EQ(header.kind, kCases[i].kind) << "case " << i;
    EXPECT_EQ(header.width, kCases[i].width) << "case " << i;
  }
}

// A file neither agent can trace is refused before anything is copied, with a message that says
// what it is.
TEST_F(LauncherTest, RefusedHeaderLeavesNoCopy) {
  const struct {
    std::string name, bytes, text;
  } kRefused[] = {
      {"old.exe", Image(0, 0, 0, "NE"),
       " is a 16-bit program. Quarnet traces 32-bit and 64-bit Windows programs for x86 "
       "processors only."},
      {"arm.exe", Image(kArm64, kPe32Plus),
       " is a program for ARM64. Quarnet traces 32-bit and 64-bit Windows programs for x86 "
       "processors only."},
      {"odd.exe", Image(0x1234, kPe32),
       " is a program for the processor 0x1234. Quarnet traces 32-bit and 64-bit Windows "
       "programs for x86 processors only."},
      {"notes.txt", "wsock32", " is not a Windows program."},
  };
  for (const auto& [name, bytes, text] : kRefused) {
    Write(Path(name), bytes);
    const config::launcher::LaunchPlan plan = config::launcher::PlanLaunch(Path(name));
    EXPECT_EQ(plan.step, config::launcher::LaunchPlan::Step::kRefuse);
    EXPECT_EQ(plan.message.text, Path(name) + text);
    EXPECT_EQ(plan.message.caption, "Execution Error");
  }
  EXPECT_EQ(config::launcher::PlanLaunch(Path("absent.exe")).message.text,
            "Cannot open " + Path("absent.exe") + " for reading.");
  for (const auto& entry : fs::directory_iterator(m_dir / "")) {
    EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
  }
}

// A shell that answers as told and writes down what it was asked, in order.
class ScriptedShell : public config::launcher::LaunchShell {
 public:
  bool contact = true, replace = true, untraced = true;
  std::optional<config::launcher::Message> startFailure;
  std::vector<std::string> steps;

  bool Contact() override { return Step("contact", contact); }
  void Refuse(const config::launcher::Message& message) override {
    steps.push_back("refuse: " + message.text);
  }
  bool ReplaceCopy(const config::launcher::Message&) override { return Step("replace", replace); }
  bool StartUntraced(const std::string&) override { return Step("untraced", untraced); }
  std::optional<config::launcher::Message> Start(const std::string& copyPath) override {
    steps.push_back("start " + fs::path(copyPath).filename().string());
    return startFailure;
  }

 private:
  bool Step(const std::string& name, bool answer) {
    steps.push_back(name);
    return answer;
  }
};

TEST_F(LauncherTest, LaunchAsksInOneOrder) {
  using Steps = std::vector<std::string>;
  const std::string x64 = Image(kAmd64, kPe32Plus) + "ws2_32";
  Write(Path("a.exe"), x64);

  ScriptedShell refused;
  refused.contact = false;
  EXPECT_EQ(config::launcher::Launch(Path("a.exe"), refused), std::nullopt);
  EXPECT_EQ(refused.steps, Steps{"contact"});

  ScriptedShell started;
  EXPECT_EQ(config::launcher::Launch(Path("a.exe"), started), Path("a.tmp"));
  EXPECT_EQ(started.steps, (Steps{"contact", "start a.tmp"}));
  EXPECT_EQ(Read(Path("a.tmp")), Image(kAmd64, kPe32Plus) + "kl2_64");

  // Again: the earlier copy is questioned; the start fails and the copy goes.
  ScriptedShell failed;
  failed.startFailure = config::launcher::Message{"Execution Error", "Could not launch"};
  EXPECT_EQ(config::launcher::Launch(Path("a.exe"), failed), std::nullopt);
  EXPECT_EQ(failed.steps, (Steps{"contact", "replace", "start a.tmp", "refuse: Execution Error"}));
  EXPECT_FALSE(fs::exists(Path("a.tmp")));

  // A program naming neither library: the question; No removes the copy.
  Write(Path("b.exe"), Image(kI386, kPe32));
  ScriptedShell declined;
  declined.untraced = false;
  EXPECT_EQ(config::launcher::Launch(Path("b.exe"), declined), std::nullopt);
  EXPECT_EQ(declined.steps, (Steps{"contact", "untraced"}));
  EXPECT_FALSE(fs::exists(Path("b.tmp")));

  // ARM64: refused after the contact, nothing copied.
  Write(Path("c.exe"), Image(kArm64, kPe32Plus) + "wsock32");
  ScriptedShell arm;
  EXPECT_EQ(config::launcher::Launch(Path("c.exe"), arm), std::nullopt);
  ASSERT_EQ(arm.steps.size(), 2u);
  EXPECT_EQ(arm.steps[1].rfind("refuse: " + Path("c.exe") + " is a program for ARM64.", 0), 0u);
  EXPECT_FALSE(fs::exists(Path("c.tmp")));
}

TEST_F(LauncherTest, UnreadableSourceOrUncreatableCopyStartsNothing) {
  const config::launcher::CopyResult missing =
      config::launcher::CopyWithModuleRedirect(Path("absent.exe"), Path("absent.tmp"), Width::k32);
  EXPECT_FALSE(missing.ok);
  EXPECT_NE(missing.error.text.find(Path("absent.exe")), std::string::npos);
  EXPECT_FALSE(fs::exists(Path("absent.tmp")));

  Write(Path("prog.exe"), "wsock32");
  const config::launcher::CopyResult nowhere = config::launcher::CopyWithModuleRedirect(
      Path("prog.exe"), Path("no/such/dir/prog.tmp"), Width::k32);
  EXPECT_FALSE(nowhere.ok);
  EXPECT_NE(nowhere.error.text.find("no/such/dir/prog.tmp"), std::string::npos);
}

// The names of the modules a PE file imports, read from its import directory.
std::vector<std::string> ImportedModules(std::span<const uint8_t> pe) {
  using protocol::bytes::GetLE16;
  using protocol::bytes::GetLE32;
  std::vector<std::string> names;
  const uint32_t nt = GetLE32(pe, 0x3C);
  if (GetLE32(pe, nt) != 0x4550) return names;  // "PE\0\0"
  const uint16_t sections = GetLE16(pe, nt + 6);
  const uint16_t optionalSize = GetLE16(pe, nt + 20);
  const size_t optional = nt + 24;
  const bool pe32plus = GetLE16(pe, optional) == 0x20B;
  const uint32_t importRva = GetLE32(pe, optional + (pe32plus ? 120 : 104));
  const size_t sectionTable = optional + optionalSize;
  auto fileOffset = [&](uint32_t rva) -> size_t {
    for (uint16_t s = 0; s < sections; ++s) {
      const size_t h = sectionTable + 40u * s;
      const uint32_t va = GetLE32(pe, h + 12), size = GetLE32(pe, h + 16),
                     raw = GetLE32(pe, h + 20);
      if (rva >= va && rva < va + size) return raw + (rva - va);
    }
    return pe.size();
  };
  for (size_t d = fileOffset(importRva); d + 20 <= pe.size(); d += 20) {
    const uint32_t nameRva = GetLE32(pe, d + 12);
    if (nameRva == 0) break;
    std::string name;
    for (size_t at = fileOffset(nameRva); at < pe.size() && pe[at] != 0; ++at) {
      name += static_cast<char>(pe[at]);
    }
    names.push_back(name);
  }
  return names;
}

TEST_F(LauncherTest, RealExecutableImportsAgentInstead) {
  const char* top = std::getenv("QUARNET_SOURCE_DIR");
  int checked = 0;
  for (const auto& [build, width] : {std::pair{"win32", Width::k32}, {"win64", Width::k64}}) {
    const fs::path exe =
        fs::path(top ? top : ".") / "build" / build / "tools/wsimport/win32/wsimport.exe";
    if (!fs::exists(exe)) continue;
    SCOPED_TRACE(exe.string());
    ++checked;
    const std::string original = Read(exe.string());
    fs::copy_file(exe, m_dir / "wsimport.exe", fs::copy_options::overwrite_existing);
    // The header tells the build's width; the copy names that width's agent.
    const config::launcher::LaunchPlan plan = config::launcher::PlanLaunch(Path("wsimport.exe"));
    ASSERT_NE(plan.step, config::launcher::LaunchPlan::Step::kRefuse);  // the other build's copy
    EXPECT_EQ(plan.width, width);
    const config::launcher::CopyResult result =
        config::launcher::CopyWithModuleRedirect(Path("wsimport.exe"), plan.copyPath, plan.width);
    ASSERT_TRUE(result.ok);
    const std::string copy = Read(Path("wsimport.tmp"));
    ASSERT_EQ(copy.size(), original.size());

    auto upper = [](std::string s) {
      for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      return s;
    };
    auto modules = [&](const std::string& file) {
      std::vector<std::string> names =
          ImportedModules({reinterpret_cast<const uint8_t*>(file.data()), file.size()});
      for (std::string& n : names) n = upper(n);
      return names;
    };
    const std::vector<std::string> before = modules(original);
    const std::vector<std::string> after = modules(copy);
    ASSERT_EQ(before.size(), after.size());
    EXPECT_NE(std::find(before.begin(), before.end(), "WSOCK32.DLL"), before.end());
    const std::string agent = upper(protocol::AgentDll(protocol::kWsock32, width));
    EXPECT_NE(std::find(after.begin(), after.end(), agent), after.end());
    EXPECT_EQ(std::find(after.begin(), after.end(), "WSOCK32.DLL"), after.end());

    // Every changed byte lies inside an occurrence of the module name in the original.
    const std::string upperOriginal = upper(original);
    std::vector<bool> inName(original.size(), false);
    int occurrences = 0;
    for (size_t at = upperOriginal.find("WSOCK32"); at != std::string::npos;
         at = upperOriginal.find("WSOCK32", at + 1)) {
      ++occurrences;
      for (size_t i = 0; i < 7; ++i) inName[at + i] = true;
    }
    EXPECT_EQ(result.rewrites, (Rewrites{occurrences, 0}));
    for (size_t i = 0; i < original.size(); ++i) {
      if (original[i] != copy[i]) {
        ASSERT_TRUE(inName[i]) << "byte " << i;
      }
    }
  }
  if (checked == 0) GTEST_SKIP() << "wsimport.exe is built by the win32/win64 builds";
}

// The agents' folder goes first; an entry naming it already (any case, trailing backslash) and
// empty entries are dropped, the rest keep their order.
TEST(Launcher, PathPutsTheAgentFolderFirstOnce) {
  using config::launcher::PathWithFolderFirst;
  EXPECT_EQ(PathWithFolderFirst("", "C:\\Q"), "C:\\Q");
  EXPECT_EQ(PathWithFolderFirst("C:\\windows;;c:\\q\\;D:\\tools", "C:\\Q"),
            "C:\\Q;C:\\windows;D:\\tools");
  EXPECT_EQ(PathWithFolderFirst("C:\\Quarnet;C:\\Q2", "C:\\Q"), "C:\\Q;C:\\Quarnet;C:\\Q2");
}

}  // namespace
