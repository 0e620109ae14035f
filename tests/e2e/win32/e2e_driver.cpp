// The end-to-end run of the monitor, driven as a user drives it. Each mode prepares a fresh
// folder with quarnet.exe, both DLLs and a settings file (all 46 calls traced, WSAEWOULDBLOCK
// reported, Trace Buffer 2000), starts the monitor there and checks what it shows.
//
//   e2e_driver trace   WORK BIN WSDEMO   trace wsdemo through Launch Pgm, save the trace; a
//                                        second monitor without the agent's contact
//   e2e_driver burst   WORK BIN BURST    count a burst of 1,500 reported calls
//   e2e_driver foreign WORK BIN ADDRESS  datagrams from ADDRESS must not reach the trace
//   e2e_driver dialogs WORK BIN WSDEMO   Setup, Filters and Buffer Allocation, traces saved
//                                        under WORK\saved for the script to check
//   e2e_driver trigger WORK BIN WSDEMO   Setup, Trigger, Specify: refused patterns and offsets,
//                                        Trap Buffers of a call, an error and a data pattern
//                                        saved under WORK\saved for the script to check
//   e2e_driver preferences WORK BIN WSDEMO  Colors and Font: the view in the chosen colour and
//                                        font, both kept after a restart
//   e2e_driver files   WORK BIN BURST    folders and files as a careful user meets them
//   e2e_driver print   WORK BIN WSDEMO   Copy to Clipboard and Print of a wsdemo trace and of a
//                                        send of 200,000 bytes; a buffer trimmed under the view
//   e2e_driver winsock2 WORK BIN WSDEMO2 trace wsdemo2 through Launch Pgm, save the trace
//   e2e_driver both-widths WORK BIN OTHER  wsdemo of the folder OTHER (the other width where the
//                                        machine runs both) through Launch Pgm; its wsboth and
//                                        BIN's at once; both traces saved
//
// WORK is an empty folder; BIN holds quarnet.exe, its width's agents and klvnt32b.dll.
// Each mode is a file of its own (TraceMode.cpp and so on); what they share is in E2eSupport.h.
#include <cstdio>
#include <string>
#include <string_view>

#include "E2eSupport.h"

namespace {

struct Mode {
  std::string_view name;
  int (*run)(const std::string& work, const std::string& bin, const std::string& arg);
};

constexpr Mode kModes[] = {
    {"trace", e2e::RunTrace},       {"burst", e2e::RunBurst},
    {"foreign", e2e::RunForeign},   {"dialogs", e2e::RunDialogs},
    {"trigger", e2e::RunTrigger},   {"preferences", e2e::RunPreferences},
    {"files", e2e::RunFiles},       {"print", e2e::RunPrint},
    {"winsock2", e2e::RunWinsock2}, {"both-widths", e2e::RunBothWidths},
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::string names;
    for (const Mode& mode : kModes) {
      if (!names.empty()) names += '|';
      names += mode.name;
    }
    std::printf("usage: e2e_driver %s WORK BIN FILE-OR-ADDRESS\n", names.c_str());
    return 64;
  }
  int status = 64;
  const Mode* mode = nullptr;
  for (const Mode& candidate : kModes) {
    if (candidate.name == argv[1]) mode = &candidate;
  }
  if (mode != nullptr) {
    status = mode->run(argv[2], argv[3], argv[4]);
  } else {
    std::printf("unknown mode %s\n", argv[1]);
  }
  std::fflush(stdout);
  // The virtual desktop that runs the driver does not pass its exit status on.
  e2e::WriteText(std::string(argv[2]) + "\\result", std::to_string(status));
  return status;
}
