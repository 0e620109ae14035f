#include "display/TraceView.h"

#include <gtest/gtest.h>

#include <vector>

#include "RecordingCanvas.h"
#include "ViewTestRecords.h"
#include "config/Options.h"
#include "format/TimeStamp.h"

namespace {

using namespace viewrec;

using display::TraceView;
constexpr int32_t kW = RecordingCanvas::kCharWidth;
constexpr int32_t kH = RecordingCanvas::kLineHeight;

// A view over a window of `rows` lines of the recording canvas's font.
struct Fixture : ::testing::Test {
  config::Options options;
  TraceView view{options};
  std::vector<SpyMsgPtr> records;
  RecordingCanvas canvas;

  void SetUp() override {
    options.m_bShowTime = 0;
    view.SetMetrics(canvas.GetCharMetrics());
    view.OnSize(30 * kH);
  }
  void Rows(int32_t rows) { view.OnSize(rows * kH); }
  void Paint(bool tracing = false) {
    canvas.texts.clear();
    view.OnDraw(canvas, records, tracing);
  }
  void Add(SpyMsgPtr record, int32_t count = 1) {
    for (int32_t i = 1; i < count; ++i) records.push_back(record->Clone());
    records.push_back(std::move(record));
  }
};

using TraceViewPaint = Fixture;

TEST_F(TraceViewPaint, NumberComesBeforeTimeAndTriggerReplacesNumber) {
  options.m_bShowTime = 1;
  options.m_crApiCalls = ui::Rgb(1, 2, 3);
  options.m_crReturns = ui::Rgb(200, 0, 0);
  Add(CloseSocket(), 2);
  records[0]->m_time = records[1]->m_time = 1000000000;
  records[1]->m_bTrigger = 1;
  Paint();

  const std::string time = format::FormatTimeStamp(1000000000);
  ASSERT_EQ(canvas.texts.size(), 4u);  // two call lines, two returns texts
  const auto& first = canvas.texts[0];
  EXPECT_TRUE(first.text.starts_with("[1] " + time + "closesocket (")) << first.text;
  EXPECT_EQ(first.x, 0);
  EXPECT_EQ(first.colour, options.m_crApiCalls);
  const auto& returns = canvas.texts[1];
  EXPECT_TRUE(returns.text.starts_with(" returns (")) << returns.text;
  EXPECT_EQ(returns.x, static_cast<int32_t>(first.text.size()) * kW);
  EXPECT_EQ(returns.y, 0);
  EXPECT_EQ(returns.colour, options.m_crReturns);

  const auto& trigger = canvas.texts[2];
  EXPECT_TRUE(trigger.text.starts_with("[TRIGGER] " + time + "closesocket (")) << trigger.text;
  EXPECT_EQ(trigger.y, 2 * kH);  // after the separator line of Vert Space
  EXPECT_EQ(trigger.colour, options.m_crApiCalls);
}

TEST_F(TraceViewPaint, DumpRowsInSendOrRecvColourAtTheLaidOutColumn) {
  options.m_bVerbose = 1;
  options.m_crSend = ui::Rgb(0, 0, 9);
  options.m_crRecv = ui::Rgb(0, 9, 0);
  Add(Transfer(18, 40));
  Add(Transfer(15, 3));
  Paint();

  // send: call line + returns, three rows of two strings; then recv likewise with one row.
  ASSERT_EQ(canvas.texts.size(), 2u + 6u + 2u + 2u);
  const int32_t column = static_cast<int32_t>(canvas.texts[2].text.size()) * kW + 6 * kW;
  for (size_t i = 2; i < 8; ++i) {
    EXPECT_EQ(canvas.texts[i].colour, options.m_crSend);
    EXPECT_EQ(canvas.texts[i].x, i % 2 ? column : 0);
    EXPECT_EQ(canvas.texts[i].y, static_cast<int32_t>(i / 2) * kH);
  }
  EXPECT_EQ(canvas.texts[8].y, 5 * kH);  // recv after the separator line
  EXPECT_EQ(canvas.texts[10].colour, options.m_crRecv);
  EXPECT_EQ(canvas.texts[11].text, "ABC");
}

TEST_F(TraceViewPaint, HorizontalShiftAndStopAfterTheRecordCrossingTheBottom) {
  Add(CloseSocket(), 10);
  Rows(3);
  view.OnHScroll(display::kPageDown, 0);
  Paint();
  // Rows of 2 lines: records at y 0, 32 and 64 (crosses the bottom at 48 and ends the paint).
  ASSERT_EQ(canvas.texts.size(), 2u * 2u);
  EXPECT_EQ(canvas.texts[0].x, -10 * kW);
  EXPECT_EQ(canvas.texts[2].y, 2 * kH);
}

TEST_F(TraceViewPaint, EraseFillsClipBoxWithBackground) {
  options.m_crBackground = ui::Rgb(7, 7, 7);
  view.OnEraseBackground(canvas, {1, 2, 3, 4});
  ASSERT_EQ(canvas.fills.size(), 1u);
  EXPECT_EQ(canvas.fills[0].rect, (ui::Rect{1, 2, 3, 4}));
  EXPECT_EQ(canvas.fills[0].colour, ui::Rgb(7, 7, 7));
  EXPECT_FALSE(canvas.fills[0].bordered);
}

TEST_F(TraceViewPaint, EmptyBufferOrPositionBeyondItDrawsNothing) {
  Paint();
  EXPECT_TRUE(canvas.texts.empty());
  Add(CloseSocket());
  view.m_nTopRecord = 5;
  Paint();
  EXPECT_TRUE(canvas.texts.empty());
}

using TraceViewFollow = Fixture;

TEST_F(TraceViewFollow, NewestRecordEndsOnTheLastWholeLine) {
  Add(CloseSocket(), 10);  // two rows each with the separator
  Rows(12);
  Paint(true);
  EXPECT_EQ(view.m_nTopRecord, 4);
  EXPECT_EQ(view.m_nTopLine, 0);
  EXPECT_TRUE(canvas.texts[0].text.starts_with("[5] "));
  EXPECT_EQ(canvas.texts[0].y, 0);

  Rows(11);
  Paint(true);
  EXPECT_EQ(view.m_nTopRecord, 4);
  EXPECT_EQ(view.m_nTopLine, 1);
  EXPECT_EQ(canvas.texts[0].y, -kH);  // its call line above the edge
  EXPECT_EQ(canvas.texts.back().y, 9 * kH);

  Rows(30);  // everything fits: drawn from the first line
  view.m_nTopRecord = 3;
  Paint(true);
  EXPECT_EQ(view.m_nTopRecord, 0);
  EXPECT_EQ(view.m_nTopLine, 0);
}

TEST_F(TraceViewFollow, LastVisibleCountsRowsFromTheTopRecord) {
  Add(CloseSocket(), 10);
  Rows(12);
  EXPECT_EQ(view.GetLastVisible(records), 7);
  Rows(11);
  EXPECT_EQ(view.GetLastVisible(records), 6);
  view.m_nTopRecord = 7;
  EXPECT_EQ(view.GetLastVisible(records), 10);  // the end is reached
  EXPECT_EQ(view.GetFirstVisible(), 8);
  EXPECT_EQ(TraceView::GetDisplayCount(records), 10);
}

using TraceViewScroll = Fixture;

TEST_F(TraceViewScroll, ThumbMapsToRecordsAndBack) {
  Add(CloseSocket(), 101);
  auto outcome = view.OnVScroll(records, display::kThumbPosition, 100);
  EXPECT_EQ(view.m_nTopRecord, 100);
  EXPECT_TRUE(outcome.invalidate);
  EXPECT_EQ(outcome.vThumb, 100);
  outcome = view.OnVScroll(records, display::kThumbPosition, 50);
  EXPECT_EQ(view.m_nTopRecord, 50);
  EXPECT_EQ(outcome.vThumb, 50);

  EXPECT_EQ(display::VScrollThumb(records, 29), 29);
  EXPECT_EQ(display::VScrollThumb(std::span(records).first(1), 0), 0);
  std::vector<SpyMsgPtr> three;
  for (int i = 0; i < 3; ++i) three.push_back(CloseSocket());
  EXPECT_EQ(display::VScrollThumb(three, 1), 50);

  // Thumb tracking moves nothing; only the release does.
  outcome = view.OnVScroll(records, display::kThumbTrack, 10);
  EXPECT_FALSE(outcome.invalidate);
  EXPECT_EQ(view.m_nTopRecord, 50);
}

TEST_F(TraceViewScroll, HorizontalPositionClamps) {
  EXPECT_EQ(view.OnHScroll(display::kLineUp, 0), 0);
  EXPECT_EQ(view.OnHScroll(display::kThumbPosition, 95), 95);
  EXPECT_EQ(view.OnHScroll(display::kPageDown, 0), 100);
  EXPECT_EQ(view.OnHScroll(display::kLineDown, 0), 100);
  EXPECT_EQ(view.OnHScroll(display::kThumbTrack, 3), 100);
  EXPECT_EQ(view.OnHScroll(display::kPageUp, 0), 90);
  EXPECT_EQ(view.OnHScroll(display::kThumbPosition, -7), 0);
}

TEST_F(TraceViewScroll, LineUpAndDownWalkLinesAndSkipEmptyRecords) {
  options.m_bVerbose = 1;
  Add(Connect());         // 4 lines
  Add(CloseSocket());     // 1 line
  Add(Transfer(18, 20));  // 1 + 2 lines
  view.m_nTopLine = 2;

  auto outcome = view.OnVScroll(records, display::kLineDown, 0);
  EXPECT_EQ(view.m_nTopLine, 3);
  EXPECT_TRUE(outcome.invalidate);
  EXPECT_FALSE(outcome.vThumb);  // the thumb follows records only
  outcome = view.OnVScroll(records, display::kLineDown, 0);
  EXPECT_EQ(view.m_nTopRecord, 1);
  EXPECT_EQ(view.m_nTopLine, 0);
  EXPECT_EQ(outcome.vThumb, 50);

  view.OnVScroll(records, display::kLineUp, 0);
  EXPECT_EQ(view.m_nTopRecord, 0);
  EXPECT_EQ(view.m_nTopLine, 3);  // the last line of the record above

  // Page Down is Line Down P times and stops on the last line of the last record.
  Rows(20);
  view.OnVScroll(records, display::kPageDown, 0);
  EXPECT_EQ(view.m_nTopRecord, 2);
  EXPECT_EQ(view.m_nTopLine, 2);
  outcome = view.OnVScroll(records, display::kLineDown, 0);
  EXPECT_FALSE(outcome.invalidate);
  EXPECT_FALSE(outcome.vThumb);
  EXPECT_EQ(view.m_nTopLine, 2);

  // In Data Only mode the record without lines is stepped over both ways.
  options.m_bDataOnly = 1;
  view.m_nTopLine = 0;
  view.OnVScroll(records, display::kLineUp, 0);
  EXPECT_EQ(view.m_nTopRecord, 0);  // connect has no lines either: ends at record 0
  view.OnVScroll(records, display::kLineDown, 0);
  EXPECT_EQ(view.m_nTopRecord, 2);
}

TEST_F(TraceViewScroll, EmptyBufferAndShrunkBufferAreSafe) {
  EXPECT_FALSE(view.OnVScroll(records, display::kLineDown, 0).invalidate);
  Add(CloseSocket(), 3);
  view.m_nTopRecord = 9;  // left behind by a smaller Trace Buffer
  view.OnVScroll(records, display::kLineDown, 0);
  EXPECT_EQ(view.m_nTopRecord, 2);
  view.OnVScroll(records, display::kThumbPosition, 500);
  EXPECT_EQ(view.m_nTopRecord, 2);
}

// 2,000 records scrolled to the end, then the Trace Buffer lowered to 50: the last page shows.
TEST_F(TraceViewScroll, PositionBeyondATrimmedBufferComesBackToItsLastPage) {
  Add(CloseSocket(), 2000);  // two rows each with the separator; 15 records on a page
  view.OnVScroll(records, display::kThumbPosition, 100);
  ASSERT_EQ(view.GetFirstVisible(), 2000);
  EXPECT_FALSE(view.KeepInside(records).invalidate);
  records.erase(records.begin(), records.end() - 50);

  const display::ScrollOutcome outcome = view.KeepInside(records);
  EXPECT_TRUE(outcome.invalidate);
  EXPECT_EQ(view.GetFirstVisible(), 36);
  EXPECT_EQ(view.m_nTopLine, 0);
  EXPECT_EQ(view.GetLastVisible(records), 50);
  EXPECT_EQ(outcome.vThumb, display::VScrollThumb(records, 35));
  Paint();
  EXPECT_EQ(canvas.texts.size(), 2u * 15u);

  records.clear();  // Clear Buffer
  view.KeepInside(records);
  EXPECT_EQ(view.GetFirstVisible(), 1);
}

TEST_F(TraceViewScroll, FontWithoutHeightDividesByOne) {
  Add(CloseSocket(), 3);
  view.SetMetrics({kW, 0});
  view.OnSize(100);
  EXPECT_EQ(view.PageSize(), 100);
  EXPECT_EQ(view.OnDoubleClick(records, 3, false).helpContext, 177u);  // line 3 of 6
  view.OnVScroll(records, display::kPageDown, 0);
  EXPECT_EQ(view.m_nTopRecord, 2);
}

TEST_F(TraceViewScroll, ScrollBarStates) {
  EXPECT_EQ(TraceView::InitialHScrollBar(), (display::ScrollBarState{true, 0, 100, 0, true}));
  EXPECT_EQ(TraceView::DisabledVScrollBar(), (display::ScrollBarState{false, 0, 0, 0, true}));
  Add(CloseSocket());
  EXPECT_FALSE(view.TraceShownVScrollBar(records));  // stays disabled
  Add(CloseSocket(), 2);
  view.m_nTopRecord = 1;
  EXPECT_EQ(view.TraceShownVScrollBar(records), (display::ScrollBarState{true, 0, 100, 50, false}));
}

using TraceViewCommands = Fixture;

TEST_F(TraceViewCommands, DoubleClickFindsTheRecordUnderTheCursor) {
  Add(Connect());
  Add(CloseSocket());
  Add(testrec::WithoutPayload(24));
  // Rows: connect 0-1, closesocket 2-3, gethostbyname 4-5.
  EXPECT_EQ(view.OnDoubleClick(records, kH + 3, false).helpContext, 178u);  // separator line
  EXPECT_EQ(view.OnDoubleClick(records, 2 * kH, false).helpContext, 177u);
  const auto generic = view.OnDoubleClick(records, 5 * kH, false);
  EXPECT_EQ(generic.action, display::DoubleClick::kHelp);
  EXPECT_EQ(generic.helpContext, 1u);
  EXPECT_EQ(view.OnDoubleClick(records, 6 * kH, false).action, display::DoubleClick::kDefault);
  EXPECT_EQ(view.OnDoubleClick(records, kH, true).action, display::DoubleClick::kIgnore);
  EXPECT_EQ(view.OnDoubleClick(records, -1, false).action, display::DoubleClick::kIgnore);

  // The lines above the window count from the top record.
  view.m_nTopRecord = 1;
  view.m_nTopLine = 1;
  EXPECT_EQ(view.OnDoubleClick(records, 0, false).helpContext, 177u);
  EXPECT_EQ(view.OnDoubleClick(records, kH, false).helpContext, 1u);
}

TEST_F(TraceViewCommands, SwitchingBuffersResetsThePositionAndNamesTheBuffer) {
  view.m_nTopRecord = 5;
  view.m_nTopLine = 2;
  auto change = view.SwitchBuffer();
  EXPECT_EQ(options.m_bViewTrap, 1);
  EXPECT_EQ(change.title, "Quarnet/32...Trap Buffer Display");
  EXPECT_EQ(change.vThumb, 0);
  EXPECT_EQ(view.m_nTopRecord, 0);
  EXPECT_EQ(view.m_nTopLine, 0);

  view.m_nTopRecord = 3;
  change = view.SwitchBuffer();
  EXPECT_EQ(options.m_bViewTrap, 0);
  EXPECT_EQ(change.title, "Quarnet/32...from Kelvane Software");
  EXPECT_EQ(view.m_nTopRecord, 0);
}

TEST_F(TraceViewCommands, ModeTogglesStoreZeroOrOne) {
  options.m_bVerbose = 7;  // as a settings file may leave it
  display::InvertFlag(options.m_bVerbose);
  EXPECT_EQ(options.m_bVerbose, 0);
  display::InvertFlag(options.m_bVerbose);
  EXPECT_EQ(options.m_bVerbose, 1);
}

}  // namespace
