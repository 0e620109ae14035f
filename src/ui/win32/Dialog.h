// Modal dialogs from .rc templates: owned by the main window (which is disabled while one runs),
// centred on the screen when they open, drawn on light grey with black text. Notifications of
// the controls reach the class's handlers through a static table per class; the dialog manager
// gives Enter to OK, Escape to Cancel and Alt+letter to the control with that mnemonic.
#pragma once

#include <windows.h>

#include <span>
#include <string>

namespace ui {

template <class T>
struct ControlEntry {
  int id;
  UINT notification;  // BN_CLICKED, EN_KILLFOCUS, LBN_SELCHANGE ...
  void (T::*handler)();
};

// Looks a control's notification up in one class's table; true when the class handles it.
template <class T>
bool DispatchControl(T* self, std::span<const ControlEntry<T>> table, int id, UINT notification) {
  for (const auto& entry : table) {
    if (entry.id == id && entry.notification == notification) {
      (self->*entry.handler)();
      return true;
    }
  }
  return false;
}

class Dialog {
 public:
  // Without an owner the dialog belongs to the application's main window.
  explicit Dialog(UINT templateId, HWND owner = nullptr);
  virtual ~Dialog() = default;
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Runs the dialog; IDOK, IDCANCEL or -1 when it could not be shown.
  INT_PTR DoModal();
  HWND Hwnd() const { return m_hwnd; }

  // Background and text colour of every dialog of the program.
  static constexpr COLORREF kBackground = RGB(192, 192, 192);
  static constexpr COLORREF kText = RGB(0, 0, 0);
  // Sets them on `dc` and returns the background brush: the answer to WM_CTLCOLOR*.
  static HBRUSH UseColours(HDC dc);

 protected:
  // Loads the controls once the dialog is centred; the focus then goes to the first tab stop.
  virtual void OnInitDialog() {}
  // A control's notification; true when handled.
  virtual bool OnControl(int id, UINT notification);
  // Other messages of the class; true when handled, with `result` the dialog procedure's answer.
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);
  // OK pressed or Enter: the class checks its fields and ends the dialog when they hold.
  virtual void OnOK();

  // A refused field: its message, then the focus back on its control with the text selected.
  void Refuse(const std::string& message, int controlId) const;
  void End(INT_PTR result) const { EndDialog(m_hwnd, result); }

  HWND Item(int id) const { return GetDlgItem(m_hwnd, id); }
  std::string ItemText(int id) const;
  void SetItemText(int id, const std::string& text) const;
  void EnableItem(int id, bool on) const { EnableWindow(Item(id), on ? TRUE : FALSE); }
  void ShowItem(int id, bool on) const { ShowWindow(Item(id), on ? SW_SHOW : SW_HIDE); }
  void CheckItem(int id, bool on) const {
    CheckDlgButton(m_hwnd, id, on ? BST_CHECKED : BST_UNCHECKED);
  }

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);

  UINT m_templateId;
  HWND m_owner;
  HWND m_hwnd = nullptr;
};

}  // namespace ui
