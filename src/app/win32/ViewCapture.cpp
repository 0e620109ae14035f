// The view's capture commands: the receive pass, Begin and End Trace, clearing, the capture
// filters and the trigger.
#include "app/win32/QuarnetView.h"

#include "app/ShellText.h"
#include "dialogs/win32/CaptureFiltersDlg.h"
#include "dialogs/win32/TrapDlg.h"

LRESULT CQuarnetView::OnReceive(WPARAM, LPARAM) {
  capture::SteadyPassTimer timer;
  if (m_bSocketOpen) m_channel.Settle(m_session.Channel(), m_session.ReceivePass(m_socket, timer));
  Invalidate();  // the next paint formats only what is visible
  return 0;
}

// The channel's wake-up and its poll: the socket is not asked, and a pass that brought nothing
// leaves the window as it was.
LRESULT CQuarnetView::OnChannel(WPARAM, LPARAM) {
  capture::SteadyPassTimer timer;
  capture::NoDatagrams none;
  const capture::ReceivePassStats stats = m_session.ReceivePass(none, timer);
  m_channel.Settle(m_session.Channel(), stats);
  if (stats.records + stats.purged > 0) Invalidate();
  return 0;
}

// The contact is asked for again first: another monitor that held it may have gone.
void CQuarnetView::OnBeginTrace() {
  if (!m_session.BeginTrace()) {
    MessageBoxStop(std::string(app::kNoContactTrace), "Quarnet");
    return;
  }
  ApplyVScrollBar(display::TraceView::DisabledVScrollBar());
  SetFrameTitle();
  Invalidate();
}

void CQuarnetView::OnEndTrace() {
  m_session.EndTrace();
  if (auto bar = m_display.TraceShownVScrollBar(Store().m_traceBuf)) ApplyVScrollBar(*bar);
  Invalidate();
}

void CQuarnetView::OnClearBuffer() {
  Store().ClearBuffer();
  Invalidate();
}

// The dialog edits a copy; Cancel, in it or in Buffer Allocation, leaves everything as it was.
void CQuarnetView::OnSetupFilters() {
  dialogs::CaptureFiltersModel model(m_options, IsTracing());
  CCaptureFiltersDlg dialog(model);
  if (dialog.DoModal() != IDOK) return;
  m_session.ApplyCaptureFilters(model);
  // A smaller Trace Buffer may have taken the records the view was showing.
  if (const display::ScrollOutcome kept = m_display.KeepInside(Displayed()); kept.vThumb) {
    SetScrollPos(Hwnd(), SB_VERT, *kept.vThumb, TRUE);
  }
  Invalidate();
}

void CQuarnetView::OnTriggerEnable() {
  Store().ToggleTriggerEnable();
}

// Enabled and filling are not the dialog's: a trigger that fires meanwhile stays fired.
void CQuarnetView::OnTriggerSpecify() {
  dialogs::TrapModel model(m_options);
  CTrapDlg dialog(model);
  if (dialog.DoModal() == IDOK) static_cast<store::TriggerOptions&>(m_options) = model.m_trigger;
}
