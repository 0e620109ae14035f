// The range dialog of Copy to Clipboard and Print: binds the radio buttons and the two record
// edits to the model, which holds every rule; the caller reads the range from the model after OK.
#pragma once

#include "dialogs/RangeModel.h"
#include "ui/win32/Dialog.h"

class CRangeDlg : public ui::Dialog {
 public:
  CRangeDlg(RangeModel& model, const IRangeView& view);

 protected:
  void OnInitDialog() override;
  bool OnControl(int id, UINT notification) override;
  void OnOK() override;

 private:
  void OnAll() { Show(m_model.OnAll()); }
  void OnCurrentPage() { Show(m_model.OnCurrentPage()); }
  void OnRecord() { Show(m_model.OnRecord()); }
  void OnFromKillFocus() { Check(RangeModel::Edit::kFrom); }
  void OnToKillFocus() { Check(RangeModel::Edit::kTo); }
  void Check(RangeModel::Edit edit);
  void Show(const RangeModel::Controls& controls) const;

  RangeModel& m_model;
  const IRangeView& m_view;

  static const ui::ControlEntry<CRangeDlg> kControls[];
};
