// Runs the qntdump program on trace files made by the trace-file writer.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "FormatTestRecords.h"
#include "config/SettingsFile.h"
#include "display/ClipboardText.h"
#include "store/TraceFile.h"

namespace {

namespace fs = std::filesystem;
using namespace agent::payload;

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class QntDump : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("qntdump_test_" + std::to_string(::getpid()) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir);
    records.push_back(
        testrec::Make(12, [](auto out) { return BuildListenShutdown(out, {.s = 4, .value = 5}); }));
    records.back()->m_time = 3600 + 62;
    records.push_back(testrec::Make(16, [](auto out) {
      return BuildRecvFrom(
          out, {.s = 5, .result = 3, .addrLen = 16, .addr = MakeSockAddr(2, 53, {10, 0, 0, 1})},
          testrec::Bytes("abc"));
    }));
    records.back()->m_time = 0x80000000u;
    records.back()->m_bTrigger = 1;
    Write("trace.spy", store::WriteTraceFile(records));
  }
  void TearDown() override { fs::remove_all(dir); }

  fs::path Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::ofstream(dir / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return dir / name;
  }

  Outcome Dump(const std::string& args, const std::string& tz = "UTC0") {
    const std::string command = "cd '" + dir.string() + "' && TZ=" + tz + " '" QNTDUMP_PATH "' " +
                                args + " >out.txt 2>err.txt";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadText(dir / "out.txt"),
            ReadText(dir / "err.txt")};
  }

  fs::path dir;
  std::vector<SpyMsgPtr> records;
};

TEST_F(QntDump, PrintsEveryRecordLikeTheExportWithLineFeeds) {
  const Outcome run = Dump("trace.spy");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out,
            "[1] 01:01:02  listen (SOCKET=4, backlog=5) returns (NO ERROR)\n"
            "\n"
            "[2] 03:14:08  recvfrom (SOCKET=5, flags=0x0000,... ) returns (3 bytes)\n"
            "\n");
  EXPECT_EQ(Dump("trace.spy", "XYZ-2").out.substr(0, 13), "[1] 03:01:02 ");
}

TEST_F(QntDump, ModesBothWaysRangeAndCrlf) {
  const std::string indent(46, ' ');  // under the '.' of "SOCKADDR.length"
  EXPECT_EQ(Dump("--verbose --no-time --no-vert-space --range 2-2 trace.spy").out,
            "[2] recvfrom (SOCKET=5, flags=0x0000, SOCKADDR.length=16,\n" + indent +
                ".family=AF_INET\n" + indent + ".port=53\n" + indent +
                ".address=10.0.0.1) returns (3 bytes)\n"
                "0000:   61 62 63                                            abc\n");
  EXPECT_EQ(Dump("--data-only --limit 2 trace.spy").out,
            "0000:   61 62                                               ab\n\n");
  EXPECT_EQ(Dump("--data-only --no-data-only --brief --time --vert-space --entire trace.spy").out,
            Dump("trace.spy").out);

  const format::DisplayModes modes{.verbose = true};
  EXPECT_EQ(Dump("--crlf --verbose trace.spy").out,
            display::MakeClipboardText(records, 1, 2, modes));
}

TEST_F(QntDump, SettingsFileGivesTheModesAndOptionsWin) {
  config::Options options;
  options.m_bShowTime = 0;
  options.m_bVertSpace = 0;
  options.m_bDataOnly = 1;
  options.m_bDisplayEntire = 0;
  options.m_nDisplayBytes = 1;
  Write("quarnt32.cfg", config::WriteSettings(options));
  EXPECT_EQ(Dump("--settings quarnt32.cfg trace.spy").out,
            "0000:   61 " + std::string(49, ' ') + "a\n");
  EXPECT_EQ(Dump("--no-data-only --settings quarnt32.cfg --entire trace.spy").out,
            "[1] listen (SOCKET=4, backlog=5) returns (NO ERROR)\n"
            "[2] recvfrom (SOCKET=5, flags=0x0000,... ) returns (3 bytes)\n");

  std::vector<uint8_t> foreign = WriteSettings(options);
  foreign[4] = '1';  // version "1.01"
  Write("foreign.cfg", foreign);
  EXPECT_EQ(Dump("--settings foreign.cfg trace.spy").out, Dump("trace.spy").out);
  std::vector<uint8_t> cut = WriteSettings(options);
  cut.resize(100);
  Write("short.cfg", cut);
  EXPECT_EQ(Dump("--settings short.cfg trace.spy").out, Dump("trace.spy").out);

  const Outcome missing = Dump("--settings none.cfg trace.spy");
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, "");
  EXPECT_NE(missing.err.find("none.cfg"), std::string::npos);
}

