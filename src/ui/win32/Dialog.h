// Modal dialogs from .rc templates, drawn on light grey with black text, with data exchange
// between controls and members and the framework's standard validation messages.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace ui {

class DataExchange;

class Dialog {
 public:
  Dialog(UINT templateId, HWND parent) : m_templateId(templateId), m_parent(parent) {}
  virtual ~Dialog() = default;
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Runs the dialog; IDOK, IDCANCEL or -1 when it could not be shown.
  INT_PTR DoModal();
  // The same from an in-memory template.
  INT_PTR DoModalIndirect(const DLGTEMPLATE* dialogTemplate);
  HWND Hwnd() const { return m_hwnd; }

  // Background and text colour of every dialog of the program.
  static constexpr COLORREF kBackground = RGB(192, 192, 192);
  static constexpr COLORREF kText = RGB(0, 0, 0);

 protected:
  virtual bool OnInitDialog();  // loads the controls; true lets Windows set the focus
  virtual void OnOK();          // saves and validates, then ends with IDOK
  virtual void OnCancel();
  virtual void DoDataExchange(DataExchange& dx);
  // The class's own messages; return true when handled (with `result` the dialog's answer).
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);
  // Moves data between controls and members; false when a value was refused.
  bool UpdateData(bool save);

  HWND m_hwnd = nullptr;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  UINT m_templateId;
  HWND m_parent;
};

// One pass of data exchange. On save, the first refused value shows its message, puts the
// focus on its control and stops the pass; later exchanges then do nothing.
class DataExchange {
 public:
  DataExchange(HWND dialog, bool save) : m_hwnd(dialog), m_bSaveAndValidate(save) {}

  // A signed number within [min, max]: "Please enter an integer." or "Please enter an integer
  // between %1 and %2." with the bounds put in.
  void Text(int controlId, int32_t& value, int32_t min = INT32_MIN, int32_t max = INT32_MAX);
  void Text(int controlId, uint32_t& value);  // "Please enter a positive integer."
  void Text(int controlId, std::string& value);
  void Check(int controlId, int32_t& value);
  // Radio group from `firstId`: the index of the checked button, -1 for none.
  void Radio(int firstId, int32_t& value);

  bool Failed() const { return m_failed; }
  bool Saving() const { return m_bSaveAndValidate; }

 private:
  void Fail(const std::string& message);
  HWND m_hwnd;
  bool m_bSaveAndValidate;
  bool m_failed = false;
  int m_lastControl = 0;
};

}  // namespace ui
