// The About box: version, the agent library's answer at start-up, and the picture.
#pragma once

#include "ui/win32/Dialog.h"

class CAboutDlg : public ui::Dialog {
 public:
  explicit CAboutDlg(int agentRevision);

 protected:
  void OnInitDialog() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  void PaintPicture() const;
  int m_nAgentRevision;
};
