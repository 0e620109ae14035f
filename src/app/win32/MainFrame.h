// The main window: menu, toolbar, status bar and the trace view.
#pragma once

#include <memory>

#include "ui/win32/FrameWindow.h"

class CQuarnetView;

class CMainFrame : public ui::FrameWindow {
 public:
  static constexpr UINT kRestoreMessage = WM_USER + 2;

  CMainFrame();
  ~CMainFrame() override;
  bool Create();

 protected:
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  LRESULT OnCreate(WPARAM, LPARAM);
  LRESULT OnRestore(WPARAM, LPARAM);

  std::unique_ptr<CQuarnetView> m_view;

  static const ui::MessageEntry<CMainFrame> kMessages[];
};
