// The Capture Filters window of Setup, Filters: binds the template's controls to the model,
// which holds every rule; Configure Buffers opens Buffer Allocation on a copy of its values.
#pragma once

#include <vector>

#include "dialogs/CaptureFiltersModel.h"
#include "ui/win32/Dialog.h"

class CCaptureFiltersDlg : public ui::Dialog {
 public:
  explicit CCaptureFiltersDlg(CaptureFiltersModel& model);

 protected:
  void OnInitDialog() override;
  bool OnControl(int id, UINT notification) override;
  void OnOK() override;

 private:
  void OnTraceAll() { Show(m_model.OnTraceAll()); }
  void OnTraceSome() { Show(m_model.OnTraceSome()); }
  void OnTraceNone() { Show(m_model.OnTraceNone()); }
  void OnSelectionChange() { m_model.OnSelectionChange(SelectedEntries()); }
  void OnRestrictSocket() { Show(m_model.OnRestrictSocket()); }
  void OnErrorsOnly() { m_model.OnErrorsOnly(); }
  void OnIgnoreWouldBlock() { m_model.OnIgnoreWouldBlock(); }
  void OnConfigureBuffers();

  // Every control but the socket id's text, which stays as the user typed it.
  void Show(const CaptureFiltersModel::Controls& controls) const;
  std::vector<int> SelectedEntries() const;

  CaptureFiltersModel& m_model;

  static const ui::ControlEntry<CCaptureFiltersDlg> kControls[];
};
