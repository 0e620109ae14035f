// The burst mode: every report of a burst becomes a record, a gap in another source's messages is
// counted lost, and a real overflow of the monitor's socket buffer is counted exactly.
#include <windows.h>
#include <winsock.h>

#include <cstdio>
#include <string>

#include "E2eSupport.h"
#include "agent/win32/ControlBlock.h"
#include "app/ResourceIds.h"
#include "app/ShellText.h"
#include "config/Launcher.h"

namespace e2e {

namespace {

// More calls than a 4 MiB receive buffer holds reports (about 8,000 of them).
constexpr int kOverflowCalls = 12000;

}  // namespace

int RunBurst(const std::string& work, const std::string& bin, const std::string& burst) {
  Folders folders;
  // Room for every record of the overflow below.
  CHECK(PrepareMonitor(work, bin, folders, {}, kOverflowCalls + 2));
  // The receive buffer the system grants for the monitor's request.
  WSADATA data{};
  WSAStartup(0x0101, &data);
  SOCKET probe = socket(AF_INET, SOCK_DGRAM, 0);
  int size = 4 * 1024 * 1024;
  setsockopt(probe, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&size), sizeof size);
  int got = 0;
  int length = sizeof got;
  getsockopt(probe, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<char*>(&got), &length);
  closesocket(probe);
  // Each queued 256-byte datagram costs the kernel about 1.3 KB of buffer.
  int calls = 1500;
  if (got < 4 * 1024 * 1024) {
    calls = got / 1400 < calls ? got / 1400 : calls;
    std::printf("receive buffer capped at %d bytes: the burst is fitted to %d calls\n", got, calls);
  } else {
    std::printf("receive buffer %d bytes\n", got);
  }

  const std::string programs = work + "\\programs";
  CreateDirectoryA(programs.c_str(), nullptr);
  const std::string copy = programs + "\\burst.tmp";
  CHECK(config::launcher::CopyWithModuleRedirect(burst, copy, protocol::kOwnWidth).ok);

  drive::Program monitor;
  CHECK(monitor.Start(folders.monitor + "\\quarnet.exe", folders.monitor));
  if (monitor.frame == nullptr) return check::Finish("e2e burst");
  monitor.Command(ID_FILE_BEGINTRACE);
  // WSAStartup, the burst of ntohs, WSACleanup: `calls` reports in all.
  RunToEnd(copy, std::to_string(calls - 2), folders.monitor);
  const int records = monitor.WaitForQuiet(2000, kLong);
  std::printf("burst of %d calls: %d records arrived\n", calls, records);
  CHECK(records == calls);
  CHECK(monitor.Pane(4).empty());
  // Another source whose messages 11 to 14 never come: the lost pane counts exactly those.
  agent::ControlBlock* block = agent::MapControlBlock();
  const auto port = static_cast<uint16_t>(block != nullptr ? block->port.load() : 0);
  CHECK(SendRecord(0x7F000001, 0x7F000001, port, 10));
  CHECK(SendRecord(0x7F000001, 0x7F000001, port, 15));
  CHECK(Shows(monitor, 4, app::LostPaneText(4)));

  // A real overflow: wsburst stalls the monitor through a burst larger than its socket buffer
  // holds, then makes one call more, behind which every lost report lies. WSAStartup, the burst
  // and that call: each of those reports became a record or is counted lost.
  const std::string stalling = programs + "\\wsburst.tmp";
  CHECK(
      config::launcher::CopyWithModuleRedirect(bin + "\\wsburst.exe", stalling, protocol::kOwnWidth)
          .ok);
  const int before = monitor.RecordCount();
  const DWORD stallCode = RunToEnd(
      stalling, std::to_string(kOverflowCalls) + " stall " + std::to_string(monitor.pi.dwProcessId),
      folders.monitor);
  CHECK(stallCode == 0);
  // The monitor may take a while over the records; once the last report is in, records and
  // lost add up, and nothing changes after.
  const int sent = kOverflowCalls + 2;
  int arrived = 0;
  const bool exact = drive::WaitFor(kLong, [&] {
    arrived = monitor.RecordCount() - before;
    return monitor.Pane(4) == app::LostPaneText(4 + sent - arrived);
  });
  std::printf("overflow of %d calls: %d records arrived, pane 4 shows \"%s\"\n", sent, arrived,
              monitor.Pane(4).c_str());
  CHECK(exact && arrived < sent);
  monitor.Command(ID_FILE_ENDTRACE);
  CHECK(monitor.Exit(kLong));
  return check::Finish("e2e burst");
}

}  // namespace e2e
