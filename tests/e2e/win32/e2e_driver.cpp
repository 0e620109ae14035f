// The end-to-end run of the monitor, driven as a user drives it. Each mode prepares a fresh
// folder with quarnet.exe, both DLLs and a settings file (all 46 calls traced, WSAEWOULDBLOCK
// reported, Trace Buffer 2000), starts the monitor there and checks what it shows.
//
//   e2e_driver trace   WORK BIN WSDEMO   trace wsdemo through Launch Pgm, save the trace
//   e2e_driver burst   WORK BIN BURST    count a burst of 1,500 reported calls
//   e2e_driver foreign WORK BIN ADDRESS  datagrams from ADDRESS must not reach the trace
//   e2e_driver dialogs WORK BIN WSDEMO   Setup, Filters and Buffer Allocation, traces saved
//                                        under WORK\saved for the script to check
//   e2e_driver trigger WORK BIN WSDEMO   Setup, Trigger, Specify: refused patterns and offsets,
//                                        Trap Buffers of a call, an error and a data pattern
//                                        saved under WORK\saved for the script to check
//   e2e_driver preferences WORK BIN WSDEMO  Colors and Font: the view in the chosen colour and
//                                        font, both kept after a restart
//   e2e_driver files   WORK BIN BURST    folders and files as a careful user meets them
//   e2e_driver print   WORK BIN WSDEMO   Copy to Clipboard and Print of a wsdemo trace
//
// WORK is an empty folder; BIN holds quarnet.exe, Klvnt32.dll and klvnt32b.dll.
#include <windows.h>
#include <winsock.h>
// After windows.h (whose lean build leaves the common dialogs out):
#include <commdlg.h>
#include <psapi.h>
#include <winioctl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Check.h"
#include "CompiledHelp.h"
#include "QuarnetDriver.h"
#include "agent/win32/ControlBlock.h"
#include "app/CommandTable.h"
#include "app/ResourceIds.h"
#include "app/ShellText.h"
#include "config/Launcher.h"
#include "config/SettingsFile.h"
#include "dialogs/BufferAllocIds.h"
#include "dialogs/BufferAllocModel.h"
#include "dialogs/CaptureFiltersIds.h"
#include "dialogs/CaptureFiltersModel.h"
#include "dialogs/RangeIds.h"
#include "dialogs/TrapIds.h"
#include "dialogs/TrapModel.h"
#include "display/ClipboardCopy.h"
#include "display/DisplayColorsIds.h"
#include "display/PrintJob.h"
#include "display/TraceView.h"
#include "format/EventFormatter.h"
#include "protocol/SpyDatagram.h"
#include "store/FileIo.h"
#include "store/TraceFile.h"
#include "ui/CenterDialog.h"

