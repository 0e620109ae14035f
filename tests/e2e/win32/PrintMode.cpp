// The print mode: Copy to Clipboard and Print of a wsdemo trace, through the range dialog and
// the system's print dialog.
#include <windows.h>
// After windows.h (whose lean build leaves the common dialogs out):
#include <commdlg.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "E2eSupport.h"
#include "app/ResourceIds.h"
#include "dialogs/RangeIds.h"
#include "display/ClipboardCopy.h"
#include "display/PrintJob.h"
#include "store/TraceFile.h"
#include "ui/win32/GdiCanvas.h"
#include "ui/win32/Printer.h"

namespace e2e {

namespace {

std::string ClipboardText() {
  std::string text = "<no text on the clipboard>";
  if (!OpenClipboard(nullptr)) return "<clipboard busy>";
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    if (const auto* bytes = static_cast<const char*>(GlobalLock(data))) {
      text = bytes;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

void PutClipboardText(const std::string& text) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  std::memcpy(GlobalLock(memory), text.c_str(), text.size() + 1);
  GlobalUnlock(memory);
  CHECK(OpenClipboard(nullptr));
  EmptyClipboard();
  CHECK(SetClipboardData(CF_TEXT, memory) != nullptr);
  CloseClipboard();
}

drive::DialogWindow OpenRange(const drive::Program& monitor, UINT command, const char* caption) {
  monitor.PostCommand(command);
  return monitor.WaitDialog(caption);
}

// Record FROM to TO in the range dialog, each number typed and left as Tab leaves it; OK.
void ChooseRecords(const drive::DialogWindow& range, int from, int to) {
  range.Click(IDC_RANGE_RECORD);
  CHECK(range.Enabled(IDC_RANGE_FROM) && range.Enabled(IDC_RANGE_TO));
  Type(range, IDC_RANGE_FROM, std::to_string(from), IDC_RANGE_TO);
  Type(range, IDC_RANGE_TO, std::to_string(to), IDC_RANGE_FROM);
  Close(range, IDOK);
}

void OpenTrace(const drive::Program& monitor, const std::string& path, int records) {
  monitor.PostCommand(ID_FILE_OPEN);
  CHECK(monitor.ChooseInFileDialog(path));
  CHECK(drive::WaitFor(kLong, [&] { return monitor.RecordCount() == records; }));
}

// The system's print dialog of the job, answered with `button`.
void AnswerPrintDialog(const drive::Program& monitor, int button) {
  const drive::DialogWindow dialog = monitor.WaitDialog("Print");
  CHECK(dialog.hwnd != nullptr);
  Sleep(300);  // let it fill in the printer
  Close(dialog, button);
}

// Asks the test script to do `request` (a file name under WORK) and waits until it is done.
bool AskScript(const Folders& folders, const std::string& request) {
  const std::string done = folders.work + "\\" + request + "-done";
  CHECK(WriteText(folders.work + "\\" + request, request));
  return drive::WaitFor(
      kLong, [&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; });
}

// A canvas that only lets the pages be counted.
class NoCanvas : public ui::Canvas {
 public:
  void SetTextColour(ui::ColorRef) override {}
  void DrawString(int32_t, int32_t, std::string_view) override {}
  ui::TextExtent MeasureString(std::string_view) override { return {}; }
  void FillRectangle(const ui::Rect&, ui::ColorRef) override {}
  void DrawBorderedRectangle(const ui::Rect&, ui::ColorRef) override {}
  ui::CharMetrics GetCharMetrics() override { return {}; }
};

// The pages the print job makes of records FROM to TO on the default printer, from its printable
// area and the height of its default font, read here from the same printer.
int PagesOnDefaultPrinter(const std::vector<SpyMsgPtr>& records, int from, int to,
                          const config::Options& options) {
  PRINTDLGA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.Flags = PD_RETURNDEFAULT | PD_RETURNDC;
  if (!PrintDlgA(&dialog) || dialog.hDC == nullptr) return -1;
  display::PrintJob job;
  CHECK(job.Prepare(records, from, to));
  const HDC dc = dialog.hDC;
  const int width = GetDeviceCaps(dc, HORZRES);
  int pages = 1;
  {
    // The font as the view's print command chooses it.
    ui::GdiCanvas canvas(dc);
    ui::PrinterFonts fonts(dc);
    if (const auto points = job.FitFont(canvas, options, width, fonts.DefaultPoints(),
                                        [&](int32_t size) { return fonts.FixedCharWidth(size); })) {
      fonts.UseFixed(*points);
    }
    const ui::CharMetrics metrics = canvas.GetCharMetrics();
    job.Begin(metrics, width, GetDeviceCaps(dc, VERTRES));
    std::printf("printer: %dx%d, font height %d\n", width, GetDeviceCaps(dc, VERTRES),
                static_cast<int>(metrics.height));
    NoCanvas none;
    while (job.PrintPage(none, options)) ++pages;
  }
  DeleteDC(dc);
  GlobalFree(dialog.hDevMode);
  GlobalFree(dialog.hDevNames);
  return pages;
}

}  // namespace

// Copy and Print of a wsdemo trace. Left in WORK for the script: copy-all.txt and
// copy-3-7.txt (the clipboard's text), pages.txt (the pages the job makes of All and of record
// 5), the trace in saved\wsdemo.spy; the PDF printer's output is the script's to read.
int RunPrint(const std::string& work, const std::string& bin, const std::string& wsdemo) {
  Folders folders;
  drive::Program monitor;
  if (!StartWithWsdemo(work, bin, wsdemo, folders, monitor)) return check::Finish("e2e print");
  auto enabled = [&](UINT id) { return (ToolbarState(monitor, id) & TBSTATE_ENABLED) != 0; };
  CHECK(!enabled(ID_EDIT_COPY) && !enabled(ID_FILE_PRINT));  // nothing to copy or print

  Tracer tracer{monitor, folders.programs};
  monitor.Command(ID_FILE_BEGINTRACE);
  CHECK(!enabled(ID_EDIT_COPY) && !enabled(ID_FILE_PRINT));  // tracing
  const int records = tracer.Run(1);
  CHECK(records > 46);
  const std::string saved = work + "\\saved\\wsdemo.spy";
  monitor.PostCommand(ID_FILE_SAVE_AS);
  CHECK(monitor.ChooseInFileDialog(saved));
  CHECK(drive::WaitFor(kLong, [&] { return drive::FileSize(saved) > 13; }));
  CHECK(enabled(ID_EDIT_COPY) && enabled(ID_FILE_PRINT));

  // Opens on the records in the window (pane 3 shows the first).
  drive::DialogWindow range = OpenRange(monitor, ID_EDIT_COPY, "Copy to Clipboard");
  CHECK(range.Checked(IDC_RANGE_PAGE) && !range.Enabled(IDC_RANGE_FROM));
  CHECK(std::atoi(range.Text(IDC_RANGE_FROM).c_str()) == std::atoi(monitor.Pane(3).c_str()));
  OfferScreenshot(folders, "range", range.hwnd);
  range.Click(IDC_RANGE_ALL);
  CHECK(range.Text(IDC_RANGE_TO) == std::to_string(records));
  Close(range, IDOK);
  CHECK(WriteText(work + "\\copy-all.txt", ClipboardText()));

  // A refused first number is put back; Enter in the last edit checks it before the range is used.
  range = OpenRange(monitor, ID_EDIT_COPY, "Copy to Clipboard");
  range.Click(IDC_RANGE_RECORD);
  const std::string first = range.Text(IDC_RANGE_FROM);
  Type(range, IDC_RANGE_FROM, "0", IDC_RANGE_TO);
  CHECK(range.Text(IDC_RANGE_FROM) == first);
  Type(range, IDC_RANGE_FROM, "3", IDC_RANGE_TO);
  range.SetText(IDC_RANGE_TO, "7");
  range.Key(VK_RETURN);
  CHECK(range.WaitClosed());
  CHECK(WriteText(work + "\\copy-3-7.txt", ClipboardText()));

  // 600 records are more than the clipboard takes; what it held stays.
  std::vector<SpyMsgPtr> trace = ReadRecords(saved);
  std::vector<SpyMsgPtr> many;
  while (many.size() < 600) many.push_back(trace[many.size() % trace.size()]->Clone());
  const std::string big = work + "\\saved\\many.spy";
  CHECK(WriteFile(big, store::WriteTraceFile(many)));
  OpenTrace(monitor, big, 600);
  PutClipboardText("kept");
  range = OpenRange(monitor, ID_EDIT_COPY, "Copy to Clipboard");
  range.Click(IDC_RANGE_ALL);
  Close(range, IDOK);
  CHECK(monitor.AnswerMessageBox(std::string(display::kClipboardTooLarge), IDOK));
  CHECK(ClipboardText() == "kept");

  // Printed without the time, so that the script can read the lines off qntdump --no-time.
  OpenTrace(monitor, saved, records);
  monitor.Command(ID_PREFERENCES_SHOWTIME);
  config::Options options;
  options.m_bShowTime = 0;
  range = OpenRange(monitor, ID_FILE_PRINT, "Print");
  range.Click(IDC_RANGE_ALL);
  Close(range, IDOK);
  AnswerPrintDialog(monitor, IDOK);
  ChooseRecords(OpenRange(monitor, ID_FILE_PRINT, "Print"), 5, 5);
  AnswerPrintDialog(monitor, IDOK);
  // Cancel in either dialog prints nothing.
  Close(OpenRange(monitor, ID_FILE_PRINT, "Print"), IDCANCEL);
  Close(OpenRange(monitor, ID_FILE_PRINT, "Print"), IDOK);
  AnswerPrintDialog(monitor, IDCANCEL);
  const std::string pages = std::to_string(PagesOnDefaultPrinter(trace, 1, records, options)) +
                            " " + std::to_string(PagesOnDefaultPrinter(trace, 5, 5, options));
  CHECK(WriteText(work + "\\pages.txt", pages + "\n"));

  // Without the queue the job cannot start; the trace stays. Wine keeps the printers it found
  // for the life of its server, so its print dialog may still offer the queue, which CUPS then
  // refuses.
  CHECK(AskScript(folders, "printer-off"));
  Close(OpenRange(monitor, ID_FILE_PRINT, "Print"), IDOK);
  Sleep(2000);
  if (HWND offered = monitor.FindDialog("Print")) Close(drive::DialogWindow{offered}, IDOK);
  CHECK(monitor.AnswerMessageBox("Could not start print job.", IDOK));
  CHECK(monitor.RecordCount() == records);
  CHECK(monitor.Exit(kLong));
  return check::Finish("e2e print");
}

}  // namespace e2e
