#include "ui/win32/Printer.h"

#include <utility>

#include "ui/win32/App.h"
#include "ui/win32/PrintingBox.h"

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

namespace {

constexpr char kFixedPitchFace[] = "Courier New";

// The page loop of one document. `goOn` is asked before each page, with its number, and with 0
// before the document is handed over; it may stop the job.
PrintOutcome RunDocument(HDC dc, const char* name, const std::function<void()>& begin,
                         const std::function<bool()>& page, const std::function<bool(int)>& goOn) {
  DOCINFOA info{};
  info.cbSize = sizeof info;
  info.lpszDocName = name;
  if (StartDocA(dc, &info) <= 0) return PrintOutcome::kFailed;
  const auto abort = [&] {
    AbortDoc(dc);
    // A page the printer refused because Cancel stopped it is a cancel, not a failure.
    return goOn(0) ? PrintOutcome::kFailed : PrintOutcome::kCancelled;
  };
  begin();
  bool more = true;
  for (int number = 1; more; ++number) {
    if (!goOn(number) || StartPage(dc) <= 0) return abort();
    more = page();
    if (EndPage(dc) <= 0) return abort();
  }
  // Cancel pressed while the last page went out still stops the document.
  if (!goOn(0)) return abort();
  return EndDoc(dc) > 0 ? PrintOutcome::kPrinted : PrintOutcome::kFailed;
}

PrintingBox* g_printingBox = nullptr;

// Called by GDI while it spools a page: the box stays live and its Cancel is seen.
BOOL CALLBACK AbortProc(HDC, int) {
  return g_printingBox == nullptr || g_printingBox->Pump() ? TRUE : FALSE;
}

}  // namespace

PrinterFonts::PrinterFonts(HDC dc) : m_dc(dc) {
  TEXTMETRICA tm{};
  GetTextMetricsA(m_dc, &tm);
  m_defaultPoints = MulDiv(tm.tmHeight - tm.tmInternalLeading, 72, GetDeviceCaps(m_dc, LOGPIXELSY));
}

PrinterFonts::~PrinterFonts() {
  if (m_default != nullptr) SelectObject(m_dc, m_default);
}

HFONT PrinterFonts::MakeFixed(int points) const {
  LOGFONTA lf{};
  lf.lfHeight = -MulDiv(points, GetDeviceCaps(m_dc, LOGPIXELSY), 72);
  lf.lfWeight = FW_NORMAL;
  lf.lfCharSet = ANSI_CHARSET;
  lf.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
  lstrcpynA(lf.lfFaceName, kFixedPitchFace, LF_FACESIZE);
  return CreateFontIndirectA(&lf);
}

int PrinterFonts::FixedCharWidth(int points) const {
  const ScopedFont font(MakeFixed(points));
  if (!font) return 0;
  const ScopedSelect selected(m_dc, font.Get());
  TEXTMETRICA tm{};
  return GetTextMetricsA(m_dc, &tm) ? tm.tmAveCharWidth : 0;
}

bool PrinterFonts::UseFixed(int points) {
  ScopedFont font(MakeFixed(points));
  if (!font) return false;
  const HGDIOBJ previous = SelectObject(m_dc, font.Get());
  if (m_default == nullptr) m_default = previous;
  m_fixed = std::move(font);
  return true;
}

PrintOutcome PrintDocument(HWND owner, HDC dc, const char* name, const std::function<void()>& begin,
                           const std::function<bool()>& page) {
  PrintingBox box(owner, name);
  g_printingBox = &box;
  SetAbortProc(dc, AbortProc);
  const PrintOutcome outcome = RunDocument(dc, name, begin, page, [&box](int number) {
    if (number > 0) box.ShowPage(number);
    return box.Pump();
  });
  g_printingBox = nullptr;
  return outcome;
}

}  // namespace ui
