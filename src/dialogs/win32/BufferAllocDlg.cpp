#include "dialogs/win32/BufferAllocDlg.h"

namespace {

struct SpinnerIds {
  int edit;
  int bar;
};

SpinnerIds IdsOf(dialogs::BufferAllocModel::Spinner spinner) {
  return spinner == dialogs::BufferAllocModel::Spinner::kTrace
             ? SpinnerIds{IDC_TRACE_SIZE, IDC_TRACE_SPIN}
             : SpinnerIds{IDC_TRAP_SIZE, IDC_TRAP_SPIN};
}

}  // namespace

const ui::ControlEntry<CBufferAllocDlg> CBufferAllocDlg::kControls[] = {
    {IDC_SAVE_ENTIRE, BN_CLICKED, &CBufferAllocDlg::OnSaveEntire},
    {IDC_SAVE_UPTO, BN_CLICKED, &CBufferAllocDlg::OnSaveUpTo},
    {IDC_DISPLAY_ENTIRE, BN_CLICKED, &CBufferAllocDlg::OnDisplayEntire},
    {IDC_DISPLAY_UPTO, BN_CLICKED, &CBufferAllocDlg::OnDisplayUpTo},
    {IDC_TRACE_SIZE, EN_KILLFOCUS, &CBufferAllocDlg::OnTraceSizeKillFocus},
    {IDC_TRAP_SIZE, EN_KILLFOCUS, &CBufferAllocDlg::OnTrapSizeKillFocus},
};

CBufferAllocDlg::CBufferAllocDlg(dialogs::BufferAllocModel& model, HWND owner)
    : ui::Dialog(IDD_BUFFER_ALLOC, owner), m_model(model) {}

bool CBufferAllocDlg::OnControl(int id, UINT notification) {
  return ui::DispatchControl<CBufferAllocDlg>(this, kControls, id, notification);
}

bool CBufferAllocDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
  if (message != WM_VSCROLL) return false;
  OnSpin(reinterpret_cast<HWND>(lParam), LOWORD(wParam));
  result = TRUE;
  return true;
}

void CBufferAllocDlg::OnInitDialog() {
  const dialogs::BufferAllocModel::Controls c = m_model.OnInitDialog();
  CheckRadioButton(Hwnd(), IDC_SAVE_ENTIRE, IDC_SAVE_UPTO,
                   c.saveEntireChecked ? IDC_SAVE_ENTIRE : IDC_SAVE_UPTO);
  EnableItem(IDC_SAVE_BYTES, c.saveBytesEnabled);
  CheckRadioButton(Hwnd(), IDC_DISPLAY_ENTIRE, IDC_DISPLAY_UPTO,
                   c.displayEntireChecked ? IDC_DISPLAY_ENTIRE : IDC_DISPLAY_UPTO);
  EnableItem(IDC_DISPLAY_BYTES, c.displayBytesEnabled);
  SetScrollRange(Item(IDC_TRACE_SPIN), SB_CTL, dialogs::BufferAllocModel::kTraceMin,
                 dialogs::BufferAllocModel::kTraceMax, FALSE);
  SetScrollPos(Item(IDC_TRACE_SPIN), SB_CTL, c.traceSpinPos, TRUE);
  SetScrollRange(Item(IDC_TRAP_SPIN), SB_CTL, dialogs::BufferAllocModel::kTrapMin,
                 dialogs::BufferAllocModel::kTrapMax, FALSE);
  SetScrollPos(Item(IDC_TRAP_SPIN), SB_CTL, c.trapSpinPos, TRUE);
  SetItemText(IDC_TRACE_SIZE, c.traceText);
  SetItemText(IDC_TRAP_SIZE, c.trapText);
  SetItemText(IDC_SAVE_BYTES, c.saveBytesText);
  SetItemText(IDC_DISPLAY_BYTES, c.displayBytesText);
}

void CBufferAllocDlg::OnSaveEntire() {
  EnableItem(IDC_SAVE_BYTES, m_model.OnSaveEntire(true));
}
void CBufferAllocDlg::OnSaveUpTo() {
  EnableItem(IDC_SAVE_BYTES, m_model.OnSaveEntire(false));
}
void CBufferAllocDlg::OnDisplayEntire() {
  EnableItem(IDC_DISPLAY_BYTES, m_model.OnDisplayEntire(true));
}
void CBufferAllocDlg::OnDisplayUpTo() {
  EnableItem(IDC_DISPLAY_BYTES, m_model.OnDisplayEntire(false));
}

void CBufferAllocDlg::SizeKillFocus(dialogs::BufferAllocModel::Spinner spinner) {
  const SpinnerIds ids = IdsOf(spinner);
  const int32_t position = m_model.OnSizeKillFocus(spinner, ItemText(ids.edit));
  SetScrollPos(Item(ids.bar), SB_CTL, position, TRUE);
}

// Any scroll bar but the trace spinner is the trap spinner: the dialog has no other.
void CBufferAllocDlg::OnSpin(HWND bar, int code) {
  const auto spinner = bar == Item(IDC_TRACE_SPIN) ? dialogs::BufferAllocModel::Spinner::kTrace
                                                   : dialogs::BufferAllocModel::Spinner::kTrap;
  const SpinnerIds ids = IdsOf(spinner);
  const dialogs::BufferAllocModel::SpinResult result = m_model.OnSpin(spinner, code);
  SetItemText(ids.edit, result.text);
  SetScrollPos(Item(ids.bar), SB_CTL, result.position, TRUE);
}

void CBufferAllocDlg::OnOK() {
  const std::string displayBytes = ItemText(IDC_DISPLAY_BYTES);
  const std::string saveBytes = ItemText(IDC_SAVE_BYTES);
  const std::string traceSize = ItemText(IDC_TRACE_SIZE);
  const std::string trapSize = ItemText(IDC_TRAP_SIZE);
  const dialogs::BufferAllocModel::OkResult result =
      m_model.OnOK({displayBytes, saveBytes, traceSize, trapSize});
  if (result.ok) {
    End(IDOK);
  } else {
    Refuse(result.message, result.focusControl);
  }
}
