// The command set as the user meets it (menu, owners, prompts, toolbar, panes, keys), written out
// here apart from app/Commands.def, so that a slip in the list shows.
#include "app/CommandTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

using app::MenuKind;
using app::Owner;

// The menu as the user reads it, one line per entry: "Path|Text|Id" or "Path|-" for separators.
std::vector<std::string> MenuLines() {
  std::vector<std::string> lines;
  std::vector<std::string> path;
  for (const app::MenuEntry& entry : app::kMainMenu) {
    path.resize(static_cast<size_t>(entry.depth));
    std::string where;
    for (const std::string& p : path) where += p + ">";
    switch (entry.kind) {
      case MenuKind::kPopup:
        path.emplace_back(entry.text);
        break;
      case MenuKind::kItem:
        lines.push_back(where + std::string(entry.text) + "|" + std::to_string(entry.id));
        break;
      case MenuKind::kSeparator:
        lines.push_back(where + "-");
        break;
    }
  }
  return lines;
}

TEST(CommandTable, MenuHoldsEveryItemAndSeparatorInOrder) {
  const std::vector<std::string> expected = {
      "&File>&Begin Trace|32782",
      "&File>&End Trace|32781",
      "&File>&Launch Pgm|32784",
      "&File>-",
      "&File>&Open|57601",
      "&File>Save &As|57604",
      "&File>&Print|57607",
      "&File>-",
      "&File>E&xit|57665",
      "&Edit>Copy to Cli&pboard|57634",
      "&Edit>&Clear Buffer|32783",
      "&View>Tool&bar|59392",
      "&View>&Status Bar|59393",
      "&View>-",
      "&View>&Trap Buffer|32776",
      "&Setup>&Filters|32772",
      "&Setup>&Trigger>&Enable|32787",
      "&Setup>&Trigger>&Specify|32789",
      "&Setup>-",
      "&Setup>&Preferences>&Data Only|32785",
      "&Setup>&Preferences>Show &Time|32779",
      "&Setup>&Preferences>&Verbose|32778",
      "&Setup>&Preferences>Vert &Space|32780",
      "&Setup>&Preferences>-",
      "&Setup>&Preferences>&Colors|32774",
      "&Setup>&Preferences>&Font|32777",
      "&Help>&Index|57666",
      "&Help>&Using Help|57668",
      "&Help>-",
      "&Help>&About Quarnet...|57664",
  };
  EXPECT_EQ(MenuLines(), expected);
}

TEST(CommandTable, EveryCommandHasItsOwnerAndPromptOnce) {
  struct Expected {
    uint16_t id;
    Owner owner;
    const char* prompt;
  };
  const Expected expected[] = {
      {32782, Owner::kView, "Monitor WinSock API Calls\nStart Trace"},
      {32781, Owner::kView, "Stop Monitoring WinSock API Calls\nStop Trace"},
      {32784, Owner::kView, "Start up external WinSock application"},
      {57601, Owner::kView, "Open an existing trace document\nRead Trace File"},
      {57604, Owner::kView, "Save the current trace buffer to disk\nSave Trace"},
      {57607, Owner::kView, "Print the viewed trace buffer\nPrint Trace Buffer"},
      {57665, Owner::kFramework, "Quit the application; prompts to save documents"},
      {57634, Owner::kView, "Copy the trace buffer and put it on the Clipboard\nClipboard"},
      {32783, Owner::kView, "Clear trace buffer"},
      {59392, Owner::kFramework, "Show or hide the toolbar"},
      {59393, Owner::kFramework, "Show or hide the status bar"},
      {32776, Owner::kView, "Select between trace buffer and trap buffer"},
      {32772, Owner::kView, "Configure WinSock API Filters\nFilters"},
      {32787, Owner::kView, "Enable the Trap\nEnable Trap"},
      {32789, Owner::kView, "Configure the Trigger Condition"},
      {32785, Owner::kView, "Show only Send & Recv data"},
      {32779, Owner::kView, "Display timestamp for each event\nTimeStamp"},
      {32778, Owner::kView, "Display Winsock API function parameters\nExpand Display"},
      {32780, Owner::kView, "Space between Events"},
      {32774, Owner::kView, "Define display colors"},
      {32777, Owner::kView, "Define display font"},
      {57666, Owner::kFrame, "List Help topics"},
      {57668, Owner::kFrame, "Display instructions about how to use help"},
      {57664, Owner::kApplication,
       "Display program information, version number and copyright\nAbout"},
      // Handlers without a menu item, and accelerators that do nothing.
      {57600, Owner::kApplication, ""},
      {57603, Owner::kFramework, ""},
      {57606, Owner::kApplication, ""},
      {57609, Owner::kNone, ""},
      {57669, Owner::kFrame, ""},
      {57670, Owner::kFrame, ""},
      {57671, Owner::kFrame, ""},
      {57643, Owner::kNone, ""},
      {57635, Owner::kNone, ""},
      {57637, Owner::kNone, ""},
      {57680, Owner::kNone, ""},
      {57681, Owner::kNone, ""},
  };
  ASSERT_EQ(app::kCommands.size(), std::size(expected));
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.id);
    EXPECT_EQ(std::count_if(app::kCommands.begin(), app::kCommands.end(),
                            [&](const app::Command& c) { return c.id == e.id; }),
              1);
    const app::Command* command = app::FindCommand(e.id);
    ASSERT_NE(command, nullptr);
    EXPECT_EQ(command->owner, e.owner);
    EXPECT_EQ(command->prompt, e.prompt);
  }
  EXPECT_EQ(app::FindCommand(12345), nullptr);
}

