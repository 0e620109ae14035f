#include "app/win32/MainFrame.h"

#include <vector>

#include "app/CommandTable.h"
#include "app/ResourceIds.h"
#include "app/win32/QuarnetApp.h"
#include "app/win32/QuarnetDoc.h"
#include "app/win32/QuarnetView.h"

namespace {
constexpr char kFrameClass[] = "QuarnetFrame";
}

const ui::MessageEntry<CMainFrame> CMainFrame::kMessages[] = {
    {WM_CREATE, &CMainFrame::OnCreate},
    {kRestoreMessage, &CMainFrame::OnRestore},
};

CMainFrame::CMainFrame() {
  CQuarnetApp::Get()->m_pMainFrame = this;
  CQuarnetApp::Get()->m_pStatusBar = &m_wndStatusBar;
}

CMainFrame::~CMainFrame() = default;

bool CMainFrame::Create() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (!RegisterWindowClass(kFrameClass, 0, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1),
                           LoadIconA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME)), nullptr)) {
    return false;
  }
  HMENU menu = LoadMenuA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME));
  // The document template's title until start-up sets the caption.
  std::string title = ui::LoadResString(IDR_MAINFRAME);
  title = title.substr(0, title.find('\n'));
  if (!ui::Window::Create(kFrameClass, title.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0,
                          CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                          menu)) {
    if (menu != nullptr) DestroyMenu(menu);
    return false;
  }
  return true;
}

bool CMainFrame::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  return ui::DispatchMessageTable<CMainFrame>(this, kMessages, message, wParam, lParam, result) ||
         FrameWindow::OnMessage(message, wParam, lParam, result);
}

LRESULT CMainFrame::OnCreate(WPARAM, LPARAM) {
  m_view = std::make_unique<CQuarnetView>();
  if (!m_view->Create(Hwnd())) return -1;
  m_pView = m_view.get();
  m_pDocument = CQuarnetApp::Get()->m_pDoc;

  std::vector<UINT> slots(app::kToolbarButtons.begin(), app::kToolbarButtons.end());
  if (!m_wndToolBar.Create(Hwnd(), ID_VIEW_TOOLBAR, IDR_MAINFRAME, slots)) return -1;
  std::vector<UINT> panes;
  for (const auto& pane : app::kStatusPanes) panes.push_back(pane.id);
  if (!m_wndStatusBar.Create(Hwnd(), ID_VIEW_STATUS_BAR, panes)) return -1;
  m_wndStatusBar.SetPaneText(0, ui::LoadResString(IDS_IDLEMESSAGE));
  return 0;
}

LRESULT CMainFrame::OnRestore(WPARAM, LPARAM) {
  ShowWindow(Hwnd(), SW_RESTORE);
  return 0;
}
