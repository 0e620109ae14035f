// The foreign mode: datagrams from another address of this machine do not reach the trace, and
// no other program can take the capture port over.
#include <windows.h>
#include <winsock.h>

#include <cstdio>
#include <string>

#include "E2eSupport.h"
#include "agent/win32/ControlBlock.h"

namespace e2e {

int RunForeign(const std::string& work, const std::string& bin, const std::string& address) {
  Folders folders;
  CHECK(PrepareMonitor(work, bin, folders));
  WSADATA data{};
  WSAStartup(0x0101, &data);
  const uint32_t foreign = ntohl(inet_addr(address.c_str()));
  constexpr uint32_t kLoopback = 0x7F000001;

  drive::Program monitor;
  CHECK(monitor.Start(folders.monitor + "\\quarnet.exe", folders.monitor));
  if (monitor.frame == nullptr) return check::Finish("e2e foreign");
  agent::ControlBlock* block = agent::MapControlBlock();
  CHECK(block != nullptr && block->contact.load() == 1);
  const auto port = static_cast<uint16_t>(block != nullptr ? block->port.load() : 0);
  std::printf("monitor port %u, foreign address %s\n", port, address.c_str());

  // No other program can take the capture port over, even when it asks to share addresses.
  SOCKET thief = socket(AF_INET, SOCK_DGRAM, 0);
  const BOOL share = TRUE;
  setsockopt(thief, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&share), sizeof share);
  sockaddr_in same{};
  same.sin_family = AF_INET;
  same.sin_port = htons(port);
  same.sin_addr.s_addr = htonl(kLoopback);
  CHECK(bind(thief, reinterpret_cast<sockaddr*>(&same), sizeof same) == SOCKET_ERROR);
  closesocket(thief);
  // Whether this system grants exclusive address use, asked as the monitor asks for it.
  SOCKET probe = socket(AF_INET, SOCK_DGRAM, 0);
  const int exclusive = 1;
  std::printf("exclusive address use: %s\n",
              setsockopt(probe, SOL_SOCKET, ~SO_REUSEADDR,
                         reinterpret_cast<const char*>(&exclusive), sizeof exclusive) == 0
                  ? "granted"
                  : "not available (the capture socket works without it)");
  closesocket(probe);

  // From another address of this machine, to the loopback address and to that address itself.
  CHECK(SendRecord(foreign, kLoopback, port, 1));
  CHECK(SendRecord(foreign, foreign, port, 2));
  // The same message from the loopback address arrives: the monitor was listening.
  CHECK(SendRecord(kLoopback, kLoopback, port, 3));
  CHECK(drive::WaitFor(10000, [&] { return monitor.RecordCount() >= 1; }));
  CHECK(monitor.WaitForQuiet(1500, 10000) == 1);
  CHECK(monitor.Exit(kLong));
  return check::Finish("e2e foreign");
}

}  // namespace e2e
