#include "ui/win32/App.h"

#include "ui/win32/FrameWindow.h"

namespace ui {

App::App() {
  s_current = this;
}

App::~App() {
  if (s_current == this) s_current = nullptr;
}

int App::Run() {
  MSG msg{};
  MSG last{};
  bool idle = true;
  long idleCount = 0;
  for (;;) {
    while (idle && !PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      try {
        if (!OnIdle(idleCount++)) idle = false;
      } catch (...) {
        ReportHandlerFailure(m_pMainWnd != nullptr ? m_pMainWnd->Hwnd() : nullptr);
        idle = false;
      }
    }
    const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) break;
    const HWND main = m_pMainWnd != nullptr ? m_pMainWnd->Hwnd() : nullptr;
    if (!PreTranslateMessage(msg) && (main == nullptr || m_hAccelTable == nullptr ||
                                      !TranslateAcceleratorA(main, m_hAccelTable, &msg))) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (IsIdleMessage(msg, last)) {
      idle = true;
      idleCount = 0;
    }
  }
  return static_cast<int>(msg.wParam);
}

bool App::IsIdleMessage(const MSG& msg, MSG& last) {
  // Repeated mouse moves at the same point, paints and the caret's blink timer change nothing
  // that the idle update shows.
  if (msg.message == WM_MOUSEMOVE || msg.message == WM_NCMOUSEMOVE) {
    const bool same = msg.message == last.message && msg.pt.x == last.pt.x && msg.pt.y == last.pt.y;
    last = msg;
    return !same;
  }
  return msg.message != WM_PAINT && msg.message != 0x0118;
}

bool App::PreTranslateMessage(const MSG&) {
  return false;
}

bool App::OnIdle(long count) {
  if (count == 0 && m_pMainWnd != nullptr && m_pMainWnd->Hwnd() != nullptr) {
    m_pMainWnd->OnIdleUpdateCmdUI();
  }
  return count == 0;
}

void App::DoWaitCursor(int delta) {
  if (delta > 0) {
    if (m_waitCount++ == 0) m_hcurWaitRestore = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    return;
  }
  if (delta < 0 && m_waitCount > 0 && --m_waitCount == 0) {
    SetCursor(m_hcurWaitRestore != nullptr ? m_hcurWaitRestore : LoadCursorA(nullptr, IDC_ARROW));
    return;
  }
  if (m_waitCount > 0) SetCursor(LoadCursorA(nullptr, IDC_WAIT));
}

}  // namespace ui
