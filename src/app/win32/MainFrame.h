// The main window: menu, toolbar, status bar and the trace view, and the help commands.
#pragma once

#include <memory>

#include "app/win32/HelpWindow.h"
#include "ui/win32/FrameWindow.h"

class CQuarnetView;

class CMainFrame : public ui::FrameWindow {
 public:
  static constexpr UINT kRestoreMessage = WM_USER + 2;

  CMainFrame();
  ~CMainFrame() override;
  bool Create();

  // Opens the help window at `context`; "Failed to launch help." when there is no such topic.
  void OpenHelp(uint32_t context);
  // In context-help mode (Shift+F1) takes the click that chooses a topic, or Escape; true when
  // the message was used up.
  bool PreTranslateHelpMode(const MSG& msg);

 protected:
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
  bool OnCmdMsg(UINT id, ui::CommandUI* state) override;

 private:
  LRESULT OnCreate(WPARAM, LPARAM);
  LRESULT OnDestroy(WPARAM, LPARAM);
  LRESULT OnRestore(WPARAM, LPARAM);

  void OnHelpIndex();
  void OnHelpUsing();
  void OnHelp();
  void OnContextHelp();
  // The topic of the dialog that command `id` opens, else the overview.
  void OpenCommandHelp(UINT id);
  void EndHelpMode();
  static LRESULT CALLBACK HelpKeyFilter(int code, WPARAM wParam, LPARAM lParam);

  std::unique_ptr<CQuarnetView> m_view;
  CHelpWindow m_help;
  HHOOK m_helpKeyHook = nullptr;
  bool m_bHelpMode = false;
  UINT m_nIDTracking = 0;  // the menu item highlighted now, 0 for none
  UINT m_nIDMenuHelp = 0;  // the menu item F1 was pressed on, until ID_HELP runs

  static const ui::MessageEntry<CMainFrame> kMessages[];
  static const ui::CommandEntry<CMainFrame> kCommands[];
};
