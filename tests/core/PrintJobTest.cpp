#include "display/PrintJob.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <vector>

#include "RecordingCanvas.h"
#include "ViewTestRecords.h"
#include "capture/CaptureOptions.h"
#include "config/Options.h"
#include "format/TimeStamp.h"

namespace {

using namespace viewrec;

using display::PrintJob;
constexpr int32_t kW = RecordingCanvas::kCharWidth;

// Prints every page of a job, each on its own canvas; gives up after `maxPages`.
std::vector<RecordingCanvas> PrintAll(PrintJob& job, const config::Options& options,
                                      int maxPages = 200) {
  std::vector<RecordingCanvas> pages(1);
  while (job.PrintPage(pages.back(), options)) {
    if (static_cast<int>(pages.size()) == maxPages) break;
    pages.emplace_back();
  }
  return pages;
}

struct PrintJobFixture : ::testing::Test {
  config::Options options;
  std::vector<SpyMsgPtr> records;
  PrintJob job;

  void SetUp() override {
    options.m_bShowTime = 0;
    options.m_bVertSpace = 0;
    options.m_bVerbose = 1;
  }
  // A printer page of `rows` text rows with lines `h` high.
  void Start(int32_t h, int32_t pageHeight) {
    ASSERT_TRUE(job.Prepare(records, 1, static_cast<int32_t>(records.size())));
    job.Begin({kW, h}, 2400, pageHeight);
  }
};

TEST_F(PrintJobFixture, PageGeometryAndNumbering) {
  options.m_bShowTime = 1;
  options.m_bVertSpace = 1;
  for (int i = 0; i < 40; ++i) records.push_back(CloseSocket());
  records[0]->m_bTrigger = 1;
  records[0]->m_time = 1000000000;
  Start(50, 3300);
  EXPECT_EQ(job.Rows(), 62);

  const auto pages = PrintAll(job, options);
  ASSERT_EQ(pages.size(), 2u);  // 31 records of two rows on a page
  const auto& number = pages[0].texts[0];
  EXPECT_EQ(number.text, "- 1 -");
  EXPECT_EQ(number.x, 1200 - 5 * kW / 2);
  EXPECT_EQ(number.y, 100);
  EXPECT_EQ(number.colour, ui::Rgb(0, 0, 0));
  // No record number, no trigger mark; the time and the returns text on the same line.
  const auto& first = pages[0].texts[1];
  EXPECT_TRUE(first.text.starts_with(format::FormatTimeStamp(1000000000) + "closesocket ("))
      << first.text;
  EXPECT_NE(first.text.find(" returns ("), std::string::npos);
  EXPECT_EQ(first.x, 0);
  EXPECT_EQ(first.y, 150);
  EXPECT_EQ(pages[0].texts[2].y, 250);  // after the separator row
  EXPECT_EQ(pages[0].texts.size(), 1u + 31u);
  EXPECT_EQ(pages[0].texts.back().y, (60 + 3) * 50);
  EXPECT_EQ(pages[1].texts[0].text, "- 2 -");
  EXPECT_EQ(pages[1].texts.size(), 1u + 9u);
  EXPECT_EQ(job.RecordsLeft(), 0u);
}

TEST_F(PrintJobFixture, VerboseCallThatDoesNotFitMovesWholeToTheNextPage) {
  for (int i = 0; i < 3; ++i) records.push_back(CloseSocket());
  records.push_back(Connect());
  Start(10, 100);  // 6 rows
  ASSERT_EQ(job.Rows(), 6);

  const auto pages = PrintAll(job, options);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[0].texts.size(), 1u + 3u);
  ASSERT_EQ(pages[1].texts.size(), 1u + 4u);
  const auto& line1 = pages[1].texts[1];
  EXPECT_TRUE(line1.text.starts_with("connect (")) << line1.text;
  EXPECT_EQ(line1.y, 30);
  const int32_t indent = static_cast<int32_t>(line1.text.find('.')) * kW;
  for (size_t i = 2; i <= 4; ++i) {
    EXPECT_EQ(pages[1].texts[i].text[0], '.');
    EXPECT_EQ(pages[1].texts[i].x, indent);
  }
  // The returns text is part of the last line.
  EXPECT_NE(pages[1].texts[4].text.find(" returns ("), std::string::npos);
}

