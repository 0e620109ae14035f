#include "display/RecordLayout.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "RecordingCanvas.h"
#include "ViewTestRecords.h"
#include "capture/CaptureOptions.h"

namespace {

using namespace viewrec;
using display::LayoutRow;
using display::RecordLayout;
constexpr int32_t kW = RecordingCanvas::kCharWidth;

std::vector<LayoutRow::Kind> Kinds(const std::vector<LayoutRow>& rows) {
  std::vector<LayoutRow::Kind> kinds;
  for (const LayoutRow& row : rows) kinds.push_back(row.kind);
  return kinds;
}

TEST(RecordLayout, ContinuationLinesStandUnderTheDotAndReturnsFollowTheLastLine) {
  const format::DisplayModes modes{.showTime = false, .verbose = true};
  RecordingCanvas canvas;
  RecordLayout pixels(modes, canvas, kW);
  RecordLayout characters(modes);
  const auto connect = Connect();

  for (const int32_t unit : {kW, 1}) {
    auto& layout = unit == kW ? pixels : characters;
    const auto rows = layout.Lay(*connect, "[12] ");
    ASSERT_EQ(Kinds(rows), (std::vector{LayoutRow::kCall, LayoutRow::kCall, LayoutRow::kCall,
                                        LayoutRow::kCall, LayoutRow::kSeparator}));
    EXPECT_TRUE(rows[0].text.starts_with("[12] connect (")) << rows[0].text;
    EXPECT_EQ(rows[0].x, 0);
    const auto dot = static_cast<int32_t>(rows[0].text.find("SOCKADDR.") + 8);
    const char* heads[] = {".family=", ".port=", ".address="};
    for (size_t i = 1; i <= 3; ++i) {
      EXPECT_TRUE(rows[i].text.starts_with(heads[i - 1])) << rows[i].text;
      EXPECT_EQ(rows[i].x, dot * unit);
    }
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(rows[i].second, "");
    EXPECT_TRUE(rows[3].second.starts_with(" returns (")) << rows[3].second;
    EXPECT_EQ(rows[3].secondX, (dot + static_cast<int32_t>(rows[3].text.size())) * unit);
  }
}

TEST(RecordLayout, DumpRowsKeepOneCharacterColumnPerUnit) {
  RecordingCanvas canvas;
  const auto send = Transfer(18, 40);
  const format::DisplayModes verbose{.showTime = false, .verbose = true, .vertSpace = false};

  const auto rows = RecordLayout(verbose, canvas, kW).Lay(*send, "");
  ASSERT_EQ(Kinds(rows),
            (std::vector{LayoutRow::kCall, LayoutRow::kData, LayoutRow::kData, LayoutRow::kData}));
  const char* chars[] = {"ABCDEFGHIJKLMNOP", "QRSTUVWXYZABCDEF", "GHIJKLMN"};
  const auto column = static_cast<int32_t>(rows[1].text.size()) * kW + 6 * kW;
  for (size_t i = 1; i <= 3; ++i) {
    EXPECT_EQ(rows[i].x, 0);
    EXPECT_EQ(rows[i].second, chars[i - 1]);
    EXPECT_EQ(rows[i].secondX, column);  // measured from the first row, also for the short last
  }
  const auto inCharacters = RecordLayout(verbose).Lay(*send, "");
  EXPECT_EQ(inCharacters[1].secondX, 60);
  EXPECT_EQ(inCharacters[3].secondX, 60);

  // Brief mode shows no data; Data Only no call lines, and nothing at all for a call without
  // data, not even the separator.
  EXPECT_EQ(Kinds(RecordLayout({}).Lay(*send, "")),
            (std::vector{LayoutRow::kCall, LayoutRow::kSeparator}));
  RecordLayout dataOnly({.dataOnly = true, .byteLimit = 20});
  EXPECT_EQ(Kinds(dataOnly.Lay(*send, "[1] ")),
            (std::vector{LayoutRow::kData, LayoutRow::kData, LayoutRow::kSeparator}));
  EXPECT_TRUE(dataOnly.Lay(*CloseSocket(), "[2] ").empty());
}

// The note after a dump cut by the size of the message is a row of the record wherever its dump
// is shown, whatever the display's byte limit.
TEST(RecordLayout, NoteOfACutMessageFollowsItsDump) {
  const int32_t captured = capture::kUpToBytesMax + 8;
  const auto recv = CutTransfer(15, static_cast<size_t>(captured), 200000);
  const std::string note = "(" + std::to_string(captured) + " of 200000 bytes captured)";
  RecordLayout dataOnly({.vertSpace = false, .dataOnly = true, .byteLimit = 16});
  const auto rows = dataOnly.Lay(*recv, "");
  ASSERT_EQ(Kinds(rows), (std::vector{LayoutRow::kData, LayoutRow::kNote}));
  EXPECT_EQ(rows[1].text, note);
  EXPECT_EQ(rows[1].x, 0);
  EXPECT_EQ(rows[1].second, "");
  EXPECT_EQ(Kinds(RecordLayout({}).Lay(*recv, "")),
            (std::vector{LayoutRow::kCall, LayoutRow::kSeparator}));
  EXPECT_TRUE(RecordLayout({.dataOnly = true, .byteLimit = 0}).Lay(*recv, "").empty());
}

// Scrolling, hit-testing and paging count rows without formatting; drawing lays them out. The
// two must agree in every mode, or the view scrolls to rows that are not there.
TEST(RecordLayout, RowCountWithoutFormattingMatchesTheRowsLaidOut) {
  std::vector<SpyMsgPtr> records;
  records.push_back(Connect());
  records.push_back(CloseSocket());
  records.push_back(Transfer(18, 40));
  records.push_back(Transfer(15, 0));
  records.push_back(CutTransfer(18, capture::kUpToBytesMax + 1, 70000));
  for (const int32_t id : {3, 18, 24, 0xFFFF}) records.push_back(testrec::WithoutPayload(id));

  for (int bits = 0; bits < 16; ++bits) {
    for (const int32_t limit : {-1, 0, 20}) {
      const format::DisplayModes modes{(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0,
                                       (bits & 8) != 0, limit};
      RecordLayout layout(modes);
      for (const auto& record : records) {
        const auto rows = layout.Lay(*record, "[1] ");
        EXPECT_EQ(static_cast<int32_t>(rows.size()), display::RecordRows(*record, modes))
            << "id " << record->m_nApiId << " modes " << bits << " limit " << limit;
        EXPECT_EQ(display::RecordLines(*record, modes),
                  static_cast<int32_t>(std::ranges::count_if(rows, [](const LayoutRow& row) {
                    return row.kind != LayoutRow::kSeparator;
                  })));
      }
    }
  }
}

}  // namespace
