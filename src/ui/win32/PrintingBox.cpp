#include "ui/win32/PrintingBox.h"

#include <cstdio>
#include <string_view>
#include <vector>

#include "ui/win32/Dialog.h"
#include "ui/win32/FrameWindow.h"

namespace ui {

namespace {

constexpr WORD kPageText = 100;
constexpr WORD kStaticClass = 0x0082;
constexpr WORD kButtonClass = 0x0080;

// A dialog template in memory (DLGTEMPLATE and its items), built a WORD at a time; the resource
// script is not needed for a box of three controls.
class Template {
 public:
  Template(DWORD style, short cx, short cy, std::string_view caption, WORD items) {
    Dword(style | DS_SETFONT);
    Dword(0);
    m_words.insert(m_words.end(), {items, 0, 0, static_cast<WORD>(cx), static_cast<WORD>(cy)});
    m_words.insert(m_words.end(), {0, 0});  // no menu, the standard dialog class
    Text(caption);
    m_words.push_back(8);
    Text("MS Shell Dlg");
  }

  void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD windowClass,
            std::string_view text) {
    if (m_words.size() % 2 != 0) m_words.push_back(0);  // items start on a DWORD
    Dword(style | WS_CHILD | WS_VISIBLE);
    Dword(0);
    m_words.insert(m_words.end(),
                   {static_cast<WORD>(x), static_cast<WORD>(y), static_cast<WORD>(cx),
                    static_cast<WORD>(cy), id, 0xFFFF, windowClass});
    Text(text);
    m_words.push_back(0);  // no creation data
  }

  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(m_words.data()); }

 private:
  void Dword(DWORD value) { m_words.insert(m_words.end(), {LOWORD(value), HIWORD(value)}); }
  void Text(std::string_view text) {
    const int length =
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::vector<wchar_t> wide(static_cast<size_t>(length > 0 ? length : 0));
    if (!wide.empty()) {
      MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                          length);
    }
    m_words.insert(m_words.end(), wide.begin(), wide.end());
    m_words.push_back(0);
  }

  std::vector<WORD> m_words;
};

}  // namespace

PrintingBox::PrintingBox(HWND owner, const std::string& document) : m_owner(owner) {
  Template box(WS_POPUP | WS_CAPTION | DS_MODALFRAME, 140, 62, "Printing", 3);
  box.Item(SS_CENTER, 8, 8, 124, 8, 0xFFFF, kStaticClass, document);
  box.Item(SS_CENTER, 8, 20, 124, 8, kPageText, kStaticClass, "");
  box.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, 45, 38, 50, 14, IDCANCEL, kButtonClass, "Cancel");
  // Disabled first, so that nothing reaches the owner while the job runs.
  if (m_owner != nullptr) m_ownerDisabled = EnableWindow(m_owner, FALSE) == FALSE;
  m_hwnd = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), box.Get(), m_owner, DialogProc,
                                      reinterpret_cast<LPARAM>(this));
  if (m_hwnd != nullptr) {
    ShowWindow(m_hwnd, SW_SHOW);
    UpdateWindow(m_hwnd);
  }
}

PrintingBox::~PrintingBox() {
  // The owner is enabled before the box goes, so that the activation returns to it.
  if (m_ownerDisabled) EnableWindow(m_owner, TRUE);
  if (m_hwnd != nullptr) DestroyWindow(m_hwnd);
}

void PrintingBox::ShowPage(int page) const {
  char text[32];
  std::snprintf(text, sizeof text, "Page %d", page);
  if (m_hwnd != nullptr) SetDlgItemTextA(m_hwnd, kPageText, text);
}

bool PrintingBox::Pump() {
  MSG msg{};
  while (!m_cancelled && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // for the application's own loop
      break;
    }
    if (m_hwnd == nullptr || !IsDialogMessageA(m_hwnd, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  return !m_cancelled;
}

INT_PTR CALLBACK PrintingBox::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<PrintingBox*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
      FrameWindow::CenterDialogOnScreen(hwnd);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDCANCEL && self != nullptr) {
        self->m_cancelled = true;
        EnableWindow(GetDlgItem(hwnd, IDCANCEL), FALSE);
      }
      return TRUE;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return reinterpret_cast<INT_PTR>(Dialog::UseColours(reinterpret_cast<HDC>(wParam)));
    default:
      return FALSE;
  }
}

}  // namespace ui
