// The print mode: Copy to Clipboard and Print of a wsdemo trace, through the range dialog and
// the system's print dialog; the fonts print jobs take, the Printing box and its Cancel; a
// message the record's size cut, one it kept whole, and a buffer trimmed under the view's position.
#include <windows.h>
// After windows.h (whose lean build leaves the common dialogs out):
#include <commdlg.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "E2eSupport.h"
#include "app/ResourceIds.h"
#include "app/ShellText.h"
#include "config/Launcher.h"
#include "dialogs/BufferAllocIds.h"
#include "dialogs/RangeIds.h"
#include "display/ClipboardCopy.h"
#include "display/PrintJob.h"
#include "protocol/Bytes.h"
#include "protocol/Calls.h"
#include "protocol/ReportChannel.h"
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

// Record FROM to TO in the range dialog, each number typed and left as Tab leaves it; OK. From
// All's numbers (1 and the count), so that the current page's last number does not refuse FROM.
void ChooseRecords(const drive::DialogWindow& range, int from, int to) {
  range.Click(IDC_RANGE_ALL);
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
  // While the pages go out the Printing box keeps the main window disabled; the next command
  // waits until the job is done.
  Sleep(300);
  CHECK(drive::WaitFor(kLong, [&] { return IsWindowEnabled(monitor.frame) != FALSE; }));
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

// How the print job of records FROM to TO comes out on the default printer, in the font the
// view's print command chooses there: the fixed-pitch size it fitted (none: the printer's default
// font), the size in points printed, the rows of a page and the pages.
struct JobLayout {
  std::optional<int32_t> fitted;
  int points = 0;
  int rows = 0;
  int pages = 0;
};

JobLayout LayOutOnDefaultPrinter(const std::vector<SpyMsgPtr>& records, int from, int to,
                                 const config::Options& options) {
  PRINTDLGA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.Flags = PD_RETURNDEFAULT | PD_RETURNDC;
  JobLayout layout;
  if (!PrintDlgA(&dialog) || dialog.hDC == nullptr) return layout;
  display::PrintJob job;
  CHECK(job.Prepare(records, from, to));
  const HDC dc = dialog.hDC;
  const int width = GetDeviceCaps(dc, HORZRES);
  {
    ui::GdiCanvas canvas(dc);
    ui::PrinterFonts fonts(dc);
    layout.fitted = job.UseFittedFont(canvas, options, width, fonts);
    layout.points = layout.fitted.value_or(fonts.DefaultPoints());
    job.Begin(canvas.GetCharMetrics(), width, GetDeviceCaps(dc, VERTRES));
    layout.rows = job.Rows();
    NoCanvas none;
    layout.pages = 1;
    while (job.PrintPage(none, options)) ++layout.pages;
  }
  std::printf("print job of records %d to %d: %d pages of %d rows in %d points\n", from, to,
              layout.pages, layout.rows, layout.points);
  DeleteDC(dc);
  GlobalFree(dialog.hDevMode);
  GlobalFree(dialog.hDevNames);
  return layout;
}

// The jobs printed, one line each in print order for the script: pages, points and rows.
struct Jobs {
  std::string lines;

  JobLayout Add(const JobLayout& layout) {
    lines += std::to_string(layout.pages) + " " + std::to_string(layout.points) + " " +
             std::to_string(layout.rows) + "\n";
    return layout;
  }
};

// The number of the page the Printing box names, 0 when it names none.
int PageShown(HWND box) {
  for (HWND text = FindWindowExA(box, nullptr, "Static", nullptr); text != nullptr;
       text = FindWindowExA(box, text, "Static", nullptr)) {
    char shown[32] = {};
    GetWindowTextA(text, shown, sizeof shown);
    if (std::strncmp(shown, "Page ", 5) == 0) return std::atoi(shown + 5);
  }
  return 0;
}

// A job with the Printing box: OK in the print dialog, the box in front while the pages go out,
// naming the document and each page. With `cancelAt`, Cancel is pressed once the box names that
// page: the job stops there, without a word, and the monitor is as it was. Returns the last page
// the box named.
int PrintWithBox(const drive::Program& monitor, int cancelAt, const Folders* screenshot = nullptr) {
  const int records = monitor.RecordCount();
  Close(monitor.WaitDialog("Print"), IDOK);
  const drive::DialogWindow box = monitor.WaitDialog("Printing");
  CHECK(box.hwnd != nullptr && GetWindow(box.hwnd, GW_OWNER) == monitor.frame);
  CHECK(!IsWindowEnabled(monitor.frame));
  CHECK(FindWindowExA(box.hwnd, nullptr, "Static", "Quarnet") != nullptr);
  int last = 0;
  bool ascending = true;
  drive::WaitFor(kLong, [&] {
    const int page = IsWindow(box.hwnd) ? PageShown(box.hwnd) : 0;
    if (page == 0) return !IsWindow(box.hwnd);
    ascending = ascending && page >= last;
    last = page;
    if (screenshot != nullptr && page >= 2) {
      OfferScreenshot(*screenshot, "printing", box.hwnd);
      screenshot = nullptr;
    }
    if (page >= cancelAt) box.Press(IDCANCEL);
    return page >= cancelAt;
  });
  CHECK(ascending && last >= 1);
  CHECK(box.WaitClosed());
  CHECK(drive::WaitFor(kLong, [&] { return IsWindowEnabled(monitor.frame) != FALSE; }));
  Sleep(500);
  CHECK(monitor.MessageBoxText().empty());
  CHECK(monitor.RecordCount() == records);
  return last;
}

constexpr int kBigSend = 200000;

// One send of kBigSend bytes on a loopback connection, from a copy of burst.exe (beside the
// driver) traced under Save Entire Message and saved to `saved`. Returns the send's record
// number there.
int TraceBigSend(const drive::Program& monitor, const Folders& folders, const std::string& saved) {
  char driver[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, driver, MAX_PATH);
  std::string burst = driver;
  burst = burst.substr(0, burst.rfind('\\') + 1) + "burst.exe";
  const std::string copy = folders.programs + "\\burst.tmp";
  CHECK(config::launcher::CopyWithModuleRedirect(burst, copy, protocol::kOwnWidth).ok);
  monitor.Command(ID_FILE_BEGINTRACE);
  const DWORD code = RunToEnd(copy, "send " + std::to_string(kBigSend), folders.monitor);
  CHECK(code == 0);
  monitor.WaitForQuiet(2000, kLong);
  monitor.Command(ID_FILE_ENDTRACE);
  CHECK(SaveTraceAs(monitor, saved));
  const std::vector<SpyMsgPtr> records = ReadRecords(saved);
  for (size_t i = 0; i < records.size(); ++i) {
    if (records[i]->m_nApiId == static_cast<int32_t>(protocol::calls::Id::send)) {
      return static_cast<int>(i) + 1;
    }
  }
  CHECK(!"a send record");
  return 0;
}

// What the send's record says below its dump: all a record holds of its data after the send's
// fixed part, of the bytes sent.
std::string BigSendNote() {
  const auto transfer =
      protocol::calls::TransferOf(static_cast<int32_t>(protocol::calls::Id::send));
  const size_t captured = protocol::channel::kMaxPayload - transfer->fixed;
  return "(" + std::to_string(captured) + " of " + std::to_string(kBigSend) + " bytes captured)";
}

// Short lines, one row a record (Vert Space off), over more than a page: printed in the
// printer's default font.
void PrintShortLines(const drive::Program& monitor, const std::string& work,
                     const std::vector<SpyMsgPtr>& trace, config::Options& options, Jobs& jobs) {
  std::vector<const CSpyMsg*> byteOrder;
  for (const SpyMsgPtr& record : trace) {
    using protocol::calls::Id;
    const auto id = static_cast<Id>(record->m_nApiId);
    if (id == Id::htons || id == Id::ntohs || id == Id::htonl || id == Id::ntohl) {
      byteOrder.push_back(record.get());
    }
  }
  CHECK(!byteOrder.empty());
  std::vector<SpyMsgPtr> shorts;
  while (shorts.size() < 60) shorts.push_back(byteOrder[shorts.size() % byteOrder.size()]->Clone());
  const std::string path = work + "\\saved\\short.spy";
  CHECK(WriteFile(path, store::WriteTraceFile(shorts)));
  OpenTrace(monitor, path, 60);
  monitor.Command(ID_PREFERENCES_VERTSPACE);
  options.m_bVertSpace = 0;
  drive::DialogWindow range = OpenRange(monitor, ID_FILE_PRINT, "Print");
  range.Click(IDC_RANGE_ALL);
  Close(range, IDOK);
  AnswerPrintDialog(monitor, IDOK);
  const JobLayout brief = jobs.Add(LayOutOnDefaultPrinter(shorts, 1, 60, options));
  CHECK(!brief.fitted && brief.pages > 1);
  monitor.Command(ID_PREFERENCES_VERTSPACE);
  options.m_bVertSpace = 1;
}

// The first recv of the send's 200,000 bytes took 65,000 of them: its record keeps them all.
// Leaves its record number in recv.txt for the script, which reads it with qntdump.
void CheckWholeRecv(const Folders& folders, const std::vector<SpyMsgPtr>& records) {
  const auto id = static_cast<int32_t>(protocol::calls::Id::recv);
  const auto transfer = protocol::calls::TransferOf(id);
  for (size_t i = 0; i < records.size(); ++i) {
    if (records[i]->m_nApiId != id) continue;
    const std::span<const uint8_t> payload = records[i]->PayloadBytes();
    const uint32_t result = protocol::bytes::GetLE32(payload, transfer->result);
    const uint32_t captured = protocol::bytes::GetLE32(payload, transfer->count);
    const size_t chunks = (transfer->fixed + 65000 + 243) / 244;
    if (result != 65000 || captured != 65000 || payload.size() != 244 * chunks ||
        payload[transfer->fixed + 64999] != 'a' + 64999 % 26) {
      std::printf("the first recv: %u bytes, %u captured, a payload of %zu\n", result, captured,
                  payload.size());
      CHECK(!"a recv of 65,000 bytes kept whole");
    }
    CHECK(WriteText(folders.work + "\\recv.txt", std::to_string(i + 1) + "\n"));
    return;
  }
  CHECK(!"a recv record");
}

// A send of 200,000 bytes, its record in Verbose: printed in a fixed-pitch font that holds its
// dump rows, with the Printing box over every page, then the same job cancelled on its third
// page; on the clipboard with Display "Up to 16 bytes", the note of its cut data below the dump.
// Leaves note.txt for the script, and the trace in the view. Returns its record count.
int CheckBigSend(const drive::Program& monitor, const Folders& folders, config::Options& options,
                 Jobs& jobs) {
  const std::string path = folders.work + "\\saved\\big.spy";
  const int send = TraceBigSend(monitor, folders, path);
  const std::vector<SpyMsgPtr> records = ReadRecords(path);
  CheckWholeRecv(folders, records);
  monitor.Command(ID_PREFERENCES_VERBOSE);
  options.m_bVerbose = 1;
  ChooseRecords(OpenRange(monitor, ID_FILE_PRINT, "Print"), send, send);
  const int named = PrintWithBox(monitor, INT_MAX, &folders);
  const JobLayout whole = jobs.Add(LayOutOnDefaultPrinter(records, send, send, options));
  CHECK(whole.fitted && whole.pages > 3 && named <= whole.pages);
  ChooseRecords(OpenRange(monitor, ID_FILE_PRINT, "Print"), send, send);
  CHECK(PrintWithBox(monitor, 3) < whole.pages);

  const std::string note = BigSendNote();
  CHECK(WriteText(folders.work + "\\note.txt", note + "\n"));
  const drive::DialogWindow filters = OpenFilters(monitor);
  const drive::DialogWindow buffers = OpenBuffers(monitor, filters);
  buffers.Click(IDC_DISPLAY_UPTO);
  Type(buffers, IDC_DISPLAY_BYTES, "16", IDC_TRACE_SIZE);
  Close(buffers, IDOK);
  Close(filters, IDOK);
  ChooseRecords(OpenRange(monitor, ID_EDIT_COPY, "Copy to Clipboard"), send, send);
  const std::string copied = ClipboardText();
  if (copied.find("\r\n" + note + "\r\n") == std::string::npos) {
    std::printf("the send's record on the clipboard:\n%s\n", copied.c_str());
    CHECK(!"the note of the cut message on the clipboard");
  }
  monitor.Command(ID_PREFERENCES_VERBOSE);
  options.m_bVerbose = 0;
  return static_cast<int>(records.size());
}

// A Trace Buffer of 2,000 records shown from its end, cut to 50 in Buffer Allocation: the view
// comes back to records that exist, and Copy of the Current Page the range dialog offers copies
// them over what the clipboard held. Left for the script: the trimmed trace in saved\trimmed.spy,
// the clipboard's text in copy-page.txt and the page's range in page.txt.
void CheckTrim(const drive::Program& monitor, const Folders& folders,
               const std::vector<SpyMsgPtr>& trace) {
  std::vector<SpyMsgPtr> many;
  while (many.size() < 2000) many.push_back(trace[many.size() % trace.size()]->Clone());
  const std::string path = folders.work + "\\saved\\many-2000.spy";
  CHECK(WriteFile(path, store::WriteTraceFile(many)));
  OpenTrace(monitor, path, 2000);
  HWND view = FindWindowExA(monitor.frame, nullptr, "QuarnetView", nullptr);
  SendMessageA(view, WM_VSCROLL, MAKEWPARAM(display::kThumbPosition, display::kVScrollMax), 0);
  PostMessageA(monitor.frame, WM_NULL, 0, 0);
  CHECK(Shows(monitor, 3, app::PositionPaneText(2000, 2000)));
  const drive::DialogWindow filters = OpenFilters(monitor);
  const drive::DialogWindow buffers = OpenBuffers(monitor, filters);
  Type(buffers, IDC_TRACE_SIZE, "50", IDC_TRAP_SIZE);
  Close(buffers, IDOK);
  Close(filters, IDOK);
  CHECK(drive::WaitFor(5000, [&] { return monitor.RecordCount() == 50; }));
  const int first = std::atoi(monitor.Pane(3).c_str());
  std::printf("trimmed to 50: pane 3 shows \"%s\"\n", monitor.Pane(3).c_str());
  CHECK(first > 1 && first < 50);
  const std::string trimmed = folders.work + "\\saved\\trimmed.spy";
  CHECK(SaveTraceAs(monitor, trimmed));

  PutClipboardText("kept");
  const drive::DialogWindow range = OpenRange(monitor, ID_EDIT_COPY, "Copy to Clipboard");
  CHECK(range.Checked(IDC_RANGE_PAGE));
  const std::string page = range.Text(IDC_RANGE_FROM) + "-" + range.Text(IDC_RANGE_TO);
  CHECK(page == std::to_string(first) + "-50");
  Close(range, IDOK);
  CHECK(WriteText(folders.work + "\\copy-page.txt", ClipboardText()));
  CHECK(WriteText(folders.work + "\\page.txt", page + "\n"));
}

}  // namespace

