#include "app/CommandTable.h"

namespace app {

std::vector<StringEntry> StringTable() {
  return {
#define MENU_ITEM(text, id, owner, prompt) {id, prompt},
#define STATUS_PROMPT(id, text) {id, text},
#define STATUS_PANE(id, text) {id, text},
#define STRING(id, text) {id, text},
#include "app/Commands.def"
  };
}

const Command* FindCommand(uint16_t id) {
  for (const Command& command : kCommands) {
    if (command.id == id) return &command;
  }
  return nullptr;
}

}  // namespace app
