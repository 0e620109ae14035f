// qntcap: traces one program from the command line. It patches and starts the program as Launch
// Pgm does, receives the agent's reports in a report channel of its own (and on its own loopback
// socket, from agents that cannot write there) while a hidden window of its own holds the agent's
// contact, and writes the trace file when the program ends.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "QntcapOptions.h"
#include "app/TraceSession.h"
#include "capture/Clock.h"
#include "capture/win32/AgentLibrary.h"
#include "capture/win32/CaptureSocket.h"
#include "capture/win32/ChannelMapping.h"
#include "config/Launcher.h"
#include "config/win32/ChildPath.h"
#include "format/EventFormatter.h"
#include "format/TraceJson.h"
#include "ui/win32/FileDialog.h"

namespace {

constexpr int kExitUsage = 64;
constexpr int kExitFailure = 2;
constexpr int kExitLoss = 3;
constexpr UINT kReceiveMessage = WM_APP + 1;
constexpr UINT kChannelMessage = WM_APP + 2;  // the report channel's wake-up
constexpr int kQuietPolls = 10;
constexpr DWORD kPollMilliseconds = 50;
constexpr int kRemoveTries = 100;

using qntcap::Arguments;
using qntcap::Print;

// Prints each record as it arrives, numbered from 1, as qntdump prints a file.
class Printer {
 public:
  explicit Printer(Print print) : m_print(print) {}
  void operator()(const CSpyMsg& record) {
    ++m_count;
    if (m_print == Print::kJson) {
      std::printf("%s\n", format::RecordJson(record, m_count).c_str());
    } else if (m_print == Print::kText) {
      std::vector<std::string> lines;
      const std::string returns = format::FormatEvent(record, lines, true, false);
      lines.back() += returns;
      format::FormatDataBlock(record, lines, -1);
      for (const std::string& line : lines) std::printf("%s\n", line.c_str());
    }
  }

 private:
  Print m_print;
  int32_t m_count = 0;
};

struct Capture {
  app::TraceSession* session;
  capture::CaptureSocket* socket;
  capture::ChannelMapping* channel;
};

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kReceiveMessage || message == kChannelMessage || message == WM_TIMER) {
    auto* capture = reinterpret_cast<Capture*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (capture != nullptr) {
      // The channel's wake-up and its poll read the channel alone.
      capture::NoDatagrams none;
      capture::IDatagramSource& source =
          message == kReceiveMessage ? static_cast<capture::IDatagramSource&>(*capture->socket)
                                     : none;
      capture::SteadyPassTimer timer;
      capture->channel->Settle(capture->session->Channel(),
                               capture->session->ReceivePass(source, timer));
      std::fflush(stdout);
    }
    return 0;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

HWND CreateHiddenWindow() {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "QntcapContact";
  if (RegisterClassA(&windowClass) == 0) return nullptr;
  return CreateWindowA("QntcapContact", "qntcap", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                       windowClass.hInstance, nullptr);
}

struct Started {
  HANDLE process = nullptr;
  std::string copyPath;
};

// Starts the patched copy in qntcap's own current directory, as a shell starts a command, with
// qntcap's folder first on its PATH, where it finds Klvnt32.dll; no process after printing why
// not.
Started StartProgram(const Arguments& args, const std::string& folder) {
  const config::launcher::LaunchPlan plan = config::launcher::PlanLaunch(args.program);
  if (plan.step == config::launcher::LaunchPlan::Step::kRefuse) {
    std::fprintf(stderr, "qntcap: %s\n", plan.message.text.c_str());
    return {};
  }
  // A leftover copy is one that Launch Pgm or qntcap made: a command line asks no question.
  const config::launcher::CopyResult copy =
      config::launcher::CopyWithModuleRedirect(args.program, plan.copyPath);
  if (!copy.ok) {
    std::fprintf(stderr, "qntcap: %s\n", copy.error.text.c_str());
    return {};
  }
  if (const auto warning = config::launcher::UntracedWarning(args.program, copy.rewrites)) {
    std::fprintf(stderr, "qntcap: %s\n", warning->c_str());
  }
  std::string command = "\"" + plan.copyPath + "\"" + args.programArgs;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  const config::ScopedChildPath path(folder);
  if (!CreateProcessA(plan.copyPath.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                      nullptr, &startup, &process)) {
    std::fprintf(stderr, "qntcap: cannot start %s (error %lu)\n", args.program.c_str(),
                 GetLastError());
    DeleteFileA(plan.copyPath.c_str());
    return {};
  }
  CloseHandle(process.hThread);
  return {process.hProcess, plan.copyPath};
}

// Removes the copy once the program has ended. A debugger or error reporter that caught a crash
// (Wine's winedbg does) may hold the program's file for a moment after its end: the removal is
// tried again until it lets go.
void RemoveCopy(const std::string& path) {
  for (int tries = 1; !DeleteFileA(path.c_str()); ++tries) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return;
    if (tries == kRemoveTries) {
      std::fprintf(stderr, "qntcap: cannot remove %s (error %lu)\n", path.c_str(), error);
      return;
    }
    Sleep(kPollMilliseconds);
  }
}

void PumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string_view(argv[1]) == "--help") {
    std::fputs(qntcap::kUsage, stdout);
    return 0;
  }
  const qntcap::CommandLine line = qntcap::ParseCommandLine({argv + 1, argv + argc});
  if (!line.error.empty()) {
    std::fprintf(stderr, "qntcap: %s\n%s", line.error.c_str(), qntcap::kUsage);
    return kExitUsage;
  }
  Arguments args = line.arguments;
  // The trace is written when the program ends: a file that cannot be written is found now.
  if (const std::string problem = qntcap::OutputProblem(ui::PathFromAnsi(args.output));
      !problem.empty()) {
    std::fprintf(stderr, "qntcap: %s: %s\n", args.output.c_str(), problem.c_str());
    return kExitFailure;
  }
  const std::string folder = ui::ProgramFolder();
  capture::CaptureSocket socket;
  if (!socket.Open(folder)) {
    std::fprintf(stderr, "qntcap: no capture socket (klvnt32b.dll beside qntcap.exe?)\n");
    return kExitFailure;
  }
  const HWND window = CreateHiddenWindow();
  if (window == nullptr || !socket.SelectReadNotifications(window, kReceiveMessage)) {
    std::fprintf(stderr, "qntcap: no window for the agent's contact\n");
    return kExitFailure;
  }
  // A receive pass leaves one record fewer than the Trace Buffer's size: the limit is applied
  // once more at the end.
  const int32_t limit = args.options.m_nTraceSize;
  args.options.m_nTraceSize = limit + 1;
  capture::SystemClock clock;
  app::TraceSession session(args.options, clock, std::make_unique<capture::AgentLibrary>(folder));
  capture::ChannelMapping channel;
  if (channel.Open(window, kChannelMessage)) session.AttachChannel(channel.Bytes(), channel.Id());
  if (session.ContactAgent(window, socket.Port()) == 0) {
    // Another monitor holds the contact, or Klvnt32.dll is missing.
    std::fprintf(stderr, "qntcap: Failure to Contact Dll\n");
    return kExitFailure;
  }
  session.OnRecord(Printer(args.print));
  Capture capture{&session, &socket, &channel};
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&capture));
  session.BeginTrace();

  int exitCode = kExitFailure;
  if (const Started started = StartProgram(args, folder); started.process != nullptr) {
    const HANDLE process = started.process;
    while (MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
      PumpMessages();
    }
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    RemoveCopy(started.copyPath);  // unlike Launch Pgm's, nobody starts it again
    exitCode = static_cast<int>(code);
    // The program's last reports may still be on their way: read until the socket and the
    // channel have been quiet for a while.
    PumpMessages();
    for (int quiet = 0; quiet < kQuietPolls;) {
      const capture::ReceivePassStats stats = session.ReceivePass(socket);
      quiet = stats.datagrams + stats.entries > 0 ? 0 : quiet + 1;
      Sleep(kPollMilliseconds);
    }
    std::fflush(stdout);
  }
  session.EndTrace();
  session.EndContact(window);
  args.options.m_nTraceSize = limit;
  session.Store().ApplyTraceSize();

  const uint64_t lost = session.LostCount();
  std::fprintf(stderr, "qntcap: %zu records, %llu lost\n", session.Store().m_traceBuf.size(),
               static_cast<unsigned long long>(lost));
  const std::string error = session.Store().SaveTraceFile(ui::PathFromAnsi(args.output));
  if (!error.empty()) {
    std::fprintf(stderr, "qntcap: %s: %s\n", args.output.c_str(), error.c_str());
    return kExitFailure;
  }
  if (args.failOnLoss && lost > 0 && exitCode == 0) return kExitLoss;
  return exitCode;
}
