#include "display/TraceView.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "format/DisplayModes.h"
#include "format/EventFormatter.h"
#include "protocol/Calls.h"

namespace display {

namespace {

int32_t Count(RecordList records) {
  return static_cast<int32_t>(records.size());
}

const CSpyMsg& At(RecordList records, int32_t index) {
  return *records[static_cast<size_t>(index)];
}

std::string FirstLinePrefix(const CSpyMsg& record, int32_t number) {
  if (record.m_bTrigger) return "[TRIGGER] ";
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, "[%d] ", static_cast<int>(number));
  return prefix;
}

}  // namespace

int32_t CallLineX(Canvas& canvas, std::string_view text, int32_t& indent) {
  const size_t dot = text.find('.');
  if (dot == 0) return indent;
  if (dot != std::string_view::npos) indent = canvas.MeasureString(text.substr(0, dot)).width;
  return 0;
}

int32_t RecordLines(const CSpyMsg& record, const DisplayModes& modes) {
  const int32_t dataRows = GetDataRowCount(record, modes.byteLimit);
  if (modes.dataOnly) return dataRows;
  const int32_t callLines = GetEventLineCount(record, modes.verbose);
  return modes.verbose ? callLines + dataRows : callLines;
}

int32_t RecordRows(const CSpyMsg& record, const DisplayModes& modes) {
  const int32_t lines = RecordLines(record, modes);
  return lines >= 1 && modes.vertSpace ? lines + 1 : lines;
}

int32_t VScrollThumb(RecordList buffer, int32_t index) {
  const int64_t last = static_cast<int64_t>(buffer.size()) - 1;
  if (last < 1) return 0;
  // Exact integer form of index / last * 100, truncated; floating point would give 28 for 29/100.
  const int64_t position = static_cast<int64_t>(index) * kVScrollMax / last;
  return static_cast<int32_t>(std::clamp<int64_t>(position, 0, kVScrollMax));
}

void TraceView::SetMetrics(const CharMetrics& metrics) {
  m_nCharWidth = metrics.aveCharWidth;
  m_nLineHeight = metrics.height;
}

ScrollBarState TraceView::InitialHScrollBar() {
  return {true, 0, kHScrollMax, 0, true};
}

ScrollBarState TraceView::DisabledVScrollBar() {
  return {false, 0, 0, 0, true};
}

std::optional<ScrollBarState> TraceView::TraceShownVScrollBar(RecordList traceBuffer) const {
  if (traceBuffer.size() < 2) return std::nullopt;
  return ScrollBarState{true, 0, kVScrollMax, VScrollThumb(traceBuffer, m_nTopRecord), false};
}

void TraceView::ResetPosition() {
  m_nTopRecord = 0;
  m_nTopLine = 0;
}

int32_t TraceView::GetRecordLines(const CSpyMsg& record) const {
  return RecordLines(record, DisplayModes::FromOptions(m_options));
}

// A font that reports no height would make every division by the line height fail.
int32_t TraceView::LineHeight() const {
  return std::max(m_nLineHeight, 1);
}

int32_t TraceView::PageSize() const {
  return m_nClientHeight / LineHeight();
}

void TraceView::OnEraseBackground(Canvas& canvas, const Rect& clipBox) const {
  canvas.FillRectangle(clipBox, m_options.m_crBackground);
}

// Puts the newest record (with its separator line) on the last whole line of the window.
void TraceView::Follow(RecordList records, const DisplayModes& modes) {
  ResetPosition();
  const int32_t page = PageSize();
  int32_t sum = 0;
  for (int32_t i = Count(records) - 1; i >= 0; --i) {
    sum += RecordRows(At(records, i), modes);
    if (sum >= page) {
      m_nTopRecord = i;
      m_nTopLine = sum - page;
      return;
    }
  }
}

void TraceView::OnDraw(Canvas& canvas, RecordList records, bool tracing) {
  const DisplayModes modes = DisplayModes::FromOptions(m_options);
  if (tracing) Follow(records, modes);
  int32_t y = -m_nTopLine * LineHeight();
  int32_t indent = 0;
  for (int32_t i = std::max(m_nTopRecord, 0); i < Count(records); ++i) {
    y = DrawRecord(canvas, At(records, i), i + 1, y, modes, indent);
    // The record that crosses the bottom edge is drawn whole and clipped.
    if (y > m_nClientHeight) break;
  }
}

// Draws one record with its first row at `y` and returns the y of the row after it.
int32_t TraceView::DrawRecord(Canvas& canvas, const CSpyMsg& record, int32_t number, int32_t y,
                              const DisplayModes& modes, int32_t& indent) const {
  const int32_t lineHeight = LineHeight();
  const int32_t shift = -m_nHScrollPos * m_nCharWidth;
  size_t drawn = 0;
  std::vector<std::string> lines;

  if (!modes.dataOnly) {
    canvas.SetTextColour(m_options.m_crApiCalls);
    const std::string returns = FormatEvent(record, lines, modes.showTime, modes.verbose);
    for (size_t k = 0; k < lines.size(); ++k) {
      const std::string text = k == 0 ? FirstLinePrefix(record, number) + lines[k] : lines[k];
      const int32_t x = CallLineX(canvas, text, indent);
      canvas.DrawString(x + shift, y, text);
      if (k + 1 == lines.size()) {
        const int32_t width = canvas.MeasureString(text).width;
        canvas.SetTextColour(m_options.m_crReturns);
        if (!returns.empty()) canvas.DrawString(x + width + shift, y, returns);
        indent = width;
      }
      y += lineHeight;
    }
    drawn = lines.size();
  }

  if (modes.dataOnly || modes.verbose) {
    const bool sent = calls::DataOf(record.m_nApiId) == calls::Data::kSend;
    canvas.SetTextColour(sent ? m_options.m_crSend : m_options.m_crRecv);
    lines.clear();
    FormatDataBlock(record, lines, modes.byteLimit);
    drawn += lines.size();
    if (lines.size() >= 2) {
      const int32_t column = canvas.MeasureString(lines[0]).width + 6 * m_nCharWidth;
      for (size_t k = 0; k + 1 < lines.size(); k += 2) {
        canvas.DrawString(shift, y, lines[k]);
        canvas.DrawString(column + shift, y, lines[k + 1]);
        y += lineHeight;
      }
    }
  }

  if (drawn >= 1 && modes.vertSpace) y += lineHeight;
  return y;
}

