#include "ui/win32/Dialog.h"

#include <vector>

#include "ui/HelpContext.h"
#include "ui/win32/App.h"
#include "ui/win32/FrameWindow.h"

namespace ui {

namespace {

constexpr char kRefusalCaption[] = "Quarnet";

HWND MainWindow() {
  const App* app = App::Current();
  return app != nullptr && app->m_pMainWnd != nullptr ? app->m_pMainWnd->Hwnd() : nullptr;
}

}  // namespace

HBRUSH Dialog::UseColours(HDC dc) {
  static const HBRUSH brush = CreateSolidBrush(kBackground);
  SetTextColor(dc, kText);
  SetBkColor(dc, kBackground);
  return brush;
}

Dialog::Dialog(UINT templateId, HWND owner)
    : m_templateId(templateId), m_owner(owner != nullptr ? owner : MainWindow()) {}

INT_PTR Dialog::DoModal() {
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_templateId), m_owner,
                         DialogProc, reinterpret_cast<LPARAM>(this));
}

bool Dialog::OnControl(int, UINT) {
  return false;
}

bool Dialog::OnMessage(UINT, WPARAM, LPARAM, INT_PTR&) {
  return false;
}

void Dialog::OnOK() {
  End(IDOK);
}

void Dialog::Refuse(const std::string& message, int controlId) const {
  MessageBoxA(m_hwnd, message.c_str(), kRefusalCaption, MB_OK | MB_ICONEXCLAMATION);
  HWND control = Item(controlId);
  if (control == nullptr) return;
  // Through the dialog manager, so that the default button follows the focus.
  SendMessageA(m_hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
  SendMessageA(control, EM_SETSEL, 0, -1);
}

std::string Dialog::ItemText(int id) const {
  HWND control = Item(id);
  std::vector<char> text(static_cast<size_t>(GetWindowTextLengthA(control)) + 1);
  const int n = GetWindowTextA(control, text.data(), static_cast<int>(text.size()));
  return std::string(text.data(), static_cast<size_t>(n > 0 ? n : 0));
}

void Dialog::SetItemText(int id, const std::string& text) const {
  SetDlgItemTextA(m_hwnd, id, text.c_str());
}

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<Dialog*>(lParam);
    self->m_hwnd = hwnd;
    SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
    // F1 in the dialog opens the topic of its template.
    SetWindowContextHelpId(hwnd, DialogHelpContext(self->m_templateId));
  }
  if (self == nullptr) return FALSE;
  try {
    return self->Handle(message, wParam, lParam);
  } catch (...) {
    ReportHandlerFailure(hwnd);
    return FALSE;
  }
}

INT_PTR Dialog::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  INT_PTR result = 0;
  if (OnMessage(message, wParam, lParam, result)) return result;
  switch (message) {
    case WM_INITDIALOG:
      FrameWindow::CenterDialogOnScreen(m_hwnd);
      OnInitDialog();
      return TRUE;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const UINT notification = HIWORD(wParam);
      if (id == IDOK && notification == BN_CLICKED) {
        OnOK();
      } else if (id == IDCANCEL) {
        End(IDCANCEL);
      } else {
        return OnControl(id, notification) ? TRUE : FALSE;
      }
      return TRUE;
    }
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORMSGBOX:
      return reinterpret_cast<INT_PTR>(UseColours(reinterpret_cast<HDC>(wParam)));
    case WM_NCDESTROY:
      m_hwnd = nullptr;
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace ui
