// One record as rows of text, the way the screen, the printed page and the clipboard text all
// show it: the call lines (the first behind a prefix, continuation lines under the '.' of the
// line that opened the address), the returns text directly behind the last call line, the
// hex-dump rows with their character column, the note after a dump that the size of a message
// cut, and the empty separator row of Vert Space. Each user renders the rows in its own units,
// colours and line ends.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "format/DisplayModes.h"
#include "store/SpyMsg.h"
#include "ui/Canvas.h"

namespace display {

struct LayoutRow {
  // kNote: "(C of R bytes captured)" after the dump rows, which it belongs to.
  enum Kind { kCall, kData, kNote, kSeparator };

  Kind kind = kSeparator;
  int32_t x = 0;        // where `text` starts: a call line's indent; 0 for a dump row or note
  std::string text;     // a call line, a dump row's hex part, or the note
  int32_t secondX = 0;  // where `second` starts
  std::string second;   // behind the last call line its returns text (may be empty), beside
                        // a hex part its character part; empty otherwise
};

// "[n] " in front of a record's first call line.
std::string NumberPrefix(int32_t number);

// Lines of one record in the given modes (data rows with their note, call lines, or both),
// without the empty separator row of Vert Space. Counted without formatting, for scrolling and
// sizing.
int32_t RecordLines(const CSpyMsg& record, const format::DisplayModes& modes);

// The same count plus the separator row when Vert Space is on and the count is at least 1:
// the number of rows RecordLayout::Lay gives.
int32_t RecordRows(const CSpyMsg& record, const format::DisplayModes& modes);

class RecordLayout {
 public:
  // Widths in pixels of the font selected into `canvas`; the character column stands 6 average
  // character widths behind the record's first hex part. `indent` places a continuation line
  // that no line before it has placed.
  RecordLayout(const format::DisplayModes& modes, ui::Canvas& canvas, int32_t charWidth,
               int32_t indent = 0);
  // Widths in characters; the character column is column 60 (a hex part has at most 58).
  explicit RecordLayout(const format::DisplayModes& modes);

  // The rows of `record`, its first call line behind `prefix`. The continuation indent is
  // remembered from record to record, as one pass over a range lays them out.
  std::vector<LayoutRow> Lay(const CSpyMsg& record, std::string_view prefix);

 private:
  int32_t Width(std::string_view text) const;
  // A line that begins with '.' continues the address of the line before it and stands at the
  // remembered indent. A record's first line starts at 0, and a '.' in it sets the indent to the
  // width up to that '.' (measured, so that proportional fonts align too): the '.' of the
  // structure whose members follow, where one begins a parameter. A later line that opens a
  // structure stands under the first parameter, behind the first line's '(', and its '.' sets
  // the indent.
  int32_t CallLineX(std::string_view text, bool first);

  format::DisplayModes m_modes;
  ui::Canvas* m_canvas = nullptr;  // none: widths in characters
  int32_t m_charWidth = 0;
  int32_t m_indent = 0;
  int32_t m_open = 0;  // the width up to the first parameter of the record's first line
};

}  // namespace display
