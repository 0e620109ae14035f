// The monitor's side of the agent benchmark: contacts the agent, sets every call's flag off or
// on, and runs a launcher copy of a program beside this one and the agent of its width.
//   agent_bench off|on|unread [round trips [loop]]   wsloop.exe (or the loop named, wsloop2),
//                                                    timed inside it
//   agent_bench burst [calls]                   wsburst.exe: calls, then WSACleanup and return
// "on" and "burst" receive meanwhile as the monitor does: its capture socket, read
// notifications to a window, and its receive pass, time-limited, into a buffer that keeps the
// newest 2000 records. "unread" reads only after the run, so that the figure holds the agent's
// cost alone (datagrams beyond the socket's buffer are then lost, which costs the sender
// nothing). Nothing waits for ever: the program has a minute, and reading ends when nothing has
// come for two seconds after it ended. Prints wsloop's line, if any, and what arrived:
//   udp <us> tcp <us> all <us>
//   reports <n> [of <expected>] longest pass <ms> ms queue waits <n>
#include <windows.h>
#include <winsock.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

#include "ChildProcess.h"
#include "agent/win32/Klvnt32.h"
#include "capture/Clock.h"
#include "capture/PendingList.h"
#include "capture/ReceivePass.h"
#include "capture/win32/CaptureSocket.h"
#include "config/Launcher.h"
#include "protocol/AgentFiles.h"

namespace {

constexpr UINT kNotify = WM_USER + 1;
constexpr DWORD kQuietMs = 2000;
constexpr size_t kTraceBuffer = 2000;

class WallClock : public capture::IClock {
 public:
  uint32_t Now() override { return static_cast<uint32_t>(GetTickCount() / 1000); }
};

// The Trace Buffer's part in a pass: keeps the newest records, counts them all.
class CountingBuffer : public capture::IRecordSink {
 public:
  void AddRecord(std::unique_ptr<CSpyMsg> record) override {
    m_records.push_back(std::move(record));
    ++m_count;
  }
  void EndOfRecords() override {
    if (m_records.size() > kTraceBuffer) {
      m_records.erase(m_records.begin(),
                      m_records.end() - static_cast<std::ptrdiff_t>(kTraceBuffer));
    }
  }
  long Count() const { return m_count; }

 private:
  std::vector<SpyMsgPtr> m_records;
  long m_count = 0;
};

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

// Runs `program` while a window on this thread receives its reports pass by pass.
struct Received {
  ChildResult child;
  long reports = 0;
  double longestPassMs = 0;
};

Received RunReceiving(capture::CaptureSocket& socket, HWND window, const std::string& program,
                      const std::string& arguments) {
  WallClock clock;
  CPendingList pending(clock);
  CountingBuffer buffer;
  Received result;
  std::atomic<bool> ended{false};
  std::thread child([&] {
    result.child = RunChild(program, arguments);
    ended = true;
    PostMessageA(window, WM_NULL, 0, 0);  // wakes the loop below
  });
  DWORD lastReport = GetTickCount();
  for (;;) {
    MSG msg;
    const DWORD waited = GetTickCount() - lastReport;
    if (ended && waited >= kQuietMs) break;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, ended ? kQuietMs - waited : 100, QS_ALLINPUT);
      continue;
    }
    if (msg.message != kNotify) {
      DispatchMessageA(&msg);
      continue;
    }
    LARGE_INTEGER start;
    LARGE_INTEGER end;
    QueryPerformanceCounter(&start);
    capture::SteadyPassTimer timer;
    const capture::ReceivePassStats stats = RunReceivePass(pending, socket, buffer, timer);
    QueryPerformanceCounter(&end);
    result.longestPassMs = std::max(result.longestPassMs, Milliseconds(start, end));
    if (stats.datagrams > 0) lastReport = GetTickCount();
  }
  child.join();
  result.reports = buffer.Count();
  return result;
}

// Reads whatever waits, without a window, until nothing is left.
long ReadAfterwards(capture::CaptureSocket& socket) {
  WallClock clock;
  CPendingList pending(clock);
  CountingBuffer buffer;
  RunReceivePass(pending, socket, buffer);
  return buffer.Count();
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode != "off" && mode != "on" && mode != "unread" && mode != "burst") {
    std::printf("usage: agent_bench off|on|unread [round trips [loop]] | burst [calls]\n");
    return 2;
  }
  const bool burst = mode == "burst";
  const std::string count = argc > 2 ? argv[2] : burst ? "10000" : "2000";
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  const std::string dir = DirectoryOf(self);
  const std::string name = burst ? "wsburst" : argc > 3 ? argv[3] : "wsloop";
  const std::string copy = dir + "\\" + name + ".tmp";
  if (!config::launcher::CopyWithModuleRedirect(dir + "\\" + name + ".exe", copy,
                                                protocol::kOwnWidth)
           .ok) {
    std::printf("agent_bench: cannot make %s\n", copy.c_str());
    return 1;
  }

  capture::CaptureSocket socket;
  if (!socket.Open(dir + "\\")) return 1;
  const HWND window = CreateWindowA("STATIC", "agent_bench", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    nullptr, nullptr);
  if (SPAContactAgent(window, socket.Port(), 1) == 0) return 1;
  for (int id = 0; id < 46; ++id) SPAEnableSpy(id, mode == "off" ? 0 : 1);
  SPASetTrackingOptions(0, 0, 0, 0);
  SPASetDataBlockOptions(1, 0);
  const DWORD waitsBefore = SPAQueueWaits();

  const std::string arguments = burst ? count + " return cleanup" : count;
  Received run;
  socket.SelectReadNotifications(window, kNotify);  // which also makes reads return at once
  if (mode == "on" || burst) {
    run = RunReceiving(socket, window, copy, arguments);
  } else {
    run.child = RunChild(copy, arguments);
    run.reports = ReadAfterwards(socket);
  }
  SPAContactAgent(window, 1025, 0);
  DestroyWindow(window);

  std::printf("%sreports %ld", run.child.output.c_str(), run.reports);
  // wsburst reports WSAStartup, its calls and WSACleanup.
  if (burst) std::printf(" of %ld", std::stol(count) + 2);
  std::printf(" longest pass %.1f ms queue waits %lu\n", run.longestPassMs,
              SPAQueueWaits() - waitsBefore);
  return run.child.started && run.child.exitCode == 0 ? 0 : 1;
}
