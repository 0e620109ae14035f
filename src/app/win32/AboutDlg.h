// The About box: version, the agent library's answer at start-up, and the picture.
#pragma once

#include "ui/win32/Dialog.h"

class CAboutDlg : public ui::Dialog {
 public:
  CAboutDlg(HWND parent, int agentRevision);

 protected:
  bool OnInitDialog() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  void PaintPicture();
  int m_nAgentRevision;
};
