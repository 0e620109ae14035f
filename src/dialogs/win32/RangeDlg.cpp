#include "dialogs/win32/RangeDlg.h"

#include <optional>

#include "dialogs/RangeIds.h"

namespace {

int EditId(dialogs::RangeModel::Edit edit) {
  return edit == dialogs::RangeModel::Edit::kFrom ? IDC_RANGE_FROM : IDC_RANGE_TO;
}

}  // namespace

const ui::ControlEntry<CRangeDlg> CRangeDlg::kControls[] = {
    {IDC_RANGE_ALL, BN_CLICKED, &CRangeDlg::OnAll},
    {IDC_RANGE_PAGE, BN_CLICKED, &CRangeDlg::OnCurrentPage},
    {IDC_RANGE_RECORD, BN_CLICKED, &CRangeDlg::OnRecord},
    {IDC_RANGE_FROM, EN_KILLFOCUS, &CRangeDlg::OnFromKillFocus},
    {IDC_RANGE_TO, EN_KILLFOCUS, &CRangeDlg::OnToKillFocus},
};

CRangeDlg::CRangeDlg(dialogs::RangeModel& model, const dialogs::IRangeView& view)
    : ui::Dialog(IDD_RANGE), m_model(model), m_view(view) {}

bool CRangeDlg::OnControl(int id, UINT notification) {
  return ui::DispatchControl<CRangeDlg>(this, kControls, id, notification);
}

void CRangeDlg::OnInitDialog() {
  SetWindowTextA(Hwnd(), m_model.m_strCaption.c_str());
  SendDlgItemMessageA(Hwnd(), IDC_RANGE_FROM, EM_LIMITTEXT, dialogs::RangeModel::kEditTextLimit - 1,
                      0);
  SendDlgItemMessageA(Hwnd(), IDC_RANGE_TO, EM_LIMITTEXT, dialogs::RangeModel::kEditTextLimit - 1,
                      0);
  Show(m_model.OnInitDialog(m_view));
}

void CRangeDlg::Show(const dialogs::RangeModel::Controls& controls) const {
  CheckItem(IDC_RANGE_ALL, controls.allChecked);
  CheckItem(IDC_RANGE_PAGE, controls.pageChecked);
  CheckItem(IDC_RANGE_RECORD, controls.recordChecked);
  EnableItem(IDC_RANGE_FROM, controls.editsEnabled);
  EnableItem(IDC_RANGE_TO_LABEL, controls.editsEnabled);
  EnableItem(IDC_RANGE_TO, controls.editsEnabled);
  SetItemText(IDC_RANGE_FROM, controls.fromText);
  SetItemText(IDC_RANGE_TO, controls.toText);
}

void CRangeDlg::Check(dialogs::RangeModel::Edit edit) {
  const dialogs::RangeModel::EditCheck check =
      m_model.OnEditKillFocus(edit, ItemText(EditId(edit)));
  if (!check.accepted) SetItemText(EditId(edit), check.text);
}

// Enter leaves the focus in an edit, so its focus-loss check has not run yet: it runs here, and
// a refused number is put back in view instead of closing on a range the user did not see.
void CRangeDlg::OnOK() {
  std::optional<dialogs::RangeModel::Edit> focused;
  const HWND focus = GetFocus();
  if (focus == Item(IDC_RANGE_FROM)) focused = dialogs::RangeModel::Edit::kFrom;
  if (focus == Item(IDC_RANGE_TO)) focused = dialogs::RangeModel::Edit::kTo;
  const std::string text = focused ? ItemText(EditId(*focused)) : std::string();
  const dialogs::RangeModel::OkResult result = m_model.OnOK(focused, text);
  if (result.check && !result.check->accepted) {
    SetItemText(EditId(*focused), result.check->text);
    SendDlgItemMessageA(Hwnd(), EditId(*focused), EM_SETSEL, 0, -1);
    return;
  }
  End(IDOK);
}
