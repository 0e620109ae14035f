// The Select Display Colors window of Setup, Preferences, Colors: each role's button opens the
// system colour chooser on the dialog's copy, and the sample is painted from that copy.
#pragma once

#include "display/DisplayColors.h"
#include "ui/win32/Dialog.h"

class CDisplayColorsDlg : public ui::Dialog {
 public:
  explicit CDisplayColorsDlg(display::DisplayColors& colors);

 protected:
  void OnInitDialog() override;
  bool OnControl(int id, UINT notification) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  void PaintSample() const;

  display::DisplayColors& m_colors;
  RECT m_rcSample{};
};
