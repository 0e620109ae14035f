// The view's part of the options: the buffer it shows, how records are laid out, their colours
// and the font.
#pragma once

#include "display/DisplayColors.h"
#include "display/LogFont.h"
#include "format/DisplayModes.h"
#include "store/StoreOptions.h"

namespace display {

struct ViewOptions : BufferOptions, DisplayModeOptions, DisplayColors {
  LogFont m_logFont;

  bool operator==(const ViewOptions&) const = default;
};

}  // namespace display
