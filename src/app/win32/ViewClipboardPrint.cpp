// The view's output commands: Copy to Clipboard and Print, each of a range of records.
#include "app/win32/QuarnetApp.h"
#include "app/win32/QuarnetView.h"
#include "dialogs/win32/RangeDlg.h"
#include "display/ClipboardCopy.h"
#include "ui/win32/Clipboard.h"
#include "ui/win32/GdiCanvas.h"

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
  const auto range = ChooseRange("Print");
  if (!range || !m_printJob.Prepare(Displayed(), range->from, range->to)) return;
  ui::Printer& printer = CQuarnetApp::Get()->m_printer;
  const ui::Printer::Choice choice = printer.ChooseForJob(Hwnd());
  if (choice.dc == nullptr) {
    if (choice.failed) MessageBoxStop(kPrintNotStarted, "Quarnet");
    return;
  }
  // The printer's own default font stays selected: the display font is for the screen.
  ui::GdiCanvas canvas(choice.dc);
  const bool printed = ui::PrintDocument(
      choice.dc, "Quarnet",
      [&] {
        m_printJob.Begin(canvas.GetCharMetrics(), GetDeviceCaps(choice.dc, HORZRES),
                         GetDeviceCaps(choice.dc, VERTRES));
      },
      [&] { return m_printJob.PrintPage(canvas, m_options); });
  DeleteDC(choice.dc);
  if (!printed) MessageBoxStop(kPrintNotStarted, "Quarnet");
}
