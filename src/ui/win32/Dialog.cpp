#include "ui/win32/Dialog.h"

#include <cctype>
#include <new>
#include <vector>

namespace ui {

namespace {

HBRUSH GreyBrush() {
  static const HBRUSH brush = CreateSolidBrush(Dialog::kBackground);
  return brush;
}

std::string ControlText(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  std::vector<char> text(static_cast<size_t>(GetWindowTextLengthA(control)) + 1);
  const int n = GetWindowTextA(control, text.data(), static_cast<int>(text.size()));
  return std::string(text.data(), static_cast<size_t>(n > 0 ? n : 0));
}

// Digits with blanks around them and an optional sign; the magnitude, capped to stay small.
bool ScanNumber(const std::string& text, bool allowSign, bool& negative, uint64_t& magnitude) {
  size_t i = 0;
  auto blank = [&](size_t k) { return k < text.size() && (text[k] == ' ' || text[k] == '\t'); };
  while (blank(i)) ++i;
  negative = false;
  if (allowSign && i < text.size() && (text[i] == '-' || text[i] == '+')) {
    negative = text[i] == '-';
    ++i;
  }
  const size_t digits = i;
  magnitude = 0;
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
    if (magnitude <= UINT32_MAX) magnitude = magnitude * 10 + static_cast<uint64_t>(text[i] - '0');
    ++i;
  }
  if (i == digits) return false;
  while (blank(i)) ++i;
  return i == text.size();
}

}  // namespace

bool ParseDialogInt(const std::string& text, int32_t& value) {
  bool negative = false;
  uint64_t magnitude = 0;
  if (!ScanNumber(text, true, negative, magnitude)) return false;
  if (magnitude > (negative ? uint64_t{0x80000000} : uint64_t{0x7FFFFFFF})) return false;
  value = negative ? static_cast<int32_t>(-static_cast<int64_t>(magnitude))
                   : static_cast<int32_t>(magnitude);
  return true;
}

bool ParseDialogUnsigned(const std::string& text, uint32_t& value) {
  bool negative = false;
  uint64_t magnitude = 0;
  if (!ScanNumber(text, false, negative, magnitude) || magnitude > UINT32_MAX) return false;
  value = static_cast<uint32_t>(magnitude);
  return true;
}

INT_PTR Dialog::DoModal() {
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_templateId), m_parent,
                         DialogProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR Dialog::DoModalIndirect(const DLGTEMPLATE* dialogTemplate) {
  return DialogBoxIndirectParamA(GetModuleHandleA(nullptr), dialogTemplate, m_parent, DialogProc,
                                 reinterpret_cast<LPARAM>(this));
}

bool Dialog::OnInitDialog() {
  UpdateData(false);
  return true;
}

void Dialog::OnOK() {
  if (UpdateData(true)) EndDialog(m_hwnd, IDOK);
}

void Dialog::OnCancel() {
  EndDialog(m_hwnd, IDCANCEL);
}

void Dialog::DoDataExchange(DataExchange&) {}

bool Dialog::OnMessage(UINT, WPARAM, LPARAM, INT_PTR&) {
  return false;
}

bool Dialog::UpdateData(bool save) {
  DataExchange dx(m_hwnd, save);
  DoDataExchange(dx);
  return !dx.Failed();
}

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<Dialog*>(lParam);
    self->m_hwnd = hwnd;
    SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
  }
  if (self == nullptr) return FALSE;
  try {
    INT_PTR result = 0;
    if (self->OnMessage(message, wParam, lParam, result)) return result;
    switch (message) {
      case WM_INITDIALOG:
        return self->OnInitDialog() ? TRUE : FALSE;
      case WM_COMMAND:
        if (LOWORD(wParam) == IDOK && HIWORD(wParam) == BN_CLICKED) {
          self->OnOK();
          return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
          self->OnCancel();
          return TRUE;
        }
        return FALSE;
      case WM_CTLCOLORDLG:
      case WM_CTLCOLORSTATIC:
      case WM_CTLCOLORBTN:
      case WM_CTLCOLORMSGBOX: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, kText);
        SetBkColor(dc, kBackground);
        return reinterpret_cast<INT_PTR>(GreyBrush());
      }
      case WM_NCDESTROY:
        self->m_hwnd = nullptr;
        return FALSE;
      default:
        return FALSE;
    }
  } catch (const std::bad_alloc&) {
    return FALSE;
  }
}

void DataExchange::Fail(const std::string& message) {
  m_failed = true;
  MessageBoxA(m_hwnd, message.c_str(), nullptr, MB_OK | MB_ICONEXCLAMATION);
  HWND control = GetDlgItem(m_hwnd, m_lastControl);
  if (control != nullptr) {
    SetFocus(control);
    SendMessageA(control, EM_SETSEL, 0, -1);
  }
}

void DataExchange::Text(int controlId, int32_t& value) {
  if (m_failed) return;
  m_lastControl = controlId;
  if (!m_bSaveAndValidate) {
    SetDlgItemTextA(m_hwnd, controlId, std::to_string(value).c_str());
  } else if (!ParseDialogInt(ControlText(m_hwnd, controlId), value)) {
    Fail("Please enter an integer.");
  }
}

void DataExchange::Text(int controlId, uint32_t& value) {
  if (m_failed) return;
  m_lastControl = controlId;
  if (!m_bSaveAndValidate) {
    SetDlgItemTextA(m_hwnd, controlId, std::to_string(value).c_str());
  } else if (!ParseDialogUnsigned(ControlText(m_hwnd, controlId), value)) {
    Fail("Please enter a positive integer.");
  }
}

void DataExchange::Text(int controlId, std::string& value) {
  if (m_failed) return;
  m_lastControl = controlId;
  if (m_bSaveAndValidate) {
    value = ControlText(m_hwnd, controlId);
  } else {
    SetDlgItemTextA(m_hwnd, controlId, value.c_str());
  }
}

void DataExchange::Check(int controlId, int32_t& value) {
  if (m_failed) return;
  m_lastControl = controlId;
  if (m_bSaveAndValidate) {
    value = IsDlgButtonChecked(m_hwnd, controlId) == BST_CHECKED ? 1 : 0;
  } else {
    CheckDlgButton(m_hwnd, controlId, value != 0 ? BST_CHECKED : BST_UNCHECKED);
  }
}

void DataExchange::Radio(int firstId, int32_t& value) {
  if (m_failed) return;
  m_lastControl = firstId;
  HWND button = GetDlgItem(m_hwnd, firstId);
  int32_t index = 0;
  if (m_bSaveAndValidate) value = -1;
  // The group runs from the first button to the next control with WS_GROUP.
  while (button != nullptr) {
    if (m_bSaveAndValidate) {
      if (SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED) value = index;
    } else {
      SendMessageA(button, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    button = GetWindow(button, GW_HWNDNEXT);
    if (button == nullptr || (GetWindowLongA(button, GWL_STYLE) & WS_GROUP)) break;
    ++index;
  }
}

void DataExchange::MinMax(int32_t value, int32_t min, int32_t max) {
  if (m_failed || !m_bSaveAndValidate) return;
  if (value < min || value > max) {
    Fail("Please enter an integer between " + std::to_string(min) + " and " + std::to_string(max) +
         ".");
  }
}

}  // namespace ui
