#include "display/PrintJob.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "display/RecordLayout.h"
#include "format/DisplayModes.h"

namespace display {

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

void PrintJob::Begin(const CharMetrics& printerFont, int32_t pageWidth, int32_t pageHeight) {
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

bool PrintJob::PrintPage(Canvas& canvas, const DisplayModeOptions& options) {
  const DisplayModes modes = DisplayModes::FromOptions(options);
  const int32_t h = m_nPrintLineHeight;
  const auto rowY = [h](int32_t row) { return (row + 3) * h; };
  canvas.SetTextColour(Rgb(0, 0, 0));

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
    const auto callLines =
        static_cast<int32_t>(std::ranges::count(rows, LayoutRow::kCall, &LayoutRow::kind));
    // Call lines are never split: they go to the next page as a whole. Only an empty page takes
    // them even when they do not fit (a page of fewer rows than a verbose call), cutting what
    // falls off; otherwise such a record would be put off forever.
    if (!m_bPrintResume && callLines > 0 && r + callLines > m_nPrintRows && r > 0) return true;

    int32_t k = 0;  // index of the data strings, two per row
    for (const LayoutRow& row : rows) {
      switch (row.kind) {
        case LayoutRow::kCall:
          // A resumed record's call lines are on the page before.
          if (m_bPrintResume) break;
          if (r < m_nPrintRows) canvas.DrawString(row.x, rowY(r), row.text + row.second);
          ++r;
          break;
        case LayoutRow::kData:
          if (r >= m_nPrintRows) {
            m_bPrintResume = true;
            m_nPrintResumeRow = k;
            return true;
          }
          if (k >= m_nPrintResumeRow) {
            canvas.DrawString(row.x, rowY(r), row.text);
            canvas.DrawString(row.secondX, rowY(r), row.second);
            ++r;
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
