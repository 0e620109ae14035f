#include "display/TraceView.h"

#include <algorithm>
#include <string>

#include "format/DisplayModes.h"
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
  return record.m_bTrigger ? "[TRIGGER] " : NumberPrefix(number);
}

}  // namespace

int32_t VScrollThumb(RecordList buffer, int32_t index) {
  const int64_t last = static_cast<int64_t>(buffer.size()) - 1;
  if (last < 1) return 0;
  // Exact integer form of index / last * 100, truncated; floating point would give 28 for 29/100.
  const int64_t position = static_cast<int64_t>(index) * kVScrollMax / last;
  return static_cast<int32_t>(std::clamp<int64_t>(position, 0, kVScrollMax));
}

void TraceView::SetMetrics(const ui::CharMetrics& metrics) {
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

ScrollOutcome TraceView::KeepInside(RecordList records) {
  if (m_nTopRecord < Count(records) || (records.empty() && m_nTopRecord == 0)) return {};
  Follow(records, format::DisplayModes::FromOptions(m_options));
  return {true, VScrollThumb(records, m_nTopRecord)};
}

int32_t TraceView::GetRecordLines(const CSpyMsg& record) const {
  return RecordLines(record, format::DisplayModes::FromOptions(m_options));
}

// A font that reports no height would make every division by the line height fail.
int32_t TraceView::LineHeight() const {
  return std::max(m_nLineHeight, 1);
}

int32_t TraceView::PageSize() const {
  return m_nClientHeight / LineHeight();
}

void TraceView::OnEraseBackground(ui::Canvas& canvas, const ui::Rect& clipBox) const {
  canvas.FillRectangle(clipBox, m_options.m_crBackground);
}

// Puts the newest record (with its separator line) on the last whole line of the window.
void TraceView::Follow(RecordList records, const format::DisplayModes& modes) {
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

void TraceView::OnDraw(ui::Canvas& canvas, RecordList records, bool tracing) {
  const format::DisplayModes modes = format::DisplayModes::FromOptions(m_options);
  if (tracing) Follow(records, modes);
  RecordLayout layout(modes, canvas, m_nCharWidth);
  int32_t y = -m_nTopLine * LineHeight();
  for (int32_t i = std::max(m_nTopRecord, 0); i < Count(records); ++i) {
    y = DrawRecord(canvas, layout, At(records, i), i + 1, y);
    // The record that crosses the bottom edge is drawn whole and clipped.
    if (y > m_nClientHeight) break;
  }
}

// Draws one record with its first row at `y` and returns the y of the row after it.
int32_t TraceView::DrawRecord(ui::Canvas& canvas, RecordLayout& layout, const CSpyMsg& record,
                              int32_t number, int32_t y) const {
  const int32_t shift = -m_nHScrollPos * m_nCharWidth;
  const bool sent = protocol::calls::DataOf(record.m_nApiId) == protocol::calls::Data::kSend;
  for (const LayoutRow& row : layout.Lay(record, FirstLinePrefix(record, number))) {
    switch (row.kind) {
      case LayoutRow::kCall:
        canvas.SetTextColour(m_options.m_crApiCalls);
        canvas.DrawString(row.x + shift, y, row.text);
        if (!row.second.empty()) {
          canvas.SetTextColour(m_options.m_crReturns);
          canvas.DrawString(row.secondX + shift, y, row.second);
        }
        break;
      case LayoutRow::kData:
      case LayoutRow::kNote:
        canvas.SetTextColour(sent ? m_options.m_crSend : m_options.m_crRecv);
        canvas.DrawString(row.x + shift, y, row.text);
        if (!row.second.empty()) canvas.DrawString(row.secondX + shift, y, row.second);
        break;
      case LayoutRow::kSeparator:
        break;
    }
    y += LineHeight();
  }
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

void TraceView::LineUp(RecordList records, const format::DisplayModes& modes) {
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

void TraceView::LineDown(RecordList records, const format::DisplayModes& modes) {
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
  const format::DisplayModes modes = format::DisplayModes::FromOptions(m_options);
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
  const format::DisplayModes modes = format::DisplayModes::FromOptions(m_options);
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
  const format::DisplayModes modes = format::DisplayModes::FromOptions(m_options);
  const int32_t clicked = y / LineHeight() + m_nTopLine;
  int32_t sum = 0;
  for (int32_t i = std::max(m_nTopRecord, 0); i < Count(records); ++i) {
    sum += RecordRows(At(records, i), modes);
    if (sum > clicked)
      return {DoubleClick::kHelp, protocol::calls::HelpContext(At(records, i).m_nApiId)};
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
