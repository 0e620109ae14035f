#include "ui/win32/FrameWindow.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "ui/CenterDialog.h"
#include "ui/FrameworkIds.h"
#include "ui/win32/App.h"

namespace ui {

namespace {

// A menu item's state as an update handler sets it.
class MenuItemUI : public CommandUI {
 public:
  MenuItemUI(HMENU menu, UINT index, UINT id) : CommandUI(id), m_menu(menu), m_index(index) {}
  void Enable(bool on) override {
    EnableMenuItem(m_menu, m_index, MF_BYPOSITION | (on ? MF_ENABLED : MF_GRAYED));
  }
  void SetCheck(bool on) override {
    CheckMenuItem(m_menu, m_index, MF_BYPOSITION | (on ? MF_CHECKED : MF_UNCHECKED));
  }
  void SetText(const char* text) override {
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STRING;
    info.dwTypeData = const_cast<char*>(text);
    SetMenuItemInfoA(m_menu, m_index, TRUE, &info);
  }

 private:
  HMENU m_menu;
  UINT m_index;
};

// Only records whether the command would be enabled.
class TestUI : public CommandUI {
 public:
  using CommandUI::CommandUI;
  void Enable(bool on) override { m_enabled = on; }
  void SetCheck(bool) override {}
  void SetText(const char*) override {}
  bool m_enabled = true;
};

}  // namespace

const CommandEntry<FrameWindow> FrameWindow::kCommands[] = {
    {ID_VIEW_TOOLBAR, &FrameWindow::OnViewToolbar},
    {ID_VIEW_STATUS_BAR, &FrameWindow::OnViewStatusBar},
};

const UpdateEntry<FrameWindow> FrameWindow::kUpdates[] = {
    {ID_VIEW_TOOLBAR, &FrameWindow::OnUpdateViewToolbar},
    {ID_VIEW_STATUS_BAR, &FrameWindow::OnUpdateViewStatusBar},
};

bool FrameWindow::OnCmdMsg(UINT id, CommandUI* state) {
  return ui::RouteCommand<FrameWindow>(this, kCommands, kUpdates, id, state);
}

bool FrameWindow::RouteCommand(UINT id, CommandUI* state) {
  if (m_pView != nullptr && m_pView->OnCmdMsg(id, state)) return true;
  if (m_pDocument != nullptr && m_pDocument->OnCmdMsg(id, state)) return true;
  if (OnCmdMsg(id, state)) return true;
  App* app = App::Current();
  return app != nullptr && app->OnCmdMsg(id, state);
}

bool FrameWindow::IsCommandEnabled(UINT id) {
  TestUI state(id);
  return RouteCommand(id, &state) && state.m_enabled;
}

void FrameWindow::OnIdleUpdateCmdUI() {
  m_wndToolBar.UpdateButtons([this](UINT id, CommandUI* state) { return RouteCommand(id, state); });
}

void FrameWindow::RecalcLayout() {
  RECT client{};
  GetClientRect(Hwnd(), &client);
  if (m_wndToolBar.IsVisible()) {
    SendMessageA(m_wndToolBar.Hwnd(), TB_AUTOSIZE, 0, 0);
    RECT rc{};
    GetWindowRect(m_wndToolBar.Hwnd(), &rc);
    client.top += rc.bottom - rc.top;
  }
  if (m_wndStatusBar.IsVisible()) {
    m_wndStatusBar.Resize();
    RECT rc{};
    GetWindowRect(m_wndStatusBar.Hwnd(), &rc);
    client.bottom -= rc.bottom - rc.top;
  }
  if (m_pView != nullptr && m_pView->Hwnd() != nullptr) {
    MoveWindow(m_pView->Hwnd(), client.left, client.top, client.right - client.left,
               client.bottom > client.top ? client.bottom - client.top : 0, TRUE);
  }
}

void FrameWindow::CenterDialogOnScreen(HWND window) {
  RECT rc{};
  GetWindowRect(window, &rc);
  const Point corner =
      ui::CenterDialogOnScreen(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                               rc.right - rc.left, rc.bottom - rc.top);
  SetWindowPos(window, nullptr, corner.x, corner.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void FrameWindow::OnViewToolbar() {
  ShowWindow(m_wndToolBar.Hwnd(), m_wndToolBar.IsVisible() ? SW_HIDE : SW_SHOW);
  RecalcLayout();
}

void FrameWindow::OnUpdateViewToolbar(CommandUI& state) {
  state.SetCheck(m_wndToolBar.IsVisible());
}

void FrameWindow::OnViewStatusBar() {
  ShowWindow(m_wndStatusBar.Hwnd(), m_wndStatusBar.IsVisible() ? SW_HIDE : SW_SHOW);
  RecalcLayout();
}

void FrameWindow::OnUpdateViewStatusBar(CommandUI& state) {
  state.SetCheck(m_wndStatusBar.IsVisible());
}

void FrameWindow::UpdateMenu(HMENU menu) {
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    const UINT id = GetMenuItemID(menu, i);
    if (id == 0 || id == static_cast<UINT>(-1)) continue;  // separator or submenu
    MenuItemUI state(menu, static_cast<UINT>(i), id);
    if (!RouteCommand(id, &state)) state.Enable(false);
  }
}

void FrameWindow::ShowPrompt(UINT id) {
  std::string prompt = LoadResString(id);
  const size_t newline = prompt.find('\n');
  if (newline != std::string::npos) prompt.resize(newline);
  m_wndStatusBar.SetPaneText(0, prompt);
}

bool FrameWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_COMMAND: {
      const UINT id = LOWORD(wParam);
      const bool fromControl = lParam != 0 && reinterpret_cast<HWND>(lParam) != m_wndToolBar.Hwnd();
      if (fromControl) return false;
      if (IsCommandEnabled(id)) RouteCommand(id, nullptr);
      result = 0;
      return true;
    }
    case WM_INITMENUPOPUP:
      if (!HIWORD(lParam)) UpdateMenu(reinterpret_cast<HMENU>(wParam));
      result = 0;
      return true;
    case WM_MENUSELECT: {
      const UINT flags = HIWORD(wParam);
      if (flags == 0xFFFF && lParam == 0) {
        ShowPrompt(IDS_IDLEMESSAGE);
      } else if (!(flags & (MF_POPUP | MF_SEPARATOR))) {
        ShowPrompt(LOWORD(wParam));
      } else {
        m_wndStatusBar.SetPaneText(0, std::string());
      }
      result = 0;
      return true;
    }
    case WM_EXITMENULOOP:
      ShowPrompt(IDS_IDLEMESSAGE);
      return false;
    case WM_SIZE:
      RecalcLayout();
      result = 0;
      return true;
    case WM_SETFOCUS:
      if (m_pView != nullptr && m_pView->Hwnd() != nullptr) SetFocus(m_pView->Hwnd());
      result = 0;
      return true;
    case WM_SETCURSOR:
      if (App::Current() != nullptr && App::Current()->IsWaitCursor()) {
        SetCursor(LoadCursorA(nullptr, IDC_WAIT));
        result = TRUE;
        return true;
      }
      return false;
    case WM_NCDESTROY:
      PostQuitMessage(0);
      return false;
    default:
      return false;
  }
}

}  // namespace ui