namespace {

constexpr DWORD kLong = 60000;

struct Folders {
  std::string work;
  std::string monitor;
  std::string programs;
};

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok =
      ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

// A fresh monitor folder with the three files and the prepared settings.
bool PrepareMonitor(const std::string& work, const std::string& bin, Folders& folders,
                    config::Options options = {}, int32_t traceSize = 2000) {
  folders.work = work;
  folders.monitor = work + "\\monitor";
  CreateDirectoryA(folders.monitor.c_str(), nullptr);
  bool ok = true;
  for (const char* name : {"quarnet.exe", "Klvnt32.dll", "klvnt32b.dll"}) {
    ok = drive::CopyInto(bin + "\\" + name, folders.monitor, name) && ok;
  }
  options.m_apiEnable.fill(1);
  options.m_bIgnoreWouldBlock = 0;
  options.m_nTraceSize = traceSize;
  return ok && WriteFile(folders.monitor + "\\" + std::string(config::kSettingsFileName),
                         config::WriteSettings(options));
}

// wsdemo in a folder of its own, away from Klvnt32.dll, and a folder for saved traces.
bool PrepareWsdemo(const std::string& wsdemo, Folders& folders) {
  folders.programs = folders.work + "\\programs";
  CreateDirectoryA(folders.programs.c_str(), nullptr);
  CreateDirectoryA((folders.work + "\\saved").c_str(), nullptr);
  return drive::CopyInto(wsdemo, folders.programs, "wsdemo.exe");
}

// True once the pane shows `text` (the idle pass after a command sets it).
bool Shows(const drive::Program& monitor, int pane, const std::string& text) {
  const bool shown = drive::WaitFor(5000, [&] { return monitor.Pane(pane) == text; });
  if (!shown) std::printf("pane %d shows \"%s\"\n", pane, monitor.Pane(pane).c_str());
  return shown;
}

void CheckIdlePanes(const drive::Program& monitor, const char* trap, const char* trigger) {
  CHECK(monitor.Title() == display::kTraceTitle);
  CHECK(Shows(monitor, 1, trap));
  CHECK(Shows(monitor, 2, trigger));
}

LRESULT ToolbarState(const drive::Program& monitor, UINT id) {
  HWND toolbar = FindWindowExA(monitor.frame, nullptr, TOOLBARCLASSNAMEA, nullptr);
  PostMessageA(monitor.frame, WM_NULL, 0, 0);
  Sleep(300);
  return SendMessageA(toolbar, TB_GETSTATE, id, 0);
}

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

// Asks the test script for a screenshot named `name` of `window` (the whole desktop when null)
// and waits until it was taken.
void OfferScreenshot(const Folders& folders, const std::string& name, HWND window = nullptr) {
  const std::string ready = folders.work + "\\screenshot-ready";
  const std::string done = folders.work + "\\screenshot-done";
  RECT rc{0, 0, 1024, 768};
  if (window != nullptr) GetWindowRect(window, &rc);
  char request[128];
  std::snprintf(request, sizeof request, "%s %ldx%ld+%ld+%ld\n", name.c_str(), rc.right - rc.left,
                rc.bottom - rc.top, rc.left, rc.top);
  DeleteFileA(done.c_str());
  WriteFile(ready, std::vector<uint8_t>(request, request + std::strlen(request)));
  drive::WaitFor(30000,
                 [&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; });
  DeleteFileA(ready.c_str());
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
  const auto bytes = store::ReadWholeFile(saved);
  const store::TraceFileContents trace =
      store::ReadTraceFile(bytes ? *bytes : std::vector<uint8_t>());
  size_t connect = 0;
  while (connect < trace.records.size() && trace.records[connect]->m_nApiId != 3) ++connect;
  CHECK(connect < trace.records.size());
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

// Started without Klvnt32.dll beside it, the monitor says so at start-up and in its About box.
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

int RunTrace(const std::string& work, const std::string& bin, const std::string& wsdemo) {
  Folders folders;
  CHECK(PrepareMonitor(work, bin, folders));
  CHECK(PrepareWsdemo(wsdemo, folders));
  const std::string& programs = folders.programs;

  drive::Program monitor;
  CHECK(monitor.Start(folders.monitor + "\\quarnet.exe", folders.monitor));
  if (monitor.frame == nullptr) return check::Finish("e2e trace");
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
  MoveWindow(monitor.frame, 0, 0, 1024, 740, TRUE);
  monitor.Command(ID_PREFERENCES_VERBOSE);
  HWND view = FindWindowExA(monitor.frame, nullptr, "QuarnetView", nullptr);
  SendMessageA(view, WM_VSCROLL, MAKEWPARAM(display::kThumbPosition, 52), 0);
  PostMessageA(monitor.frame, WM_NULL, 0, 0);
  Sleep(500);
  OfferScreenshot(folders, "verbose");
  monitor.Command(ID_PREFERENCES_VERBOSE);

  const std::string saved = work + "\\saved\\wsdemo.spy";
  monitor.PostCommand(ID_FILE_SAVE_AS);
  CHECK(monitor.ChooseInFileDialog(saved));
  CHECK(drive::WaitFor(kLong, [&] { return drive::FileSize(saved) > 13; }));

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
  CHECK(monitor.Exit(kLong));
  CHECK(drive::FileSize(folders.monitor + "\\quarnt32.cfg") == 319);
  CheckAboutWithoutAgent(bin, folders);
  return check::Finish("e2e trace");
}

// Sends one complete single-datagram message from `from` (host order) to the monitor.
bool SendRecord(uint32_t from, uint32_t to, uint16_t port, uint16_t msgNum) {
  SOCKET s = socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(from);
  sockaddr_in remote{};
  remote.sin_family = AF_INET;
  remote.sin_port = htons(port);
  remote.sin_addr.s_addr = htonl(to);
  std::vector<uint8_t> payload(8, 0);
  const auto datagrams = protocol::spy::FragmentMessage({0xF0F0F0F0, msgNum, 8}, payload);
  const bool ok =
      bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0 &&
      sendto(s, reinterpret_cast<const char*>(datagrams[0].data()),
             static_cast<int>(datagrams[0].size()), 0, reinterpret_cast<sockaddr*>(&remote),
             sizeof remote) == static_cast<int>(datagrams[0].size());
  closesocket(s);
  return ok;
}

// More calls than a 4 MiB receive buffer holds reports (about 8,000 of them).
constexpr int kOverflowCalls = 12000;

int RunBurst(const std::string& work, const std::string& bin, const std::string& burst) {
  Folders folders;
  // Room for every record of the overflow below.
  CHECK(PrepareMonitor(work, bin, folders, {}, kOverflowCalls + 2));
  // The receive buffer the system grants for the monitor's request.
  WSADATA data{};
  WSAStartup(0x0101, &data);
  SOCKET probe = socket(AF_INET, SOCK_DGRAM, 0);
  int size = 4 * 1024 * 1024;
  setsockopt(probe, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&size), sizeof size);
  int got = 0;
  int length = sizeof got;
  getsockopt(probe, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<char*>(&got), &length);
  closesocket(probe);
  // Each queued 256-byte datagram costs the kernel about 1.3 KB of buffer.
  int calls = 1500;
  if (got < 4 * 1024 * 1024) {
    calls = got / 1400 < calls ? got / 1400 : calls;
    std::printf("receive buffer capped at %d bytes: the burst is fitted to %d calls\n", got, calls);
  } else {
    std::printf("receive buffer %d bytes\n", got);
  }

  const std::string programs = work + "\\programs";
  CreateDirectoryA(programs.c_str(), nullptr);
  const std::string copy = programs + "\\burst.tmp";
  CHECK(config::launcher::CopyWithModuleRedirect(burst, copy).ok);

  drive::Program monitor;
  CHECK(monitor.Start(folders.monitor + "\\quarnet.exe", folders.monitor));
  if (monitor.frame == nullptr) return check::Finish("e2e burst");
  monitor.Command(ID_FILE_BEGINTRACE);
  // WSAStartup, the burst of ntohs, WSACleanup: `calls` reports in all.
  drive::Program program;
  STARTUPINFOA si{};
  si.cb = sizeof si;
  std::string command = "\"" + copy + "\" " + std::to_string(calls - 2);
  CHECK(CreateProcessA(copy.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       folders.monitor.c_str(), &si, &program.pi));
  WaitForSingleObject(program.pi.hProcess, kLong);
  CloseHandle(program.pi.hThread);
  CloseHandle(program.pi.hProcess);
  const int records = monitor.WaitForQuiet(2000, kLong);
  std::printf("burst of %d calls: %d records arrived\n", calls, records);
  CHECK(records == calls);
  CHECK(monitor.Pane(4).empty());
  // Another source whose messages 11 to 14 never come: the lost pane counts exactly those.
  agent::ControlBlock* block = agent::MapControlBlock();
  const auto port = static_cast<uint16_t>(block != nullptr ? block->port.load() : 0);
  CHECK(SendRecord(0x7F000001, 0x7F000001, port, 10));
  CHECK(SendRecord(0x7F000001, 0x7F000001, port, 15));
  CHECK(Shows(monitor, 4, app::LostPaneText(4)));

  // A real overflow: wsburst stalls the monitor through a burst larger than its socket buffer
  // holds, then makes one call more, behind which every lost report lies. WSAStartup, the burst
  // and that call: each of those reports became a record or is counted lost.
  const std::string stalling = programs + "\\wsburst.tmp";
  CHECK(config::launcher::CopyWithModuleRedirect(bin + "\\wsburst.exe", stalling).ok);
  const int before = monitor.RecordCount();
  drive::Program stall;
  command = "\"" + stalling + "\" " + std::to_string(kOverflowCalls) + " stall " +
            std::to_string(monitor.pi.dwProcessId);
  CHECK(CreateProcessA(stalling.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       folders.monitor.c_str(), &si, &stall.pi));
  DWORD stallCode = 1;
  WaitForSingleObject(stall.pi.hProcess, kLong);
  GetExitCodeProcess(stall.pi.hProcess, &stallCode);
  CloseHandle(stall.pi.hThread);
  CloseHandle(stall.pi.hProcess);
  CHECK(stallCode == 0);
  // The monitor may take a while over the records; once the last report is in, records and
  // lost add up, and nothing changes after.
  const int sent = kOverflowCalls + 2;
  int arrived = 0;
  const bool exact = drive::WaitFor(kLong, [&] {
    arrived = monitor.RecordCount() - before;
    return monitor.Pane(4) == app::LostPaneText(4 + sent - arrived);
  });
  std::printf("overflow of %d calls: %d records arrived, pane 4 shows \"%s\"\n", sent, arrived,
              monitor.Pane(4).c_str());
  CHECK(exact && arrived < sent);
  monitor.Command(ID_FILE_ENDTRACE);
  CHECK(monitor.Exit(kLong));
  return check::Finish("e2e burst");
}

int RunForeign(const std::string& work, const std::string& bin, const std::string& address) {
  Folders folders;
  CHECK(PrepareMonitor(work, bin, folders));
  WSADATA data{};
  WSAStartup(0x0101, &data);
  const uint32_t foreign = ntohl(inet_addr(address.c_str()));
  constexpr uint32_t kLoopback = 0x7F000001;

  drive::Program monitor;
  CHECK(monitor.Start(folders.monitor + "\\quarnet.exe", folders.monitor));
  if (monitor.frame == nullptr) return check::Finish("e2e foreign");
  agent::ControlBlock* block = agent::MapControlBlock();
  CHECK(block != nullptr && block->contact.load() == 1);
  const auto port = static_cast<uint16_t>(block != nullptr ? block->port.load() : 0);
  std::printf("monitor port %u, foreign address %s\n", port, address.c_str());

  // No other program can take the capture port over, even when it asks to share addresses.
  SOCKET thief = socket(AF_INET, SOCK_DGRAM, 0);
  const BOOL share = TRUE;
  setsockopt(thief, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&share), sizeof share);
  sockaddr_in same{};
  same.sin_family = AF_INET;
  same.sin_port = htons(port);
  same.sin_addr.s_addr = htonl(kLoopback);
  CHECK(bind(thief, reinterpret_cast<sockaddr*>(&same), sizeof same) == SOCKET_ERROR);
  closesocket(thief);
  // Whether this system grants exclusive address use, asked as the monitor asks for it.
  SOCKET probe = socket(AF_INET, SOCK_DGRAM, 0);
  const int exclusive = 1;
  std::printf("exclusive address use: %s\n",
              setsockopt(probe, SOL_SOCKET, ~SO_REUSEADDR,
                         reinterpret_cast<const char*>(&exclusive), sizeof exclusive) == 0
                  ? "granted"
                  : "not available (the capture socket works without it)");
  closesocket(probe);

