// qdrive: drives a running Quarnet monitor from the command line (used by scripts/run demo).
//   qdrive trace PROGRAM   Begin Trace, then Launch Pgm with PROGRAM chosen in the file dialog
#include <windows.h>

#include <cstdio>
#include <string>

#include "QuarnetDriver.h"
#include "app/ResourceIds.h"

int main(int argc, char** argv) {
  if (argc != 3 || std::string(argv[1]) != "trace") {
    std::printf("usage: qdrive trace PROGRAM\n");
    return 64;
  }
  drive::Program monitor;
  if (!drive::WaitFor(60000, [&] {
        monitor.frame = FindWindowA(drive::kFrameClass, nullptr);
        return monitor.frame != nullptr && IsWindowVisible(monitor.frame);
      })) {
    std::printf("qdrive: no Quarnet window\n");
    return 1;
  }
  GetWindowThreadProcessId(monitor.frame, &monitor.pi.dwProcessId);
  monitor.Command(ID_FILE_BEGINTRACE);
  monitor.PostCommand(ID_FILE_LAUNCHPGM);
  if (!monitor.ChooseInFileDialog(argv[2])) {
    std::printf("qdrive: the file dialog did not take %s\n", argv[2]);
    return 1;
  }
  return 0;
}
