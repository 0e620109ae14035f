// The system's file-open and file-save dialogs.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace ui {

// Shows the dialog with `initialName` (a pattern such as "*.spy") and no filter list, the
// read-only box hidden and a prompt before an existing file is overwritten; the chosen full
// path, or nothing on Cancel.
std::optional<std::string> ChooseFile(HWND owner, bool open, const char* initialName);

// The folder of the running program, with its final backslash.
std::string ProgramFolder();

}  // namespace ui
