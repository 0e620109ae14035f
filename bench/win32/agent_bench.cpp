// The monitor's side of the agent benchmark: contacts the agent, sets every call's flag off or
// on, and runs a launcher copy of a program beside this one and the agent of its width.
//   agent_bench off|on|unread|datagrams [round trips [loop]]
//       wsloop.exe (or the loop named: wsloop2), timed inside it
//   agent_bench burst [calls]
//       wsburst.exe: calls, then WSACleanup and return
//   agent_bench idle [calls]
//       wsidle.exe: a call every 200 ms, each timed from the call to its record
// Every mode but "datagrams" asks the agents for the report channel. "on", "burst" and "idle"
// receive as
// the monitor does: read on the writers' wake-ups and the poll of a window, the receive pass,
// time-limited, into a buffer that keeps the newest 2000 records. "unread" takes the channel's
// entries on the same wake-ups without making records of them, so that the figure holds the
// agent's cost alone. "datagrams" receives as "on" does from a monitor that did not ask for the
// channel: the capture socket's read notifications. Nothing waits for ever: the program has a
// minute, and reading ends when nothing has come for two seconds after it ended. Prints wsloop's
// line, if any, and what arrived:
//   udp <us> tcp <us> all <us>
//   reports <n> [of <expected>] longest pass <ms> ms queue waits <n>
//   [call to record: mean <ms> ms, longest <ms> ms]
#include <windows.h>
#include <winsock.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "ChildProcess.h"
#include "agent/win32/Klvnt32.h"
#include "capture/ChannelDrain.h"
#include "capture/Clock.h"
#include "capture/PendingList.h"
#include "capture/ReceivePass.h"
#include "capture/win32/CaptureSocket.h"
#include "capture/win32/ChannelMapping.h"
#include "config/Launcher.h"
#include "format/PayloadReader.h"
#include "protocol/AgentFiles.h"
#include "protocol/Calls.h"
#include "protocol/PayloadLayout.h"

