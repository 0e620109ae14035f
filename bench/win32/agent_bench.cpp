// The monitor's side of the agent benchmark: contacts the agent, sets every call's flag off or
// on, and runs the launcher's copy of wsloop.exe (beside this program and Klvnt32.dll). With
// "on" it receives the reports meanwhile, one recvfrom per datagram as the monitor does; with
// "unread" it reads only after the run, so that the figure holds the agent's cost alone
// (datagrams beyond the socket's buffer are then lost, which costs the sender nothing).
// Prints wsloop's line and what arrived:
//   udp <us> tcp <us> all <us>
//   datagrams <n>
//   agent_bench off|on|unread [round trips]
#include <windows.h>
#include <winsock.h>

#include <cstdio>
#include <string>
#include <thread>

#include "ChildProcess.h"
#include "agent/win32/Klvnt32.h"
#include "agent/win32/klvnt32b.h"
#include "config/Launcher.h"

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode != "off" && mode != "on" && mode != "unread") {
    std::printf("usage: agent_bench off|on|unread [round trips]\n");
    return 2;
  }
  const std::string rounds = argc > 2 ? argv[2] : "2000";
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  const std::string dir = DirectoryOf(self);
  const std::string copy = dir + "\\wsloop.tmp";
  if (!launcher::CopyWithModuleRedirect(dir + "\\wsloop.exe", copy).ok) {
    std::printf("agent_bench: cannot make %s\n", copy.c_str());
    return 1;
  }

  WSADATA data;
  if (QSAStartup(MAKEWORD(1, 1), &data) != 0) return 1;
  const SOCKET s = q_socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  int length = sizeof local;
  q_bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local);
  q_getsockname(s, reinterpret_cast<sockaddr*>(&local), &length);
  const int size = 8 << 20;
  q_setsockopt(s, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&size), sizeof size);

  const HWND window = CreateWindowA("STATIC", "agent_bench", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    nullptr, nullptr);
  if (SPAContactAgent(window, q_ntohs(local.sin_port), 1) == 0) return 1;
  for (int id = 0; id < 46; ++id) SPAEnableSpy(id, mode == "off" ? 0 : 1);
  SPASetTrackingOptions(0, 0, 0, 0);
  SPASetDataBlockOptions(1, 0);

  // Reads until the empty datagram that ends the run, which arrives after all of the
  // program's reports, or until nothing is left.
  long datagrams = 0;
  auto receive = [&] {
    char buffer[256];
    while (q_recvfrom(s, buffer, sizeof buffer, 0, nullptr, nullptr) == 256) ++datagrams;
  };
  std::thread receiver;
  if (mode == "on") receiver = std::thread(receive);
  const ChildResult child = RunChild(copy, rounds);
  sockaddr_in self_address = local;
  self_address.sin_addr.s_addr = q_htonl(INADDR_LOOPBACK);
  q_sendto(s, "", 0, 0, reinterpret_cast<const sockaddr*>(&self_address), sizeof self_address);
  if (mode == "on") {
    receiver.join();
  } else {
    // The buffer may have overflowed and lost the end mark too: read what is there.
    u_long nonBlocking = 1;
    q_ioctlsocket(s, static_cast<long>(FIONBIO), &nonBlocking);
    receive();
  }
  SPAContactAgent(window, 1025, 0);
  q_closesocket(s);
  QSACleanup();
  std::printf("%sdatagrams %ld\n", child.output.c_str(), datagrams);
  return child.started && child.exitCode == 0 ? 0 : 1;
}
