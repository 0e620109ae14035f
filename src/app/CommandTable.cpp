#include "app/CommandTable.h"

namespace app {

std::vector<StringEntry> StringTable() {
  std::vector<StringEntry> table;
  table.push_back({IDR_MAINFRAME, kDocTemplateString});
  for (const Command& command : kCommands) {
    if (!command.prompt.empty()) table.push_back({command.id, command.prompt});
  }
  for (const StatusPane& pane : kStatusPanes) {
    table.push_back(
        {pane.id == ID_SEPARATOR ? uint16_t{IDS_IDLEMESSAGE} : pane.id, pane.initialText});
  }
  return table;
}

const Command* FindCommand(uint16_t id) {
  for (const Command& command : kCommands) {
    if (command.id == id) return &command;
  }
  return nullptr;
}

}  // namespace app
