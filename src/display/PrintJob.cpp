#include "display/PrintJob.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "format/DisplayModes.h"
#include "format/EventFormatter.h"

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
  int32_t indent = numberWidth;
  std::vector<std::string> lines;
  while (!m_printLines.empty()) {
    const CSpyMsg& record = *m_printLines.front();

    if (!m_bPrintResume && !modes.dataOnly) {
      const int32_t callLines = GetEventLineCount(record, modes.verbose);
      // Call lines are never split: they go to the next page as a whole. Only an empty page
      // takes them even when they do not fit (a page of fewer rows than a verbose call), cutting
      // what falls off; otherwise such a record would be put off forever.
      if (r + callLines > m_nPrintRows && r > 0) return true;
      lines.clear();
      const std::string returns = FormatEvent(record, lines, modes.showTime, modes.verbose);
      if (!lines.empty()) lines.back() += returns;
      for (const std::string& text : lines) {
        const int32_t x = CallLineX(canvas, text, indent);
        if (r < m_nPrintRows) canvas.DrawString(x, rowY(r), text);
        ++r;
      }
    }

    if (modes.dataOnly || modes.verbose) {
      lines.clear();
      FormatDataBlock(record, lines, modes.byteLimit);
      if (lines.size() >= 2) {
        const int32_t hexWidth = canvas.MeasureString(lines[0]).width;
        const int32_t column = hexWidth + 6 * m_nPrintCharWidth;
        indent = hexWidth;
        for (size_t k = 0; k + 1 < lines.size(); k += 2) {
          if (r >= m_nPrintRows) {
            m_bPrintResume = true;
            m_nPrintResumeRow = static_cast<int32_t>(k);
            return true;
          }
          if (static_cast<int32_t>(k) >= m_nPrintResumeRow) {
            canvas.DrawString(0, rowY(r), lines[k]);
            canvas.DrawString(column, rowY(r), lines[k + 1]);
            ++r;
          }
        }
      }
    }

    if (modes.vertSpace && RecordLines(record, modes) >= 1) ++r;
    m_bPrintResume = false;
    m_nPrintResumeRow = 0;
    m_printLines.pop_front();
  }
  return false;
}

}  // namespace display
