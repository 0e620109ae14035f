// wsburst: WSAStartup, then `calls` calls of htons(0), htons(1) ... (the argument numbers each
// report), then the end the program is told, right after the burst; it prints how long the burst
// took, "burst <ms> ms":
//   wsburst <calls> return|ExitProcess|exit|thread|killed [cleanup]
//   wsburst <calls> stall [pid]
// "thread" makes the burst in a second thread, which then calls ExitProcess while the first
// waits; "killed" makes it there too, and the first thread calls ExitProcess once half the calls
// are made, ending the second mid-burst. "cleanup" calls WSACleanup after the burst.
// "stall [pid]" suspends the process `pid`
// (by default the parent: the tracer that reads the reports) during the burst, so that its socket
// overflows, then resumes it, gives it time to drain, and makes one call more, htons(calls): every
// lost report lies before a number that arrives.
#include <windows.h>
// windows.h first: tlhelp32.h needs its types.
#include <tlhelp32.h>
#include <winsock.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

int g_calls = 0;
bool g_cleanup = false;
HANDLE g_halfway = nullptr;  // set once half the calls are made

void Burst() {
  const DWORD start = GetTickCount();
  for (int i = 0; i < g_calls; ++i) {
    htons(static_cast<u_short>(i));
    if (i == g_calls / 2 && g_halfway != nullptr) SetEvent(g_halfway);
  }
  std::printf("burst %lu ms\n", GetTickCount() - start);
  std::fflush(stdout);
  if (g_cleanup) WSACleanup();
}

DWORD WINAPI BurstThenExit(void*) {
  Burst();
  ExitProcess(0);
}

DWORD WINAPI BurstOnly(void*) {
  Burst();
  return 0;
}

DWORD ParentProcessId() {
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  DWORD parent = 0;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    if (entry.th32ProcessID == GetCurrentProcessId()) parent = entry.th32ParentProcessID;
  }
  CloseHandle(snapshot);
  return parent;
}

// Suspends every thread of process `id`; an empty list when there was none to suspend.
std::vector<HANDLE> SuspendProcess(DWORD id) {
  std::vector<HANDLE> threads;
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return threads;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID != id) continue;
    const HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID);
    if (thread == nullptr) continue;
    if (SuspendThread(thread) == static_cast<DWORD>(-1)) {
      CloseHandle(thread);
      continue;
    }
    threads.push_back(thread);
  }
  CloseHandle(snapshot);
  return threads;
}

int StalledBurst(DWORD reader) {
  const std::vector<HANDLE> threads = SuspendProcess(reader);
  if (threads.empty()) return 1;
  Burst();
  for (const HANDLE thread : threads) {
    ResumeThread(thread);
    CloseHandle(thread);
  }
  Sleep(3000);  // the reader drains the socket meanwhile; the last call must find room
  htons(static_cast<u_short>(g_calls));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  g_calls = std::atoi(argv[1]);
  const char* end = argv[2];
  g_cleanup = argc > 3 && std::strcmp(argv[3], "cleanup") == 0;
  WSADATA data;
  if (WSAStartup(MAKEWORD(1, 1), &data) != 0) return 1;
  if (std::strcmp(end, "thread") == 0) {
    const HANDLE thread = CreateThread(nullptr, 0, BurstThenExit, nullptr, 0, nullptr);
    if (thread == nullptr) return 1;
    WaitForSingleObject(thread, INFINITE);
    return 1;  // not reached: the thread ends the process
  }
  if (std::strcmp(end, "killed") == 0) {
    g_halfway = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    const HANDLE thread = CreateThread(nullptr, 0, BurstOnly, nullptr, 0, nullptr);
    if (g_halfway == nullptr || thread == nullptr) return 1;
    WaitForSingleObject(g_halfway, INFINITE);
    ExitProcess(0);
  }
  if (std::strcmp(end, "stall") == 0) {
    return StalledBurst(argc > 3 ? std::strtoul(argv[3], nullptr, 10) : ParentProcessId());
  }
  Burst();
  if (std::strcmp(end, "ExitProcess") == 0) ExitProcess(0);
  if (std::strcmp(end, "exit") == 0) std::exit(0);
  return 0;
}
