// wsburst: WSAStartup, then `calls` calls of htons(0), htons(1) ... (the argument numbers each
// report), then the end the program is told, right after the burst:
//   wsburst <calls> return|ExitProcess|exit|thread [cleanup]
// "thread" makes the burst in a second thread, which then calls ExitProcess while the first
// waits; "cleanup" calls WSACleanup after the burst.
#include <winsock.h>

#include <cstdlib>
#include <cstring>

namespace {

int g_calls = 0;
bool g_cleanup = false;

void Burst() {
  for (int i = 0; i < g_calls; ++i) htons(static_cast<u_short>(i));
  if (g_cleanup) WSACleanup();
}

DWORD WINAPI BurstThenExit(void*) {
  Burst();
  ExitProcess(0);
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
  Burst();
  if (std::strcmp(end, "ExitProcess") == 0) ExitProcess(0);
  if (std::strcmp(end, "exit") == 0) std::exit(0);
  return 0;
}
