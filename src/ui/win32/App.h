// The application object: the message loop with idle processing and accelerators, and the end
// of the command route.
#pragma once

#include <windows.h>

#include "ui/win32/CommandTarget.h"

namespace ui {

class FrameWindow;

class App : public CommandTarget {
 public:
  App();
  ~App() override;
  App(const App&) = delete;
  App& operator=(const App&) = delete;

  static App* Current() { return s_current; }

  // Runs the message loop until WM_QUIT; returns its exit code.
  int Run();
  // Called while no message waits, with a count that restarts after every real message;
  // return true to be called again. The base updates the frame's toolbar on the first call.
  virtual bool OnIdle(long count);
  // Sees every message the loop takes before accelerators and dispatch; true uses it up.
  virtual bool PreTranslateMessage(const MSG& msg);

  // Wait cursor: +1 shows it (nested), -1 ends one, 0 shows it again after a message box.
  void DoWaitCursor(int delta);
  bool IsWaitCursor() const { return m_waitCount > 0; }

  FrameWindow* m_pMainWnd = nullptr;
  HACCEL m_hAccelTable = nullptr;

 private:
  static bool IsIdleMessage(const MSG& msg, MSG& last);
  static inline App* s_current = nullptr;
  int m_waitCount = 0;
  HCURSOR m_hcurWaitRestore = nullptr;
};

}  // namespace ui
