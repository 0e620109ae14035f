// The main frame: menu, toolbar, status bar and one view. Commands from the menu, the
// accelerators and the toolbar go to the view, then the document, the frame and the
// application, and run only while their update handler leaves them enabled.
#pragma once

#include <windows.h>

#include <memory>
#include <span>

#include "ui/win32/ControlBars.h"
#include "ui/win32/Window.h"

namespace ui {

class FrameWindow : public Window {
 public:
  // Routes a command (or, with `state`, its update) along view, document, frame, application.
  bool RouteCommand(UINT id, CommandUI* state);
  // True when the command's update handler leaves it enabled (and someone handles it).
  bool IsCommandEnabled(UINT id);
  void OnIdleUpdateCmdUI();
  void RecalcLayout();
  // Moves `window` to the centre of the screen, keeping it on the screen where it fits; every
  // dialog of the program calls it when it opens.
  static void CenterDialogOnScreen(HWND window);

  StatusBar m_wndStatusBar;
  ToolBar m_wndToolBar;

  CommandTarget* m_pDocument = nullptr;
  Window* m_pView = nullptr;

 protected:
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  bool OnCmdMsg(UINT id, CommandUI* state) override;

 private:
  void OnViewToolbar();
  void OnUpdateViewToolbar(CommandUI& state);
  void OnViewStatusBar();
  void OnUpdateViewStatusBar(CommandUI& state);
  void UpdateMenu(HMENU menu);
  void ShowPrompt(UINT id);

  static const CommandEntry<FrameWindow> kCommands[];
  static const UpdateEntry<FrameWindow> kUpdates[];
};

}  // namespace ui