TEST_F(PrintJobFixture, LongSendContinuesOnFollowingPagesWithoutItsCallLine) {
  records.push_back(Transfer(18, 1600));  // 100 rows
  records.push_back(CloseSocket());
  Start(10, 500);  // 46 rows
  const auto pages = PrintAll(job, options);
  ASSERT_EQ(pages.size(), 3u);

  int callLines = 0;
  std::vector<std::string> offsets;
  for (const auto& page : pages) {
    for (const auto& text : page.texts) {
      if (text.text.starts_with("send (")) ++callLines;
      if (text.text.size() > 5 && text.text[4] == ':') offsets.push_back(text.text.substr(0, 4));
    }
  }
  EXPECT_EQ(callLines, 1);
  ASSERT_EQ(offsets.size(), 100u);
  EXPECT_EQ(offsets[44], "02C0");
  EXPECT_EQ(offsets[99], "0630");

  // Page 1: call line and 45 rows; page 2 starts with the 46th row at the top.
  EXPECT_EQ(pages[0].texts.size(), 1u + 1u + 2u * 45u);
  const auto& resumed = pages[1].texts[1];
  EXPECT_TRUE(resumed.text.starts_with("02D0:")) << resumed.text;
  EXPECT_EQ(resumed.x, 0);
  EXPECT_EQ(resumed.y, 30);
  const auto& chars = pages[1].texts[2];
  std::string row45;
  for (size_t i = 45 * 16; i < 46 * 16; ++i) row45 += DataChar(i);
  EXPECT_EQ(chars.text, row45);
  EXPECT_EQ(chars.x, static_cast<int32_t>(resumed.text.size()) * kW + 6 * kW);
  EXPECT_TRUE(pages[2].texts[1].text.starts_with("05B0:"));
  EXPECT_TRUE(pages[2].texts.back().text.starts_with("closesocket ("));
}

TEST_F(PrintJobFixture, DataOnlyPrintsOnlyDumpsAndNoSeparatorForEmptyRecords) {
  options.m_bDataOnly = 1;
  options.m_bVertSpace = 1;
  records.push_back(Transfer(18, 16));
  records.push_back(CloseSocket());
  records.push_back(Transfer(18, 16));
  Start(10, 200);
  const auto pages = PrintAll(job, options);
  ASSERT_EQ(pages.size(), 1u);
  ASSERT_EQ(pages[0].texts.size(), 1u + 4u);
  EXPECT_EQ(pages[0].texts[1].y, 30);
  EXPECT_EQ(pages[0].texts[3].y, 50);  // one separator row, none for closesocket
}

// A font whose characters are as many pixels wide as its size in points (divided by `scale`).
std::function<int32_t(int32_t)> CharWidth(int32_t scale) {
  return [scale](int32_t points) { return points / scale; };
}

TEST_F(PrintJobFixture, FontIsTheLargestFixedPitchSizeThatHoldsTheWidestLine) {
  records.push_back(CloseSocket());
  records.push_back(Transfer(18, 16));  // 48 characters; its dump row reaches 58 + 6 + 16 = 80
  ASSERT_TRUE(job.Prepare(records, 1, 2));
  RecordingCanvas printerDefault;
  EXPECT_EQ(job.FitFont(printerDefault, options, 80 * kW, 24, CharWidth(1)), std::nullopt);
  EXPECT_EQ(job.FitFont(printerDefault, options, 600, 24, CharWidth(1)), 7);   // 80 * 7 <= 600
  EXPECT_EQ(job.FitFont(printerDefault, options, 600, 24, CharWidth(4)), 24);  // never larger
  EXPECT_EQ(job.FitFont(printerDefault, options, 300, 24, CharWidth(1)), PrintJob::kMinPoints);
  options.m_bVerbose = 0;  // no dump: the send's call line is the widest
  EXPECT_EQ(job.FitFont(printerDefault, options, 48 * kW, 24, CharWidth(1)), std::nullopt);
  EXPECT_EQ(job.FitFont(printerDefault, options, 350, 24, CharWidth(1)), 7);  // 48 * 7 <= 350
}

