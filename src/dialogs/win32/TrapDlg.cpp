#include "dialogs/win32/TrapDlg.h"

#include <string>

#include "dialogs/TrapIds.h"
#include "store/TriggerLists.h"

namespace {

constexpr int kKindButtons[] = {IDC_TRIGGER_API_CALL, IDC_TRIGGER_SOCKET_ERROR,
                                IDC_TRIGGER_SEND_DATA, IDC_TRIGGER_RECEIVE_DATA};
constexpr int kPositionButtons[] = {IDC_TRIGGER_FRONT, IDC_TRIGGER_MIDDLE, IDC_TRIGGER_BACK};
constexpr int kDataControls[] = {IDC_TRIGGER_OFFSET_LABEL, IDC_TRIGGER_PATTERN_LABEL,
                                 IDC_TRIGGER_HEX_NOTE, IDC_TRIGGER_OFFSET, IDC_TRIGGER_PATTERN};

void Fill(HWND list, const auto& names, int selection) {
  for (std::string_view name : names) {
    SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::string(name).c_str()));
  }
  SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(selection), 0);
}

}  // namespace

CTrapDlg::CTrapDlg(dialogs::TrapModel& model) : ui::Dialog(IDD_TRAP_SPEC), m_model(model) {}

void CTrapDlg::OnInitDialog() {
  Fill(Item(IDC_TRIGGER_CALL_LIST), protocol::calls::kTriggerListNames, m_model.CallSelection());
  Fill(Item(IDC_TRIGGER_ERROR_LIST), store::kTriggerErrorNames, m_model.ErrorSelection());
  SetItemText(IDC_TRIGGER_OFFSET, m_model.OffsetText());
  SendMessageA(Item(IDC_TRIGGER_PATTERN), EM_LIMITTEXT, dialogs::kPatternTextLimit, 0);
  SetItemText(IDC_TRIGGER_PATTERN, m_model.PatternText());
  ShowKind();
  for (int id : kPositionButtons) CheckItem(id, id == m_model.CheckedPositionButton());
}

bool CTrapDlg::OnControl(int id, UINT notification) {
  if (notification != BN_CLICKED) return false;
  for (int button : kKindButtons) {
    if (id == button) {
      m_model.OnRadio(id);
      ShowKind();
      return true;
    }
  }
  for (int button : kPositionButtons) {
    if (id == button) {
      m_model.OnRadio(id);
      return true;
    }
  }
  return false;
}

void CTrapDlg::ShowKind() const {
  for (int id : kKindButtons) CheckItem(id, id == m_model.CheckedKindButton());
  EnableItem(IDC_TRIGGER_CALL_LIST, m_model.CallListEnabled());
  EnableItem(IDC_TRIGGER_ERROR_LIST, m_model.ErrorListEnabled());
  for (int id : kDataControls) EnableItem(id, m_model.DataControlsEnabled());
}

// The list's own selection would survive a typed text that names no entry.
int CTrapDlg::ListChoice(int id) const {
  const std::string text = ItemText(id);
  const LRESULT found = SendMessageA(Item(id), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(text.c_str()));
  return found == CB_ERR ? -1 : static_cast<int>(found);
}

void CTrapDlg::OnOK() {
  const dialogs::TrapDialogOk result =
      m_model.OnOK(ItemText(IDC_TRIGGER_PATTERN), ListChoice(IDC_TRIGGER_CALL_LIST),
                   ListChoice(IDC_TRIGGER_ERROR_LIST), ItemText(IDC_TRIGGER_OFFSET));
  switch (result.outcome) {
    case dialogs::TrapDialogOk::Outcome::kAccepted:
      End(IDOK);
      return;
    case dialogs::TrapDialogOk::Outcome::kOffsetError:
      Refuse(result.message, IDC_TRIGGER_OFFSET);
      return;
    case dialogs::TrapDialogOk::Outcome::kPatternError: {
      MessageBoxA(Hwnd(), result.message.c_str(), dialogs::kPatternErrorCaption,
                  MB_OK | MB_ICONSTOP);
      // A greyed edit takes no focus: the user re-enables it through a data kind.
      HWND pattern = Item(IDC_TRIGGER_PATTERN);
      if (!IsWindowEnabled(pattern)) return;
      SendMessageA(Hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(pattern), TRUE);
      SendMessageA(pattern, EM_SETSEL, static_cast<WPARAM>(result.caret), result.caret);
      return;
    }
  }
}
