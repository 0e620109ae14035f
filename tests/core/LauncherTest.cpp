#include "config/Launcher.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ScratchDir.h"
#include "protocol/Bytes.h"

namespace fs = std::filesystem;

namespace {

using config::launcher::Rewrites;

// `text` in UTF-16LE, as LoadLibraryW's argument lies in a program.
std::string Wide(std::string_view text) {
  std::string wide;
  for (char c : text) wide += {c, '\0'};
  return wide;
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
  std::string Launder(const std::string& content, Rewrites expected) {
    Write(Path("prog.exe"), content);
    const config::launcher::CopyResult result =
        config::launcher::CopyWithModuleRedirect(Path("prog.exe"), Path("prog.tmp"));
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
  Write(Path("tools.d/ftp"), "wsock32");
  const config::launcher::LaunchPlan plan = config::launcher::PlanLaunch(Path("tools.d/ftp"));
  ASSERT_EQ(plan.step, config::launcher::LaunchPlan::Step::kCopy);
  EXPECT_EQ(plan.copyPath, Path("tools.tmp"));
  EXPECT_TRUE(config::launcher::CopyWithModuleRedirect(Path("tools.d/ftp"), plan.copyPath).ok);
  EXPECT_EQ(Read(Path("tools.tmp")), "klvnt32");
}

TEST_F(LauncherTest, ExistingCopyIsQuestionedAndProgramNeverOverwritten) {
  Write(Path("FTP.EXE"), "program");
  EXPECT_EQ(config::launcher::PlanLaunch(Path("FTP.EXE")).step,
            config::launcher::LaunchPlan::Step::kCopy);
  ASSERT_TRUE(config::launcher::CopyWithModuleRedirect(Path("FTP.EXE"), Path("FTP.tmp")).ok);

  const config::launcher::LaunchPlan again = config::launcher::PlanLaunch(Path("FTP.EXE"));
  EXPECT_EQ(again.step, config::launcher::LaunchPlan::Step::kConfirmOverwrite);
  EXPECT_EQ(again.message.text, Path("FTP.tmp") + " already exists");
  EXPECT_EQ(again.message.caption, "Delete File?");

  // Choosing the copy itself (any case of ".tmp") would empty it before it is read.
  Write(Path("old.TMP"), "program");
  for (const char* name : {"FTP.tmp", "old.TMP"}) {
    const config::launcher::LaunchPlan self = config::launcher::PlanLaunch(Path(name));
    EXPECT_EQ(self.step, config::launcher::LaunchPlan::Step::kRefuse) << name;
    EXPECT_NE(self.message.text.find(Path(name)), std::string::npos);
    EXPECT_EQ(self.message.caption, "Execution Error");
  }
  EXPECT_EQ(Read(Path("old.TMP")), "program");
}

TEST_F(LauncherTest, UnreadableSourceOrUncreatableCopyStartsNothing) {
  const config::launcher::CopyResult missing =
      config::launcher::CopyWithModuleRedirect(Path("absent.exe"), Path("absent.tmp"));
  EXPECT_FALSE(missing.ok);
  EXPECT_NE(missing.error.text.find(Path("absent.exe")), std::string::npos);
  EXPECT_FALSE(fs::exists(Path("absent.tmp")));

  Write(Path("prog.exe"), "wsock32");
  const config::launcher::CopyResult nowhere =
      config::launcher::CopyWithModuleRedirect(Path("prog.exe"), Path("no/such/dir/prog.tmp"));
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
  for (const char* build : {"win32", "win64"}) {
    const fs::path exe =
        fs::path(top ? top : ".") / "build" / build / "tools/wsimport/win32/wsimport.exe";
    if (!fs::exists(exe)) continue;
    SCOPED_TRACE(exe.string());
    ++checked;
    const std::string original = Read(exe.string());
    fs::copy_file(exe, m_dir / "wsimport.exe", fs::copy_options::overwrite_existing);
    const config::launcher::CopyResult result =
        config::launcher::CopyWithModuleRedirect(Path("wsimport.exe"), Path("wsimport.tmp"));
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
    EXPECT_NE(std::find(after.begin(), after.end(), "KLVNT32.DLL"), after.end());
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
