// The view's commands whose handlers are data: each update rule of the menu and toolbar by
// command id, and the display-mode switches that a command inverts.
#pragma once

#include <array>
#include <cstdint>

#include "app/ResourceIds.h"
#include "display/MenuState.h"
#include "display/ViewOptions.h"

namespace app {

struct UpdateRule {
  uint16_t id;
  display::CommandUI (*rule)(const display::ViewFacts&);
};

inline constexpr std::array kUpdateRules = {
    UpdateRule{ID_PREFERENCES_DATAONLY, &display::UpdateDataOnly},
    UpdateRule{ID_PREFERENCES_SHOWTIME, &display::UpdateShowTime},
    UpdateRule{ID_PREFERENCES_VERBOSE, &display::UpdateVerbose},
    UpdateRule{ID_PREFERENCES_VERTSPACE, &display::UpdateVertSpace},
    UpdateRule{ID_FILE_BEGINTRACE, &display::UpdateBeginTrace},
    UpdateRule{ID_FILE_ENDTRACE, &display::UpdateEndTrace},
    UpdateRule{ID_FILE_OPEN, &display::UpdateOpen},
    UpdateRule{ID_FILE_SAVE_AS, &display::UpdateSaveAs},
    UpdateRule{ID_VIEW_TRAPBUFFER, &display::UpdateTrapBuffer},
    UpdateRule{ID_EDIT_CLEARBUFFER, &display::UpdateClearBuffer},
    UpdateRule{ID_TRIGGER_ENABLE, &display::UpdateTriggerEnable},
    UpdateRule{ID_TRIGGER_SPECIFY, &display::UpdateTriggerSpecify},
    UpdateRule{ID_EDIT_COPY, &display::UpdateCopy},
    UpdateRule{ID_FILE_PRINT, &display::UpdatePrint},
};

// A command that inverts one display switch of the options; the view then repaints.
struct DisplayToggle {
  uint16_t id;
  int32_t format::DisplayModeOptions::*flag;
};

inline constexpr std::array kDisplayToggles = {
    DisplayToggle{ID_PREFERENCES_DATAONLY, &format::DisplayModeOptions::m_bDataOnly},
    DisplayToggle{ID_PREFERENCES_SHOWTIME, &format::DisplayModeOptions::m_bShowTime},
    DisplayToggle{ID_PREFERENCES_VERBOSE, &format::DisplayModeOptions::m_bVerbose},
    DisplayToggle{ID_PREFERENCES_VERTSPACE, &format::DisplayModeOptions::m_bVertSpace},
};

// The entry for `id`, or nullptr.
template <class Table>
constexpr const typename Table::value_type* FindById(const Table& table, uint32_t id) {
  for (const auto& entry : table) {
    if (entry.id == id) return &entry;
  }
  return nullptr;
}

}  // namespace app
