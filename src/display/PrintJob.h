// Printing a range of the displayed buffer: the records are copied when the job is prepared and
// printed page by page as plain text, with a centred page number on top of every page. A
// record's call lines never split across pages; its data rows may, and continue at the top of
// the next page without repeating the call lines.
#pragma once

#include <cstdint>
#include <deque>

#include "display/TraceView.h"
#include "format/DisplayModes.h"
#include "store/SpyMsg.h"
#include "ui/Canvas.h"

namespace display {

class PrintJob {
 public:
  // Print command: copies records `from` .. `to` (1-based, inclusive) of the displayed buffer;
  // parts of the range outside the buffer are left out. False when nothing is left to print
  // (then no job is started).
  bool Prepare(RecordList records, int32_t from, int32_t to);

  // OnBeginPrinting: the printer font's metrics and the printable area (HORZRES, VERTRES).
  void Begin(const CharMetrics& printerFont, int32_t pageWidth, int32_t pageHeight);

  // OnPrint: draws the next page and returns whether another page follows
  // (m_bContinuePrinting). Reads the display modes as they are now.
  bool PrintPage(Canvas& canvas, const DisplayModeOptions& options);

  // Drops copies left by a cancelled job (next Print command, view destruction).
  void Clear();

  size_t RecordsLeft() const { return m_printLines.size(); }
  // Rows of text a page holds: VERTRES / tmHeight - 4, at least 1.
  int32_t Rows() const { return m_nPrintRows; }
  int32_t LineHeight() const { return m_nPrintLineHeight; }

 private:
  std::deque<SpyMsgPtr> m_printLines;
  bool m_bPrintResume = false;
  int32_t m_nPrintResumeRow = 0;
  int32_t m_nPrintPage = 1;
  int32_t m_nPrintLineHeight = 1;
  int32_t m_nPrintCharWidth = 0;
  int32_t m_nPageWidth = 0;
  int32_t m_nPageHeight = 0;
  int32_t m_nPrintRows = 1;
};

}  // namespace display