  // From another address of this machine, to the loopback address and to that address itself.
  CHECK(SendRecord(foreign, kLoopback, port, 1));
  CHECK(SendRecord(foreign, foreign, port, 2));
  // The same message from the loopback address arrives: the monitor was listening.
  CHECK(SendRecord(kLoopback, kLoopback, port, 3));
  CHECK(drive::WaitFor(10000, [&] { return monitor.RecordCount() >= 1; }));
  CHECK(monitor.WaitForQuiet(1500, 10000) == 1);
  CHECK(monitor.Exit(kLong));
  return check::Finish("e2e foreign");
}

// --- Setup, Filters ---

// The list entry of a call, which is its API id.
// Fresh folders for the monitor and wsdemo, and the monitor started; false when it did not start.
bool StartWithWsdemo(const std::string& work, const std::string& bin, const std::string& wsdemo,
                     Folders& folders, drive::Program& monitor) {
  CHECK(PrepareMonitor(work, bin, folders));
  CHECK(PrepareWsdemo(wsdemo, folders));
  CHECK(monitor.Start(folders.monitor + "\\quarnet.exe", folders.monitor));
  return monitor.frame != nullptr;
}

int Entry(std::string_view name) {
  const auto& names = dialogs::CaptureFiltersModel::kListNames;
  return static_cast<int>(std::find(names.begin(), names.end(), name) - names.begin());
}

drive::DialogWindow OpenFilters(const drive::Program& monitor) {
  monitor.PostCommand(ID_SETUP_FILTERS);
  return monitor.WaitDialog("Capture Filters");
}

drive::DialogWindow OpenBuffers(const drive::Program& monitor, const drive::DialogWindow& filters) {
  filters.Press(IDC_CONFIGURE_BUFFERS);
  return monitor.WaitDialog("Buffer Allocation");
}

void Close(const drive::DialogWindow& dialog, int button) {
  dialog.Press(button);
  CHECK(dialog.WaitClosed());
}

// Types `text` into an edit and leaves it, as Tab does.
void Type(const drive::DialogWindow& dialog, int edit, const std::string& text, int next) {
  dialog.Focus(edit);
  dialog.SetText(edit, text);
  dialog.Focus(next);
}

// OK refuses the edit's text with `message`: the dialog stays open with the focus back on the
// edit and its text selected.
void CheckRefused(const drive::Program& monitor, const drive::DialogWindow& dialog, int edit,
                  const std::string& message) {
  dialog.Press(IDOK);
  CHECK(monitor.AnswerMessageBox(message, IDOK));
  CHECK(IsWindow(dialog.hwnd));
  CHECK(drive::WaitFor(5000, [&] { return dialog.HasFocus(edit); }));
  CHECK(dialog.AllSelected(edit));
}

// Begins a trace, launches wsdemo `runs` times through Launch Pgm, ends the trace and, when a
// path is given, saves it there and clears the Trace Buffer. Returns the records it held.
struct Tracer {
  const drive::Program& monitor;
  std::string programs;
  int launches = 0;

