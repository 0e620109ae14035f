// The trigger mode: Setup, Trigger, Specify refusing bad patterns and offsets, and the Trap
// Buffers of a call, an error and a data pattern saved under WORK\saved for the script to check.
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "E2eSupport.h"
#include "app/ResourceIds.h"
#include "config/SettingsFile.h"
#include "dialogs/TrapIds.h"
#include "dialogs/TrapModel.h"

namespace e2e {

namespace {

drive::DialogWindow OpenTrapDialog(const drive::Program& monitor) {
  monitor.PostCommand(ID_TRIGGER_SPECIFY);
  return monitor.WaitDialog("Trap Specification");
}

// OK refuses the pattern with the parser's `message` under its own caption; the dialog stays
// open with the caret, nothing selected, at `caret` (when the edit can take the focus).
void CheckPatternRefused(const drive::Program& monitor, const drive::DialogWindow& trap,
                         const std::string& pattern, const std::string& message, int caret) {
  trap.SetText(IDC_TRIGGER_PATTERN, pattern);
  trap.Press(IDOK);
  HWND box = nullptr;
  CHECK(drive::WaitFor(20000, [&] { return !monitor.MessageBoxText(&box).empty(); }));
  char caption[128] = {};
  GetWindowTextA(box, caption, sizeof caption);
  CHECK(std::string(caption) == dialogs::kPatternErrorCaption);
  CHECK(monitor.AnswerMessageBox(message, IDOK));
  CHECK(IsWindow(trap.hwnd));
  if (caret < 0) return;
  CHECK(drive::WaitFor(5000, [&] { return trap.HasFocus(IDC_TRIGGER_PATTERN); }));
  const auto range =
      static_cast<DWORD>(SendMessageA(trap.Item(IDC_TRIGGER_PATTERN), EM_GETSEL, 0, 0));
  if (LOWORD(range) != caret || HIWORD(range) != caret) {
    std::printf("pattern \"%s\": selection %u..%u\n", pattern.c_str(), LOWORD(range),
                HIWORD(range));
  }
  CHECK(LOWORD(range) == caret && HIWORD(range) == caret);
}

// Every refusal keeps the dialog open; Cancel then keeps the trigger the dialog opened with.
void CheckTrapRefusals(const Folders& folders, const drive::Program& monitor) {
  drive::DialogWindow trap = OpenTrapDialog(monitor);
  CheckModal(trap, monitor.frame);
  // The default trigger: the first accept, Middle, the data controls greyed.
  CHECK(trap.Checked(IDC_TRIGGER_API_CALL) && trap.Checked(IDC_TRIGGER_MIDDLE));
  CHECK(trap.Text(IDC_TRIGGER_CALL_LIST) == "accept" && trap.Enabled(IDC_TRIGGER_CALL_LIST));
  CHECK(!trap.Enabled(IDC_TRIGGER_ERROR_LIST) && !trap.Enabled(IDC_TRIGGER_PATTERN));
  CHECK(!trap.Enabled(IDC_TRIGGER_OFFSET) && !trap.Enabled(IDC_TRIGGER_HEX_NOTE));
  const std::string pattern = trap.Text(IDC_TRIGGER_PATTERN);
  // A bad pattern blocks OK even while its edit is greyed.
  CheckPatternRefused(monitor, trap, ",55", "Invalid Character in String", -1);
  trap.Click(IDC_TRIGGER_SEND_DATA);
  CHECK(trap.Enabled(IDC_TRIGGER_PATTERN) && trap.Enabled(IDC_TRIGGER_OFFSET));
  CHECK(!trap.Enabled(IDC_TRIGGER_CALL_LIST));
  trap.SetText(IDC_TRIGGER_PATTERN, pattern);
  OfferScreenshot(folders, "trap-dialog", trap.hwnd);
  CheckPatternRefused(monitor, trap, ",55", "Invalid Character in String", 0);
  CheckPatternRefused(monitor, trap, "55,,AA", "Invalid Character in String", 3);
  CheckPatternRefused(monitor, trap, "100", "Value Too Large", 2);
  std::string bytes101;
  for (int i = 0; i < 101; ++i) bytes101 += "1 ";
  CheckPatternRefused(monitor, trap, bytes101, "Pattern Longer Than 100 Bytes", -1);
  trap.SetText(IDC_TRIGGER_PATTERN, "4G");
  trap.SetText(IDC_TRIGGER_OFFSET, "1025");
  CheckRefused(monitor, trap, IDC_TRIGGER_OFFSET, "Please enter an integer between 0 and 1024.");
  Close(trap, IDCANCEL);

  trap = OpenTrapDialog(monitor);
  CHECK(trap.Checked(IDC_TRIGGER_API_CALL) && trap.Text(IDC_TRIGGER_OFFSET) == "0");
  CHECK(trap.Text(IDC_TRIGGER_PATTERN) == pattern);
  // Any character that is no hex digit ends a byte.
  trap.SetText(IDC_TRIGGER_PATTERN, "4G");
  Close(trap, IDOK);
  trap = OpenTrapDialog(monitor);
  CHECK(trap.Text(IDC_TRIGGER_PATTERN) == "04");
  trap.SetText(IDC_TRIGGER_PATTERN, "41 4");
  Close(trap, IDOK);
  trap = OpenTrapDialog(monitor);
  CHECK(trap.Text(IDC_TRIGGER_PATTERN) == "41,04");
  Close(trap, IDCANCEL);
}

// The 1-based places of the records that carry the trigger mark in a saved trace (qntdump
// prints record numbers only, as the clipboard does).
std::vector<size_t> TriggerMarks(const std::string& path) {
  const std::vector<SpyMsgPtr> records = ReadRecords(path);
  std::vector<size_t> marks;
  for (size_t i = 0; i < records.size(); ++i) {
    if (records[i]->m_bTrigger) marks.push_back(i + 1);
  }
  return marks;
}

// Arms the trigger, traces one wsdemo run, saves the Trap Buffer as `name` (the trigger record
// the `markedAt`-th of its 10) and clears.
void TrapOneRun(const Folders& folders, const drive::Program& monitor, Tracer& tracer,
                const std::string& name, size_t markedAt) {
  monitor.Command(ID_TRIGGER_ENABLE);
  CHECK(Shows(monitor, 2, "Trigger On"));
  tracer.Run(1);
  CheckIdlePanes(monitor, "Trap Buffer Full", "Trigger Off");
  monitor.Command(ID_VIEW_TRAPBUFFER);
  const std::string saved = folders.work + "\\saved\\" + name;
  CHECK(SaveTraceAs(monitor, saved));
  CHECK(TriggerMarks(saved) == std::vector<size_t>{markedAt});
  monitor.Command(ID_VIEW_TRAPBUFFER);
  monitor.Command(ID_EDIT_CLEARBUFFER);
}

}  // namespace

int RunTrigger(const std::string& work, const std::string& bin, const std::string& wsdemo) {
  Folders folders;
  drive::Program monitor;
  if (!StartWithWsdemo(work, bin, wsdemo, folders, monitor)) return check::Finish("e2e trigger");
  Tracer tracer{monitor, folders.programs};
  CheckTrapRefusals(folders, monitor);

  // The first connect, at the back of the Trap Buffer; the list's text is typed.
  drive::DialogWindow trap = OpenTrapDialog(monitor);
  trap.Click(IDC_TRIGGER_API_CALL);
  trap.SetText(IDC_TRIGGER_CALL_LIST, "connect");
  trap.Click(IDC_TRIGGER_BACK);
  Close(trap, IDOK);
  TrapOneRun(folders, monitor, tracer, "call.spy", 10);

  trap = OpenTrapDialog(monitor);
  CHECK(trap.Checked(IDC_TRIGGER_BACK) && trap.Text(IDC_TRIGGER_CALL_LIST) == "connect");
  trap.Click(IDC_TRIGGER_SOCKET_ERROR);
  CHECK(trap.Enabled(IDC_TRIGGER_ERROR_LIST) && !trap.Enabled(IDC_TRIGGER_CALL_LIST));
  trap.SetText(IDC_TRIGGER_ERROR_LIST, "WSAECONNREFUSED");
  trap.Click(IDC_TRIGGER_FRONT);
  Close(trap, IDOK);
  TrapOneRun(folders, monitor, tracer, "error.spy", 1);

  // "over" of the first send's "Hello over TCP", 6 bytes into its data. A call name that names
  // no entry is kept as none.
  trap = OpenTrapDialog(monitor);
  trap.Click(IDC_TRIGGER_RECEIVE_DATA);
  trap.SetText(IDC_TRIGGER_OFFSET, "6");
  trap.SetText(IDC_TRIGGER_PATTERN, "6f,76,65,72");
  trap.SetText(IDC_TRIGGER_CALL_LIST, "nosuchcall");
  trap.Click(IDC_TRIGGER_MIDDLE);
  Close(trap, IDOK);
  TrapOneRun(folders, monitor, tracer, "pattern.spy", 5);
  CHECK(monitor.Exit(kLong));

  const config::Options options =
      config::LoadSettingsFile(std::filesystem::path(folders.monitor + "\\quarnt32.cfg"));
  CHECK(options.m_nTriggerType == 2 && options.m_nTriggerPos == 1);
  // The file keeps the low 16 bits of the -1 that stands for no call.
  CHECK(static_cast<int16_t>(options.m_nTriggerApi) == -1 && options.m_nPatternOffset == 6);
  CHECK(options.m_nPatternLength == 4 && options.m_triggerPattern[0] == 0x6F);
  return check::Finish("e2e trigger");
}

}  // namespace e2e
