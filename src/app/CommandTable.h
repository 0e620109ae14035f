// The shell's command set as data: every command with its owner and prompt, the menu in menu
// order, the toolbar slots, the status panes and the accelerator table. res/quarnet.rc and the
// shell's routing are checked against these tables, so they are the one place to change.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "app/ResourceIds.h"

namespace app {

// Whose handler runs a command. The view is asked first, then document, frame, application.
enum class Owner {
  kView,
  kFramework,    // the framework's own handler (exit, bar toggles, document save)
  kFrame,        // the main frame, passing on to the framework's help
  kApplication,  // the application object (About) or the framework's application handlers
  kNone,         // an accelerator without a handler: nothing happens
};

struct Command {
  uint16_t id;
  Owner owner;
  // String-table text under the id: status-bar prompt, then after '\n' a short name that
  // nothing shows. Empty for commands without a menu item.
  std::string_view prompt;
};

inline constexpr std::array kCommands = {
    Command{ID_FILE_BEGINTRACE, Owner::kView, "Monitor WinSock API Calls\nStart Trace"},
    Command{ID_FILE_ENDTRACE, Owner::kView, "Stop Monitoring WinSock API Calls\nStop Trace"},
    Command{ID_FILE_LAUNCHPGM, Owner::kView, "Start up external WinSock application"},
    Command{ID_FILE_OPEN, Owner::kView, "Open an existing trace document\nRead Trace File"},
    Command{ID_FILE_SAVE_AS, Owner::kView, "Save the current trace buffer to disk\nSave Trace"},
    Command{ID_FILE_PRINT, Owner::kView, "Print the viewed trace buffer\nPrint Trace Buffer"},
    Command{ID_APP_EXIT, Owner::kFramework, "Quit the application; prompts to save documents"},
    Command{ID_EDIT_COPY, Owner::kView,
            "Copy the trace buffer and put it on the Clipboard\nClipboard"},
    Command{ID_EDIT_CLEARBUFFER, Owner::kView, "Clear trace buffer"},
    Command{ID_VIEW_TOOLBAR, Owner::kFramework, "Show or hide the toolbar"},
    Command{ID_VIEW_STATUS_BAR, Owner::kFramework, "Show or hide the status bar"},
    Command{ID_VIEW_TRAPBUFFER, Owner::kView, "Select between trace buffer and trap buffer"},
    Command{ID_SETUP_FILTERS, Owner::kView, "Configure WinSock API Filters\nFilters"},
    Command{ID_TRIGGER_ENABLE, Owner::kView, "Enable the Trap\nEnable Trap"},
    Command{ID_TRIGGER_SPECIFY, Owner::kView, "Configure the Trigger Condition"},
    Command{ID_PREFERENCES_DATAONLY, Owner::kView, "Show only Send & Recv data"},
    Command{ID_PREFERENCES_SHOWTIME, Owner::kView, "Display timestamp for each event\nTimeStamp"},
    Command{ID_PREFERENCES_VERBOSE, Owner::kView,
            "Display Winsock API function parameters\nExpand Display"},
    Command{ID_PREFERENCES_VERTSPACE, Owner::kView, "Space between Events"},
    Command{ID_PREFERENCES_COLORS, Owner::kView, "Define display colors"},
    Command{ID_PREFERENCES_FONT, Owner::kView, "Define display font"},
    Command{ID_HELP_INDEX, Owner::kFrame, "List Help topics"},
    Command{ID_HELP_USING, Owner::kFrame, "Display instructions about how to use help"},
    Command{ID_APP_ABOUT, Owner::kApplication,
            "Display program information, version number and copyright\nAbout"},
    // Reached by accelerator only, or by nothing the user sees.
    Command{ID_FILE_NEW, Owner::kApplication, ""},
    Command{ID_FILE_SAVE, Owner::kFramework, ""},
    Command{ID_FILE_PRINT_SETUP, Owner::kApplication, ""},
    Command{ID_FILE_PRINT_PREVIEW, Owner::kView, ""},
    Command{ID_CONTEXT_HELP, Owner::kFrame, ""},
    Command{ID_HELP, Owner::kFrame, ""},
    Command{ID_DEFAULT_HELP, Owner::kFrame, ""},
    Command{ID_EDIT_UNDO, Owner::kNone, ""},
    Command{ID_EDIT_CUT, Owner::kNone, ""},
    Command{ID_EDIT_PASTE, Owner::kNone, ""},
    Command{ID_NEXT_PANE, Owner::kNone, ""},
    Command{ID_PREV_PANE, Owner::kNone, ""},
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

namespace menu {
constexpr MenuEntry Popup(int depth, std::string_view text) {
  return {depth, MenuKind::kPopup, text, 0};
}
constexpr MenuEntry Item(int depth, std::string_view text, uint16_t id) {
  return {depth, MenuKind::kItem, text, id};
}
constexpr MenuEntry Separator(int depth) {
  return {depth, MenuKind::kSeparator, "", 0};
}
}  // namespace menu

inline constexpr std::array kMainMenu = {
    menu::Popup(0, "&File"),
    menu::Item(1, "&Begin Trace", ID_FILE_BEGINTRACE),
    menu::Item(1, "&End Trace", ID_FILE_ENDTRACE),
    menu::Item(1, "&Launch Pgm", ID_FILE_LAUNCHPGM),
    menu::Separator(1),
    menu::Item(1, "&Open", ID_FILE_OPEN),
    menu::Item(1, "Save &As", ID_FILE_SAVE_AS),
    menu::Item(1, "&Print", ID_FILE_PRINT),
    menu::Separator(1),
    menu::Item(1, "E&xit", ID_APP_EXIT),
    menu::Popup(0, "&Edit"),
    menu::Item(1, "Copy to Cli&pboard", ID_EDIT_COPY),
    menu::Item(1, "&Clear Buffer", ID_EDIT_CLEARBUFFER),
    menu::Popup(0, "&View"),
    menu::Item(1, "Tool&bar", ID_VIEW_TOOLBAR),
    menu::Item(1, "&Status Bar", ID_VIEW_STATUS_BAR),
    menu::Separator(1),
    menu::Item(1, "&Trap Buffer", ID_VIEW_TRAPBUFFER),
    menu::Popup(0, "&Setup"),
    menu::Item(1, "&Filters", ID_SETUP_FILTERS),
    menu::Popup(1, "&Trigger"),
    menu::Item(2, "&Enable", ID_TRIGGER_ENABLE),
    menu::Item(2, "&Specify", ID_TRIGGER_SPECIFY),
    menu::Separator(1),
    menu::Popup(1, "&Preferences"),
    menu::Item(2, "&Data Only", ID_PREFERENCES_DATAONLY),
    menu::Item(2, "Show &Time", ID_PREFERENCES_SHOWTIME),
    menu::Item(2, "&Verbose", ID_PREFERENCES_VERBOSE),
    menu::Item(2, "Vert &Space", ID_PREFERENCES_VERTSPACE),
    menu::Separator(2),
    menu::Item(2, "&Colors", ID_PREFERENCES_COLORS),
    menu::Item(2, "&Font", ID_PREFERENCES_FONT),
    menu::Popup(0, "&Help"),
    menu::Item(1, "&Index", ID_HELP_INDEX),
    menu::Item(1, "&Using Help", ID_HELP_USING),
    menu::Separator(1),
    menu::Item(1, "&About Quarnet...", ID_APP_ABOUT),
};

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
  // Held in the string table under the id; sets the pane's width. The last three are the widest
  // texts the panes show ("Trigger OnSafe" covers "Trigger On" and "Trigger Off").
  std::string_view initialText;
};

inline constexpr std::array kStatusPanes = {
    StatusPane{ID_SEPARATOR, "For Help, press F1"},
    StatusPane{ID_INDICATOR_TRAP, "Trap Buffer Empty"},
    StatusPane{ID_INDICATOR_TRIGGER, "Trigger OnSafe"},
    StatusPane{ID_INDICATOR_POSITION, "0001:0200"},
    StatusPane{ID_INDICATOR_LOST, "Lost 99999999"},
};

// Windows virtual-key codes used by the accelerators (letters are their upper-case ASCII).
namespace vk {
inline constexpr uint16_t kBack = 0x08;
inline constexpr uint16_t kInsert = 0x2D;
inline constexpr uint16_t kDelete = 0x2E;
inline constexpr uint16_t kF1 = 0x70;
inline constexpr uint16_t kF6 = 0x75;
}  // namespace vk

enum Modifier : uint8_t { kNoModifier = 0, kCtrl = 1, kShift = 2, kAlt = 4 };

struct Accelerator {
  uint16_t key;  // virtual-key code
  uint8_t modifiers;
  uint16_t id;
};

inline constexpr std::array kAccelerators = {
    Accelerator{'N', kCtrl, ID_FILE_NEW},
    Accelerator{'O', kCtrl, ID_FILE_OPEN},
    Accelerator{'S', kCtrl, ID_FILE_SAVE},
    Accelerator{'P', kCtrl, ID_FILE_PRINT},
    Accelerator{'C', kCtrl, ID_EDIT_COPY},
    Accelerator{vk::kInsert, kCtrl, ID_EDIT_COPY},
    Accelerator{'Z', kCtrl, ID_EDIT_UNDO},
    Accelerator{vk::kBack, kAlt, ID_EDIT_UNDO},
    Accelerator{'X', kCtrl, ID_EDIT_CUT},
    Accelerator{vk::kDelete, kShift, ID_EDIT_CUT},
    Accelerator{'V', kCtrl, ID_EDIT_PASTE},
    Accelerator{vk::kInsert, kShift, ID_EDIT_PASTE},
    Accelerator{vk::kF6, kNoModifier, ID_NEXT_PANE},
    Accelerator{vk::kF6, kShift, ID_PREV_PANE},
    Accelerator{vk::kF1, kNoModifier, ID_HELP},
    Accelerator{vk::kF1, kShift, ID_CONTEXT_HELP},
};

inline constexpr std::string_view kDocTemplateString =
    "Quarnet Windows Application\nQuarns\nQuarns Document\n\n\nQuarns.Document\nQuarns Document";

struct StringEntry {
  uint16_t id;
  std::string_view text;
};

// Everything the string table must hold: the document template string, the idle prompt, every
// non-empty command prompt and the pane texts.
std::vector<StringEntry> StringTable();

// The command with this id, or nullptr when the table has none.
const Command* FindCommand(uint16_t id);

}  // namespace app
