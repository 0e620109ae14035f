// The view's output commands: Copy to Clipboard and Print, each of a range of records.
#include "app/win32/MainFrame.h"
#include "app/win32/QuarnetApp.h"
#include "app/win32/QuarnetView.h"
#include "dialogs/win32/RangeDlg.h"
#include "display/ClipboardCopy.h"
#include "ui/win32/Clipboard.h"
#include "ui/win32/GdiCanvas.h"
#include "ui/win32/Printer.h"

namespace {

constexpr char kPrintNotStarted[] = "Could not start print job.";

}  // namespace

std::optional<CQuarnetView::RecordRange> CQuarnetView::ChooseRange(const char* caption) const {
  dialogs::RangeModel model;
  model.m_strCaption = caption;
  const RangeView range(*this);
  CRangeDlg dialog(model, range);
  if (dialog.DoModal() != IDOK) return std::nullopt;
  return RecordRange{model.m_nFrom, model.m_nTo};
}

void CQuarnetView::OnEditCopy() {
  const auto range = ChooseRange("Copy to Clipboard");
  if (!range) return;
  const display::ClipboardCopy copy = display::PrepareClipboardCopy(
      Displayed(), range->from, range->to, format::DisplayModes::FromOptions(m_options),
      [this](const CSpyMsg& record) { return m_display.GetRecordLines(record); });
  if (copy.empty) return;  // nothing to put there: what the Clipboard holds stays
  if (copy.refused) {
    MessageBoxStop(std::string(display::kClipboardTooLarge), "Quarnet");
  } else if (!ui::PutClipboardText(Hwnd(), copy.block)) {
    MessageBoxStop("The trace could not be put on the Clipboard; the Clipboard is unchanged.",
                   "Quarnet");
  }
}

// The records are copied before the print dialog opens, so the job prints what the range held
// even if the buffers change meanwhile; a cancelled dialog leaves the copies until the next job.
void CQuarnetView::OnFilePrint() {
  // The Printing box keeps messages flowing: a Print that reaches the view meanwhile is ignored.
  if (m_bPrinting) return;
  const auto range = ChooseRange("Print");
  if (!range || !m_printJob.Prepare(Displayed(), range->from, range->to)) return;
  ui::Printer& printer = CQuarnetApp::Get()->m_printer;
  const ui::Printer::Choice choice = printer.ChooseForJob(Hwnd());
  if (choice.dc == nullptr) {
    if (choice.failed) MessageBoxStop(kPrintNotStarted, "Quarnet");
    return;
  }
  const HDC dc = choice.dc;
  ui::PrintOutcome outcome = ui::PrintOutcome::kFailed;
  {
    // The printer's default font, unless the job's widest line needs a smaller fixed-pitch one;
    // the display font is for the screen.
    ui::GdiCanvas canvas(dc);
    ui::PrinterFonts fonts(dc);
    const int width = GetDeviceCaps(dc, HORZRES);
    m_printJob.UseFittedFont(canvas, m_options, width, fonts);
    HWND owner =
        CQuarnetApp::Get()->m_pMainFrame ? CQuarnetApp::Get()->m_pMainFrame->Hwnd() : Hwnd();
    m_bPrinting = true;
    outcome = ui::PrintDocument(
        owner, dc, "Quarnet",
        [&] { m_printJob.Begin(canvas.GetCharMetrics(), width, GetDeviceCaps(dc, VERTRES)); },
        [&] { return m_printJob.PrintPage(canvas, m_options); });
    m_bPrinting = false;
  }
  DeleteDC(dc);
  if (outcome == ui::PrintOutcome::kFailed) MessageBoxStop(kPrintNotStarted, "Quarnet");
}