TEST_F(QntDump, UnreadableForeignAndShortFiles) {
  const Outcome missing = Dump("none.spy");
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, "");
  EXPECT_EQ(missing.err, "qntdump: none.spy: cannot read the file\n");

  Write("foreign.spy", testrec::Bytes("\x0aQNT32 1.01\x00\x00"));
  const Outcome foreign = Dump("foreign.spy");
  EXPECT_EQ(foreign.status, 1);
  EXPECT_EQ(foreign.out, "");
  EXPECT_NE(foreign.err.find("foreign.spy"), std::string::npos);

  std::vector<uint8_t> bytes = store::WriteTraceFile(records);
  bytes.pop_back();
  Write("short.spy", bytes);
  const Outcome cut = Dump("short.spy");
  EXPECT_EQ(cut.status, 2);
  EXPECT_EQ(cut.out, "[1] 01:01:02  listen (SOCKET=4, backlog=5) returns (NO ERROR)\n\n");
  EXPECT_NE(cut.err.find("short.spy"), std::string::npos);
  EXPECT_NE(cut.err.find("1 of 2"), std::string::npos);
}

TEST_F(QntDump, JsonLinesParseAndPacketsReadInTshark) {
  const Outcome json = Dump("--json --range 2-2 trace.spy");
  EXPECT_EQ(json.status, 0);
  Write("json.txt", testrec::Bytes(json.out));
  EXPECT_EQ(std::system(
                ("cd '" + dir.string() +
                 "' && python3 -c 'import json,sys; r=[json.loads(l) for l in open(\"json.txt\")]; "
                 "sys.exit(not (len(r)==1 and r[0][\"number\"]==2 and "
                 "r[0][\"data\"][\"hex\"]==\"616263\"))'")
                    .c_str()),
            0);

  const Outcome pcap = Dump("--pcap out.pcap trace.spy");
  EXPECT_EQ(pcap.status, 0);
  EXPECT_EQ(pcap.out, "");
  if (std::system("command -v tshark >/dev/null") != 0) GTEST_SKIP() << "tshark is not installed";
  EXPECT_EQ(ReadText(dir / "out.pcap").size(), 24u + 16 + 28 + 3);
  EXPECT_EQ(std::system(("cd '" + dir.string() +
                         "' && tshark -r out.pcap -T fields -e udp.srcport -e udp.payload "
                         ">tshark.txt 2>tshark.err")
                            .c_str()),
            0);
  EXPECT_EQ(ReadText(dir / "tshark.txt"), "53\t616263\n");
}

TEST_F(QntDump, BadOptionsGiveUsage) {
  for (const char* args : {"", "--fast trace.spy", "trace.spy other.spy", "--limit -1 trace.spy",
                           "--limit x trace.spy", "--range 1 trace.spy", "--range 0-1 trace.spy",
                           "--range 2-1 trace.spy", "--range 1-3 trace.spy", "trace.spy --limit"}) {
    SCOPED_TRACE(args);
    const Outcome run = Dump(args);
    EXPECT_EQ(run.status, 64);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("usage: qntdump"), std::string::npos);
  }
  const Outcome help = Dump("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.substr(0, 15), "usage: qntdump ");
}

}  // namespace
