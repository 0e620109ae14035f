// The trigger condition window of Setup, Trigger, Specify: binds the template's controls to the
// trigger dialog's model, which holds every rule.
#pragma once

#include "dialogs/TrapModel.h"
#include "ui/win32/Dialog.h"

class CTrapDlg : public ui::Dialog {
 public:
  explicit CTrapDlg(dialogs::TrapModel& model);

 protected:
  void OnInitDialog() override;
  bool OnControl(int id, UINT notification) override;
  void OnOK() override;

 private:
  void ShowKind() const;
  // The entry the list's text names, or -1 when the typed text matches none.
  int ListChoice(int id) const;

  dialogs::TrapModel& m_model;
};
