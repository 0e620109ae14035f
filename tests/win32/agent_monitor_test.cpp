// A minimal monitor: its socket through klvnt32b.dll, contact and flags through the WSOCK32 agent.
// It runs a copy of wsdemo.exe rewritten by the launcher to load the agent, reassembles what
// arrives, and checks every record's decoded lines against what wsdemo did; then each tracking
// option, the data limit, and that neither a missing monitor nor an unreachable port changes
// anything the program sees. A Winsock 1.1 call's IPv6 address comes whole. Last, wsburst's
// bursts right before each way a program can end: every report arrives, in order; a real overflow
// of the socket is counted; and the same through the report channel, under a busy thread per CPU,
// with nothing lost, a reader that stalls costing the program two seconds once and every dropped
// report counted.
//   agent_monitor_test <agent.dll> <wsdemo.exe> <wsburst.exe> <agent_faulty.dll>
#include <windows.h>
#include <winsock.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Check.h"
#include "ChildProcess.h"
#include "agent/win32/Klvnt32.h"
#include "agent/win32/klvnt32b.h"
#include "capture/ChannelDrain.h"
#include "capture/PendingList.h"
#include "capture/win32/ChannelMapping.h"
#include "config/Launcher.h"
#include "format/EventFormatter.h"
#include "protocol/AgentFiles.h"
#include "protocol/Bytes.h"

