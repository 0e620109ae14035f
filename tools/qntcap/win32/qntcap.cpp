// qntcap: traces one program from the command line. It patches and starts the program as Launch
// Pgm does, receives the agent's reports in a report channel of its own (and on its own loopback
// socket, from agents that cannot write there) while a hidden window of its own holds the agent's
// contact, and writes the trace file when the program ends.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
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

// qntcap's answers to the launch: messages on stderr, no questions (a leftover copy is one that
// Launch Pgm or qntcap made; a program that names neither library is started after the
// warning), and the start of the copy in qntcap's own current directory, as a shell starts a
// command, with qntcap's folder first on its PATH, where it finds its agent.
class CommandLine : public config::launcher::LaunchShell {
 public:
  CommandLine(const Arguments& args, const std::string& folder) : m_args(args), m_folder(folder) {}

  HANDLE Process() const { return m_process; }

  // qntcap took the contact before it began the trace; a refusal has ended it already.
  bool Contact() override { return true; }
  void Refuse(const config::launcher::Message& message) override {
    std::fprintf(stderr, "qntcap: %s\n", message.text.c_str());
  }
  bool ReplaceCopy(const config::launcher::Message&) override { return true; }
  bool StartUntraced(const std::string& warning) override {
    std::fprintf(stderr, "qntcap: %s\n", warning.c_str());
    return true;
  }
  std::optional<config::launcher::Message> Start(const std::string& copyPath) override {
    std::string command = "\"" + copyPath + "\"" + m_args.programArgs;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const config::ScopedChildPath path(m_folder);
    if (!CreateProcessA(copyPath.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        nullptr, &startup, &process)) {
      const DWORD error = GetLastError();
      return config::launcher::Message{
          "cannot start " + m_args.program + " (error " + std::to_string(error) + ")", ""};
    }
    CloseHandle(process.hThread);
    m_process = process.hProcess;
    return std::nullopt;
  }

 private:
  const Arguments& m_args;
  const std::string& m_folder;
  HANDLE m_process = nullptr;
};

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
    // Another monitor holds the contact, or the agent is missing.
    std::fprintf(stderr, "qntcap: Failure to Contact Dll\n");
    return kExitFailure;
  }
  session.OnRecord(Printer(args.print));
  Capture capture{&session, &socket, &channel};
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&capture));
  session.BeginTrace();

  int exitCode = kExitFailure;
  CommandLine commandLine(args, folder);
  if (const auto copyPath = config::launcher::Launch(args.program, commandLine)) {
    const HANDLE process = commandLine.Process();
    while (MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0) {
      PumpMessages();
    }
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    RemoveCopy(*copyPath);  // unlike Launch Pgm's, nobody starts it again
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
