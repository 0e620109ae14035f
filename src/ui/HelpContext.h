// Help context numbers of commands and dialog templates: the id offset by a base, as the
// platform's help convention numbers them, so that they never meet the contexts a help text
// states for itself (1, 175 to 197).
#pragma once

#include <cstdint>

namespace ui {

inline constexpr uint32_t kCommandHelpBase = 0x10000;
inline constexpr uint32_t kDialogHelpBase = 0x20000;

constexpr uint32_t CommandHelpContext(uint32_t commandId) {
  return kCommandHelpBase + commandId;
}
constexpr uint32_t DialogHelpContext(uint32_t dialogId) {
  return kDialogHelpBase + dialogId;
}

}  // namespace ui