// Copy and Print of a wsdemo trace and of a send of 200,000 bytes. Left in WORK for the script:
// copy-all.txt and copy-3-7.txt (the clipboard's text), jobs.txt (how each job printed comes out:
// All, record 5, the short lines and the send, one line each), note.txt (what the send's record
// says of its cut data), the traces in saved\wsdemo.spy and saved\big.spy, and what CheckTrim
// leaves; the PDF printer's output is the script's to read.
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
  CHECK(SaveTraceAs(monitor, saved));
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
  Jobs jobs;
  range = OpenRange(monitor, ID_FILE_PRINT, "Print");
  range.Click(IDC_RANGE_ALL);
  Close(range, IDOK);
  AnswerPrintDialog(monitor, IDOK);
  jobs.Add(LayOutOnDefaultPrinter(trace, 1, records, options));
  ChooseRecords(OpenRange(monitor, ID_FILE_PRINT, "Print"), 5, 5);
  AnswerPrintDialog(monitor, IDOK);
  jobs.Add(LayOutOnDefaultPrinter(trace, 5, 5, options));
  // Cancel in either dialog prints nothing.
  Close(OpenRange(monitor, ID_FILE_PRINT, "Print"), IDCANCEL);
  Close(OpenRange(monitor, ID_FILE_PRINT, "Print"), IDOK);
  AnswerPrintDialog(monitor, IDCANCEL);

  PrintShortLines(monitor, work, trace, options, jobs);
  const int sent = CheckBigSend(monitor, folders, options, jobs);
  CHECK(WriteText(work + "\\jobs.txt", jobs.lines));

  // Without the queue the job cannot start; the trace stays. Wine keeps the printers it found
  // for the life of its server, so its print dialog may still offer the queue, which CUPS then
  // refuses.
  CHECK(AskScript(folders, "printer-off"));
  Close(OpenRange(monitor, ID_FILE_PRINT, "Print"), IDOK);
  Sleep(2000);
  if (HWND offered = monitor.FindDialog("Print")) Close(drive::DialogWindow{offered}, IDOK);
  CHECK(monitor.AnswerMessageBox("Could not start print job.", IDOK));
  CHECK(monitor.RecordCount() == sent);

  CheckTrim(monitor, folders, trace);
  CHECK(monitor.Exit(kLong));
  return check::Finish("e2e print");
}

}  // namespace e2e
