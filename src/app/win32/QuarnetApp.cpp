#include "app/win32/QuarnetApp.h"

#include <commctrl.h>

#include "app/CommandTable.h"
#include "app/ResourceIds.h"
#include "app/ShellText.h"
#include "app/win32/AboutDlg.h"
#include "app/win32/MainFrame.h"
#include "app/win32/QuarnetDoc.h"
#include "app/win32/QuarnetView.h"
#include "display/TraceView.h"

const ui::CommandEntry<CQuarnetApp> CQuarnetApp::kCommands[] = {
    {ID_FILE_NEW, &CQuarnetApp::OnFileNew},
    {ID_APP_EXIT, &CQuarnetApp::OnAppExit},
    {ID_APP_ABOUT, &CQuarnetApp::OnAppAbout},
    {ID_FILE_PRINT_SETUP, &CQuarnetApp::OnFilePrintSetup},
};

CQuarnetApp::CQuarnetApp() = default;

CQuarnetApp::~CQuarnetApp() {
  ExitInstance();
}

bool CQuarnetApp::InitInstance() {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  // Every dialog is drawn on light grey with black text by the dialog base.
  m_document = std::make_unique<CQuarnetDoc>();
  m_frame = std::make_unique<CMainFrame>();
  if (!m_frame->Create() || !m_document->OnNewDocument()) return false;
  m_pMainWnd = m_frame.get();
  m_hAccelTable = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
  ShowWindow(m_frame->Hwnd(), SW_SHOWNORMAL);
  UpdateWindow(m_frame->Hwnd());
  if (m_pMainFrame != nullptr) m_pMainFrame->SetText(std::string(display::kTraceTitle));
  return true;
}

void CQuarnetApp::ExitInstance() {
  m_pMainWnd = nullptr;
  m_frame.reset();
  m_document.reset();
}

bool CQuarnetApp::OnIdle(long count) {
  if (m_pStatusBar != nullptr && m_pView != nullptr && m_pStatusBar->Hwnd() != nullptr) {
    m_pStatusBar->SetPaneText(1, m_pView->TrapStatusText());
    m_pStatusBar->SetPaneText(2, app::TriggerPaneText(m_pView->IsTriggerEnabled()));
    m_pStatusBar->SetPaneText(
        3, app::PositionPaneText(m_pView->GetFirstVisible(), m_pView->GetDisplayCount()));
    m_pStatusBar->SetPaneText(
        4, app::AgentPaneText(m_pView->AgentRevision() != 0, m_pView->LostCount()));
  }
  return App::OnIdle(count);
}

bool CQuarnetApp::OnCmdMsg(UINT id, ui::CommandUI* state) {
  return ui::RouteCommand<CQuarnetApp>(this, kCommands, {}, id, state);
}

bool CQuarnetApp::PreTranslateMessage(const MSG& msg) {
  return m_pMainFrame != nullptr && m_pMainFrame->PreTranslateHelpMode(msg);
}

void CQuarnetApp::OnAppAbout() {
  if (m_pView != nullptr) CAboutDlg(m_pView->AgentRevision()).DoModal();
}

// Ctrl+N: the single document is made new again; it holds no data, so nothing changes.
void CQuarnetApp::OnFileNew() {
  if (m_pDoc != nullptr) m_pDoc->OnNewDocument();
}

void CQuarnetApp::OnAppExit() {
  if (m_pMainWnd != nullptr && m_pMainWnd->Hwnd() != nullptr) {
    SendMessageA(m_pMainWnd->Hwnd(), WM_CLOSE, 0, 0);
  }
}

void CQuarnetApp::OnFilePrintSetup() {
  m_printer.Setup(m_pMainWnd != nullptr ? m_pMainWnd->Hwnd() : nullptr);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  CQuarnetApp app;
  if (!app.InitInstance()) return 1;
  const int code = app.Run();
  app.ExitInstance();
  return code;
}
