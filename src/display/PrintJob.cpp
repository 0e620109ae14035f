#include "display/PrintJob.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "display/RecordLayout.h"
#include "format/DisplayModes.h"

namespace display {

namespace {

// One row as the printer draws it: a call line with its returns text as one string, a dump row
// as its two parts.
struct PrintRow {
  int32_t x = 0;
  std::string text;
  int32_t secondX = 0;
  std::string second;
};

PrintRow Printed(const LayoutRow& row) {
  if (row.kind == LayoutRow::kCall) return {row.x, row.text + row.second, 0, {}};
  return {row.x, row.text, row.secondX, row.second};
}

int32_t RightEdge(ui::Canvas& canvas, const PrintRow& row) {
  int32_t edge = row.x + canvas.MeasureString(row.text).width;
  if (!row.second.empty()) {
    edge = std::max(edge, row.secondX + canvas.MeasureString(row.second).width);
  }
  return edge;
}

// The longest start of `text` that fits in `width`, at least one character so that every row
// takes some of it.
size_t FittingLength(ui::Canvas& canvas, std::string_view text, int32_t width) {
  size_t low = 1;
  size_t high = text.size();
  while (low < high) {
    const size_t middle = (low + high + 1) / 2;
    if (canvas.MeasureString(text.substr(0, middle)).width <= width) {
      low = middle;
    } else {
      high = middle - 1;
    }
  }
  return low;
}

// `row` in as many rows as it needs to stay inside `pageWidth`: a dump row whose character part
// passes the edge puts it on a row of its own, and a text that still passes it goes on in the
// rows below, each starting where the text started (at the left edge when not even one of its
// characters fits there).
std::vector<PrintRow> Wrap(ui::Canvas& canvas, PrintRow row, int32_t pageWidth) {
  if (RightEdge(canvas, row) <= pageWidth) return {std::move(row)};
  std::vector<PrintRow> rows;
  const auto wrapText = [&](int32_t x, std::string_view text) {
    if (!text.empty() && x + canvas.MeasureString(text.substr(0, 1)).width > pageWidth) x = 0;
    while (!text.empty()) {
      const size_t length = FittingLength(canvas, text, pageWidth - x);
      rows.push_back({x, std::string(text.substr(0, length)), 0, {}});
      text.remove_prefix(length);
    }
  };
  wrapText(row.x, row.text);
  wrapText(row.x, row.second);
  return rows;
}

void Draw(ui::Canvas& canvas, const PrintRow& row, int32_t y) {
  canvas.DrawString(row.x, y, row.text);
  if (!row.second.empty()) canvas.DrawString(row.secondX, y, row.second);
}

// Measures text in characters: the layout of a fixed-pitch font whose characters are one unit
// wide.
class CharacterCanvas : public ui::Canvas {
 public:
  void SetTextColour(ui::ColorRef) override {}
  void DrawString(int32_t, int32_t, std::string_view) override {}
  ui::TextExtent MeasureString(std::string_view text) override {
    return {static_cast<int32_t>(text.size()), 1};
  }
  void FillRectangle(const ui::Rect&, ui::ColorRef) override {}
  void DrawBorderedRectangle(const ui::Rect&, ui::ColorRef) override {}
  ui::CharMetrics GetCharMetrics() override { return {1, 1}; }
};

// The right edge of the widest line of `records`, laid out in the font selected into `canvas`.
int32_t WidestLine(const std::deque<SpyMsgPtr>& records, const format::DisplayModes& modes,
                   ui::Canvas& canvas) {
  RecordLayout layout(modes, canvas, canvas.GetCharMetrics().aveCharWidth);
  int32_t widest = 0;
  for (const SpyMsgPtr& record : records) {
    for (const LayoutRow& row : layout.Lay(*record, {})) {
      widest = std::max(widest, RightEdge(canvas, Printed(row)));
    }
  }
  return widest;
}

}  // namespace

bool PrintJob::Prepare(RecordList records, int32_t from, int32_t to) {
  Clear();
  const int64_t first = std::max<int64_t>(from, 1);
  const int64_t last = std::min<int64_t>(to, static_cast<int64_t>(records.size()));
  for (int64_t number = first; number <= last; ++number) {
    m_printLines.push_back(records[static_cast<size_t>(number - 1)]->Clone());
  }
  if (m_printLines.empty()) return false;
  m_bPrintResume = false;
  m_nPrintResumeRow = 0;
  m_nPrintPage = 1;
  return true;
}

std::optional<int32_t> PrintJob::FitFont(
    ui::Canvas& canvas, const format::DisplayModeOptions& options, int32_t pageWidth,
    int32_t defaultPoints, const std::function<int32_t(int32_t points)>& charWidth) const {
  const format::DisplayModes modes = format::DisplayModes::FromOptions(options);
  if (WidestLine(m_printLines, modes, canvas) <= pageWidth) return std::nullopt;
  CharacterCanvas characters;
  const int64_t widest = WidestLine(m_printLines, modes, characters);
  for (int32_t points = std::max(defaultPoints, kMinPoints); points > kMinPoints; --points) {
    if (widest * charWidth(points) <= pageWidth) return points;
  }
  return kMinPoints;
}

void PrintJob::Begin(const ui::CharMetrics& printerFont, int32_t pageWidth, int32_t pageHeight) {
  m_nPrintCharWidth = printerFont.aveCharWidth;
  // A font without height would divide by zero; such a page still gets rows of one pixel.
  m_nPrintLineHeight = std::max(printerFont.height, 1);
  m_nPageWidth = pageWidth;
  m_nPageHeight = pageHeight;
  // Three rows of top margin (the page number on the second) and one at the bottom. A page too
  // small for that still takes one row, so that every page makes progress.
  m_nPrintRows = std::max(m_nPageHeight / m_nPrintLineHeight - 4, 1);
}

void PrintJob::Clear() {
  m_printLines.clear();
  m_bPrintResume = false;
  m_nPrintResumeRow = 0;
}

bool PrintJob::PrintPage(ui::Canvas& canvas, const format::DisplayModeOptions& options) {
  const format::DisplayModes modes = format::DisplayModes::FromOptions(options);
  const int32_t h = m_nPrintLineHeight;
  const auto rowY = [h](int32_t row) { return (row + 3) * h; };
  canvas.SetTextColour(ui::Rgb(0, 0, 0));

  char pageNumber[24];
  std::snprintf(pageNumber, sizeof pageNumber, "- %d -", static_cast<int>(m_nPrintPage++));
  const int32_t numberWidth = canvas.MeasureString(pageNumber).width;
  canvas.DrawString(m_nPageWidth / 2 - numberWidth / 2, 2 * h, pageNumber);

  int32_t r = 0;
  // Each page lays its records out afresh: a continuation line that no line on this page has
  // placed stands at the width of the page number.
  RecordLayout layout(modes, canvas, m_nPrintCharWidth, numberWidth);
  while (!m_printLines.empty()) {
    const std::vector<LayoutRow> rows = layout.Lay(*m_printLines.front(), {});
    std::vector<std::vector<PrintRow>> printed;
    int32_t callLines = 0;
    for (const LayoutRow& row : rows) {
      printed.push_back(Wrap(canvas, Printed(row), m_nPageWidth));
      if (row.kind == LayoutRow::kCall) callLines += static_cast<int32_t>(printed.back().size());
    }
    // Call lines are never split: they go to the next page as a whole. Only an empty page takes
    // them even when they do not fit (a page of fewer rows than a verbose call), cutting what
    // falls off; otherwise such a record would be put off forever.
    if (!m_bPrintResume && callLines > 0 && r + callLines > m_nPrintRows && r > 0) return true;

    int32_t k = 0;  // index of the data strings, two per row
    for (size_t i = 0; i < rows.size(); ++i) {
      const auto height = static_cast<int32_t>(printed[i].size());
      switch (rows[i].kind) {
        case LayoutRow::kCall:
          // A resumed record's call lines are on the page before.
          if (m_bPrintResume) break;
          for (const PrintRow& row : printed[i]) {
            if (r < m_nPrintRows) Draw(canvas, row, rowY(r));
            ++r;
          }
          break;
        case LayoutRow::kData:
        case LayoutRow::kNote:
          // A dump row (wrapped or not) stays whole; the rest continue on the next page.
          if (r > 0 && r + height > m_nPrintRows) {
            m_bPrintResume = true;
            m_nPrintResumeRow = k;
            return true;
          }
          if (k >= m_nPrintResumeRow) {
            for (const PrintRow& row : printed[i]) {
              if (r < m_nPrintRows) Draw(canvas, row, rowY(r));
              ++r;
            }
          }
          k += 2;
          break;
        case LayoutRow::kSeparator:
          ++r;
          break;
      }
    }
    m_bPrintResume = false;
    m_nPrintResumeRow = 0;
    m_printLines.pop_front();
  }
  return false;
}

}  // namespace display
