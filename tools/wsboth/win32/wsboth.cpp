// wsboth: bursts on both Winsock libraries at once, from two threads: htons(first),
// htons(first + 1) ... through WSOCK32, which it imports, and inet_addr of 10.0.0.0 + first,
// 10.0.0.0 + first + 1 ... through WS2_32, which it loads by its UTF-16 name; then WSACleanup on
// each.
//   wsboth <calls> [first]   the number of calls of each burst, and the first value (0)
// Exit status 0 when every call returned what it should, 1 otherwise, 2 for bad usage.
#include <windows.h>
#include <winsock.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using InetAddr = unsigned long(WINAPI*)(const char*);
using Startup = int(WINAPI*)(WORD, WSADATA*);
using Cleanup = int(WINAPI*)();

int g_calls = 0;
int g_first = 0;
InetAddr g_inetAddr = nullptr;
bool g_wrong = false;  // written by the second thread before it ends, read after the join

template <class Fn>
Fn Entry(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// The text and the value of the i-th address, 10.0.0.0 + i.
std::string AddressText(int i) {
  return "10.0." + std::to_string(i >> 8 & 0xFF) + "." + std::to_string(i & 0xFF);
}

DWORD WINAPI Ws2Burst(void*) {
  for (int i = g_first; i < g_first + g_calls; ++i) {
    // 10, 0, i / 256, i % 256 in memory order (htonl would be a traced call of the other burst).
    const unsigned long expected = 10u | static_cast<unsigned long>(i >> 8 & 0xFF) << 16 |
                                   static_cast<unsigned long>(i & 0xFF) << 24;
    if (g_inetAddr(AddressText(i).c_str()) != expected) g_wrong = true;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3 || (g_calls = std::atoi(argv[1])) <= 0 || g_calls > 0x10000 ||
      (argc == 3 && (g_first = std::atoi(argv[2])) < 0) || g_first > 0x10000 - g_calls) {
    std::fprintf(stderr, "usage: wsboth <calls> [first], first + calls at most 65536\n");
    return 2;
  }
  const HMODULE ws2 = LoadLibraryW(L"ws2_32.dll");
  if (ws2 == nullptr) return 1;
  g_inetAddr = Entry<InetAddr>(ws2, "inet_addr");
  const auto ws2Startup = Entry<Startup>(ws2, "WSAStartup");
  const auto ws2Cleanup = Entry<Cleanup>(ws2, "WSACleanup");
  WSADATA data;
  if (g_inetAddr == nullptr || ws2Startup == nullptr || ws2Cleanup == nullptr ||
      WSAStartup(MAKEWORD(1, 1), &data) != 0 || ws2Startup(MAKEWORD(2, 2), &data) != 0) {
    return 1;
  }
  const HANDLE thread = CreateThread(nullptr, 0, Ws2Burst, nullptr, 0, nullptr);
  if (thread == nullptr) return 1;
  bool wrong = false;
  for (int i = g_first; i < g_first + g_calls; ++i) {
    if (htons(static_cast<u_short>(i)) != static_cast<u_short>(i << 8 | (i >> 8 & 0xFF))) {
      wrong = true;
    }
  }
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  const bool cleaned = ws2Cleanup() == 0 && WSACleanup() == 0;
  std::printf("wsboth: %d calls on each library\n", g_calls);
  return wrong || g_wrong || !cleaned ? 1 : 0;
}
