// Printing a range of the displayed buffer: the records are copied when the job is prepared and
// printed page by page as plain text, with a centred page number on top of every page. A
// record's call lines never split across pages; its data rows may, and continue at the top of
// the next page without repeating the call lines. No line is cut: a job whose widest line the
// printer's default font cannot hold is printed in a smaller fixed-pitch font, and a line that
// still passes the page's edge goes on in the rows below it, under its own start.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>

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

  // The size in whole points of the fixed-pitch font the job needs, with the printer's default
  // font (of `defaultPoints`) selected into `canvas`: none when every line of the job fits in
  // `pageWidth` in the default font; otherwise the largest size from `defaultPoints` down to
  // kMinPoints at which the widest line fits, `charWidth(points)` answering the width of one
  // character of the fixed-pitch font at that size; kMinPoints when no size holds it. Reads the
  // display modes as they are now.
  std::optional<int32_t> FitFont(ui::Canvas& canvas, const format::DisplayModeOptions& options,
                                 int32_t pageWidth, int32_t defaultPoints,
                                 const std::function<int32_t(int32_t points)>& charWidth) const;
  static constexpr int32_t kMinPoints = 6;
  // The font the job prints in: FitFont's size with `fonts` (a printer's fonts: DefaultPoints,
  // FixedCharWidth, UseFixed), that fixed-pitch size selected when there is one. Returns it.
  template <typename Fonts>
  std::optional<int32_t> UseFittedFont(ui::Canvas& canvas,
                                       const format::DisplayModeOptions& options, int32_t pageWidth,
                                       Fonts& fonts) const {
    const std::optional<int32_t> points =
        FitFont(canvas, options, pageWidth, fonts.DefaultPoints(),
                [&fonts](int32_t size) { return fonts.FixedCharWidth(size); });
    if (points) fonts.UseFixed(*points);
    return points;
  }

  // OnBeginPrinting, with the job's font selected: its metrics and the printable area (HORZRES,
  // VERTRES).
  void Begin(const ui::CharMetrics& printerFont, int32_t pageWidth, int32_t pageHeight);

  // OnPrint: draws the next page and returns whether another page follows
  // (m_bContinuePrinting). Reads the display modes as they are now. A line wider than the page
  // is wrapped; the rows of a wrapped call line count as call lines.
  bool PrintPage(ui::Canvas& canvas, const format::DisplayModeOptions& options);

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