  int Run(int runs, const std::string& saveAs = {}) {
    monitor.Command(ID_FILE_BEGINTRACE);
    for (int i = 0; i < runs; ++i) {
      monitor.PostCommand(ID_FILE_LAUNCHPGM);
      CHECK(monitor.ChooseInFileDialog(programs + "\\wsdemo.exe"));
      if (launches++ > 0) {
        CHECK(monitor.AnswerMessageBox(programs + "\\wsdemo.tmp already exists", IDYES));
      }
      CHECK(drive::WaitForProcessRun("wsdemo.tmp", kLong));
    }
    const int records = monitor.WaitForQuiet(2000, kLong);
    monitor.Command(ID_FILE_ENDTRACE);
    if (!saveAs.empty()) {
      monitor.PostCommand(ID_FILE_SAVE_AS);
      CHECK(monitor.ChooseInFileDialog(saveAs));
      CHECK(drive::WaitFor(kLong, [&] { return drive::FileSize(saveAs) > 13; }));
      monitor.Command(ID_EDIT_CLEARBUFFER);
    }
    return records;
  }
};

// The socket of the first send in a saved trace, as the user reads it off the screen.
std::string SendSocket(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
  for (const SpyMsgPtr& record : store::ReadTraceFile(bytes).records) {
    std::vector<std::string> lines;
    format::FormatEvent(*record, lines, false, false);
    constexpr std::string_view kSend = "send (SOCKET=";
    if (lines.front().starts_with(kSend)) {
      return lines.front().substr(kSend.size(), lines.front().find(',') - kSend.size());
    }
  }
  return {};
}

// A dialog opens in the middle of the screen, and the window it belongs to waits for it.
void CheckModal(const drive::DialogWindow& dialog, HWND owner) {
  RECT rc{};
  GetWindowRect(dialog.hwnd, &rc);
  const ui::Point centre =
      ui::CenterDialogOnScreen(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                               rc.right - rc.left, rc.bottom - rc.top);
  CHECK(rc.left == centre.x && rc.top == centre.y);
  CHECK(GetWindow(dialog.hwnd, GW_OWNER) == owner && !IsWindowEnabled(owner));
}

// Capture Filters as it opens: "Trace Some" whatever was chosen before, the list from the flags.
void CheckFiltersOpen(const drive::DialogWindow& filters, const std::vector<int>& selected,
                      bool restrict, const std::string& socketId) {
  CHECK(filters.Checked(IDC_TRACE_SOME) && !filters.Checked(IDC_TRACE_ALL));
  CHECK(filters.Enabled(IDC_FILTER_LIST));
  CHECK(filters.Selected(IDC_FILTER_LIST) == selected);
  CHECK(filters.Checked(IDC_RESTRICT_SOCKET) == restrict);
  CHECK(filters.Enabled(IDC_SOCKET_ID) == restrict);
  CHECK(filters.Text(IDC_SOCKET_ID) == socketId);
  CHECK(filters.Enabled(IDC_CONFIGURE_BUFFERS));
  CHECK(!filters.Visible(IDC_BUFFERS_IDLE_NOTE));
}

// Which calls, which errors, which socket: each choice of Capture Filters applied to a trace of
// wsdemo, saved for the script to read with qntdump. Returns the socket the trace was restricted
// to, which stays in the settings.
std::string CheckCaptureFilters(const Folders& folders, const drive::Program& monitor,
                                Tracer& tracer) {
  const std::string saved = folders.work + "\\saved\\";
  std::vector<int> all(dialogs::CaptureFiltersModel::kListedApis);
  for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<int>(i);

  drive::DialogWindow filters = OpenFilters(monitor);
  CheckFiltersOpen(filters, all, false, "0");
  CheckModal(filters, monitor.frame);
  OfferScreenshot(folders, "capture-filters", filters.hwnd);
  CHECK(filters.Text(IDC_BUFFERS_IDLE_NOTE) == "Buffers may only be changed when idle.");
  filters.Click(IDC_TRACE_NONE);
  CHECK(!filters.Enabled(IDC_FILTER_LIST) && filters.Selected(IDC_FILTER_LIST).empty());
  filters.Click(IDC_TRACE_SOME);
  CHECK(filters.Enabled(IDC_FILTER_LIST));
  filters.Select(IDC_FILTER_LIST, {Entry("connect"), Entry("send")});
  // Alt+R is "Restrict to Specified Socket", which enables the socket id.
  filters.Key('r', true);
  CHECK(drive::WaitFor(5000, [&] { return filters.Enabled(IDC_SOCKET_ID); }));
  filters.Key('r', true);
  CHECK(drive::WaitFor(5000, [&] { return !filters.Enabled(IDC_SOCKET_ID); }));
  filters.Key(VK_RETURN);  // OK
  CHECK(filters.WaitClosed());
  CHECK(IsWindowEnabled(monitor.frame));
  tracer.Run(1, saved + "some.spy");

  // The first send's socket, read off this trace, for the restriction below.
  const std::string socket = SendSocket(saved + "some.spy");
  std::printf("send socket %s\n", socket.c_str());
  CHECK(!socket.empty());

  filters = OpenFilters(monitor);
  CheckFiltersOpen(filters, {Entry("connect"), Entry("send")}, false, "0");
  filters.Click(IDC_TRACE_ALL);
  CHECK(!filters.Enabled(IDC_FILTER_LIST) && filters.Selected(IDC_FILTER_LIST) == all);
  filters.Click(IDC_ERRORS_ONLY);
  filters.Click(IDC_IGNORE_WOULDBLOCK);
  Close(filters, IDOK);
  tracer.Run(1, saved + "errors.spy");

  filters = OpenFilters(monitor);
  CHECK(filters.Checked(IDC_ERRORS_ONLY) && filters.Checked(IDC_IGNORE_WOULDBLOCK));
  filters.Click(IDC_IGNORE_WOULDBLOCK);
  Close(filters, IDOK);
  tracer.Run(1, saved + "peek.spy");

  filters = OpenFilters(monitor);
  filters.Click(IDC_ERRORS_ONLY);
  filters.Click(IDC_RESTRICT_SOCKET);
  CHECK(filters.Enabled(IDC_SOCKET_ID) && filters.Enabled(IDC_SOCKET_ID_LABEL));
  filters.SetText(IDC_SOCKET_ID, "-" + socket);
  CheckRefused(monitor, filters, IDC_SOCKET_ID, "Please enter a positive integer.");
  filters.SetText(IDC_SOCKET_ID, socket);
  Close(filters, IDOK);
  tracer.Run(1, saved + "socket.spy");

  filters = OpenFilters(monitor);
  CheckFiltersOpen(filters, all, true, socket);
  filters.Click(IDC_RESTRICT_SOCKET);
  Close(filters, IDOK);
  return socket;
}

