// Lays a help topic out for a window of a given width: the title, then each block word-wrapped
// into runs of one style at pixel positions. The window paints the runs, scrolls over the
// page's height and finds the link under the mouse; the fonts are the window's.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/HelpBook.h"

namespace app {

// The title is drawn in its own, larger style.
enum class HelpFont { kText, kTitle, kHeading, kTrace, kLink };

class HelpMetrics {
 public:
  virtual ~HelpMetrics() = default;
  virtual int32_t TextWidth(std::string_view text, HelpFont font) = 0;
  virtual int32_t LineHeight(HelpFont font) = 0;
};

struct HelpRun {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
  std::string text;
  HelpFont font = HelpFont::kText;
  std::string link;  // the target's key, for kLink
};

struct HelpPage {
  std::vector<HelpRun> runs;
  int32_t width = 0;   // out to the right margin of the widest line
  int32_t height = 0;  // down to the bottom margin
};

// `width` is the client width; text wraps inside a margin of `margin` pixels on every side. A
// word wider than a line stands alone on its line, and trace lines are never wrapped.
HelpPage LayoutHelpTopic(const HelpTopic& topic, int32_t width, int32_t margin,
                         HelpMetrics& metrics);

// The link under the point (page coordinates), or nullptr.
const HelpRun* HelpLinkAt(const HelpPage& page, int32_t x, int32_t y);

}  // namespace app