int32_t TraceView::OnHScroll(int32_t code, int32_t thumbPos) {
  switch (code) {
    case kLineUp:
      m_nHScrollPos -= 1;
      break;
    case kLineDown:
      m_nHScrollPos += 1;
      break;
    case kPageUp:
      m_nHScrollPos -= 10;
      break;
    case kPageDown:
      m_nHScrollPos += 10;
      break;
    case kThumbPosition:
      m_nHScrollPos = thumbPos;
      break;
    default:
      break;
  }
  m_nHScrollPos = std::clamp(m_nHScrollPos, 0, kHScrollMax);
  return m_nHScrollPos;
}

void TraceView::LineUp(RecordList records, const DisplayModes& modes) {
  if (m_nTopLine > 0) {
    --m_nTopLine;
    return;
  }
  while (m_nTopRecord > 0) {
    --m_nTopRecord;
    const int32_t lines = RecordLines(At(records, m_nTopRecord), modes);
    if (lines >= 1) {
      m_nTopLine = lines - 1;
      return;
    }
  }
}

void TraceView::LineDown(RecordList records, const DisplayModes& modes) {
  const int32_t lines = RecordLines(At(records, m_nTopRecord), modes);
  if (m_nTopLine < lines - 1) {
    ++m_nTopLine;
    return;
  }
  const int32_t last = Count(records) - 1;
  if (m_nTopRecord >= last) return;
  m_nTopLine = 0;
  do {
    ++m_nTopRecord;
  } while (m_nTopRecord < last && RecordLines(At(records, m_nTopRecord), modes) < 1);
}

ScrollOutcome TraceView::OnVScroll(RecordList records, int32_t code, int32_t thumbPos) {
  if (records.empty()) return {};
  const DisplayModes modes = DisplayModes::FromOptions(m_options);
  const int32_t oldRecord = m_nTopRecord;
  const int32_t oldLine = m_nTopLine;
  // The buffer may have shrunk under the position (a smaller Trace Buffer size); scroll from
  // its last record instead of reading past the end.
  if (m_nTopRecord >= Count(records) || m_nTopRecord < 0) {
    m_nTopRecord = std::clamp(m_nTopRecord, 0, Count(records) - 1);
    m_nTopLine = 0;
  }
  switch (code) {
    case kLineUp:
      LineUp(records, modes);
      break;
    case kLineDown:
      LineDown(records, modes);
      break;
    case kPageUp:
      for (int32_t i = PageSize(); i > 0; --i) LineUp(records, modes);
      break;
    case kPageDown:
      for (int32_t i = PageSize(); i > 0; --i) LineDown(records, modes);
      break;
    case kThumbPosition: {
      const int64_t thumb = std::clamp(thumbPos, 0, kVScrollMax);
      m_nTopLine = 0;
      m_nTopRecord = static_cast<int32_t>(thumb * (Count(records) - 1) / kVScrollMax);
      break;
    }
    default:
      break;
  }
  if (m_nTopRecord != oldRecord) return {true, VScrollThumb(records, m_nTopRecord)};
  if (m_nTopLine != oldLine) return {true, std::nullopt};
  return {};
}

int32_t TraceView::GetLastVisible(RecordList records) const {
  const DisplayModes modes = DisplayModes::FromOptions(m_options);
  const int32_t page = PageSize();
  int32_t sum = 0;
  for (int32_t i = std::max(m_nTopRecord, 0); i < Count(records); ++i) {
    sum += RecordRows(At(records, i), modes);
    if (sum > page) return i + 1;
  }
  return Count(records);
}

DoubleClick TraceView::OnDoubleClick(RecordList records, int32_t y, bool tracing) const {
  if (tracing || y < 0 || y > m_nClientHeight) return {};
  const DisplayModes modes = DisplayModes::FromOptions(m_options);
  const int32_t clicked = y / LineHeight() + m_nTopLine;
  int32_t sum = 0;
  for (int32_t i = std::max(m_nTopRecord, 0); i < Count(records); ++i) {
    sum += RecordRows(At(records, i), modes);
    if (sum > clicked) return {DoubleClick::kHelp, calls::HelpContext(At(records, i).m_nApiId)};
  }
  return {DoubleClick::kDefault, 0};
}

BufferSwitch TraceView::SwitchBuffer() {
  ResetPosition();
  InvertFlag(m_options.m_bViewTrap);
  // The thumb of any buffer's first record is 0.
  return {0, WindowTitle(m_options.m_bViewTrap != 0)};
}

}  // namespace display