// The buffer sizes and the data byte limit through Buffer Allocation: refused values, Cancel,
// typed and spun sizes, and what the Trace Buffer keeps of two wsdemo runs.
void CheckBufferAllocation(const Folders& folders, const drive::Program& monitor, Tracer& tracer) {
  // Only while idle.
  monitor.Command(ID_FILE_BEGINTRACE);
  drive::DialogWindow filters = OpenFilters(monitor);
  CHECK(!filters.Enabled(IDC_CONFIGURE_BUFFERS) && filters.Visible(IDC_BUFFERS_IDLE_NOTE));
  Close(filters, IDCANCEL);
  monitor.Command(ID_FILE_ENDTRACE);

  filters = OpenFilters(monitor);
  drive::DialogWindow buffers = OpenBuffers(monitor, filters);
  CheckModal(buffers, filters.hwnd);
  OfferScreenshot(folders, "buffer-allocation", buffers.hwnd);
  CHECK(buffers.Text(IDC_TRACE_SIZE) == "2000" && buffers.SpinPosition(IDC_TRACE_SPIN) == 2000);
  CHECK(buffers.Text(IDC_TRAP_SIZE) == "10" && buffers.SpinPosition(IDC_TRAP_SPIN) == 10);
  CHECK(buffers.Checked(IDC_SAVE_ENTIRE) && !buffers.Enabled(IDC_SAVE_BYTES));
  const std::string traceRange = "Please enter an integer between 50 and 2000.";
  Type(buffers, IDC_TRACE_SIZE, "49", IDC_TRAP_SIZE);
  CheckRefused(monitor, buffers, IDC_TRACE_SIZE, traceRange);
  Type(buffers, IDC_TRACE_SIZE, "2001", IDC_TRAP_SIZE);
  CHECK(buffers.SpinPosition(IDC_TRACE_SPIN) == 2000);  // leaving the edit moved it to its end
  CheckRefused(monitor, buffers, IDC_TRACE_SIZE, traceRange);
  Type(buffers, IDC_TRACE_SIZE, "60", IDC_TRAP_SIZE);
  Type(buffers, IDC_TRAP_SIZE, "", IDC_TRACE_SIZE);
  CheckRefused(monitor, buffers, IDC_TRAP_SIZE, "Please enter an integer.");
  Type(buffers, IDC_TRAP_SIZE, "10", IDC_TRACE_SIZE);
  buffers.Click(IDC_SAVE_UPTO);
  CHECK(buffers.Enabled(IDC_SAVE_BYTES));
  buffers.SetText(IDC_SAVE_BYTES, "abc");
  CheckRefused(monitor, buffers, IDC_SAVE_BYTES, "Please enter an integer.");
  // Escape is Cancel: what was accepted there and in Capture Filters stays as it was.
  buffers.Key(VK_ESCAPE);
  CHECK(buffers.WaitClosed());
  Close(filters, IDOK);
  filters = OpenFilters(monitor);
  buffers = OpenBuffers(monitor, filters);
  CHECK(buffers.Text(IDC_TRACE_SIZE) == "2000" && buffers.Checked(IDC_SAVE_ENTIRE));

  Type(buffers, IDC_TRACE_SIZE, "60", IDC_TRAP_SIZE);
  CHECK(buffers.SpinPosition(IDC_TRACE_SPIN) == 60);
  buffers.Click(IDC_SAVE_UPTO);
  buffers.SetText(IDC_SAVE_BYTES, "8");
  Close(buffers, IDOK);
  Close(filters, IDOK);
  // Two runs of 66 calls: the receive passes leave the newest 59.
  CHECK(tracer.Run(2) == 59);
  monitor.PostCommand(ID_FILE_SAVE_AS);
  const std::string saved = folders.work + "\\saved\\buffers.spy";
  CHECK(monitor.ChooseInFileDialog(saved));
  CHECK(drive::WaitFor(kLong, [&] { return drive::FileSize(saved) > 13; }));

  // Down to 51 by the spinner's lower arrow; OK keeps the newest 51 at once.
  filters = OpenFilters(monitor);
  buffers = OpenBuffers(monitor, filters);
  CHECK(buffers.Text(IDC_TRACE_SIZE) == "60" && buffers.Checked(IDC_SAVE_UPTO));
  for (int i = 0; i < 9; ++i) buffers.Spin(IDC_TRACE_SPIN, SB_LINEDOWN);
  CHECK(buffers.Text(IDC_TRACE_SIZE) == "51" && buffers.SpinPosition(IDC_TRACE_SPIN) == 51);
  Close(buffers, IDOK);
  Close(filters, IDOK);
  CHECK(drive::WaitFor(5000, [&] { return monitor.RecordCount() == 51; }));
  CHECK(tracer.Run(1) == 50);
}

