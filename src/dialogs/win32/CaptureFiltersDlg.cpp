#include "dialogs/win32/CaptureFiltersDlg.h"

#include <string>

#include "dialogs/win32/BufferAllocDlg.h"
#include "ui/win32/Scoped.h"

const ui::ControlEntry<CCaptureFiltersDlg> CCaptureFiltersDlg::kControls[] = {
    {IDC_TRACE_ALL, BN_CLICKED, &CCaptureFiltersDlg::OnTraceAll},
    {IDC_TRACE_SOME, BN_CLICKED, &CCaptureFiltersDlg::OnTraceSome},
    {IDC_TRACE_NONE, BN_CLICKED, &CCaptureFiltersDlg::OnTraceNone},
    {IDC_FILTER_LIST, LBN_SELCHANGE, &CCaptureFiltersDlg::OnSelectionChange},
    {IDC_RESTRICT_SOCKET, BN_CLICKED, &CCaptureFiltersDlg::OnRestrictSocket},
    {IDC_ERRORS_ONLY, BN_CLICKED, &CCaptureFiltersDlg::OnErrorsOnly},
    {IDC_IGNORE_WOULDBLOCK, BN_CLICKED, &CCaptureFiltersDlg::OnIgnoreWouldBlock},
    {IDC_CONFIGURE_BUFFERS, BN_CLICKED, &CCaptureFiltersDlg::OnConfigureBuffers},
};

CCaptureFiltersDlg::CCaptureFiltersDlg(CaptureFiltersModel& model)
    : ui::Dialog(IDD_CAPTURE_FILTERS), m_model(model) {}

bool CCaptureFiltersDlg::OnControl(int id, UINT notification) {
  return ui::DispatchControl<CCaptureFiltersDlg>(this, kControls, id, notification);
}

void CCaptureFiltersDlg::OnInitDialog() {
  HWND list = Item(IDC_FILTER_LIST);
  // Room to scroll to the longest call name, measured in the dialog's own font.
  if (const ui::ScopedWindowDC dc(Hwnd()); dc) {
    const auto font = reinterpret_cast<HFONT>(SendMessageA(Hwnd(), WM_GETFONT, 0, 0));
    const ui::ScopedSelect selected(dc.Get(), font != nullptr ? font : GetStockObject(SYSTEM_FONT));
    SIZE extent{};
    const std::string text(CaptureFiltersModel::kExtentText);
    GetTextExtentPoint32A(dc.Get(), text.c_str(), static_cast<int>(text.size()), &extent);
    SendMessageA(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(extent.cx), 0);
  }
  for (std::string_view name : CaptureFiltersModel::kListNames) {
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(std::string(name).c_str()));
  }
  const CaptureFiltersModel::Controls controls = m_model.OnInitDialog();
  SetItemText(IDC_SOCKET_ID, controls.socketIdText);
  Show(controls);
  SendMessageA(list, LB_SETTOPINDEX, 0, 0);  // selecting scrolled to the last selected entry
}

void CCaptureFiltersDlg::Show(const CaptureFiltersModel::Controls& c) const {
  CheckRadioButton(Hwnd(), IDC_TRACE_ALL, IDC_TRACE_NONE,
                   c.traceAllChecked    ? IDC_TRACE_ALL
                   : c.traceNoneChecked ? IDC_TRACE_NONE
                                        : IDC_TRACE_SOME);
  HWND list = Item(IDC_FILTER_LIST);
  for (size_t i = 0; i < c.selected.size(); ++i) {
    SendMessageA(list, LB_SETSEL, c.selected[i] ? TRUE : FALSE, static_cast<LPARAM>(i));
  }
  EnableItem(IDC_FILTER_LIST, c.listEnabled);
  CheckItem(IDC_RESTRICT_SOCKET, c.restrictChecked);
  EnableItem(IDC_SOCKET_ID_LABEL, c.socketIdEnabled);
  EnableItem(IDC_SOCKET_ID, c.socketIdEnabled);
  CheckItem(IDC_ERRORS_ONLY, c.errorsOnlyChecked);
  CheckItem(IDC_IGNORE_WOULDBLOCK, c.ignoreWouldBlockChecked);
  EnableItem(IDC_CONFIGURE_BUFFERS, c.configureBuffersEnabled);
  ShowItem(IDC_BUFFERS_IDLE_NOTE, c.idleNoteVisible);
}

std::vector<int> CCaptureFiltersDlg::SelectedEntries() const {
  HWND list = Item(IDC_FILTER_LIST);
  const LRESULT count = SendMessageA(list, LB_GETSELCOUNT, 0, 0);
  std::vector<int> entries(count > 0 ? static_cast<size_t>(count) : 0);
  if (entries.empty()) return entries;
  const LRESULT got = SendMessageA(list, LB_GETSELITEMS, static_cast<WPARAM>(entries.size()),
                                   reinterpret_cast<LPARAM>(entries.data()));
  entries.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return entries;
}

void CCaptureFiltersDlg::OnConfigureBuffers() {
  BufferAllocModel buffers(m_model.Buffers());
  CBufferAllocDlg dialog(buffers, Hwnd());
  if (dialog.DoModal() == IDOK) m_model.OnBuffersAccepted(buffers.m_values);
}

void CCaptureFiltersDlg::OnOK() {
  // The list is asked, whatever the notifications said.
  m_model.OnSelectionChange(SelectedEntries());
  const CaptureFiltersModel::OkResult result = m_model.OnOK(ItemText(IDC_SOCKET_ID));
  if (result.ok) {
    End(IDOK);
  } else {
    Refuse(result.message, result.focusControl);
  }
}
