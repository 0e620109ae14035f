#include "QntcapOptions.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <string_view>

#include "ScratchDir.h"
#include "protocol/Calls.h"

namespace {

using protocol::calls::Id;

qntcap::CommandLine Parse(std::vector<std::string> args) {
  return qntcap::ParseCommandLine(args);
}

TEST(QntcapCommandLine, OptionsStandBeforeTheProgramAndTheRestIsItsOwn) {
  const qntcap::CommandLine line =
      Parse({"-o", "out.spy", "prog.exe", "a b", "--limit", "0", "-o"});
  ASSERT_EQ(line.error, "");
  const qntcap::Arguments& args = line.arguments;
  EXPECT_EQ(args.output, "out.spy");
  EXPECT_EQ(args.program, "prog.exe");
  EXPECT_EQ(args.programArgs, R"( "a b" --limit 0 -o)");
  // The defaults: every record kept up to the file's limit, whole data, the monitor's filters.
  EXPECT_EQ(args.options.m_nTraceSize, 65535);
  EXPECT_EQ(args.options.m_bSaveEntire, 1);
  EXPECT_EQ(args.options.m_apiEnable, capture::CaptureOptions::DefaultApiEnable());
  EXPECT_EQ(args.options.m_bIgnoreWouldBlock, 1);
  EXPECT_EQ(args.print, qntcap::Print::kNone);
  EXPECT_FALSE(args.failOnLoss);
}

TEST(QntcapCommandLine, EachOptionSetsItsValue) {
  const qntcap::CommandLine line =
      Parse({"--errors-only", "--no-ignore-would-block", "--json", "--fail-on-loss", "--socket",
             "7", "--save", "8", "--limit", "1", "-o", "x.spy", "prog.exe"});
  ASSERT_EQ(line.error, "");
  const config::Options& options = line.arguments.options;
  EXPECT_EQ(options.m_bErrorsOnly, 1);
  EXPECT_EQ(options.m_bIgnoreWouldBlock, 0);
  EXPECT_EQ(line.arguments.print, qntcap::Print::kJson);
  EXPECT_TRUE(line.arguments.failOnLoss);
  EXPECT_EQ(options.m_bRestrictSocket, 1);
  EXPECT_EQ(options.m_nSocketId, 7);
  EXPECT_EQ(options.m_bSaveEntire, 0);
  EXPECT_EQ(options.m_nSaveBytes, 8);
  EXPECT_EQ(options.m_nTraceSize, 1);

  EXPECT_EQ(Parse({"--save", "8", "--save", "all", "-o", "x", "p"}).arguments.options.m_bSaveEntire,
            1);
  EXPECT_EQ(Parse({"--limit", "65535", "-o", "x", "p"}).arguments.options.m_nTraceSize, 65535);
  EXPECT_EQ(Parse({"--json", "--text", "-o", "x", "p"}).arguments.print, qntcap::Print::kText);
}

TEST(QntcapCommandLine, CallsListNamesExactlyTheCallsTraced) {
  const config::Options some =
      Parse({"--calls", "htons,connect", "-o", "x", "p"}).arguments.options;
  size_t count = 0;
  for (const int32_t flag : some.m_apiEnable) count += static_cast<size_t>(flag);
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(some.m_apiEnable[static_cast<size_t>(Id::htons)], 1);
  EXPECT_EQ(some.m_apiEnable[static_cast<size_t>(Id::connect)], 1);

  const config::Options all = Parse({"--calls", "all", "-o", "x", "p"}).arguments.options;
  for (const int32_t flag : all.m_apiEnable) EXPECT_EQ(flag, 1);
}

// Every command line qntcap refuses with exit code 64, and what it says about it.
TEST(QntcapCommandLine, RefusalsNameWhatIsWrong) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"--limit", "0", "-o", "x", "p"}, "--limit 0: must be 1 to 65535"},
      {{"--limit", "65536", "-o", "x", "p"}, "--limit 65536: must be 1 to 65535"},
      {{"--limit", "12x", "-o", "x", "p"}, "--limit 12x: must be 1 to 65535"},
      {{"--socket", "-1", "-o", "x", "p"}, "--socket -1: must be 0 to 2147483647"},
      {{"--save", "some", "-o", "x", "p"}, "--save some: must be all or 0 to 2147483647"},
      {{"--calls", "htons,bogus", "-o", "x", "p"}, "--calls htons,bogus: no call named \"bogus\""},
      {{"--calls", "send,,recv", "-o", "x", "p"}, "--calls send,,recv: no call named \"\""},
      {{"--bogus", "-o", "x", "p"}, "--bogus: unknown option"},
      {{"-o", "x", "--text", "--limit"}, "--limit: needs a value"},
      {{"--limit", "5", "p"}, "no trace file: -o FILE.spy"},
      {{"-o", "", "p"}, "no trace file: -o FILE.spy"},
      {{"-o", "x", "--text"}, "no program to trace"},
      {{}, "no trace file: -o FILE.spy"},
  };
  for (const auto& [args, error] : cases) {
    EXPECT_EQ(Parse(args).error, error) << testing::PrintToString(args);
  }
}