int RunDialogs(const std::string& work, const std::string& bin, const std::string& wsdemo) {
  Folders folders;
  drive::Program monitor;
  if (!StartWithWsdemo(work, bin, wsdemo, folders, monitor)) return check::Finish("e2e dialogs");
  Tracer tracer{monitor, folders.programs};
  const std::string socket = CheckCaptureFilters(folders, monitor, tracer);
  CheckBufferAllocation(folders, monitor, tracer);
  CHECK(monitor.Exit(kLong));

  // The settings file holds what the dialogs chose, and the next start shows it in them.
  const config::Options options =
      config::LoadSettingsFile(std::filesystem::path(folders.monitor + "\\quarnt32.cfg"));
  CHECK(options.m_nTraceSize == 51 && options.m_nTrapSize == 10);
  CHECK(options.m_bSaveEntire == 0 && options.m_nSaveBytes == 8);
  CHECK(options.m_bErrorsOnly == 0 && options.m_bIgnoreWouldBlock == 0);
  CHECK(options.m_bRestrictSocket == 0 && std::to_string(options.m_nSocketId) == socket);
  for (int id = 0; id < protocol::calls::kCount; ++id) {
    CHECK(options.m_apiEnable[static_cast<size_t>(id)] ==
          (id < dialogs::CaptureFiltersModel::kListedApis));
  }
  drive::Program again;
  CHECK(again.Start(folders.monitor + "\\quarnet.exe", folders.monitor));
  if (again.frame == nullptr) return check::Finish("e2e dialogs");
  const drive::DialogWindow filters = OpenFilters(again);
  CHECK(filters.Selected(IDC_FILTER_LIST).size() == dialogs::CaptureFiltersModel::kListedApis);
  CHECK(filters.Text(IDC_SOCKET_ID) == socket);
  const drive::DialogWindow buffers = OpenBuffers(again, filters);
  CHECK(buffers.Text(IDC_TRACE_SIZE) == "51" && buffers.SpinPosition(IDC_TRACE_SPIN) == 51);
  CHECK(buffers.Checked(IDC_SAVE_UPTO) && buffers.Text(IDC_SAVE_BYTES) == "8");
  Close(buffers, IDCANCEL);
  Close(filters, IDCANCEL);
  CHECK(again.Exit(kLong));
  return check::Finish("e2e dialogs");
}

// --- Setup, Trigger, Specify ---

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
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
  const auto records = store::ReadTraceFile(bytes).records;
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
  monitor.PostCommand(ID_FILE_SAVE_AS);
  CHECK(monitor.ChooseInFileDialog(saved));
  CHECK(drive::WaitFor(kLong, [&] { return drive::FileSize(saved) > 13; }));
  CHECK(TriggerMarks(saved) == std::vector<size_t>{markedAt});
  monitor.Command(ID_VIEW_TRAPBUFFER);
  monitor.Command(ID_EDIT_CLEARBUFFER);
}

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

// --- Setup, Preferences, Colors and Font ---

// Pixels of the window's client area in exactly `colour`, read off the screen (another process's
// window keeps its pixels to itself).
int CountPixels(HWND window, COLORREF colour) {
  RECT rc{};
  GetClientRect(window, &rc);
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = rc.right;
  info.bmiHeader.biHeight = -rc.bottom;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, rc.right, rc.bottom, screen, origin.x, origin.y, SRCCOPY);
  int count = 0;
  const auto* pixel = static_cast<const uint32_t*>(bits);
  const uint32_t wanted = GetRValue(colour) << 16 | GetGValue(colour) << 8 | GetBValue(colour);
  for (long i = 0; bits != nullptr && i < static_cast<long>(rc.right) * rc.bottom; ++i) {
    count += (pixel[i] & 0xFFFFFF) == wanted;
  }
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return count;
}

// Picks the entry `text` of a chooser's list, as a click on it does.
void Pick(const drive::DialogWindow& dialog, int id, const char* text) {
  HWND combo = dialog.Item(id);
  const LRESULT entry = SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(text));
  CHECK(entry != CB_ERR);
  SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(entry), 0);
  SendMessageA(dialog.hwnd, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo));
}

// The system colour chooser opened by a role's button: red, green and blue typed, then OK.
void ChooseColour(const drive::Program& monitor, const drive::DialogWindow& colors, int button,
                  COLORREF colour) {
  colors.Press(button);
  const drive::DialogWindow chooser = monitor.WaitDialog("Color");
  CHECK(chooser.hwnd != nullptr);
  constexpr int kRed = 706, kGreen = 707, kBlue = 708;  // the chooser's edits
  chooser.SetText(kRed, std::to_string(GetRValue(colour)));
  chooser.SetText(kGreen, std::to_string(GetGValue(colour)));
  chooser.SetText(kBlue, std::to_string(GetBValue(colour)));
  Close(chooser, IDOK);
}

constexpr COLORREF kSendColour = RGB(0, 0, 255);
constexpr int kFontCombo = 0x470, kSizeCombo = 0x472;  // the font chooser's face and size
constexpr char kFontFace[] = "Liberation Mono";

