// A program that is mostly idle, as a program being debugged often is: every 200 ms one
// inet_addr whose text is the performance counter at the call, so that a reader can tell how long
// its report took to arrive (the counter is the machine's, alike in every process).
//   wsidle [calls]
#include <windows.h>
#include <winsock.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  const int calls = argc > 1 ? std::atoi(argv[1]) : 20;
  WSADATA data;
  if (WSAStartup(MAKEWORD(1, 1), &data) != 0) return 1;
  for (int i = 0; i < calls; ++i) {
    Sleep(200);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    char text[32];
    std::snprintf(text, sizeof text, "%lld", static_cast<long long>(now.QuadPart));
    inet_addr(text);
  }
  WSACleanup();
  return 0;
}