TEST(CommandTable, ToolbarPanesAndAccelerators) {
  const std::vector<uint16_t> toolbar(app::kToolbarButtons.begin(), app::kToolbarButtons.end());
  EXPECT_EQ(toolbar, (std::vector<uint16_t>{57601, 57604, 0, 0, 32779, 32778, 0, 32772, 32787,
                                            32782, 32781, 0, 0, 57634, 57607, 0, 57664}));

  ASSERT_EQ(app::kStatusPanes.size(), 5u);
  EXPECT_EQ(app::kStatusPanes[1].id, 59143);
  EXPECT_EQ(app::kStatusPanes[1].initialText, "Trap Buffer Empty");
  EXPECT_EQ(app::kStatusPanes[2].id, 59144);
  EXPECT_EQ(app::kStatusPanes[2].initialText, "Trigger OnSafe");
  EXPECT_EQ(app::kStatusPanes[3].id, 59142);
  EXPECT_EQ(app::kStatusPanes[3].initialText, "0001:0200");

  std::set<std::tuple<uint16_t, uint8_t, uint16_t>> keys;
  for (const app::Accelerator& a : app::kAccelerators) keys.insert({a.key, a.modifiers, a.id});
  const std::set<std::tuple<uint16_t, uint8_t, uint16_t>> expected = {
      {'N', app::kCtrl, 57600},        {'O', app::kCtrl, 57601},   {'S', app::kCtrl, 57603},
      {'P', app::kCtrl, 57607},        {'C', app::kCtrl, 57634},   {0x2D, app::kCtrl, 57634},
      {'Z', app::kCtrl, 57643},        {0x08, app::kAlt, 57643},   {'X', app::kCtrl, 57635},
      {0x2E, app::kShift, 57635},      {'V', app::kCtrl, 57637},   {0x2D, app::kShift, 57637},
      {0x75, app::kNoModifier, 57680}, {0x75, app::kShift, 57681}, {0x70, app::kNoModifier, 57670},
      {0x70, app::kShift, 57669},
  };
  EXPECT_EQ(keys, expected);
  EXPECT_EQ(keys.size(), app::kAccelerators.size());
}

// Every id the menu, toolbar and keys name has a routing entry, and the string table holds
// exactly one text per id, so the shell can look each of them up.
TEST(CommandTable, EveryReachableIdIsRoutedAndHasOneString) {
  for (const app::MenuEntry& entry : app::kMainMenu) {
    if (entry.kind == MenuKind::kItem) {
      const app::Command* command = app::FindCommand(entry.id);
      ASSERT_NE(command, nullptr) << entry.text;
      EXPECT_FALSE(command->prompt.empty()) << entry.text;
    }
  }
  for (uint16_t id : app::kToolbarButtons) {
    if (id != ID_SEPARATOR) {
      EXPECT_NE(app::FindCommand(id), nullptr) << id;
    }
  }
  for (const app::Accelerator& a : app::kAccelerators) EXPECT_NE(app::FindCommand(a.id), nullptr);

  std::set<uint16_t> ids;
  for (const app::StringEntry& s : app::StringTable()) {
    EXPECT_TRUE(ids.insert(s.id).second) << "twice: " << s.id;
  }
  EXPECT_TRUE(ids.count(IDS_IDLEMESSAGE));
  EXPECT_TRUE(ids.count(IDR_MAINFRAME));
  EXPECT_TRUE(ids.count(ID_INDICATOR_TRIGGER));
}

}  // namespace
