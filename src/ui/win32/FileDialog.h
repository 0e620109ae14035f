// The system's file-open and file-save dialogs.
#pragma once

#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>

namespace ui {

// Shows the dialog with `initialName` (a pattern such as "*.spy") and no filter list, the
// read-only box hidden and a prompt before an existing file is overwritten; the chosen full
// path, or nothing on Cancel.
std::optional<std::string> ChooseFile(HWND owner, bool open, const char* initialName);

// The folder of the running program, with its final backslash.
std::string ProgramFolder();

// A path as the ...A functions give it, in the system's ANSI code page, for the file functions
// that take std::filesystem::path (whose own conversion of a narrow string is another one).
std::filesystem::path PathFromAnsi(const std::string& path);

}  // namespace ui
