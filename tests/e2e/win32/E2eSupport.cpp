#include "E2eSupport.h"

#include <winsock.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "app/ResourceIds.h"
#include "config/SettingsFile.h"
#include "dialogs/CaptureFiltersIds.h"
#include "display/TraceView.h"
#include "protocol/AgentFiles.h"
#include "protocol/SpyDatagram.h"
#include "store/TraceFile.h"
#include "ui/CenterDialog.h"

namespace e2e {

namespace {

// wsdemo in a folder of its own, away from the agents, and a folder for saved traces.
bool PrepareWsdemo(const std::string& wsdemo, Folders& folders) {
  folders.programs = folders.work + "\\programs";
  CreateDirectoryA(folders.programs.c_str(), nullptr);
  CreateDirectoryA((folders.work + "\\saved").c_str(), nullptr);
  return drive::CopyInto(wsdemo, folders.programs, "wsdemo.exe");
}

}  // namespace

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

bool WriteText(const std::string& path, const std::string& text) {
  return WriteFile(path, std::vector<uint8_t>(text.begin(), text.end()));
}

std::vector<SpyMsgPtr> ReadRecords(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
  return std::move(store::ReadTraceFile(bytes).records);
}

bool PrepareMonitor(const std::string& work, const std::string& bin, Folders& folders,
                    config::Options options, int32_t traceSize) {
  folders.work = work;
  folders.monitor = work + "\\monitor";
  CreateDirectoryA(folders.monitor.c_str(), nullptr);
  bool ok = true;
  std::vector<std::string> files = {"quarnet.exe", "klvnt32b.dll"};
  for (size_t row = 0; row < protocol::kAgentRowCount; ++row) {
    files.push_back(protocol::AgentDll(static_cast<protocol::AgentRow>(row)));
  }
  for (const std::string& name : files) {
    ok = drive::CopyInto(bin + "\\" + name, folders.monitor, name) && ok;
  }
  options.m_apiEnable.fill(1);
  options.m_bIgnoreWouldBlock = 0;
  options.m_nTraceSize = traceSize;
  return ok && WriteFile(folders.monitor + "\\" + std::string(config::kSettingsFileName),
                         config::WriteSettings(options));
}

bool StartWithWsdemo(const std::string& work, const std::string& bin, const std::string& wsdemo,
                     Folders& folders, drive::Program& monitor) {
  CHECK(PrepareMonitor(work, bin, folders));
  CHECK(PrepareWsdemo(wsdemo, folders));
  CHECK(monitor.Start(folders.monitor + "\\quarnet.exe", folders.monitor));
  return monitor.frame != nullptr;
}

bool SaveTraceAs(const drive::Program& monitor, const std::string& path) {
  monitor.PostCommand(ID_FILE_SAVE_AS);
  return monitor.ChooseInFileDialog(path) &&
         drive::WaitFor(kLong, [&] { return drive::FileSize(path) > 13; });
}

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

void OfferScreenshot(const Folders& folders, const std::string& name, HWND window) {
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

void OfferMessageBoxScreenshot(const drive::Program& monitor, const Folders& folders,
                               const std::string& name) {
  HWND box = nullptr;
  drive::WaitFor(20000, [&] { return !monitor.MessageBoxText(&box).empty(); });
  Sleep(300);  // painted
  OfferScreenshot(folders, name, box);
}

void OfferVerboseScreenshot(const drive::Program& monitor, const Folders& folders,
                            const std::string& name, const std::function<void(HWND view)>& scroll) {
  MoveWindow(monitor.frame, 0, 0, 1024, 740, TRUE);
  monitor.Command(ID_PREFERENCES_VERBOSE);
  scroll(FindWindowExA(monitor.frame, nullptr, "QuarnetView", nullptr));
  PostMessageA(monitor.frame, WM_NULL, 0, 0);
  Sleep(500);
  OfferScreenshot(folders, name);
  monitor.Command(ID_PREFERENCES_VERBOSE);
}

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

DWORD RunToEnd(const std::string& program, const std::string& args, const std::string& folder) {
  PROCESS_INFORMATION started{};
  STARTUPINFOA si{};
  si.cb = sizeof si;
  std::string command = "\"" + program + "\" " + args;
  const bool ok = CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0,
                                 nullptr, folder.c_str(), &si, &started) != FALSE;
  CHECK(ok);
  if (!ok) return 1;
  DWORD code = 1;
  WaitForSingleObject(started.hProcess, kLong);
  GetExitCodeProcess(started.hProcess, &code);
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return code;
}

void Close(const drive::DialogWindow& dialog, int button) {
  dialog.Press(button);
  CHECK(dialog.WaitClosed());
}

void Type(const drive::DialogWindow& dialog, int edit, const std::string& text, int next) {
  dialog.Focus(edit);
  dialog.SetText(edit, text);
  dialog.Focus(next);
}

void CheckRefused(const drive::Program& monitor, const drive::DialogWindow& dialog, int edit,
                  const std::string& message) {
  dialog.Press(IDOK);
  CHECK(monitor.AnswerMessageBox(message, IDOK));
  CHECK(IsWindow(dialog.hwnd));
  CHECK(drive::WaitFor(5000, [&] { return dialog.HasFocus(edit); }));
  CHECK(dialog.AllSelected(edit));
}

void CheckModal(const drive::DialogWindow& dialog, HWND owner) {
  RECT rc{};
  GetWindowRect(dialog.hwnd, &rc);
  const ui::Point centre =
      ui::CenterDialogOnScreen(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                               rc.right - rc.left, rc.bottom - rc.top);
  CHECK(rc.left == centre.x && rc.top == centre.y);
  CHECK(GetWindow(dialog.hwnd, GW_OWNER) == owner && !IsWindowEnabled(owner));
}

drive::DialogWindow OpenFilters(const drive::Program& monitor) {
  monitor.PostCommand(ID_SETUP_FILTERS);
  return monitor.WaitDialog("Capture Filters");
}

drive::DialogWindow OpenBuffers(const drive::Program& monitor, const drive::DialogWindow& filters) {
  filters.Press(IDC_CONFIGURE_BUFFERS);
  return monitor.WaitDialog("Buffer Allocation");
}

int Tracer::Run(int runs, const std::string& saveAs) {
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
    CHECK(SaveTraceAs(monitor, saveAs));
    monitor.Command(ID_EDIT_CLEARBUFFER);
  }
  return records;
}

}  // namespace e2e