// The Microsoft C runtime's reading of the arguments after the program's name, written out
// here: blanks outside quotes end an argument; 2n backslashes before a quote give n and the
// quote opens or closes, 2n+1 give n and a quote; other backslashes stand for themselves.
std::vector<std::string> RuntimeArguments(std::string_view line) {
  std::vector<std::string> args;
  std::optional<std::string> arg;  // the argument being read, once one has begun
  const auto text = [&arg]() -> std::string& { return arg ? *arg : arg.emplace(); };
  bool inQuotes = false;
  size_t backslashes = 0;
  for (const char c : line) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') {
      text().append(backslashes / 2, '\\');
      if (backslashes % 2 == 1) {
        text() += c;
      } else {
        inQuotes = !inQuotes;
      }
    } else {
      if (backslashes > 0) text().append(backslashes, '\\');
      if (!inQuotes && (c == ' ' || c == '\t')) {
        if (arg) args.push_back(*arg);
        arg.reset();
      } else {
        text() += c;
      }
    }
    backslashes = 0;
  }
  if (backslashes > 0) text().append(backslashes, '\\');
  if (arg) args.push_back(*arg);
  return args;
}

TEST(QntcapCommandLine, TheProgramReadsItsArgumentsBackUnchanged) {
  // Quotes, blanks, nothing, backslashes before a quote, a blank or the end, and the plain.
  const std::vector<std::string> args = {
      "c\"d",      "\"", "\"\"", "\\\"",       "a\\\\\"b c", "a b",          " ",
      "tab\there", "\n", "",     "trailing\\", "two\\\\",    "in \\ side\\", "C:\\Program Files\\",
      "plain"};
  std::vector<std::string> line = {"-o", "x.spy", "p.exe"};
  line.insert(line.end(), args.begin(), args.end());
  const qntcap::CommandLine parsed = Parse(line);
  ASSERT_EQ(parsed.error, "");
  EXPECT_EQ(RuntimeArguments(parsed.arguments.programArgs), args);
  // What needs no quotes is passed as it is.
  EXPECT_EQ(qntcap::QuotedArgument(R"(C:\dir\a.txt)"), R"(C:\dir\a.txt)");
  EXPECT_EQ(qntcap::QuotedArgument(R"(c"d)"), R"("c\"d")");
}

TEST(QntcapOutput, TheTraceFileIsCheckedBeforeTheProgramStarts) {
  const ScratchDir dir("qntcap-output");
  EXPECT_EQ(qntcap::OutputProblem(dir / "trace.spy"), "");
  EXPECT_FALSE(std::filesystem::exists(dir / "trace.spy.new"));  // the probe is gone again
  EXPECT_EQ(qntcap::OutputProblem(dir / "missing" / "trace.spy"), "its folder does not exist");
  std::filesystem::create_directory(dir / "folder.spy");
  EXPECT_EQ(qntcap::OutputProblem(dir / "folder.spy"), "is a folder");
  std::ofstream(dir / "kept.spy") << "old";
  std::filesystem::permissions(dir / "kept.spy", std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  EXPECT_EQ(qntcap::OutputProblem(dir / "kept.spy"), "is read-only");
  EXPECT_EQ(qntcap::OutputProblem(dir / (std::string(300, 'n') + ".spy")), "cannot be created");
}

}  // namespace
