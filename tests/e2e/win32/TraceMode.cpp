// The trace mode: wsdemo traced through Launch Pgm with the trigger armed, the Trace and Trap
// Buffers, a saved trace opened again, the help window, the About box, and the shell's commands
// and panes.
#include <windows.h>

#include <string>
#include <vector>

#include "CompiledHelp.h"
#include "E2eSupport.h"
#include "app/ResourceIds.h"
#include "app/ShellText.h"
#include "display/TraceView.h"

namespace e2e {

namespace {

// Idle with records shown: End Trace is greyed, the rest not (read on the toolbar, whose state
// the idle update sets from the same update handlers as the menu; menus of another process cannot
// be read under Wine); Ctrl+N and Ctrl+S change nothing the user sees; WM_USER + 2 from another
// process restores the window.
void CheckShellCommands(const drive::Program& monitor) {
  HWND toolbar = FindWindowExA(monitor.frame, nullptr, TOOLBARCLASSNAMEA, nullptr);
  auto state = [&](UINT id) { return ToolbarState(monitor, id); };
  for (UINT id : {ID_FILE_ENDTRACE}) {
    if (state(id) & TBSTATE_ENABLED) std::printf("command %u is not greyed\n", id);
    CHECK(!(state(id) & TBSTATE_ENABLED));
  }
  for (UINT id : {ID_FILE_OPEN, ID_FILE_SAVE_AS, ID_FILE_BEGINTRACE, ID_SETUP_FILTERS,
                  ID_TRIGGER_ENABLE, ID_PREFERENCES_SHOWTIME, ID_PREFERENCES_VERBOSE, ID_EDIT_COPY,
                  ID_FILE_PRINT, ID_APP_ABOUT}) {
    CHECK(state(id) & TBSTATE_ENABLED);
  }
  CHECK(state(ID_PREFERENCES_SHOWTIME) & TBSTATE_CHECKED);
  CHECK(!(state(ID_PREFERENCES_VERBOSE) & TBSTATE_CHECKED));

  // Pane 0: the highlighted menu item's prompt, the idle prompt when the menu closes.
  SendMessageA(monitor.frame, WM_MENUSELECT, MAKEWPARAM(ID_FILE_BEGINTRACE, MF_STRING),
               reinterpret_cast<LPARAM>(GetMenu(monitor.frame)));
  CHECK(monitor.Pane(0) == "Monitor WinSock API Calls");
  SendMessageA(monitor.frame, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
  CHECK(monitor.Pane(0) == "For Help, press F1");

  // View, Toolbar and View, Status Bar hide and show the bars.
  HWND bar = FindWindowExA(monitor.frame, nullptr, STATUSCLASSNAMEA, nullptr);
  monitor.Command(ID_VIEW_TOOLBAR);
  monitor.Command(ID_VIEW_STATUS_BAR);
  CHECK(!IsWindowVisible(toolbar) && !IsWindowVisible(bar));
  monitor.Command(ID_VIEW_TOOLBAR);
  monitor.Command(ID_VIEW_STATUS_BAR);
  CHECK(IsWindowVisible(toolbar) && IsWindowVisible(bar));

  const std::string title = monitor.Title();
  monitor.Command(ID_FILE_NEW);
  monitor.Command(ID_FILE_SAVE);
  Sleep(500);
  CHECK(monitor.FindDialog(nullptr) == nullptr);
  CHECK(monitor.Title() == title);

  ShowWindow(monitor.frame, SW_MINIMIZE);
  CHECK(drive::WaitFor(5000, [&] { return IsIconic(monitor.frame) != 0; }));
  PostMessageA(monitor.frame, WM_USER + 2, 0, 0);
  CHECK(drive::WaitFor(5000, [&] { return IsIconic(monitor.frame) == 0; }));
}

bool HelpShows(const drive::Program& monitor, const std::string& title) {
  const bool shown =
      drive::WaitFor(5000, [&] { return monitor.HelpCaption() == "Quarnet Help - " + title; });
  if (!shown) std::printf("help window: \"%s\"\n", monitor.HelpCaption().c_str());
  return shown;
}

// Help on the trace of `saved`, shown from its first record in brief form: a double-click on
// the first connect record opens the connect topic, but not while tracing; Index lists every
// topic compiled in; Using Help, and Back from it; F1 and Shift+F1 in the main window, F1 on a
// menu item and in a dialog.
void CheckHelp(const drive::Program& monitor, const Folders& folders, const std::string& saved) {
  const std::vector<SpyMsgPtr> records = ReadRecords(saved);
  size_t connect = 0;
  while (connect < records.size() && records[connect]->m_nApiId != 3) ++connect;
  CHECK(connect < records.size());
  HWND view = FindWindowExA(monitor.frame, nullptr, "QuarnetView", nullptr);
  // Every record takes one line: each Line Down brings the next one to the top.
  for (size_t i = 0; i < connect; ++i) SendMessageA(view, WM_VSCROLL, SB_LINEDOWN, 0);
  PostMessageA(view, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(40, 2));
  CHECK(HelpShows(monitor, "connect"));
  HWND help = monitor.FindTopWindow(drive::kHelpClass);
  MoveWindow(help, 100, 60, 800, 600, TRUE);
  Sleep(300);
  OfferScreenshot(folders, "help-connect", help);

  monitor.Command(ID_HELP_INDEX);
  CHECK(HelpShows(monitor, "Quarnet"));
  HMODULE program = LoadLibraryExA((folders.monitor + "\\quarnet.exe").c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE);
  std::vector<std::string> titles;
  const app::HelpBook compiled = CompiledHelp(program);
  for (const app::HelpTopic& topic : compiled.Topics()) titles.push_back(topic.title);
  FreeLibrary(program);
  const std::vector<std::string> listed = monitor.HelpTopicList();
  for (size_t i = 0; i < listed.size(); ++i) {
    if (i >= titles.size() || listed[i] != titles[i])
      std::printf("Index: \"%s\"\n", listed[i].c_str());
  }
  CHECK(titles.size() > 24 && listed == titles);

  monitor.Command(ID_HELP_USING);
  CHECK(HelpShows(monitor, "Using Help"));
  SendMessageA(GetDlgItem(help, 1), BM_CLICK, 0, 0);  // Back
  CHECK(HelpShows(monitor, "Quarnet"));

  // F1 in the main window opens the overview. Shift+F1, then a click: on the Filters button its
  // dialog's topic, on a record its call's.
  monitor.Command(ID_HELP_USING);
  monitor.Command(ID_HELP);
  CHECK(HelpShows(monitor, "Quarnet"));
  HWND toolbar = FindWindowExA(monitor.frame, nullptr, TOOLBARCLASSNAMEA, nullptr);
  const RECT button = monitor.ToolbarButtonRect(ID_SETUP_FILTERS);
  monitor.Command(ID_CONTEXT_HELP);
  PostMessageA(toolbar, WM_LBUTTONDOWN, MK_LBUTTON,
               MAKELPARAM((button.left + button.right) / 2, (button.top + button.bottom) / 2));
  CHECK(HelpShows(monitor, "Capture Filters"));
  monitor.Command(ID_CONTEXT_HELP);
  PostMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, 2));
  CHECK(HelpShows(monitor, "connect"));
  // F1 on a highlighted menu item: the Setup menu opens on Filters.
  PostMessageA(monitor.frame, WM_SYSCOMMAND, SC_KEYMENU, 's');
  Sleep(500);
  PostMessageA(monitor.frame, WM_KEYDOWN, VK_F1, 0);
  CHECK(HelpShows(monitor, "Capture Filters"));

