// The document of the single-document frame. It holds no data: trace files are read and
// written by the view.
#pragma once

#include "ui/win32/CommandTarget.h"

class CQuarnetDoc : public ui::CommandTarget {
 public:
  CQuarnetDoc();
  bool OnNewDocument();
  bool OnCmdMsg(UINT id, ui::CommandUI* state) override;

 private:
  void OnFileSave();

  static const ui::CommandEntry<CQuarnetDoc> kCommands[];
};
