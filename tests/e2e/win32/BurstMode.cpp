// The burst mode: through the report channel every report of a burst far larger than a socket
// buffer holds becomes a record and the Lost pane stays empty; a gap in another source's
// datagrams is counted lost; and a monitor held for longer than the agents wait for it loses
// reports, counted exactly.
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

// More calls than a 4 MiB receive buffer holds reports (about 8,000 of them), and than a lane of
// the report channel holds.
constexpr int kManyCalls = 12000;

}  // namespace

int RunBurst(const std::string& work, const std::string& bin, const std::string& burst) {
  Folders folders;
  // Room for every record of both bursts.
  CHECK(PrepareMonitor(work, bin, folders, {}, 2 * kManyCalls + 4));
  WSADATA data{};  // for the datagrams of another source
  CHECK(WSAStartup(0x0101, &data) == 0);
  const std::string programs = work + "\\programs";
  CreateDirectoryA(programs.c_str(), nullptr);
  const std::string copy = programs + "\\burst.tmp";
  CHECK(config::launcher::CopyWithModuleRedirect(burst, copy, protocol::kOwnWidth).ok);

  drive::Program monitor;
  CHECK(monitor.Start(folders.monitor + "\\quarnet.exe", folders.monitor));
  if (monitor.frame == nullptr) return check::Finish("e2e burst");
  monitor.Command(ID_FILE_BEGINTRACE);
  // WSAStartup, the burst of ntohs, WSACleanup: kManyCalls reports in all.
  RunToEnd(copy, std::to_string(kManyCalls - 2), folders.monitor);
  const int records = monitor.WaitForQuiet(2000, kLong);
  std::printf("burst of %d calls: %d records arrived\n", kManyCalls, records);
  CHECK(records == kManyCalls);
  CHECK(monitor.Pane(4).empty());
  // Another source whose messages 11 to 14 never come: the lost pane counts exactly those.
  agent::ControlBlock* block = agent::MapControlBlock();
  const auto port = static_cast<uint16_t>(block != nullptr ? block->port.load() : 0);
  CHECK(SendRecord(0x7F000001, 0x7F000001, port, 10));
  CHECK(SendRecord(0x7F000001, 0x7F000001, port, 15));
  CHECK(Shows(monitor, 4, app::LostPaneText(4)));

  // wsburst holds the monitor through a burst larger than a lane of the channel holds: the agent
  // waits for it two seconds, then drops the rest, and the call it makes once the monitor reads
  // again comes behind every dropped report. WSAStartup, the burst and that call: each of those
  // reports became a record or is counted lost.
  const std::string stalling = programs + "\\wsburst.tmp";
  CHECK(
      config::launcher::CopyWithModuleRedirect(bin + "\\wsburst.exe", stalling, protocol::kOwnWidth)
          .ok);
  const int before = monitor.RecordCount();
  const DWORD stallCode = RunToEnd(
      stalling, std::to_string(kManyCalls) + " stall " + std::to_string(monitor.pi.dwProcessId),
      folders.monitor);
  CHECK(stallCode == 0);
  // The monitor may take a while over the records; once the last report is in, records and
  // lost add up, and nothing changes after.
  const int sent = kManyCalls + 2;
  int arrived = 0;
  const bool exact = drive::WaitFor(kLong, [&] {
    arrived = monitor.RecordCount() - before;
    return monitor.Pane(4) == app::LostPaneText(4 + sent - arrived);
  });
  std::printf("held through %d calls: %d records arrived, pane 4 shows \"%s\"\n", sent, arrived,
              monitor.Pane(4).c_str());
  CHECK(exact && arrived < sent);
  monitor.Command(ID_FILE_ENDTRACE);
  CHECK(monitor.Exit(kLong));
  return check::Finish("e2e burst");
}

}  // namespace e2e
