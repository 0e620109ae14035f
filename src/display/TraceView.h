// The trace view's logic without a window: which lines each record takes, where follow mode
// puts the newest record, what is drawn where and in which colour, what a scroll code does,
// which record a double-click hits. The Win32 view forwards its messages here and applies the
// answers (scroll-bar states, invalidation, help contexts, titles) with its own calls.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "display/RecordLayout.h"
#include "display/ViewOptions.h"
#include "store/SpyMsg.h"
#include "ui/Canvas.h"

namespace display {

// The displayed buffer (Trace or Trap Buffer), oldest record first.
using RecordList = std::span<const SpyMsgPtr>;

// Scroll codes of WM_HSCROLL / WM_VSCROLL.
enum ScrollCode : int32_t {
  kLineUp = 0,  // also line left
  kLineDown = 1,
  kPageUp = 2,
  kPageDown = 3,
  kThumbPosition = 4,
  kThumbTrack = 5,
};

constexpr int32_t kHScrollMax = 100;
constexpr int32_t kVScrollMax = 100;

// One scroll bar as the shell applies it: EnableScrollBar (both arrows), SetScrollRange (with
// `redrawRange`), then SetScrollPos with redraw.
struct ScrollBarState {
  bool enabled = false;
  int32_t rangeMin = 0;
  int32_t rangeMax = 0;
  int32_t position = 0;
  bool redrawRange = true;

  bool operator==(const ScrollBarState&) const = default;
};

// What a vertical scroll or a buffer switch asks of the window.
struct ScrollOutcome {
  bool invalidate = false;
  std::optional<int32_t> vThumb;  // new vertical thumb position, set with redraw
};

// Answer to WM_LBUTTONDBLCLK.
struct DoubleClick {
  enum Action { kIgnore, kHelp, kDefault } action = kIgnore;
  uint32_t helpContext = 0;  // for kHelp: WinHelp with HELP_CONTEXT
};

struct BufferSwitch {
  int32_t vThumb = 0;
  std::string_view title;  // main frame's new window title
};

constexpr std::string_view kTraceTitle = "Quarnet/32...from Kelvane Software";
constexpr std::string_view kTrapTitle = "Quarnet/32...Trap Buffer Display";

// The main frame's title for the buffer shown.
constexpr std::string_view WindowTitle(bool viewTrap) {
  return viewTrap ? kTrapTitle : kTraceTitle;
}

// Stores exactly 0 or 1, whatever the settings file put there.
inline void InvertFlag(int32_t& flag) {
  flag = flag ? 0 : 1;
}

// Vertical thumb position of the record at `index` in `buffer`.
int32_t VScrollThumb(RecordList buffer, int32_t index);

class TraceView {
 public:
  // The modes and colours are read from (and the mode toggles written to) `options`, which must
  // outlive the view.
  explicit TraceView(ViewOptions& options) : m_options(options) {}

  // --- window life ---
  // Font measured at creation and after each Font command.
  void SetMetrics(const ui::CharMetrics& metrics);
  void OnSize(int32_t clientHeight) { m_nClientHeight = clientHeight; }
  static ScrollBarState InitialHScrollBar();
  // At creation and at Begin Trace: disabled, 0..0 (the view follows the newest record).
  static ScrollBarState DisabledVScrollBar();
  // End Trace and opening a trace file: the bar for the Trace Buffer, or nothing to change
  // (it stays disabled) when the buffer holds fewer than two records.
  std::optional<ScrollBarState> TraceShownVScrollBar(RecordList traceBuffer) const;
  // Opening a trace file shows the Trace Buffer from its first record.
  void ResetPosition();
  // After the displayed buffer lost records (a smaller Trace Buffer size): a position left beyond
  // its end comes back inside, showing its last page, so that the position pane and the range
  // dialog name records that exist. Says what to redraw; nothing when the position was inside.
  ScrollOutcome KeepInside(RecordList records);

  // --- painting ---
  // WM_ERASEBKGND: fills the clip box with the background colour.
  void OnEraseBackground(ui::Canvas& canvas, const ui::Rect& clipBox) const;
  // OnDraw with the display font already selected into the canvas. While tracing the position
  // follows the newest record first.
  void OnDraw(ui::Canvas& canvas, RecordList records, bool tracing);

  // --- scrolling ---
  // Returns the new horizontal position; the shell sets the thumb to it, invalidates and passes
  // the message on.
  int32_t OnHScroll(int32_t code, int32_t thumbPos);
  ScrollOutcome OnVScroll(RecordList records, int32_t code, int32_t thumbPos);

  // --- queries ---
  int32_t PageSize() const;
  int32_t GetRecordLines(const CSpyMsg& record) const;
  static int32_t GetDisplayCount(RecordList records) {
    return static_cast<int32_t>(records.size());
  }
  int32_t GetFirstVisible() const { return m_nTopRecord + 1; }
  int32_t GetLastVisible(RecordList records) const;

  // --- commands ---
  DoubleClick OnDoubleClick(RecordList records, int32_t y, bool tracing) const;
  // ID_VIEW_TRAPBUFFER: shows the other buffer from its first record.
  BufferSwitch SwitchBuffer();

  // Position and metrics, for the shell's status bar and for tests.
  int32_t m_nCharWidth = 0;
  int32_t m_nLineHeight = 0;
  int32_t m_nClientHeight = 0;
  int32_t m_nHScrollPos = 0;
  int32_t m_nTopRecord = 0;
  int32_t m_nTopLine = 0;

 private:
  int32_t LineHeight() const;
  void Follow(RecordList records, const format::DisplayModes& modes);
  void LineUp(RecordList records, const format::DisplayModes& modes);
  void LineDown(RecordList records, const format::DisplayModes& modes);
  int32_t DrawRecord(ui::Canvas& canvas, RecordLayout& layout, const CSpyMsg& record,
                     int32_t number, int32_t y) const;

  ViewOptions& m_options;
};

}  // namespace display
