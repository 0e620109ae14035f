#include "display/ClipboardText.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "FormatTestRecords.h"
#include "capture/CaptureOptions.h"

namespace {

using namespace agent::payload;
using testrec::Make;

class ClipboardText : public ::testing::Test {
 protected:
  void SetUp() override { setenv("TZ", "UTC0", 1); }
  void TearDown() override { unsetenv("TZ"); }

  SpyMsgPtr& Add(SpyMsgPtr record, uint32_t time = 0) {
    record->m_time = time;
    records.push_back(std::move(record));
    return records.back();
  }
  std::string Text(const format::DisplayModes& modes, int32_t from = 1, int32_t to = 1000) {
    return display::MakeClipboardText(records, from, to, modes);
  }

  std::vector<SpyMsgPtr> records;
};

SpyMsgPtr Listen() {
  return Make(12, [](auto out) { return BuildListenShutdown(out, {.s = 4, .value = 5}); });
}

SpyMsgPtr Connect() {
  return Make(3, [](auto out) {
    return BuildBindConnect(
        out, {.s = 3, .addrLen = 16, .addr = MakeSockAddr(2, 80, {192, 168, 1, 10})});
  });
}

SpyMsgPtr Send(std::string_view data) {
  return Make(18, [&](auto out) {
    return BuildRecvSend(out, {.s = 4, .result = static_cast<int32_t>(data.size())},
                         testrec::Bytes(data));
  });
}

TEST_F(ClipboardText, DefaultModesNumberTimeCallReturnsAndEmptyLine) {
  Add(Listen(), 3600 + 2);
  Add(Make(24, [](auto out) { return BuildGeneric(out, 0); }), 7200);
  records[1]->m_bTrigger = 1;  // the copy always writes the number
  EXPECT_EQ(Text({}),
            "[1] 01:00:02  listen (SOCKET=4, backlog=5) returns (NO ERROR)\r\n"
            "\r\n"
            "[2] 02:00:00  gethostbyname(... )\r\n"
            "\r\n");
  EXPECT_EQ(Text({}, 2, 2), "[2] 02:00:00  gethostbyname(... )\r\n\r\n");
  EXPECT_EQ(
      display::MakeClipboardText(records, 1, 1, {.showTime = false, .vertSpace = false}, "\n"),
      "[1] listen (SOCKET=4, backlog=5) returns (NO ERROR)\n");
}

TEST_F(ClipboardText, VerboseAddressLinesIndentUnderTheDot) {
  for (int i = 0; i < 9; ++i) Add(Listen());
  Add(Connect(), 0);
  EXPECT_EQ(
      Text({.verbose = true}, 10, 10),
      "[10] 00:00:00  connect (SOCKET=3, SOCKADDR.length=16,\r\n"
      "                                          .family=AF_INET\r\n"
      "                                          .port=80\r\n"
      "                                          .address=192.168.1.10) returns (NO ERROR)\r\n"
      "\r\n");
}

TEST_F(ClipboardText, VerboseDumpsPadTheHexPartToColumnSixty) {
  Add(Send("ABC DEF GHI JKLM\r\n\r\n"));
  EXPECT_EQ(Text({.showTime = false, .verbose = true, .vertSpace = false}),
            "[1] send (SOCKET=4, flags=0x0000) returns (20 bytes)\r\n"
            "0000:   41 42 43 20 44 45 46 20   47 48 49 20 4A 4B 4C 4D   ABC.DEF.GHI.JKLM\r\n"
            "0010:   0D 0A 0D 0A                                         ....\r\n");
  EXPECT_EQ(Text({.showTime = false, .verbose = true, .vertSpace = false, .byteLimit = 3}),
            "[1] send (SOCKET=4, flags=0x0000) returns (20 bytes)\r\n"
            "0000:   41 42 43                                            ABC\r\n");
  // Brief mode shows no data.
  EXPECT_EQ(Text({.showTime = false}),
            "[1] send (SOCKET=4, flags=0x0000) returns (20 bytes)\r\n\r\n");
}

TEST_F(ClipboardText, CutMessageEndsItsDumpWithTheCapturedCount) {
  const std::string data(capture::kUpToBytesMax + 1, 'A');
  Add(Make(15, [&](auto out) {
    return BuildRecvSend(out, {.s = 4, .result = 65536}, testrec::Bytes(data));
  }));
  EXPECT_EQ(Text({.showTime = false, .dataOnly = true, .byteLimit = 16}),
            "0000:   41 41 41 41 41 41 41 41   41 41 41 41 41 41 41 41   AAAAAAAAAAAAAAAA\r\n"
            "(" +
                std::to_string(data.size()) +
                " of 65536 bytes captured)\r\n"
                "\r\n");
}

TEST_F(ClipboardText, RangeIsClippedToTheRecords) {
  Add(Listen());
  EXPECT_EQ(Text({.showTime = false}, -5, 99), Text({.showTime = false}, 1, 1));
  EXPECT_EQ(Text({}, 2, 1), "");
  EXPECT_EQ(Text({.dataOnly = true}), "");  // a range without data
  records.clear();
  EXPECT_EQ(Text({}), "");
}

}  // namespace