namespace {

unsigned g_demoPort = 0;  // wsdemo uses this port and the next four

class WallClock : public capture::IClock {
 public:
  uint32_t Now() override { return static_cast<uint32_t>(GetTickCount() / 1000); }
};

class Monitor {
 public:
  bool Open() {
    WSADATA data;
    if (QSAStartup(MAKEWORD(1, 1), &data) != 0) return false;
    m_socket = q_socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    int length = sizeof local;
    if (q_bind(m_socket, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        q_getsockname(m_socket, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
      return false;
    }
    m_port = q_ntohs(local.sin_port);
    SetReceiveBuffer(4 << 20);
    return true;
  }
  void SetReceiveBuffer(int bytes) {
    q_setsockopt(m_socket, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&bytes),
                 sizeof bytes);
  }
  ~Monitor() {
    if (m_socket != INVALID_SOCKET) q_closesocket(m_socket);
    QSACleanup();
  }
  uint16_t Port() const { return m_port; }
  int lastNumber = -1;    // the highest message number of the last Collect's source
  uint64_t lastLost = 0;  // the messages of the last Collect's source that never became records

  static constexpr DWORD kAnySource = ~DWORD{0};
  // Every datagram waiting, until none comes for a while (and `done`, when given, is set); the
  // records of process `source` (or of every process) in the order the receiver hands them on.
  // `others` counts datagrams of any other process. `msgNums` gets the message numbers of
  // `source`'s datagrams in arrival order.
  std::vector<SpyMsgPtr> Collect(DWORD source, int& others,
                                 std::vector<uint16_t>* msgNums = nullptr,
                                 const std::atomic<bool>* done = nullptr) {
    lastNumber = -1;
    WallClock clock;
    CPendingList pending(clock);
    protocol::spy::Datagram datagram;
    others = 0;
    for (;;) {
      fd_set readable;
      FD_ZERO(&readable);
      FD_SET(m_socket, &readable);
      timeval wait{0, 300000};
      if (q_select(0, &readable, nullptr, nullptr, &wait) != 1) {
        if (done == nullptr || *done) break;
        continue;
      }
      const int got = q_recvfrom(m_socket, reinterpret_cast<char*>(datagram.data()),
                                 static_cast<int>(datagram.size()), 0, nullptr, nullptr);
      if (got != static_cast<int>(protocol::spy::kDatagramSize)) continue;
      uint32_t from = 0;
      std::memcpy(&from, datagram.data(), sizeof from);
      if (from != source && source != kAnySource) {
        ++others;
        continue;
      }
      if (msgNums != nullptr)
        msgNums->push_back(static_cast<uint16_t>(datagram[4] | datagram[5] << 8));
      lastNumber = std::max<int>(lastNumber, protocol::bytes::GetLE16(datagram, 4));
      pending.AddFragment(datagram);
    }
    std::vector<SpyMsgPtr> records;
    while (auto record = pending.TakeCompleteMessage()) records.push_back(std::move(record));
    CHECK(pending.Count() == 0);
    lastLost = pending.Loss().Total();
    return records;
  }
  void Discard() {
    int ignored = 0;
    Collect(0, ignored);
  }

 private:
  SOCKET m_socket = INVALID_SOCKET;
  uint16_t m_port = 0;
};

// Five loopback ports in a row that are free for TCP and UDP now, so that test runs of other
// checkouts on the same machine do not collide; 0 when none was found.
unsigned FreePortBase() {
  WSADATA data;
  if (QSAStartup(MAKEWORD(1, 1), &data) != 0) return 0;
  unsigned found = 0;
  for (unsigned attempt = 0; attempt < 50 && found == 0; ++attempt) {
    const unsigned base = 20000 + (GetCurrentProcessId() * 7 + attempt * 131) % 4000 * 10;
    bool usable = true;
    for (unsigned port = base; port < base + 5 && usable; ++port) {
      for (int type : {SOCK_STREAM, SOCK_DGRAM}) {
        const SOCKET s = q_socket(AF_INET, type, 0);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_port = q_htons(static_cast<u_short>(port));
        at.sin_addr.s_addr = q_htonl(INADDR_LOOPBACK);
        usable = usable && q_bind(s, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0;
        q_closesocket(s);
      }
    }
    if (usable) found = base;
  }
  QSACleanup();
  return found;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// wsdemo's output without the lines that show handle values, the only ones that may differ.
std::string WithoutHandles(const std::string& output) {
  std::string kept;
  for (const std::string& line : Lines(output)) {
    if (line.rfind("handle ", 0) != 0) kept += line + "\n";
  }
  return kept;
}

// What wsdemo did: its calls in order, the handle of each socket it named, and the sockets
// each call used or made.
struct DemoRun {
  struct Step {
    int id = -1;
    std::string text;
    std::vector<uint32_t> sockets;
  };
  std::vector<Step> steps;
  std::map<std::string, std::string> values;  // role or printed name -> value
};

DemoRun ParseDemo(const std::string& output) {
  DemoRun run;
  for (const std::string& line : Lines(output)) {
    if (line.rfind("[", 0) == 0) {
      DemoRun::Step step;
      step.id = std::atoi(line.c_str() + 1);
      step.text = line.substr(line.find("] ") + 2);
      const size_t open = step.text.find('(');
      const size_t end = step.text.find_first_of(",)", open);
      const std::string role = step.text.substr(open + 1, end - open - 1);
      if (run.values.count(role) != 0) {
        step.sockets.push_back(static_cast<uint32_t>(std::stoul(run.values[role])));
      }
      run.steps.push_back(step);
    } else if (line.rfind("handle ", 0) == 0) {
      const size_t eq = line.find('=');
      const std::string role = line.substr(7, eq - 7);
      run.values[role] = line.substr(eq + 1);
      if (!run.steps.empty()) {
        run.steps.back().sockets.push_back(static_cast<uint32_t>(std::stoul(line.substr(eq + 1))));
      }
    } else if (line.rfind("SO_RCVBUF ", 0) == 0) {
      run.values["rcvbuf"] = std::to_string(std::atoi(line.c_str() + 10));
    }
  }
  for (unsigned i = 0; i < 5; ++i) {
    std::string name = "P";
    name += static_cast<char>('0' + i);
    run.values[name] = std::to_string(g_demoPort + i);
  }
  return run;
}

std::string Fill(std::string text, const DemoRun& run) {
  for (size_t open; (open = text.find('{')) != std::string::npos;) {
    const size_t close = text.find('}', open);
    const auto found = run.values.find(text.substr(open + 1, close - open - 1));
    text.replace(open, close - open + 1, found != run.values.end() ? found->second : "?");
  }
  return text;
}

// How each of wsdemo's calls decodes, in its order. `verbose` is the Verbose form, its lines
// joined by "|", when it differs from the brief one.
struct Expected {
  int id;
  int error;
  const char* brief;
  const char* returns;
  const char* verbose = nullptr;
};

#define GENERIC(id, name) \
  { id, 0, name "(... )", "" }
#define ADDRESS(id, error, call, socket, port, returns)                             \
  {                                                                                 \
    id, error, call " (SOCKET=" socket ",... )", " returns (" returns ")",          \
        call " (SOCKET=" socket ", SOCKADDR.length=16,|.family=AF_INET|.port=" port \
             "|.address=127.0.0.1)"                                                 \
  }

const Expected kDemoCalls[] = {
    {8, 0, "htons (0x1F90)", " returns (0x901F)"},
    GENERIC(44, "WSAStartup"),
    {7, 0, "htonl (0x01020304)", " returns (0x04030201)"},
    {13, 0, "ntohl (0x04030201)", " returns (0x01020304)"},
    {14, 0, "ntohs (0x901F)", " returns (0x1F90)"},
    {9, 0, "inet_addr (127.0.0.1)", " returns (0x0100007F)"},
    {9, 0, "inet_addr (abc)", " returns (INADDR_NONE)"},
    {10, 0, "inet_ntoa (0x0100007F)", " returns (127.0.0.1)"},
    GENERIC(38, "WSASetBlockingHook"),
    GENERIC(43, "WSAIsBlocking"),
    GENERIC(42, "WSACancelBlockingCall"),
    GENERIC(39, "WSAUnhookBlockingHook"),
    GENERIC(29, "gethostname"),
    GENERIC(24, "gethostbyname"),
    GENERIC(23, "gethostbyaddr"),
    GENERIC(25, "getprotobyname"),
    GENERIC(26, "getprotobynumber"),
    GENERIC(27, "getservbyname"),
    GENERIC(28, "getservbyport"),
    GENERIC(31, "WSAAsyncGetHostByAddr"),
    GENERIC(32, "WSAAsyncGetHostByName"),
    GENERIC(33, "WSAAsyncGetProtoByNumber"),
    GENERIC(34, "WSAAsyncGetProtoByName"),
    GENERIC(35, "WSAAsyncGetServByPort"),
    GENERIC(36, "WSAAsyncGetServByName"),
    GENERIC(37, "WSACancelAsyncRequest"),
    {22, 0, "socket (af=PF_INET, type=SOCK_STREAM, protocol=0x0000)",
     " returns (SOCKET={listener})"},
    {20, 0, "setsockopt (SOCKET={listener}, SOL_SOCKET, SO_REUSEADDR=TRUE)", " returns (NO ERROR)"},
    ADDRESS(1, 0, "bind", "{listener}", "{P0}", "NO ERROR"),
    {12, 0, "listen (SOCKET={listener}, backlog=5)", " returns (NO ERROR)"},
    ADDRESS(5, 0, "getsockname", "{listener}", "{P0}", "NO ERROR"),
    {22, 0, "socket (af=PF_INET, type=SOCK_STREAM, protocol=0x0000)", " returns (SOCKET={client})"},
    ADDRESS(1, 0, "bind", "{client}", "{P1}", "NO ERROR"),
    ADDRESS(3, 0, "connect", "{client}", "{P0}", "NO ERROR"),
    ADDRESS(0, 0, "accept", "{listener}", "{P1}", "SOCKET={accepted}"),
    ADDRESS(4, 0, "getpeername", "{client}", "{P0}", "NO ERROR"),
    {18, 0, "send (SOCKET={client}, flags=0x0000)", " returns (40 bytes)"},
    {17, 0, "select (..,#reads=1, #writes=0, #excepts=0,..)", " returns (NO ERROR)"},
    {11, 0, "ioctlsocket (SOCKET={accepted}, cmd=FIONREAD, arg=0x00000028)", " returns (NO ERROR)"},
    {15, 0, "recv (SOCKET={accepted}, flags=0x0000)", " returns (40 bytes)"},
    {11, 0, "ioctlsocket (SOCKET={accepted}, cmd=FIONBIO, arg=0x00000001)", " returns (NO ERROR)"},
    {15, 10035, "recv (SOCKET={accepted}, flags=MSG_PEEK)", " returns (WSAEWOULDBLOCK)"},
    {6, 0, "getsockopt (SOCKET={accepted}, SOL_SOCKET, SO_RCVBUF={rcvbuf})", " returns (NO ERROR)"},
    {6, 0, "getsockopt (SOCKET={client}, level=0x0006, TCP_NODELAY=FALSE)", " returns (NO ERROR)"},
    {20, 0, "setsockopt (SOCKET={client}, level=0x0006, TCP_NODELAY=TRUE)", " returns (NO ERROR)"},
    {21, 0, "shutdown (SOCKET={client}, how=1)", " returns (NO ERROR)"},
    {2, 0, "closesocket (SOCKET={client})", " returns (NO ERROR)"},
    {2, 0, "closesocket (SOCKET={accepted})", " returns (NO ERROR)"},
    {2, 0, "closesocket (SOCKET={listener})", " returns (NO ERROR)"},
    {22, 0, "socket (af=PF_INET, type=SOCK_STREAM, protocol=0x0000)",
     " returns (SOCKET={refused})"},
    ADDRESS(3, 10061, "connect", "{refused}", "{P3}", "WSAECONNREFUSED"),
    // Succeeds, though Winsock leaves the refusal's code behind.
    {2, 0, "closesocket (SOCKET={refused})", " returns (NO ERROR)"},
    {22, 0, "socket (af=PF_INET, type=SOCK_DGRAM, protocol=0x0000)",
     " returns (SOCKET={receiver})"},
    ADDRESS(1, 0, "bind", "{receiver}", "{P2}", "NO ERROR"),
    {22, 0, "socket (af=PF_INET, type=SOCK_DGRAM, protocol=0x0000)", " returns (SOCKET={sender})"},
    ADDRESS(1, 0, "bind", "{sender}", "{P4}", "NO ERROR"),
    {19, 0, "sendto (SOCKET={sender}, flags=0x0000,... )", " returns (300 bytes)",
     "sendto (SOCKET={sender}, flags=0x0000,  SOCKADDR.length=16,|.family=AF_INET|.port={P2}|"
     ".address=127.0.0.1)"},
    {16, 0, "recvfrom (SOCKET={receiver}, flags=0x0000,... )", " returns (300 bytes)",
     "recvfrom (SOCKET={receiver}, flags=0x0000, SOCKADDR.length=16,|.family=AF_INET|.port={P4}|"
     ".address=127.0.0.1)"},
    GENERIC(30, "WSAAsyncSelect"),
    {2, 0, "closesocket (SOCKET={sender})", " returns (NO ERROR)"},
    {2, 0, "closesocket (SOCKET={receiver})", " returns (NO ERROR)"},
    GENERIC(41, "WSASetLastError"),
    GENERIC(40, "WSAGetLastError"),
    GENERIC(45, "WSACleanup"),
    // After the program's last WSACleanup.
    {22, 10093, "socket (af=PF_INET, type=SOCK_STREAM, protocol=0x0000)",
     " returns (Error Code = 10093)"},
    {45, 10093, "WSACleanup(... )", ""},
};
constexpr size_t kDemoCallCount = sizeof kDemoCalls / sizeof kDemoCalls[0];

std::string Join(const std::vector<std::string>& lines) {
  std::string joined;
  for (const std::string& line : lines) joined += (joined.empty() ? "" : "|") + line;
  return joined;
}

// The character column of a record's dump, all rows joined.
std::string DumpText(const CSpyMsg& record, int32_t limit) {
  std::vector<std::string> rows;
  format::FormatDataBlock(record, rows, limit);
  std::string text;
  for (size_t i = 1; i < rows.size(); i += 2) text += rows[i];
  return text;
}

void CheckDecoded(const std::vector<SpyMsgPtr>& records, const DemoRun& demo) {
  CHECK(records.size() == kDemoCallCount);
  CHECK(demo.steps.size() == kDemoCallCount);
  const size_t n = std::min({records.size(), demo.steps.size(), kDemoCallCount});
  for (size_t i = 0; i < n; ++i) {
    const CSpyMsg& record = *records[i];
    const Expected& expected = kDemoCalls[i];
    std::vector<std::string> brief;
    const std::string returns = format::FormatEvent(record, brief, false, false);
    std::vector<std::string> verbose;
    format::FormatEvent(record, verbose, false, true);
    const std::string wantBrief = Fill(expected.brief, demo);
    const std::string wantVerbose =
        Fill(expected.verbose ? expected.verbose : expected.brief, demo);
    const std::string wantReturns = Fill(expected.returns, demo);
    const bool ok = record.m_nApiId == expected.id && demo.steps[i].id == expected.id &&
                    record.m_nError == expected.error && Join(brief) == wantBrief &&
                    returns == wantReturns && Join(verbose) == wantVerbose;
    if (!ok) {
      std::printf("  call %zu (%s): id %d error %d\n    got  %s%s\n    want %s%s\n    verbose %s\n",
                  i, demo.steps[i].text.c_str(), record.m_nApiId, record.m_nError,
                  Join(brief).c_str(), returns.c_str(), wantBrief.c_str(), wantReturns.c_str(),
                  Join(verbose).c_str());
    }
    CHECK(ok);
  }
}

// Index of the first record with that API id, or -1.
int Find(const std::vector<SpyMsgPtr>& records, int id) {
  for (size_t i = 0; i < records.size(); ++i) {
    if (records[i]->m_nApiId == id) return static_cast<int>(i);
  }
  return -1;
}

std::vector<int> Ids(const std::vector<SpyMsgPtr>& records) {
  std::vector<int> ids;
  for (const auto& r : records) ids.push_back(r->m_nApiId);
  return ids;
}

bool SameIds(const std::vector<SpyMsgPtr>& records, const std::vector<int>& expected) {
  const std::vector<int> got = Ids(records);
  if (got == expected) return true;
  std::printf("  API ids:");
  for (int id : got) std::printf(" %d", id);
  std::printf("\n  expected:");
  for (int id : expected) std::printf(" %d", id);
  std::printf("\n");
  return false;
}

struct Setup {
  std::string demo;     // wsdemo.exe, untouched
  std::string patched;  // its launcher copy, beside the agent
};

// All traced, whole data, no tracking options.
void TraceEverything() {
  for (int id = 0; id < 46; ++id) SPAEnableSpy(id, 1);
  SPASetTrackingOptions(0, 0, 0, 0);
  SPASetDataBlockOptions(1, 0);
}

struct Run {
  ChildResult child;
  std::vector<SpyMsgPtr> records;
  int others = 0;
};

Run RunPatched(Monitor& monitor, const Setup& setup) {
  monitor.Discard();
  Run run;
  run.child = RunChild(setup.patched, std::to_string(g_demoPort));
  CHECK(run.child.started);
  run.records = monitor.Collect(run.child.processId, run.others);
  return run;
}

// Whether records 1 to `calls` are wsburst's htons(0), htons(1) ... (record 0 is WSAStartup).
bool BurstInOrder(const std::vector<SpyMsgPtr>& records, size_t calls) {
  for (size_t i = 1; i <= calls; ++i) {
    if (i >= records.size()) return false;
    std::vector<std::string> lines;
    format::FormatEvent(*records[i], lines, false, false);
    char text[32];
    std::snprintf(text, sizeof text, "htons (0x%04zX)", (i - 1) & 0xFFFF);
    if (lines.size() != 1 || lines[0] != text) return false;
  }
  return true;
}

// How long wsburst's burst took, as it printed it; -1 when it printed nothing.
long BurstMs(const std::string& output) {
  const size_t at = output.find("burst ");
  return at == std::string::npos ? -1 : std::atol(output.c_str() + at + 6);
}

// wsburst's calls in each way a program can end; the agent sends what its sender thread had
// not sent yet at the program's last WSACleanup or, without one, as the process ends.
void CheckBurstsArriveWhole(Monitor& monitor, const std::string& burst) {
  constexpr int kCalls = 6000;  // more than the agent's queue holds
  for (const char* end : {"return", "ExitProcess", "exit", "thread"}) {
    for (const bool cleanup : {false, true}) {
      monitor.Discard();
      const ChildResult child =
          RunChild(burst, std::to_string(kCalls) + " " + end + (cleanup ? " cleanup" : ""));
      CHECK(child.started && child.exitCode == 0);
      int others = 0;
      std::vector<uint16_t> msgNums;
      const auto records = monitor.Collect(child.processId, others, &msgNums);
      // WSAStartup, the burst, WSACleanup; one datagram each, numbered from 0 without a gap. The
      // datagram the sender thread was sending when the process ended may come twice.
      const size_t want = 1 + kCalls + (cleanup ? 1 : 0);
      msgNums.erase(std::unique(msgNums.begin(), msgNums.end()), msgNums.end());
      size_t inOrder = 0;
      while (inOrder < msgNums.size() && msgNums[inOrder] == inOrder) ++inOrder;
      const bool valuesInOrder = records.size() == want && BurstInOrder(records, kCalls);
      if (records.size() != want || msgNums.size() != want || inOrder != want || !valuesInOrder) {
        std::printf("  burst, %s%s: %zu of %zu reports, %zu datagrams, the first %zu in order\n",
                    end, cleanup ? " after WSACleanup" : "", records.size(), want, msgNums.size(),
                    inOrder);
      }
      CHECK(records.size() == want && msgNums.size() == want && inOrder == want);
      CHECK(valuesInOrder);
    }
  }
}

// A reader that did not ask for the report channel: a real overflow of its socket loses reports,
// and each one is counted. wsburst holds the reader through a burst larger than its socket buffer
// holds, then, while the reader drains it, makes one call more, behind which every lost report
// lies. A small buffer is drained in time however busy the machine.
void CheckDatagramOverflowCounted(Monitor& monitor, const std::string& burst) {
  constexpr size_t kCalls = 12000;
  monitor.Discard();
  monitor.SetReceiveBuffer(256 << 10);
  ChildResult child;
  std::atomic<bool> done{false};
  std::thread running([&] {
    child =
        RunChild(burst, std::to_string(kCalls) + " stall " + std::to_string(GetCurrentProcessId()));
    done = true;
  });
  // The program's process id is known only once it has ended: every source is kept.
  int others = 0;
  const size_t arrived = monitor.Collect(Monitor::kAnySource, others, nullptr, &done).size();
  running.join();
  const size_t sent = kCalls + 2;  // WSAStartup, the burst and the call after it
  if (arrived + monitor.lastLost != sent || arrived == sent) {
    std::printf("  overflow of %zu reports: %zu arrived, %llu counted lost\n", sent, arrived,
                static_cast<unsigned long long>(monitor.lastLost));
  }
  CHECK(child.exitCode == 0 && arrived < sent && arrived + monitor.lastLost == sent);
  monitor.SetReceiveBuffer(4 << 20);
}

// A busy thread per CPU while it lives: the program and the reader have to win their time.
class CpuHogs {
 public:
  CpuHogs() {
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    for (DWORD i = 0; i < system.dwNumberOfProcessors; ++i) {
      m_threads.push_back(CreateThread(nullptr, 0, Spin, &m_stop, 0, nullptr));
    }
  }
  ~CpuHogs() {
    m_stop = true;
    for (const HANDLE thread : m_threads) {
      WaitForSingleObject(thread, INFINITE);
      CloseHandle(thread);
    }
  }
  CpuHogs(const CpuHogs&) = delete;
  CpuHogs& operator=(const CpuHogs&) = delete;

 private:
  static DWORD WINAPI Spin(void* stop) {
    while (!static_cast<std::atomic<bool>*>(stop)->load(std::memory_order_relaxed)) {
    }
    return 0;
  }

  std::atomic<bool> m_stop{false};
  std::vector<HANDLE> m_threads;
};

// A reader that asked for the report channel, as the monitor does: the thread of its window reads
// on the writers' wake-ups and on its poll.
class ChannelReader {
 public:
  static constexpr UINT kNotify = WM_USER + 1;

  bool Open(HWND window) {
    m_window = window;
    if (!m_mapping.Open(window, kNotify)) return false;
    m_drain.Attach(m_mapping.Bytes());
    return SPAUseChannel(window, m_mapping.Id()) != 0;
  }

  struct Run {
    ChildResult child;
    std::vector<SpyMsgPtr> records;
    uint64_t lost = 0;
    bool ended = false;  // every writer's end mark was taken, and its lane freed
  };
  // Runs `program` while reading, or, with `reading` false, reads only once it has ended (a
  // reader that stopped: a debugger, a dead window); then until every lane has been freed.
  Run RunReading(const std::string& program, const std::string& arguments, bool reading = true) {
    Run run;
    const uint64_t lostBefore = m_drain.Lost();
    std::atomic<bool> done{false};
    std::thread child([&] {
      run.child = RunChild(program, arguments);
      done = true;
      PostMessageA(m_window, WM_NULL, 0, 0);
    });
    DWORD doneAt = 0;
    for (;;) {
      if (done && doneAt == 0) doneAt = GetTickCount();
      if (done && (LanesFree() || GetTickCount() - doneAt > 10000)) break;
      MSG msg;
      if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (done && !reading) Pass();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
      } else if (msg.message == kNotify || msg.message == WM_TIMER) {
        if (reading || done) Pass();
      } else {
        DispatchMessageA(&msg);
      }
    }
    child.join();
    run.records = std::move(m_sink.records);
    m_sink.records.clear();
    run.lost = m_drain.Lost() - lostBefore;
    run.ended = LanesFree();
    return run;
  }

 private:
  class Sink : public capture::IRecordSink {
   public:
    void AddRecord(SpyMsgPtr record) override { records.push_back(std::move(record)); }
    void EndOfRecords() override {}
    std::vector<SpyMsgPtr> records;
  };

  void Pass() {
    capture::SteadyPassTimer timer;
    const capture::ChannelDrain::Stats drained = m_drain.Drain(m_sink, timer);
    capture::ReceivePassStats stats;
    stats.entries = drained.records;
    stats.timeUp = drained.timeUp;
    m_mapping.Settle(m_drain, stats);
  }
  bool LanesFree() const {
    const protocol::channel::ChannelReader channel(m_mapping.Bytes());
    for (uint32_t lane = 0; lane < protocol::channel::kLaneCount; ++lane) {
      if (channel.Owner(lane) != 0) return false;
    }
    return true;
  }

  HWND m_window = nullptr;
  WallClock m_clock;
  capture::ChannelDrain m_drain{m_clock};
  capture::ChannelMapping m_mapping;
  Sink m_sink;
};

// Through the channel, bursts far longer than a lane holds, under a busy thread per CPU, in each
// way a program can end: every report arrives in order, nothing is counted lost, and every lane
// gets its end mark. A thread ended mid-burst loses at most the report it was writing, counted.
void CheckChannelBurstsArriveWhole(ChannelReader& reader, const std::string& burst) {
  constexpr size_t kCalls = 20000;
  const CpuHogs hogs;
  for (const char* end : {"return", "ExitProcess", "exit", "thread"}) {
    for (const bool cleanup : {false, true}) {
      const ChannelReader::Run run = reader.RunReading(
          burst, std::to_string(kCalls) + " " + end + (cleanup ? " cleanup" : ""));
      const size_t want = 1 + kCalls + (cleanup ? 1 : 0);
      const bool whole = run.child.exitCode == 0 && run.records.size() == want && run.lost == 0 &&
                         run.ended && BurstInOrder(run.records, kCalls);
      if (!whole) {
        std::printf("  channel burst, %s%s: %zu of %zu reports, %llu lost, %s\n", end,
                    cleanup ? " after WSACleanup" : "", run.records.size(), want,
                    static_cast<unsigned long long>(run.lost), run.ended ? "ended" : "no end mark");
      }
      CHECK(whole);
    }
  }
  const ChannelReader::Run run = reader.RunReading(burst, std::to_string(kCalls) + " killed");
  const size_t made = run.records.size() + run.lost;
  const bool counted = run.child.exitCode == 0 && run.records.size() > 1 + kCalls / 2 &&
                       run.lost <= 1 && made <= 1 + kCalls && run.ended &&
                       BurstInOrder(run.records, run.records.size() - 1);
  if (!counted) {
    std::printf("  channel burst, thread ended mid-burst: %zu reports, %llu lost, %s\n",
                run.records.size(), static_cast<unsigned long long>(run.lost),
                run.ended ? "ended" : "no end mark");
  }
  CHECK(counted);
}

// A reader that stops for longer than two seconds, held mid-burst by wsburst or not reading at
// all: the program waits for it those two seconds once and then runs on, dropping its reports
// and counting them; a reader that reads again gets what comes after, and every report made is
// a record or counted lost.
void CheckStalledChannelReader(ChannelReader& reader, const std::string& burst) {
  constexpr size_t kCalls = 30000;
  for (const bool held : {true, false}) {
    const ChannelReader::Run run =
        held ? reader.RunReading(burst, std::to_string(kCalls) + " stall")
             : reader.RunReading(burst, std::to_string(kCalls) + " return", false);
    const size_t made = 1 + kCalls + (held ? 1 : 0);  // WSAStartup, the burst, the call after
    const long burstMs = BurstMs(run.child.output);
    std::vector<std::string> last;
    if (!run.records.empty()) format::FormatEvent(*run.records.back(), last, false, false);
    const bool dropped = run.child.exitCode == 0 && run.lost > 0 &&
                         run.records.size() + run.lost == made && run.ended && burstMs >= 2000 &&
                         burstMs < 8000 &&
                         (!held || (last.size() == 1 && last[0] == "htons (0x7530)"));
    if (!dropped) {
      std::printf("  channel, reader %s: %zu records, %llu lost of %zu, burst %ld ms\n",
                  held ? "held mid-burst" : "not reading", run.records.size(),
                  static_cast<unsigned long long>(run.lost), made, burstMs);
    }
    CHECK(dropped);
  }
}

// The agent's own export of a call, of the system function's type.
template <class Fn>
Fn* AgentExport(HMODULE agent, const char* name, Fn* /*system*/) {
  return reinterpret_cast<Fn*>(reinterpret_cast<void*>(GetProcAddress(agent, name)));
}

// A Winsock 1.1 program's IPv6 addresses do not fit the 16-byte image of ids 0-45: bind, sendto,
// recvfrom, connect, accept, getsockname and getpeername come whole under their Winsock 2 ids.
// The calls are made here, through the agent's own exports; skipped where ::1 cannot be bound.
void CheckLongAddressesComeWhole(Monitor& monitor) {
  const HMODULE agent = GetModuleHandleA(protocol::AgentDll(protocol::kWsock32).c_str());
  CHECK(agent != nullptr);
  if (agent == nullptr) return;
#define QUARNET_EXPORT(name) const auto name##_ = AgentExport(agent, #name, &::name)
  QUARNET_EXPORT(WSAStartup);
  QUARNET_EXPORT(WSACleanup);
  QUARNET_EXPORT(socket);
  QUARNET_EXPORT(closesocket);
  QUARNET_EXPORT(bind);
  QUARNET_EXPORT(sendto);
  QUARNET_EXPORT(recvfrom);
  QUARNET_EXPORT(listen);
  QUARNET_EXPORT(connect);
  QUARNET_EXPORT(accept);
  QUARNET_EXPORT(getsockname);
  QUARNET_EXPORT(getpeername);
#undef QUARNET_EXPORT
  // A sockaddr_in6 of [::1]:port, byte by byte: family 23, port, flow info, address, scope.
  unsigned char at[28] = {23, 0, static_cast<unsigned char>(g_demoPort >> 8),
                          static_cast<unsigned char>(g_demoPort)};
  at[23] = 1;
  const auto* address = reinterpret_cast<const sockaddr*>(at);

  monitor.Discard();
  WSADATA data;
  CHECK(WSAStartup_(MAKEWORD(1, 1), &data) == 0);
  const SOCKET receiver = socket_(23, SOCK_DGRAM, 0);
  const SOCKET sender = socket_(23, SOCK_DGRAM, 0);
  const bool bound = receiver != INVALID_SOCKET && bind_(receiver, address, sizeof at) == 0;
  SOCKET sockets[3] = {INVALID_SOCKET, INVALID_SOCKET, INVALID_SOCKET};
  if (bound) {
    CHECK(sendto_(sender, "six", 3, 0, address, sizeof at) == 3);
    char buffer[16];
    unsigned char from[128] = {};
    int fromLength = sizeof from;
    CHECK(recvfrom_(receiver, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(from),
                    &fromLength) == 3);
    // A TCP connection on the same port: the listener's name and the client's peer are it.
    auto& [listener, client, accepted] = sockets;
    listener = socket_(23, SOCK_STREAM, 0);
    client = socket_(23, SOCK_STREAM, 0);
    CHECK(bind_(listener, address, sizeof at) == 0 && listen_(listener, 1) == 0);
    CHECK(connect_(client, address, sizeof at) == 0);
    int length = sizeof from;
    accepted = accept_(listener, reinterpret_cast<sockaddr*>(from), &length);
    CHECK(accepted != INVALID_SOCKET);
    for (const auto& [name, s] : {std::pair{getsockname_, listener}, {getpeername_, client}}) {
      length = sizeof from;
      CHECK(name(s, reinterpret_cast<sockaddr*>(from), &length) == 0 && length == sizeof at);
    }
  }
  for (const SOCKET s : sockets) closesocket_(s);
  closesocket_(sender);
  closesocket_(receiver);
  WSACleanup_();
  int others = 0;
  const std::vector<SpyMsgPtr> records = monitor.Collect(GetCurrentProcessId(), others);
  if (!bound) {
    std::printf("skipped: the Winsock 1.1 agent's IPv6 addresses (::1 cannot be bound)\n");
    return;
  }
  CHECK(SameIds(records,
                {44, 22, 22, 50, 70, 73, 22, 22, 50, 12, 51, 54, 61, 62, 2, 2, 2, 2, 2, 45}));
  if (records.size() != 20) return;
  // bind, sendto, connect, getsockname and getpeername name the receiver's port; recvfrom and
  // accept got the sender's and the client's, which the system chose.
  const std::string port = "|.port=" + std::to_string(g_demoPort) + "|";
  for (const size_t i : {3, 4, 5, 8, 10, 11, 12, 13}) {
    std::vector<std::string> lines;
    format::FormatEvent(*records[i], lines, false, true);
    const std::string joined = Join(lines);
    const bool whole =
        joined.find("SOCKADDR.length=28,|.family=AF_INET6|.port=") != std::string::npos &&
        joined.find("|.address=::1)") != std::string::npos &&
        (i == 5 || i == 11 || joined.find(port) != std::string::npos);
    if (!whole) std::printf("  record %zu: %s\n", i, joined.c_str());
    CHECK(whole);
  }
  CHECK(DumpText(*records[4], -1) == "six" && DumpText(*records[5], -1) == "six");
}

void CheckSameAsUntraced(const ChildResult& traced, const ChildResult& untraced, const char* what) {
  const bool same = traced.exitCode == untraced.exitCode &&
                    WithoutHandles(traced.output) == WithoutHandles(untraced.output);
  if (!same) {
    std::printf("  %s: the program saw something else (exit %lu, untraced %lu):\n%s\n", what,
                traced.exitCode, untraced.exitCode, traced.output.c_str());
  }
  CHECK(same);
}

// A second monitor on the machine, in a process of its own: its contact must be refused while
// the first one's window exists, and what it would do at start and at End Trace must not reach
// the agents. It launches the program (patched path, port) while it lives and prints the
// program's process id. Exits 0 when its contact was refused.
int SecondMonitor(const std::string& patched, const std::string& port) {
  Monitor monitor;
  if (!monitor.Open()) return 2;
  const HWND window = CreateWindowA("STATIC", "second monitor", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                    nullptr, nullptr, nullptr);
  const WORD revision = SPAContactAgent(window, monitor.Port(), 1);
  for (int id = 0; id < 46; ++id) SPAEnableSpy(id, 0);
  SPASetTrackingOptions(0, 1, 0, 0);
  SPASetDataBlockOptions(0, 1);
  const ChildResult run = RunChild(patched, port);
  std::printf("launched %lu\n", run.processId);
  SPAContactAgent(window, 1025, 0);
  DestroyWindow(window);
  return revision == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--second-monitor")
    return SecondMonitor(argv[2], argv[3]);
  if (argc != 5) {
    std::printf(
        "usage: agent_monitor_test <agent.dll> <wsdemo.exe> <wsburst.exe> <agent_faulty.dll>\n");
    return 2;
  }
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string dir =
      std::string(temp) + "quarnet-agent-" + std::to_string(GetCurrentProcessId());
  CreateDirectoryA(dir.c_str(), nullptr);
  Setup setup{dir + "\\wsdemo.exe", dir + "\\wsdemo.tmp"};
  CHECK(CopyFileA(WindowsPath(argv[2]).c_str(), setup.demo.c_str(), FALSE));
  const std::string agent = protocol::AgentDll(protocol::kWsock32);
  CHECK(CopyFileA(WindowsPath(argv[1]).c_str(), (dir + "\\" + agent).c_str(), FALSE));
  g_demoPort = FreePortBase();
  CHECK(g_demoPort != 0);
  const config::launcher::CopyResult copy =
      config::launcher::CopyWithModuleRedirect(setup.demo, setup.patched, protocol::kOwnWidth);
  CHECK(copy.ok && copy.rewrites[protocol::kWsock32] >= 1);
  const std::string burst = dir + "\\wsburst.tmp";
  CHECK(CopyFileA(WindowsPath(argv[3]).c_str(), (dir + "\\wsburst.exe").c_str(), FALSE));
  CHECK(config::launcher::CopyWithModuleRedirect(dir + "\\wsburst.exe", burst, protocol::kOwnWidth)
            .ok);

  const ChildResult untraced = RunChild(setup.demo, std::to_string(g_demoPort));
  CHECK(untraced.started && untraced.exitCode == 0);
  std::printf("%s", untraced.output.c_str());

  Monitor monitor;
  CHECK(monitor.Open());

  // No monitor has contact: nothing is sent, nothing changes.
  SPAContactAgent(nullptr, 1025, 0);
  {
    const Run run = RunPatched(monitor, setup);
    CheckSameAsUntraced(run.child, untraced, "without a monitor");
    CHECK(run.records.empty() && run.others == 0);
  }

  const HWND window = CreateWindowA("STATIC", "agent monitor test", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                    nullptr, nullptr, nullptr);
  CHECK(SPAContactAgent(window, monitor.Port(), 1) != 0);

  // Every call traced: the program sees what it saw untraced, and every call arrives decoded
  // as wsdemo made it.
  TraceEverything();
  {
    const Run run = RunPatched(monitor, setup);
    CheckSameAsUntraced(run.child, untraced, "traced");
    const DemoRun demo = ParseDemo(run.child.output);
    CheckDecoded(run.records, demo);
    const int send = Find(run.records, 18);
    CHECK(send >= 0 &&
          DumpText(*run.records[send], -1) == "Hello.over.TCP.from.wsdemo,.40.bytes....");
    const int sendto = Find(run.records, 19);
    CHECK(sendto >= 0 && run.records[sendto]->PayloadBytes().size() == 2 * 244);
    std::vector<std::string> rows;
    if (sendto >= 0) format::FormatDataBlock(*run.records[sendto], rows, -1);
    CHECK(rows.size() == 2 * 19);
    CHECK(!rows.empty() && rows[0] == "0000:   00 01 02 03 04 05 06 07   08 09 0A 0B 0C 0D 0E 0F ");
  }

  CheckLongAddressesComeWhole(monitor);

  // Two monitors: the first keeps every report while the second lives and after it closed.
  {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    monitor.Discard();
    const ChildResult second =
        RunChild(self, "--second-monitor \"" + setup.patched + "\" " + std::to_string(g_demoPort));
    CHECK(second.exitCode == 0);
    const size_t at = second.output.find("launched ");
    const DWORD launched = at == std::string::npos ? 0 : std::stoul(second.output.substr(at + 9));
    int others = 0;
    CHECK(monitor.Collect(launched, others).size() == kDemoCallCount);
    CHECK(RunPatched(monitor, setup).records.size() == kDemoCallCount);
  }

  // Every report of send fails while it is built: the program sees what it saw untraced, the
  // other calls arrive, and the lost report used up its message number.
  {
    const std::string faulty = dir + "\\faulty";
    CreateDirectoryA(faulty.c_str(), nullptr);
    CHECK(CopyFileA(WindowsPath(argv[4]).c_str(), (faulty + "\\" + agent).c_str(), FALSE));
    CHECK(CopyFileA(setup.patched.c_str(), (faulty + "\\wsdemo.tmp").c_str(), FALSE));
    const Run run = RunPatched(monitor, {setup.demo, faulty + "\\wsdemo.tmp"});
    CheckSameAsUntraced(run.child, untraced, "with failing reports");
    CHECK(run.records.size() == kDemoCallCount - 1 && Find(run.records, 18) < 0);
    CHECK(monitor.lastNumber == static_cast<int>(kDemoCallCount) - 1);
    DeleteFileA((faulty + "\\wsdemo.tmp").c_str());
    DeleteFileA((faulty + "\\" + agent).c_str());
    RemoveDirectoryA(faulty.c_str());
  }

  // At most 16 data bytes, and calls that would block left out.
  SPASetDataBlockOptions(0, 16);
  SPASetTrackingOptions(1, 0, 0, 0);
  {
    const Run run = RunPatched(monitor, setup);
    CHECK(run.records.size() == kDemoCallCount - 1);
    for (const auto& r : run.records) CHECK(!(r->m_nApiId == 15 && r->m_nError == 10035));
    const int send = Find(run.records, 18);
    CHECK(send >= 0 && DumpText(*run.records[send], -1) == "Hello.over.TCP.f");
    std::vector<std::string> lines;
    CHECK(send >= 0 &&
          format::FormatEvent(*run.records[send], lines, false, false) == " returns (40 bytes)");
    const int sendto = Find(run.records, 19);
    CHECK(sendto >= 0 && run.records[sendto]->PayloadBytes().size() == 244);
    CHECK(sendto >= 0 && format::GetDataRowCount(*run.records[sendto], -1) == 1);
  }
  SPASetDataBlockOptions(1, 0);

  // Failed calls only: the recv that would block, the refused connect, and the two calls
  // after the last WSACleanup.
  SPASetTrackingOptions(0, 1, 0, 0);
  {
    const Run run = RunPatched(monitor, setup);
    CHECK(SameIds(run.records, {15, 3, 22, 45}));
  }

  // One socket only: exactly the calls that name it or made it.
  {
    SPASetTrackingOptions(0, 0, 0, 0);
    const Run first = RunPatched(monitor, setup);
    const DemoRun demo = ParseDemo(first.child.output);
    const auto accepted = static_cast<uint32_t>(std::stoul(demo.values.at("accepted")));
    SPASetTrackingOptions(0, 0, 1, accepted);
    const Run run = RunPatched(monitor, setup);
    const DemoRun restricted = ParseDemo(run.child.output);
    std::vector<int> expected;
    for (const auto& step : restricted.steps) {
      if (std::count(step.sockets.begin(), step.sockets.end(), accepted) != 0) {
        expected.push_back(step.id);
      }
    }
    CHECK(restricted.values.at("accepted") == demo.values.at("accepted"));
    CHECK(expected.size() >= 7);  // accept, 2 ioctlsocket, 2 recv, getsockopt, closesocket
    CHECK(SameIds(run.records, expected));
  }

  // A port that nobody listens on: the program runs on unaffected.
  {
    uint16_t port = 0;
    {
      Monitor gone;
      CHECK(gone.Open());
      port = gone.Port();
    }
    CHECK(SPAContactAgent(window, port, 1) != 0);
    TraceEverything();
    const Run run = RunPatched(monitor, setup);
    CheckSameAsUntraced(run.child, untraced, "with an unreachable port");
    CHECK(run.records.empty());
  }

  CHECK(SPAContactAgent(window, monitor.Port(), 1) != 0);
  TraceEverything();
  CheckBurstsArriveWhole(monitor, burst);
  CheckDatagramOverflowCounted(monitor, burst);

  // The report channel: wsdemo's calls decode as they do from datagrams, and no datagram comes.
  {
    ChannelReader reader;
    CHECK(reader.Open(window));
    monitor.Discard();
    const ChannelReader::Run run = reader.RunReading(setup.patched, std::to_string(g_demoPort));
    CheckSameAsUntraced(run.child, untraced, "through the channel");
    CheckDecoded(run.records, ParseDemo(run.child.output));
    CHECK(run.lost == 0 && run.ended);
    int others = 0;
    CHECK(monitor.Collect(run.child.processId, others).empty() && others == 0);
    CheckChannelBurstsArriveWhole(reader, burst);
    CheckStalledChannelReader(reader, burst);
  }

  // Contact ended: agents report nothing even with every flag set.
  CHECK(SPAContactAgent(window, monitor.Port(), 1) != 0);
  TraceEverything();
  SPAContactAgent(window, 1025, 0);
  {
    const Run run = RunPatched(monitor, setup);
    CheckSameAsUntraced(run.child, untraced, "after the contact ended");
    CHECK(run.records.empty() && run.others == 0);
  }

  DestroyWindow(window);
  DeleteFileA(setup.patched.c_str());
  DeleteFileA(setup.demo.c_str());
  DeleteFileA(burst.c_str());
  DeleteFileA((dir + "\\wsburst.exe").c_str());
  DeleteFileA((dir + "\\" + agent).c_str());
  RemoveDirectoryA(dir.c_str());
  return check::Finish("agent_monitor_test");
}
