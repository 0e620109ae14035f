// The shell's command set as data: every command with its owner and prompt, the menu in menu
// order, the toolbar slots, the status panes, the accelerator table and the string table. All but
// the toolbar are expanded from app/Commands.def, the list res/quarnet.rc expands too.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "app/ResourceIds.h"
#include "ui/VirtualKeys.h"

namespace app {

// Whose handler runs a command. The view is asked first, then document, frame, application.
enum class Owner {
  kView,
  kFramework,    // the framework's own handler (exit, bar toggles, document save)
  kFrame,        // the main frame, passing on to the framework's help
  kApplication,  // the application object (About) or the framework's application handlers
  kNone,         // no handler: nothing happens
};

struct Command {
  uint16_t id;
  Owner owner;
  // String-table text under the id: status-bar prompt, then after '\n' a short name that
  // nothing shows. Empty for commands without a menu item.
  std::string_view prompt;
};

// The commands of the menu in menu order, then those without a menu item.
inline constexpr std::array kCommands = {
#define MENU_ITEM(text, id, owner, prompt) Command{id, Owner::k##owner, prompt},
#define COMMAND(id, owner) Command{id, Owner::k##owner, ""},
#include "app/Commands.def"
};

// The menu as a flat list in menu order: a popup at depth d holds the entries after it at depth
// d + 1, up to the next entry at depth d or less.
enum class MenuKind { kPopup, kItem, kSeparator };

struct MenuEntry {
  int depth;
  MenuKind kind;
  std::string_view text;  // empty for separators
  uint16_t id;            // 0 for popups and separators
};

namespace detail {

// The menu as the list writes it: a popup's entries end at an end mark.
struct MenuLine {
  bool end;
  MenuKind kind;
  std::string_view text;
  uint16_t id;
};

inline constexpr MenuLine kMenuLines[] = {
#define MENU_POPUP(text) MenuLine{false, MenuKind::kPopup, text, 0},
#define MENU_ITEM(text, id, owner, prompt) MenuLine{false, MenuKind::kItem, text, id},
#define MENU_SEPARATOR MenuLine{false, MenuKind::kSeparator, "", 0},
#define MENU_END MenuLine{true, MenuKind::kSeparator, "", 0},
#include "app/Commands.def"
};

inline constexpr size_t kMenuEntries = std::ranges::count(kMenuLines, false, &MenuLine::end);

constexpr std::array<MenuEntry, kMenuEntries> NestMenu() {
  std::array<MenuEntry, kMenuEntries> entries{};
  int depth = 0;
  size_t at = 0;
  for (const MenuLine& line : kMenuLines) {
    if (line.end) {
      --depth;
      continue;
    }
    entries[at++] = {depth, line.kind, line.text, line.id};
    if (line.kind == MenuKind::kPopup) ++depth;
  }
  return entries;
}

}  // namespace detail

inline constexpr std::array kMainMenu = detail::NestMenu();

// 17 slots; ID_SEPARATOR marks a gap. The bitmap strip has one image per other slot, in order.
inline constexpr std::array<uint16_t, 17> kToolbarButtons = {
    ID_FILE_OPEN,
    ID_FILE_SAVE_AS,
    ID_SEPARATOR,
    ID_SEPARATOR,
    ID_PREFERENCES_SHOWTIME,
    ID_PREFERENCES_VERBOSE,
    ID_SEPARATOR,
    ID_SETUP_FILTERS,
    ID_TRIGGER_ENABLE,
    ID_FILE_BEGINTRACE,
    ID_FILE_ENDTRACE,
    ID_SEPARATOR,
    ID_SEPARATOR,
    ID_EDIT_COPY,
    ID_FILE_PRINT,
    ID_SEPARATOR,
    ID_APP_ABOUT,
};

struct StatusPane {
  uint16_t id;
  // Held in the string table under the id (pane 0's, the idle prompt, under IDS_IDLEMESSAGE);
  // sets the pane's width.
  std::string_view initialText;
};

inline constexpr std::array kStatusPanes = {
#define STATUS_PROMPT(id, text) StatusPane{ID_SEPARATOR, text},
#define STATUS_PANE(id, text) StatusPane{id, text},
#include "app/Commands.def"
};

enum Modifier : uint8_t { kNoModifier = 0, kCtrl = 1, kShift = 2, kAlt = 4 };

struct Accelerator {
  uint16_t key;  // virtual-key code
  uint8_t modifiers;
  uint16_t id;
};

inline constexpr std::array kAccelerators = {
#define ACCELERATOR(key, modifier, id) Accelerator{key, k##modifier, id},
#include "app/Commands.def"
};

struct StringEntry {
  uint16_t id;
  std::string_view text;
};

// Everything the string table holds: every menu item's prompt, the idle prompt, the pane texts
// and the document template string.
std::vector<StringEntry> StringTable();

// The command with this id, or nullptr when the table has none.
const Command* FindCommand(uint16_t id);

}  // namespace app