int RunPreferences(const std::string& work, const std::string& bin, const std::string& wsdemo) {
  Folders folders;
  drive::Program monitor;
  if (!StartWithWsdemo(work, bin, wsdemo, folders, monitor))
    return check::Finish("e2e preferences");
  Tracer tracer{monitor, folders.programs};
  MoveWindow(monitor.frame, 0, 0, 1024, 740, TRUE);
  HWND view = FindWindowExA(monitor.frame, nullptr, "QuarnetView", nullptr);

  // Cancel in the dialog leaves the view's colours; OK hands them over.
  monitor.PostCommand(ID_PREFERENCES_COLORS);
  drive::DialogWindow colors = monitor.WaitDialog("Select Display Colors");
  CheckModal(colors, monitor.frame);
  ChooseColour(monitor, colors, IDC_COLOR_SEND, RGB(0, 255, 0));
  Close(colors, IDCANCEL);
  monitor.PostCommand(ID_PREFERENCES_COLORS);
  colors = monitor.WaitDialog("Select Display Colors");
  ChooseColour(monitor, colors, IDC_COLOR_SEND, kSendColour);
  Sleep(300);
  CHECK(CountPixels(colors.hwnd, kSendColour) > 0);  // the sample, repainted at once
  OfferScreenshot(folders, "display-colors", colors.hwnd);
  Close(colors, IDOK);

  // Send dumps in the chosen colour, and nothing else in it.
  tracer.Run(1);
  monitor.Command(ID_PREFERENCES_VERBOSE);
  SendMessageA(view, WM_VSCROLL, MAKEWPARAM(display::kThumbPosition, 36), 0);
  PostMessageA(monitor.frame, WM_NULL, 0, 0);
  Sleep(500);
  const int sendPixels = CountPixels(view, kSendColour);
  std::printf("send-coloured pixels %d\n", sendPixels);
  CHECK(sendPixels > 50);
  CHECK(CountPixels(view, RGB(0, 255, 0)) == 0);
  OfferScreenshot(folders, "colors-view");
  monitor.Command(ID_PREFERENCES_VERBOSE);
  monitor.Command(ID_EDIT_CLEARBUFFER);

  // While a trace longer than a page follows the newest record, a larger font leaves fewer
  // whole records on the page: the first one shown moves on.
  monitor.Command(ID_FILE_BEGINTRACE);
  monitor.PostCommand(ID_FILE_LAUNCHPGM);
  CHECK(monitor.ChooseInFileDialog(folders.programs + "\\wsdemo.exe"));
  CHECK(monitor.AnswerMessageBox(folders.programs + "\\wsdemo.tmp already exists", IDYES));
  CHECK(drive::WaitForProcessRun("wsdemo.tmp", kLong));
  const int records = monitor.WaitForQuiet(2000, kLong);
  PostMessageA(monitor.frame, WM_NULL, 0, 0);
  Sleep(300);
  const int firstBefore = std::atoi(monitor.Pane(3).c_str());
  monitor.PostCommand(ID_PREFERENCES_FONT);
  const drive::DialogWindow font = monitor.WaitDialog("Font");
  CHECK(font.hwnd != nullptr);
  Sleep(300);
  Pick(font, kFontCombo, kFontFace);
  Pick(font, kSizeCombo, "20");
  OfferScreenshot(folders, "font", font.hwnd);
  Close(font, IDOK);
  PostMessageA(monitor.frame, WM_NULL, 0, 0);
  CHECK(drive::WaitFor(5000, [&] { return std::atoi(monitor.Pane(3).c_str()) > firstBefore; }));
  std::printf("records %d, first shown %d, then %s\n", records, firstBefore,
              monitor.Pane(3).c_str());
  OfferScreenshot(folders, "font-view");
  monitor.Command(ID_FILE_ENDTRACE);
  CHECK(monitor.Exit(kLong));

  const config::Options options =
      config::LoadSettingsFile(std::filesystem::path(folders.monitor + "\\quarnt32.cfg"));
  CHECK(options.m_crSend == kSendColour);
  CHECK(options.m_logFont.lfHeight < -13 &&
        options.m_logFont.lfFaceName.data() == std::string(kFontFace));
  drive::Program again;
  CHECK(again.Start(folders.monitor + "\\quarnet.exe", folders.monitor));
  if (again.frame == nullptr) return check::Finish("e2e preferences");
  again.PostCommand(ID_PREFERENCES_FONT);
  const drive::DialogWindow reopened = again.WaitDialog("Font");
  Sleep(300);
  CHECK(reopened.Text(kSizeCombo) == "20");
  CHECK(reopened.Text(kFontCombo) == kFontFace);
  Close(reopened, IDCANCEL);
  CHECK(again.Exit(kLong));
  return check::Finish("e2e preferences");
}

// --- Copy to Clipboard and Print ---

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

