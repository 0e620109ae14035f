// The Buffer Allocation window, opened from Capture Filters: binds the template's edits,
// radio buttons and the two spinner scroll bars to the model.
#pragma once

#include "dialogs/BufferAllocModel.h"
#include "ui/win32/Dialog.h"

class CBufferAllocDlg : public ui::Dialog {
 public:
  CBufferAllocDlg(BufferAllocModel& model, HWND owner);

 protected:
  void OnInitDialog() override;
  bool OnControl(int id, UINT notification) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
  void OnOK() override;

 private:
  void OnSaveEntire();
  void OnSaveUpTo();
  void OnDisplayEntire();
  void OnDisplayUpTo();
  void OnTraceSizeKillFocus() { SizeKillFocus(BufferAllocModel::Spinner::kTrace); }
  void OnTrapSizeKillFocus() { SizeKillFocus(BufferAllocModel::Spinner::kTrap); }
  void SizeKillFocus(BufferAllocModel::Spinner spinner);
  void OnSpin(HWND bar, int code);

  BufferAllocModel& m_model;

  static const ui::ControlEntry<CBufferAllocDlg> kControls[];
};
