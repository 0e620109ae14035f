// The display font after Setup, Preferences, Font: the chooser's description is kept only when a
// font can be made from it, so the view never draws with, nor the settings file stores, a
// description that gives no font.
#pragma once

#include <functional>
#include <string_view>

#include "display/LogFont.h"

namespace display {

constexpr std::string_view kFontUnavailable =
    "The chosen font cannot be created. The display keeps its previous font.";

// Makes the view's font from `chosen` through `make`; on success `kept` becomes `chosen` and the
// answer is true. On failure `kept` stays as it was and the caller shows kFontUnavailable.
bool AcceptChosenFont(LogFont& kept, const LogFont& chosen,
                      const std::function<bool(const LogFont&)>& make);

}  // namespace display