TEST_F(PrintJobFixture, LinesWiderThanThePageWrapAndCallLinesStayTogether) {
  options.m_bVerbose = 0;
  for (int i = 0; i < 3; ++i) records.push_back(CloseSocket());
  ASSERT_TRUE(job.Prepare(records, 1, 3));
  job.Begin({kW, 10}, 30 * kW, 90);  // 5 rows of 30 characters
  const std::string line = "closesocket (SOCKET=1) returns (NO ERROR)";
  auto pages = PrintAll(job, options);
  // Two rows a record: the third record's rows would be split, so they go to page 2 together.
  ASSERT_EQ(pages.size(), 2u);
  ASSERT_EQ(pages[0].texts.size(), 1u + 4u);
  EXPECT_EQ(pages[0].texts[1].text, line.substr(0, 30));
  EXPECT_EQ(pages[0].texts[2].text, line.substr(30));
  EXPECT_EQ(pages[0].texts[2].x, 0);
  EXPECT_EQ(pages[0].texts[2].y, 40);
  EXPECT_EQ(pages[1].texts.size(), 1u + 2u);

  // A dump row too wide keeps its rows together too, its character part on a row of its own.
  options.m_bVerbose = 1;
  records.clear();
  records.push_back(Transfer(18, 16));
  ASSERT_TRUE(job.Prepare(records, 1, 1));
  job.Begin({kW, 10}, 30 * kW, 1000);
  pages = PrintAll(job, options);
  ASSERT_EQ(pages.size(), 1u);
  ASSERT_EQ(pages[0].texts.size(), 1u + 2u + 3u);
  EXPECT_EQ(pages[0].texts[3].text, "0000:   41 42 43 44 45 46 47 4");
  EXPECT_EQ(pages[0].texts[5].text, "ABCDEFGHIJKLMNOP");
  EXPECT_EQ(pages[0].texts[5].x, 0);
  EXPECT_EQ(pages[0].texts[5].y, 70);
}

// The note of a cut message is a dump row: it may start the next page.
TEST_F(PrintJobFixture, NoteOfACutMessageIsPrintedAfterItsDump) {
  options.m_bDisplayEntire = 0;
  options.m_nDisplayBytes = 32;
  records.push_back(CutTransfer(15, capture::kUpToBytesMax + 1, 200000));
  Start(10, 70);  // 3 rows: the call line and two dump rows
  const auto pages = PrintAll(job, options);
  ASSERT_EQ(pages.size(), 2u);
  ASSERT_EQ(pages[1].texts.size(), 2u);
  EXPECT_EQ(pages[1].texts[1].text,
            "(" + std::to_string(capture::kUpToBytesMax + 1) + " of 200000 bytes captured)");
  EXPECT_EQ(pages[1].texts[1].y, 30);
}

TEST_F(PrintJobFixture, RangeIsCopiedAndEmptyRangeStartsNothing) {
  for (int i = 0; i < 5; ++i) records.push_back(CloseSocket());
  EXPECT_TRUE(job.Prepare(records, 2, 3));
  EXPECT_EQ(job.RecordsLeft(), 2u);
  records.clear();  // the job keeps its own copies
  job.Begin({kW, 10}, 2400, 1000);
  RecordingCanvas page;
  EXPECT_FALSE(job.PrintPage(page, options));
  EXPECT_EQ(page.texts.size(), 3u);
  EXPECT_FALSE(job.Prepare(records, 1, 1));
}

// A page of fewer than four rows could never take a verbose address call, and a page without
// rows not even a data row: each page must still consume something, and the job must end.
struct SmallPage : PrintJobFixture, ::testing::WithParamInterface<int32_t> {};

TEST_P(SmallPage, EveryPageMakesProgress) {
  options.m_bVertSpace = 1;
  records.push_back(Connect());
  records.push_back(Transfer(18, 80));  // 5 rows
  records.push_back(CloseSocket());
  const int32_t h = 10;
  Start(h, (GetParam() + 4) * h);
  const int32_t rows = std::max(GetParam(), 1);
  EXPECT_EQ(job.Rows(), rows);

  const auto pages = PrintAll(job, options);
  EXPECT_EQ(job.RecordsLeft(), 0u);
  for (const auto& page : pages) {
    ASSERT_GE(page.texts.size(), 2u);  // page number and at least one line
    for (const auto& text : page.texts) EXPECT_LT(text.y, (rows + 3) * h);
  }
  if (rows == 3) {
    // The connect call takes the empty first page and loses its last line; the send call and
    // two rows, then three rows; closesocket on the last page.
    ASSERT_EQ(pages.size(), 4u);
    EXPECT_EQ(pages[0].texts.size(), 1u + 3u);
    EXPECT_EQ(pages[1].texts.size(), 1u + 1u + 4u);
    EXPECT_EQ(pages[2].texts.size(), 1u + 6u);
  } else {
    // One row a page: connect's first line, send's call line, five data rows, closesocket.
    EXPECT_EQ(pages.size(), 8u);
  }
}

INSTANTIATE_TEST_SUITE_P(Rows, SmallPage, ::testing::Values(3, 1, 0, -3));

TEST_F(PrintJobFixture, ZeroLineHeightIsGuarded) {
  records.push_back(CloseSocket());
  Start(0, 100);
  EXPECT_EQ(job.LineHeight(), 1);
  EXPECT_EQ(job.Rows(), 96);
  RecordingCanvas page;
  EXPECT_FALSE(job.PrintPage(page, options));
  EXPECT_EQ(page.texts.size(), 2u);
}

}  // namespace