namespace {

namespace pc = protocol::channel;

constexpr UINT kNotify = WM_USER + 1;   // the capture socket's
constexpr UINT kChannel = WM_USER + 3;  // the report channel's wake-up
constexpr DWORD kQuietMs = 2000;
constexpr size_t kTraceBuffer = 2000;

class WallClock : public capture::IClock {
 public:
  uint32_t Now() override { return static_cast<uint32_t>(GetTickCount() / 1000); }
};

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

// The Trace Buffer's part in a pass: keeps the newest records, counts them all; and times
// wsidle's inet_addr records, whose text is the performance counter at the call.
class CountingBuffer : public capture::IRecordSink {
 public:
  void AddRecord(std::unique_ptr<CSpyMsg> record) override {
    if (record->m_nApiId == static_cast<int>(protocol::calls::Id::inet_addr)) {
      LARGE_INTEGER now;
      LARGE_INTEGER called;
      QueryPerformanceCounter(&now);
      called.QuadPart = std::atoll(
          format::payload::PayloadText(record->PayloadBytes(), protocol::layout::kInetFixed)
              .c_str());
      if (called.QuadPart > 0) {
        const double ms = Milliseconds(called, now);
        m_latencySum += ms;
        m_latencyLongest = std::max(m_latencyLongest, ms);
        ++m_timed;
      }
    }
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
  // "call to record: ..." when timed records came, else empty.
  std::string Latency() const {
    if (m_timed == 0) return {};
    char line[96];
    std::snprintf(line, sizeof line, "call to record: mean %.2f ms, longest %.2f ms\n",
                  m_latencySum / m_timed, m_latencyLongest);
    return line;
  }

 private:
  std::vector<SpyMsgPtr> m_records;
  long m_count = 0;
  long m_timed = 0;
  double m_latencySum = 0;
  double m_latencyLongest = 0;
};

// The channel's entries taken without making records: the reader's least work. Lanes whose
// writers have ended are freed.
long Skim(uint8_t* mapping) {
  pc::ChannelReader reader(mapping);
  long taken = 0;
  for (uint32_t lane = 0; lane < pc::kLaneCount; ++lane) {
    if (reader.Owner(lane) == 0) continue;
    pc::ChannelReader::Entry entry;
    for (pc::ChannelReader::Next next;
         (next = reader.Peek(lane, entry)) != pc::ChannelReader::Next::kEmpty;) {
      if (next == pc::ChannelReader::Next::kEntry) {
        reader.Take(lane, entry);
        ++taken;
      } else {
        reader.Skip(lane);
      }
    }
    if (reader.EndNumber(lane) && reader.Peek(lane, entry) == pc::ChannelReader::Next::kEmpty) {
      reader.Free(lane);
    }
  }
  return taken;
}

// Runs `program` while a window on this thread receives its reports pass by pass, making records
// of them unless `skim` is set.
struct Received {
  ChildResult child;
  long reports = 0;
  double longestPassMs = 0;
  std::string latency;
};

Received RunReceiving(capture::CaptureSocket& socket, capture::ChannelMapping* channel, bool skim,
                      HWND window, const std::string& program, const std::string& arguments) {
  WallClock clock;
  CPendingList pending(clock);
  capture::ChannelDrain drain(clock);
  if (channel != nullptr) drain.Attach(channel->Bytes());
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
    if (msg.message != kNotify && msg.message != kChannel && msg.message != WM_TIMER) {
      DispatchMessageA(&msg);
      continue;
    }
    LARGE_INTEGER start;
    LARGE_INTEGER end;
    QueryPerformanceCounter(&start);
    capture::ReceivePassStats stats;
    if (skim) {
      stats.entries = static_cast<int>(Skim(channel->Bytes()));
      result.reports += stats.entries;
    } else {
      // The channel's wake-up and its poll read the channel alone, as the monitor does.
      capture::NoDatagrams none;
      capture::IDatagramSource& source =
          msg.message == kNotify ? static_cast<capture::IDatagramSource&>(socket) : none;
      capture::SteadyPassTimer timer;
      stats = RunReceivePass(pending, source, buffer, timer, &drain);
    }
    if (channel != nullptr) channel->Settle(drain, stats);
    QueryPerformanceCounter(&end);
    result.longestPassMs = std::max(result.longestPassMs, Milliseconds(start, end));
    if (stats.datagrams + stats.entries > 0) lastReport = GetTickCount();
  }
  child.join();
  if (!skim) result.reports = buffer.Count();
  result.latency = buffer.Latency();
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode != "off" && mode != "on" && mode != "unread" && mode != "datagrams" && mode != "burst" &&
      mode != "idle") {
    std::printf(
        "usage: agent_bench off|on|unread|datagrams [round trips [loop]] | burst|idle [calls]\n");
    return 2;
  }
  const bool burst = mode == "burst";
  const bool idle = mode == "idle";
  const std::string count = argc > 2 ? argv[2] : burst ? "10000" : idle ? "20" : "2000";
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  const std::string dir = DirectoryOf(self);
  const std::string name = burst ? "wsburst" : idle ? "wsidle" : argc > 3 ? argv[3] : "wsloop";
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
  capture::ChannelMapping channel;
  const bool asks = mode != "datagrams";
  if (asks && (!channel.Open(window, kChannel) || SPAUseChannel(window, channel.Id()) == 0)) {
    return 1;
  }
  for (int id = 0; id < 46; ++id) SPAEnableSpy(id, mode == "off" ? 0 : 1);
  SPASetTrackingOptions(0, 0, 0, 0);
  SPASetDataBlockOptions(1, 0);
  const DWORD waitsBefore = SPAQueueWaits();

  const std::string arguments = burst ? count + " return cleanup" : count;
  socket.SelectReadNotifications(window, kNotify);  // which also makes reads return at once
  const Received run =
      RunReceiving(socket, asks ? &channel : nullptr, mode == "unread", window, copy, arguments);
  SPAContactAgent(window, 1025, 0);
  DestroyWindow(window);

  std::printf("%sreports %ld", run.child.output.c_str(), run.reports);
  // wsburst reports WSAStartup, its calls and WSACleanup.
  if (burst) std::printf(" of %ld", std::stol(count) + 2);
  std::printf(" longest pass %.1f ms queue waits %lu\n%s", run.longestPassMs,
              SPAQueueWaits() - waitsBefore, run.latency.c_str());
  return run.child.started && run.child.exitCode == 0 ? 0 : 1;
}