bool WriteText(const std::string& path, const std::string& text) {
  return WriteFile(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::vector<SpyMsgPtr> ReadRecords(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
  return std::move(store::ReadTraceFile(bytes).records);
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
  TEXTMETRICA metrics{};
  GetTextMetricsA(dialog.hDC, &metrics);
  display::PrintJob job;
  CHECK(job.Prepare(records, from, to));
  job.Begin({metrics.tmAveCharWidth, metrics.tmHeight}, GetDeviceCaps(dialog.hDC, HORZRES),
            GetDeviceCaps(dialog.hDC, VERTRES));
  std::printf("printer: %dx%d, font height %ld\n", GetDeviceCaps(dialog.hDC, HORZRES),
              GetDeviceCaps(dialog.hDC, VERTRES), metrics.tmHeight);
  DeleteDC(dialog.hDC);
  GlobalFree(dialog.hDevMode);
  GlobalFree(dialog.hDevNames);
  NoCanvas canvas;
  int pages = 1;
  while (job.PrintPage(canvas, options)) ++pages;
  return pages;
}

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

// A file of `size` bytes that holds `head` and then nothing (sparse where the system can).
bool WriteSparse(const std::string& path, const std::vector<uint8_t>& head, uint64_t size) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  DWORD ignored = 0;
  DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
  LARGE_INTEGER end{};
  end.QuadPart = static_cast<LONGLONG>(size);
  const bool ok =
      ::WriteFile(file, head.data(), static_cast<DWORD>(head.size()), &written, nullptr) &&
      SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
  CloseHandle(file);
  return ok;
}

// Opens `path` by File, Open; `message` is the box it must show, none when empty.
void Open(const drive::Program& monitor, const std::string& path, const std::string& message) {
  monitor.PostCommand(ID_FILE_OPEN);
  CHECK(monitor.ChooseInFileDialog(path));
  if (!message.empty()) {
    CHECK(monitor.AnswerMessageBox(message, IDOK));
  } else {
    Sleep(500);
    const HWND box = monitor.FindDialog(nullptr);
    if (box != nullptr) {
      char said[512] = {};
      GetDlgItemTextA(box, 0xFFFF, said, sizeof said);
      std::printf("opening %s said \"%s\"\n", path.c_str(), said);
      PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
    CHECK(box == nullptr);
  }
}

int RunFiles(const std::string& work, const std::string& bin, const std::string& burst) {
  // Names that only the ANSI code page spells right: in 1252 the euro sign, curly quotes and
  // e acute; in 1251 a Cyrillic folder name, curly quotes and the euro sign (0x88 there).
  std::printf("ANSI code page %u\n", GetACP());
  const bool cyrillic = GetACP() == 1251;
  const std::string odd =
      work + (cyrillic ? "\\\xCF\xE0\xEF\xEA\xE0 \x93q\x94" : "\\A\x80 \x93q\x94 \xE9");
  const std::string euroSign = cyrillic ? "\x88" : "\x80";
  CreateDirectoryA(odd.c_str(), nullptr);
  Folders folders;
  config::Options options;
  options.m_bShowTime = 0;  // seen on the toolbar only when the settings file was read
  options.m_bViewTrap = 1;  // closed while showing the Trap Buffer
  CHECK(PrepareMonitor(odd, bin, folders, options));
  std::vector<SpyMsgPtr> two;
  for (int id : {7, 8}) {
    two.push_back(std::make_unique<CSpyMsg>());
    two.back()->m_nApiId = id;
  }
  const std::string euro = odd + "\\euro" + euroSign + ".spy";
  CHECK(WriteFile(euro, store::WriteTraceFile(two)));
  std::vector<uint8_t> early = store::WriteTraceFile(two);
  early[11] = early[12] = 0xFF;  // a count of 65535 that ends after 2 records
  CHECK(WriteFile(odd + "\\early.spy", early));
  CHECK(WriteSparse(work + "\\1GiB.spy", {'M', 'Z'}, 1ull << 30));
  CHECK(WriteSparse(work + "\\3GiB.spy", {'M', 'Z'}, 3ull << 30));
  CHECK(WriteFile(odd + "\\notes.exe", {'n', 'o', 't', 'e', 's'}));
  CHECK(drive::CopyInto(burst, odd, "burst.exe"));
  CHECK(drive::CopyInto(bin + "\\nowinsock.exe", odd, "nowinsock.exe"));

  drive::Program monitor;
  CHECK(monitor.Start(folders.monitor + "\\quarnet.exe", folders.monitor));
  if (monitor.frame == nullptr) return check::Finish("e2e files");

  // The settings were read from the odd folder. The program starts on the Trace Buffer, under
  // its title, and shows the records of a program launched from the odd folder as they come.
  HWND toolbar = FindWindowExA(monitor.frame, nullptr, TOOLBARCLASSNAMEA, nullptr);
  CHECK(!(SendMessageA(toolbar, TB_GETSTATE, ID_PREFERENCES_SHOWTIME, 0) & TBSTATE_CHECKED));
  CHECK(monitor.Title() == display::kTraceTitle);
  monitor.Command(ID_FILE_BEGINTRACE);
  monitor.PostCommand(ID_FILE_LAUNCHPGM);
  CHECK(monitor.ChooseInFileDialog(odd + "\\burst.exe"));
  CHECK(drive::WaitFor(kLong, [&] { return monitor.RecordCount() > 100; }));
  monitor.WaitForQuiet(1500, kLong);
  monitor.Command(ID_FILE_ENDTRACE);

  // Open in the odd folder; huge files that are no trace are refused at their header, with
  // the records kept and little memory used; a file that ends early keeps what it holds.
  Open(monitor, euro, "");
  CHECK(drive::WaitFor(5000, [&] { return monitor.RecordCount() == 2; }));
  Open(monitor, work + "\\1GiB.spy", "File Read Error");
  Open(monitor, work + "\\3GiB.spy", "File Read Error");
  CHECK(monitor.RecordCount() == 2);
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  CHECK(GetProcessMemoryInfo(monitor.pi.hProcess, &memory, sizeof memory));
  std::printf("peak working set %lu KiB\n",
              static_cast<unsigned long>(memory.PeakWorkingSetSize >> 10));
  CHECK(memory.PeakWorkingSetSize < (64u << 20));
  DeleteFileA((work + "\\1GiB.spy").c_str());
  DeleteFileA((work + "\\3GiB.spy").c_str());
  Open(monitor, odd + "\\early.spy",
       "File Read Error: the trace file ends early; 2 of 65535 records read.");
  CHECK(monitor.RecordCount() == 2);

  // Save As under a name with the euro sign writes that very file.
  const std::string price = odd + "\\price" + euroSign + ".spy";
  monitor.PostCommand(ID_FILE_SAVE_AS);
  CHECK(monitor.ChooseInFileDialog(price));
  CHECK(drive::WaitFor(kLong, [&] { return drive::FileSize(price) > 13; }));

  // A program that names no Winsock library would run untraced: the monitor asks first, and No
  // leaves no copy behind.
  const auto untraced = [](const std::string& program) {
    return config::launcher::LaunchAnyway(*config::launcher::UntracedWarning(program, {})).text;
  };
  monitor.PostCommand(ID_FILE_LAUNCHPGM);
  CHECK(monitor.ChooseInFileDialog(odd + "\\nowinsock.exe"));
  CHECK(monitor.AnswerMessageBox(untraced(odd + "\\nowinsock.exe"), IDNO));
  CHECK(GetFileAttributesA((odd + "\\nowinsock.tmp").c_str()) == INVALID_FILE_ATTRIBUTES);

  // A text file named .exe, launched anyway, cannot start: it is reported, and its copy does not
  // stay.
  monitor.PostCommand(ID_FILE_LAUNCHPGM);
  CHECK(monitor.ChooseInFileDialog(odd + "\\notes.exe"));
  CHECK(monitor.AnswerMessageBox(untraced(odd + "\\notes.exe"), IDYES));
  const std::string caption =
      "Could not launch " + odd + "\\notes.exe: the file is not a valid Windows program";
  CHECK(drive::WaitFor(20000, [&] { return monitor.FindDialog(caption.c_str()) != nullptr; }));
  CHECK(monitor.AnswerMessageBox("Execution Error", IDOK));
  CHECK(GetFileAttributesA((odd + "\\notes.tmp").c_str()) == INVALID_FILE_ATTRIBUTES);

  CHECK(monitor.Exit(kLong));
  CHECK(drive::FileSize(folders.monitor + "\\quarnt32.cfg") == 319);
  return check::Finish("e2e files");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::printf(
        "usage: e2e_driver trace|burst|foreign|dialogs|trigger|preferences|files|print WORK BIN "
        "FILE-OR-ADDRESS\n");
    return 64;
  }
  const std::string mode = argv[1];
  int status = 64;
  if (mode == "trace") {
    status = RunTrace(argv[2], argv[3], argv[4]);
  } else if (mode == "burst") {
    status = RunBurst(argv[2], argv[3], argv[4]);
  } else if (mode == "foreign") {
    status = RunForeign(argv[2], argv[3], argv[4]);
  } else if (mode == "dialogs") {
    status = RunDialogs(argv[2], argv[3], argv[4]);
  } else if (mode == "trigger") {
    status = RunTrigger(argv[2], argv[3], argv[4]);
  } else if (mode == "preferences") {
    status = RunPreferences(argv[2], argv[3], argv[4]);
  } else if (mode == "files") {
    status = RunFiles(argv[2], argv[3], argv[4]);
  } else if (mode == "print") {
    status = RunPrint(argv[2], argv[3], argv[4]);
  } else {
    std::printf("unknown mode %s\n", argv[1]);
  }
  std::fflush(stdout);
  // The virtual desktop that runs the driver does not pass its exit status on.
  const std::string text = std::to_string(status);
  WriteFile(std::string(argv[2]) + "\\result", std::vector<uint8_t>(text.begin(), text.end()));
  return status;
}