  PostMessageA(help, WM_CLOSE, 0, 0);
  CHECK(drive::WaitFor(5000, [&] { return monitor.HelpCaption().empty(); }));
  // F1 in a dialog opens the dialog's topic.
  monitor.PostCommand(ID_SETUP_FILTERS);
  const drive::DialogWindow filters = monitor.WaitDialog("Capture Filters");
  filters.Key(VK_F1);
  CHECK(HelpShows(monitor, "Capture Filters"));
  filters.Press(IDCANCEL);
  CHECK(filters.WaitClosed());
  PostMessageA(help, WM_CLOSE, 0, 0);
  CHECK(drive::WaitFor(5000, [&] { return monitor.HelpCaption().empty(); }));
  monitor.Command(ID_FILE_BEGINTRACE);
  PostMessageA(view, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(40, 2));
  Sleep(1000);
  CHECK(monitor.HelpCaption().empty());
  monitor.Command(ID_FILE_ENDTRACE);
}

// Help, About: the agent line, and the picture (placed by the invisible frame's offset from
// the dialog's outer corner, as a client position) wholly inside and clear of every control.
void CheckAbout(const drive::Program& monitor, const Folders& folders, const std::string& agentLine,
                const char* screenshot) {
  monitor.PostCommand(ID_APP_ABOUT);
  HWND about = nullptr;
  CHECK(drive::WaitFor(10000, [&] {
    return (about = monitor.FindDialog("Quarnet...WinSock Spy Application")) != nullptr;
  }));
  if (about == nullptr) return;
  char line[128] = {};
  GetDlgItemTextA(about, IDC_ABOUT_AGENT, line, sizeof line);
  if (agentLine != line) std::printf("About says \"%s\"\n", line);
  CHECK(agentLine == line);
  RECT dialog{};
  RECT frame{};
  RECT client{};
  GetWindowRect(about, &dialog);
  GetWindowRect(GetDlgItem(about, IDC_ABOUT_PICTURE), &frame);
  GetClientRect(about, &client);
  const RECT picture{frame.left - dialog.left, frame.top - dialog.top,
                     frame.left - dialog.left + 120, frame.top - dialog.top + 50};
  CHECK(picture.left >= 0 && picture.top >= 0 && picture.right <= client.right &&
        picture.bottom <= client.bottom);
  for (HWND child = GetWindow(about, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (!IsWindowVisible(child)) continue;
    RECT control{};
    GetWindowRect(child, &control);
    MapWindowPoints(nullptr, about, reinterpret_cast<POINT*>(&control), 2);
    RECT overlap{};
    const bool clear = !IntersectRect(&overlap, &picture, &control);
    if (!clear) std::printf("the About picture covers control %d\n", GetDlgCtrlID(child));
    CHECK(clear);
  }
  if (screenshot != nullptr) OfferScreenshot(folders, screenshot, about);
  PostMessageA(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  CHECK(drive::WaitFor(10000, [&] { return !IsWindow(about); }));
}

// Started without its agent beside it, the monitor says so at start-up and in its About box.
void CheckAboutWithoutAgent(const std::string& bin, const Folders& folders) {
  const std::string bare = folders.work + "\\bare";
  CreateDirectoryA(bare.c_str(), nullptr);
  for (const char* name : {"quarnet.exe", "klvnt32b.dll"}) {
    CHECK(drive::CopyInto(bin + "\\" + name, bare, name));
  }
  drive::Program monitor;
  CHECK(monitor.Launch(bare + "\\quarnet.exe", bare));
  CHECK(monitor.AnswerMessageBox("Failure to Contact Dll", IDOK));
  CHECK(monitor.WaitForMainWindow());
  if (monitor.frame == nullptr) return;
  CheckAbout(monitor, folders, app::AboutAgentLine(0), nullptr);
  CHECK(monitor.Exit(kLong));
}

// A second monitor while the first holds the agent's contact: refused at its start, its fifth
// pane says so; Begin Trace asks again, is refused and says that nothing will be traced; Launch
// Pgm asks whether to launch anyway (No: nothing starts).
void CheckWithoutContact(drive::Program& second, const Folders& folders) {
  CHECK(second.Launch(folders.monitor + "\\quarnet.exe", folders.monitor));
  CHECK(second.AnswerMessageBox("Failure to Contact Dll", IDOK));
  CHECK(second.WaitForMainWindow());
  if (second.frame == nullptr) return;
  CHECK(Shows(second, 4, "No contact"));
  OfferScreenshot(folders, "no-contact", second.frame);
  second.PostCommand(ID_FILE_BEGINTRACE);
  CHECK(second.AnswerMessageBox(std::string(app::kNoContactTrace), IDOK));
  CHECK(!(ToolbarState(second, ID_FILE_ENDTRACE) & TBSTATE_ENABLED));
  second.PostCommand(ID_FILE_LAUNCHPGM);
  CHECK(second.ChooseInFileDialog(folders.programs + "\\wsdemo.exe"));
  CHECK(second.AnswerMessageBox(std::string(app::kNoContactLaunch), IDNO));
  CHECK(Shows(second, 4, "No contact"));
}

// Once the first monitor has gone, Begin Trace in the second takes the contact, and wsdemo's
// calls reach it.
void CheckContactRetried(drive::Program& second, const Folders& folders) {
  if (second.frame == nullptr) return;
  second.PostCommand(ID_FILE_BEGINTRACE);
  const bool begun = Shows(second, 4, "");
  CHECK(begun);
  if (begun) {
    Tracer tracer{second, folders.programs, 1};
    CHECK(tracer.Run(1) > 46);
  } else if (const std::string said = second.MessageBoxText(); !said.empty()) {
    second.AnswerMessageBox(said, IDOK);
  }
  CHECK(second.Exit(kLong));
}

}  // namespace

int RunTrace(const std::string& work, const std::string& bin, const std::string& wsdemo) {
  Folders folders;
  drive::Program monitor;
  if (!StartWithWsdemo(work, bin, wsdemo, folders, monitor)) return check::Finish("e2e trace");
  const std::string& programs = folders.programs;
  CheckIdlePanes(monitor, "Trap Buffer Empty", "Trigger Off");
  CHECK(monitor.Pane(0) == "For Help, press F1");
  CHECK(monitor.Pane(3).empty());

  // The default trigger (the first accept, trap position Middle, trap size 10) is armed.
  monitor.Command(ID_TRIGGER_ENABLE);
  CHECK(Shows(monitor, 2, "Trigger On"));
  monitor.Command(ID_FILE_BEGINTRACE);
  monitor.PostCommand(ID_FILE_LAUNCHPGM);
  CHECK(monitor.ChooseInFileDialog(programs + "\\wsdemo.exe"));
  CHECK(drive::WaitForProcessRun("wsdemo.tmp", kLong));
  const int records = monitor.WaitForQuiet(2000, kLong);
  monitor.Command(ID_FILE_ENDTRACE);
  std::printf("records %d\n", records);
  CHECK(records > 46);
  CHECK(monitor.RecordCount() == records);
  // The accept fired the trigger; the Trap Buffer holds the 5 records up to it and 5 after.
  CheckIdlePanes(monitor, "Trap Buffer Full", "Trigger Off");

  // Verbose mode for the screenshot, in a window as large as the desktop, at the connection
  // calls (half way into the trace), where address lines and data dumps show.
  OfferVerboseScreenshot(monitor, folders, "verbose", [](HWND view) {
    SendMessageA(view, WM_VSCROLL, MAKEWPARAM(display::kThumbPosition, 52), 0);
  });

  const std::string saved = work + "\\saved\\wsdemo.spy";
  CHECK(SaveTraceAs(monitor, saved));

  CheckIdlePanes(monitor, "Trap Buffer Full", "Trigger Off");
  CHECK(monitor.RecordCount() == records);
  CHECK(monitor.Pane(4).empty());  // wsdemo's reports all arrived: no lost count

  // View, Trap Buffer shows the trap from its first record, and back.
  monitor.Command(ID_VIEW_TRAPBUFFER);
  CHECK(monitor.Title() == display::kTrapTitle);
  CHECK(Shows(monitor, 3, app::PositionPaneText(1, 10)));
  monitor.Command(ID_VIEW_TRAPBUFFER);
  CHECK(monitor.Title() == display::kTraceTitle);
  CHECK(Shows(monitor, 3, app::PositionPaneText(1, records)));

  // Cleared, then opened again from the file.
  monitor.Command(ID_EDIT_CLEARBUFFER);
  CHECK(drive::WaitFor(5000, [&] { return monitor.RecordCount() == 0; }));
  monitor.PostCommand(ID_FILE_OPEN);
  CHECK(monitor.ChooseInFileDialog(saved));
  CHECK(drive::WaitFor(kLong, [&] { return monitor.RecordCount() == records; }));
  CHECK(monitor.Pane(3) == app::PositionPaneText(1, records));
  CheckIdlePanes(monitor, "Trap Buffer Empty", "Trigger Off");
  CheckHelp(monitor, folders, saved);
  CheckAbout(monitor, folders, app::AboutAgentLine(1), "about");

  // A file that is not a trace file is refused with "File Read Error"; the trace stays.
  const std::string foreign = work + "\\saved\\notes.spy";
  CHECK(WriteFile(foreign, {'n', 'o', 't', 'e', 's'}));
  monitor.PostCommand(ID_FILE_OPEN);
  CHECK(monitor.ChooseInFileDialog(foreign));
  CHECK(monitor.AnswerMessageBox("File Read Error", IDOK));
  CHECK(monitor.RecordCount() == records);

  // Launching the same program again asks before its old copy is overwritten.
  monitor.PostCommand(ID_FILE_LAUNCHPGM);
  CHECK(monitor.ChooseInFileDialog(programs + "\\wsdemo.exe"));
  CHECK(monitor.AnswerMessageBox(programs + "\\wsdemo.tmp already exists", IDNO));

  CheckShellCommands(monitor);
  drive::Program second;
  CheckWithoutContact(second, folders);
  CHECK(monitor.Exit(kLong));
  CHECK(drive::FileSize(folders.monitor + "\\quarnt32.cfg") == 319);
  CheckContactRetried(second, folders);
  CheckAboutWithoutAgent(bin, folders);
  return check::Finish("e2e trace");
}

}  // namespace e2e
