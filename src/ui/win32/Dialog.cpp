#include "ui/win32/Dialog.h"

#include <new>
#include <vector>

#include "app/DataExchange.h"
#include "ui/HelpContext.h"

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

}  // namespace

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
    // F1 in the dialog opens the topic of its template.
    SetWindowContextHelpId(hwnd, DialogHelpContext(self->m_templateId));
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

void DataExchange::Text(int controlId, int32_t& value, int32_t min, int32_t max) {
  if (m_failed) return;
  m_lastControl = controlId;
  if (!m_bSaveAndValidate) {
    SetDlgItemTextA(m_hwnd, controlId, std::to_string(value).c_str());
    return;
  }
  const ddx::Field<int32_t> field = ddx::ExchangeInt(ControlText(m_hwnd, controlId), min, max);
  if (field.value) {
    value = *field.value;
  } else {
    Fail(field.message);
  }
}

void DataExchange::Text(int controlId, uint32_t& value) {
  if (m_failed) return;
  m_lastControl = controlId;
  if (!m_bSaveAndValidate) {
    SetDlgItemTextA(m_hwnd, controlId, std::to_string(value).c_str());
    return;
  }
  const ddx::Field<uint32_t> field = ddx::ExchangeUnsigned(ControlText(m_hwnd, controlId));
  if (field.value) {
    value = *field.value;
  } else {
    Fail(field.message);
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

}  // namespace ui
