// quarnet.exe's compiled resources hold exactly the command set of app/CommandTable.h: the menu
// in order with its separators, the accelerators, every string and the toolbar strip; and a
// help topic for the program and for every traced socket call.
#include <windows.h>

#include <string>
#include <vector>

#include "Check.h"
#include "CompiledHelp.h"
#include "app/CommandTable.h"
#include "protocol/Calls.h"

namespace {

// The menu as the flat list the table uses: depth, kind, text, id.
void Flatten(HMENU menu, int depth, std::vector<app::MenuEntry>& out,
             std::vector<std::string>& texts) {
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    char text[128] = {};
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU;
    info.dwTypeData = text;
    info.cch = sizeof text;
    GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info);
    texts.emplace_back(text);
    if (info.fType & MFT_SEPARATOR) {
      out.push_back({depth, app::MenuKind::kSeparator, "", 0});
    } else if (info.hSubMenu != nullptr) {
      out.push_back({depth, app::MenuKind::kPopup, texts.back(), 0});
      Flatten(info.hSubMenu, depth + 1, out, texts);
    } else {
      out.push_back({depth, app::MenuKind::kItem, texts.back(), static_cast<uint16_t>(info.wID)});
    }
  }
}

std::string ProgramBeside(const char* relative) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  std::string folder(path);
  folder.resize(folder.rfind('\\') + 1);
  return folder + relative;
}

}  // namespace

int main() {
  // tests/win32/resources_test.exe and bin/quarnet.exe in the same build folder.
  HMODULE exe = LoadLibraryExA(ProgramBeside("..\\..\\bin\\quarnet.exe").c_str(), nullptr,
                               LOAD_LIBRARY_AS_DATAFILE);
  CHECK(exe != nullptr);
  if (exe == nullptr) return check::Finish("resources_test");

  HMENU menu = LoadMenuA(exe, MAKEINTRESOURCEA(IDR_MAINFRAME));
  CHECK(menu != nullptr);
  std::vector<app::MenuEntry> entries;
  std::vector<std::string> texts;
  texts.reserve(256);  // entries point into it
  Flatten(menu, 0, entries, texts);
  CHECK(entries.size() == app::kMainMenu.size());
  for (size_t i = 0; i < entries.size() && i < app::kMainMenu.size(); ++i) {
    const app::MenuEntry& want = app::kMainMenu[i];
    const bool same = entries[i].depth == want.depth && entries[i].kind == want.kind &&
                      entries[i].text == want.text && entries[i].id == want.id;
    if (!same) std::printf("menu entry %zu: \"%s\" %u\n", i, texts[i].c_str(), entries[i].id);
    CHECK(same);
  }

  HACCEL table = LoadAcceleratorsA(exe, MAKEINTRESOURCEA(IDR_MAINFRAME));
  std::vector<ACCEL> keys(static_cast<size_t>(CopyAcceleratorTableA(table, nullptr, 0)));
  CopyAcceleratorTableA(table, keys.data(), static_cast<int>(keys.size()));
  CHECK(keys.size() == app::kAccelerators.size());
  for (const app::Accelerator& want : app::kAccelerators) {
    BYTE flags = FVIRTKEY;
    if (want.modifiers & app::kCtrl) flags |= FCONTROL;
    if (want.modifiers & app::kShift) flags |= FSHIFT;
    if (want.modifiers & app::kAlt) flags |= FALT;
    bool found = false;
    for (const ACCEL& key : keys) {
      found = found || ((key.fVirt & ~0x80) == flags && key.key == want.key && key.cmd == want.id);
    }
    if (!found) std::printf("accelerator %u for %u missing\n", want.key, want.id);
    CHECK(found);
  }

  for (const app::StringEntry& want : app::StringTable()) {
    char text[512] = {};
    LoadStringA(exe, want.id, text, sizeof text);
    if (text != want.text) std::printf("string %u: \"%s\"\n", want.id, text);
    CHECK(text == want.text);
  }

  // One 16 by 15 image for each toolbar slot that is not a separator.
  size_t buttons = 0;
  for (uint16_t slot : app::kToolbarButtons) buttons += slot != ID_SEPARATOR ? 1 : 0;
  HBITMAP strip = LoadBitmapA(exe, MAKEINTRESOURCEA(IDR_MAINFRAME));
  BITMAP bitmap{};
  CHECK(strip != nullptr && GetObjectA(strip, sizeof bitmap, &bitmap) == sizeof bitmap);
  CHECK(bitmap.bmWidth == static_cast<LONG>(16 * buttons) && bitmap.bmHeight == 15);
  CHECK(LoadIconA(exe, MAKEINTRESOURCEA(IDR_MAINFRAME)) != nullptr);

  // The general context opens the overview, and each call's own context a topic named after it.
  const app::HelpBook help = CompiledHelp(exe);
  std::printf("help topics compiled in:");
  for (const app::HelpTopic& topic : help.Topics()) std::printf(" %s;", topic.title.c_str());
  std::printf("\n");
  for (const std::string& problem : help.Problems()) std::printf("help: %s\n", problem.c_str());
  CHECK(help.Problems().empty());
  for (int32_t id = -1; id < protocol::calls::kRowCount; ++id) {
    const uint32_t context = protocol::calls::HelpContext(id);
    const auto topic = help.FindContext(context);
    // A Winsock 2 call's topic says so: its 1.1 namesake has a topic of its own.
    const std::string title = context == protocol::calls::kGeneralTopic ? "Quarnet"
                              : protocol::calls::FamilyOf(id) == protocol::calls::Family::kWinsock2
                                  ? std::string(protocol::calls::kCalls[id].name) + " (Winsock 2)"
                                  : std::string(protocol::calls::kCalls[id].name);
    const bool named =
        topic && help.Topics()[*topic].title == title && !help.Topics()[*topic].blocks.empty();
    if (!named) std::printf("context %u: no topic \"%s\" with text\n", context, title.c_str());
    CHECK(named);
  }
  return check::Finish("resources_test");
}
