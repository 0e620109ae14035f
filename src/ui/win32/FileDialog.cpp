#include "ui/win32/FileDialog.h"

#include <commdlg.h>

#include <vector>

namespace ui {

std::optional<std::string> ChooseFile(HWND owner, bool open, const char* initialName) {
  std::vector<char> path(MAX_PATH * 4, '\0');
  lstrcpynA(path.data(), initialName, static_cast<int>(path.size()));
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFile = path.data();
  ofn.nMaxFile = static_cast<DWORD>(path.size());
  ofn.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_EXPLORER | OFN_ENABLESIZING;
  const BOOL ok = open ? GetOpenFileNameA(&ofn) : GetSaveFileNameA(&ofn);
  if (!ok) return std::nullopt;
  return std::string(path.data());
}

std::filesystem::path PathFromAnsi(const std::string& path) {
  if (path.empty()) return {};
  const int size = static_cast<int>(path.size());
  const int length = MultiByteToWideChar(CP_ACP, 0, path.data(), size, nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, path.data(), size, wide.data(), length);
  return std::filesystem::path(wide);
}

std::string ProgramFolder() {
  std::vector<char> path(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return std::string();
    if (n < path.size()) {
      std::string full(path.data(), n);
      return full.substr(0, full.rfind('\\') + 1);
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace ui
