#include "app/win32/MainFrame.h"

#include <commctrl.h>

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
    {WM_DESTROY, &CMainFrame::OnDestroy},
    {kRestoreMessage, &CMainFrame::OnRestore},
};

const ui::CommandEntry<CMainFrame> CMainFrame::kCommands[] = {
    {ID_HELP_INDEX, &CMainFrame::OnHelpIndex},     {ID_DEFAULT_HELP, &CMainFrame::OnHelpIndex},
    {ID_HELP_USING, &CMainFrame::OnHelpUsing},     {ID_HELP, &CMainFrame::OnHelp},
    {ID_CONTEXT_HELP, &CMainFrame::OnContextHelp},
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
  if (message == WM_MENUSELECT) {
    const UINT flags = HIWORD(wParam);
    const bool command = !(flags == 0xFFFF && lParam == 0) && !(flags & (MF_POPUP | MF_SEPARATOR));
    m_nIDTracking = command ? LOWORD(wParam) : 0;
  }
  // The children ask their parent first, so the help cursor stands over the whole window.
  if (message == WM_SETCURSOR && m_bHelpMode) {
    SetCursor(LoadCursorA(nullptr, IDC_HELP));
    result = TRUE;
    return true;
  }
  // In context-help mode a chosen menu item or toolbar button opens its topic instead of
  // running.
  if (message == WM_COMMAND && m_bHelpMode && HIWORD(wParam) == 0) {
    EndHelpMode();
    OpenCommandHelp(LOWORD(wParam));
    result = 0;
    return true;
  }
  return ui::DispatchMessageTable<CMainFrame>(this, kMessages, message, wParam, lParam, result) ||
         FrameWindow::OnMessage(message, wParam, lParam, result);
}

bool CMainFrame::OnCmdMsg(UINT id, ui::CommandUI* state) {
  return ui::RouteCommand<CMainFrame>(this, kCommands, {}, id, state) ||
         FrameWindow::OnCmdMsg(id, state);
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
  // F1 inside menus and dialogs, whose own message loops see no accelerators.
  m_helpKeyHook = SetWindowsHookExA(WH_MSGFILTER, HelpKeyFilter, nullptr, GetCurrentThreadId());
  return 0;
}

LRESULT CMainFrame::OnDestroy(WPARAM, LPARAM) {
  if (m_helpKeyHook != nullptr) UnhookWindowsHookEx(m_helpKeyHook);
  m_helpKeyHook = nullptr;
  return 0;
}

LRESULT CMainFrame::OnRestore(WPARAM, LPARAM) {
  ShowWindow(Hwnd(), SW_RESTORE);
  return 0;
}

// --- help ---

void CMainFrame::OpenHelp(uint32_t context) {
  if (!m_help.ShowContext(Hwnd(), context)) {
    MessageBoxA(Hwnd(), "Failed to launch help.", nullptr, MB_OK | MB_ICONEXCLAMATION);
  }
}

void CMainFrame::OpenCommandHelp(UINT id) {
  OpenHelp(m_help.Book().ContextOrOverview(ui::CommandHelpContext(id)));
}

void CMainFrame::OnHelpIndex() {
  if (!m_help.ShowIndex(Hwnd())) OpenHelp(app::kHelpContextOverview);
}

void CMainFrame::OnHelpUsing() {
  if (!m_help.ShowKey(Hwnd(), app::kUsingHelpKey)) OpenHelp(app::kHelpContextOverview);
}

// F1: the menu item it was pressed on, else the program's overview.
void CMainFrame::OnHelp() {
  const UINT item = m_nIDMenuHelp;
  m_nIDMenuHelp = 0;
  if (item != 0) {
    OpenCommandHelp(item);
  } else {
    OpenHelp(app::kHelpContextOverview);
  }
}

void CMainFrame::OnContextHelp() {
  m_bHelpMode = true;
  SetCursor(LoadCursorA(nullptr, IDC_HELP));
}

void CMainFrame::EndHelpMode() {
  m_bHelpMode = false;
  SetCursor(LoadCursorA(nullptr, IDC_ARROW));
}

bool CMainFrame::PreTranslateHelpMode(const MSG& msg) {
  if (!m_bHelpMode) return false;
  if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
    EndHelpMode();
    return true;
  }
  // A click on the menu bar (not a client click) opens the menu as always, and the item chosen
  // there is the answer; a click in another window ends the mode and does what it always does.
  if (msg.message != WM_LBUTTONDOWN) return false;
  EndHelpMode();
  if (msg.hwnd != Hwnd() && !IsChild(Hwnd(), msg.hwnd)) return false;
  const POINT point{static_cast<short>(LOWORD(msg.lParam)), static_cast<short>(HIWORD(msg.lParam))};
  if (msg.hwnd == m_wndToolBar.Hwnd()) {
    const LRESULT index = SendMessageA(msg.hwnd, TB_HITTEST, 0, reinterpret_cast<LPARAM>(&point));
    TBBUTTON button{};
    if (index >= 0 && SendMessageA(msg.hwnd, TB_GETBUTTON, static_cast<WPARAM>(index),
                                   reinterpret_cast<LPARAM>(&button))) {
      OpenCommandHelp(static_cast<UINT>(button.idCommand));
      return true;
    }
  } else if (m_view != nullptr && msg.hwnd == m_view->Hwnd()) {
    OpenHelp(m_view->HelpContextAt(point.y));
    return true;
  }
  OpenHelp(app::kHelpContextOverview);
  return true;
}

LRESULT CALLBACK CMainFrame::HelpKeyFilter(int code, WPARAM wParam, LPARAM lParam) {
  const auto* msg = reinterpret_cast<const MSG*>(lParam);
  CMainFrame* frame = CQuarnetApp::Get() != nullptr ? CQuarnetApp::Get()->m_pMainFrame : nullptr;
  if (code >= 0 && frame != nullptr && msg->message == WM_KEYDOWN && msg->wParam == VK_F1) {
    if (code == MSGF_MENU) {
      frame->m_nIDMenuHelp = frame->m_nIDTracking;
      EndMenu();
      PostMessageA(frame->Hwnd(), WM_COMMAND, ID_HELP, 0);
      return 1;
    }
    if (code == MSGF_DIALOGBOX) {
      // Our dialogs carry their help context; message boxes and the common dialogs do not.
      const DWORD context = GetWindowContextHelpId(GetAncestor(msg->hwnd, GA_ROOT));
      frame->OpenHelp(context != 0 ? context : app::kHelpContextOverview);
      return 1;
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
