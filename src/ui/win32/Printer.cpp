#include "ui/win32/Printer.h"

#include "ui/win32/App.h"

namespace ui {

Printer::~Printer() {
  if (m_devMode != nullptr) GlobalFree(m_devMode);
  if (m_devNames != nullptr) GlobalFree(m_devNames);
}

// The dialog may hand back new settings blocks; they replace ours whatever it answers.
bool Printer::Run(PRINTDLGA& dialog) {
  dialog.lStructSize = sizeof dialog;
  dialog.hDevMode = m_devMode;
  dialog.hDevNames = m_devNames;
  const bool ok = PrintDlgA(&dialog) != FALSE;
  m_devMode = dialog.hDevMode;
  m_devNames = dialog.hDevNames;
  return ok;
}

void Printer::Setup(HWND owner) {
  PRINTDLGA dialog{};
  dialog.hwndOwner = owner;
  dialog.Flags = PD_PRINTSETUP;
  Run(dialog);
}

Printer::Choice Printer::ChooseForJob(HWND owner) {
  PRINTDLGA dialog{};
  dialog.hwndOwner = owner;
  dialog.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION | PD_USEDEVMODECOPIESANDCOLLATE;
  Choice choice;
  if (Run(dialog)) {
    choice.dc = dialog.hDC;
    choice.failed = dialog.hDC == nullptr;
  } else {
    choice.failed = CommDlgExtendedError() != 0;  // 0: the user cancelled
  }
  return choice;
}

bool PrintDocument(HDC dc, const char* name, const std::function<void()>& begin,
                   const std::function<bool()>& page) {
  DOCINFOA info{};
  info.cbSize = sizeof info;
  info.lpszDocName = name;
  if (StartDocA(dc, &info) <= 0) return false;
  App* app = App::Current();
  if (app != nullptr) app->DoWaitCursor(1);
  begin();
  bool more = true;
  bool ok = true;
  while (more && ok) {
    ok = StartPage(dc) > 0;
    if (ok) {
      more = page();
      ok = EndPage(dc) > 0;
    }
  }
  if (ok) {
    ok = EndDoc(dc) > 0;
  } else {
    AbortDoc(dc);
  }
  if (app != nullptr) app->DoWaitCursor(-1);
  return ok;
}

}  // namespace ui
