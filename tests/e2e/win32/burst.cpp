// Makes a burst of Winsock calls as fast as it can: WSAStartup, N calls of ntohs, WSACleanup.
// Imports WSOCK32, so that a launcher copy reports every call through the agent.
#include <winsock.h>

#include <cstdlib>

int main(int argc, char** argv) {
  const int calls = argc > 1 ? std::atoi(argv[1]) : 1498;
  WSADATA data{};
  if (WSAStartup(0x0101, &data) != 0) return 1;
  unsigned sum = 0;
  for (int i = 0; i < calls; ++i) sum += ntohs(static_cast<u_short>(i));
  WSACleanup();
  return sum == 0 && calls > 1 ? 1 : 0;
}
