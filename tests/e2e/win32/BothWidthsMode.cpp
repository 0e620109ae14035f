// The both-widths mode: one monitor traces programs of the other width beside its own. ARG is the
// folder of the other width's wsdemo.exe and wsboth.exe (on a machine that runs one width only,
// the monitor's own). wsdemo from there is traced through Launch Pgm and saved for the script to
// compare with the expected text; then that wsboth and the monitor's own run at once, each
// counting from its own first value, and their trace is saved for the script to check that each
// burst arrived whole and in order.
#include <windows.h>

#include <string>
#include <vector>

#include "E2eSupport.h"
#include "app/ResourceIds.h"
#include "config/Launcher.h"

namespace e2e {

namespace {

// Each program's bursts, within the Trace Buffer's 2000 records, and each one's first value.
constexpr int kCalls = 400;
constexpr int kFirst[] = {0, 30000};

// A copy of `program` that loads the agents of its width, started in `folder` with `args`;
// null when it could not be made or started.
HANDLE StartTraced(const std::string& program, const std::string& copy, const std::string& args,
                   const std::string& folder) {
  const config::launcher::LaunchPlan plan = config::launcher::PlanLaunch(program);
  CHECK(plan.step != config::launcher::LaunchPlan::Step::kRefuse);
  if (!config::launcher::CopyWithModuleRedirect(program, copy, plan.width).ok) return nullptr;
  PROCESS_INFORMATION started{};
  STARTUPINFOA si{};
  si.cb = sizeof si;
  std::string command = "\"" + copy + "\" " + args;
  if (!CreateProcessA(copy.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.c_str(), &si, &started)) {
    return nullptr;
  }
  CloseHandle(started.hThread);
  return started.hProcess;
}

}  // namespace

int RunBothWidths(const std::string& work, const std::string& bin, const std::string& other) {
  Folders folders;
  drive::Program monitor;
  if (!StartWithWsdemo(work, bin, other + "\\wsdemo.exe", folders, monitor)) {
    return check::Finish("e2e both-widths");
  }
  Tracer tracer{monitor, folders.programs};
  CHECK(tracer.Run(1, work + "\\saved\\wsdemo.spy") > 46);

  // Both bursts at once, the monitor's own width's and the other's; bursts.txt tells the script
  // what each made.
  CHECK(WriteText(work + "\\bursts.txt", std::to_string(kCalls) + " " + std::to_string(kFirst[0]) +
                                             " " + std::to_string(kFirst[1]) + "\n"));
  monitor.Command(ID_FILE_BEGINTRACE);
  const std::vector<HANDLE> bursts = {
      StartTraced(bin + "\\wsboth.exe", folders.programs + "\\own.tmp",
                  std::to_string(kCalls) + " " + std::to_string(kFirst[0]), folders.monitor),
      StartTraced(other + "\\wsboth.exe", folders.programs + "\\other.tmp",
                  std::to_string(kCalls) + " " + std::to_string(kFirst[1]), folders.monitor)};
  for (const HANDLE burst : bursts) {
    CHECK(burst != nullptr);
    if (burst == nullptr) continue;
    DWORD code = 1;
    WaitForSingleObject(burst, kLong);
    GetExitCodeProcess(burst, &code);
    CHECK(code == 0);
    CloseHandle(burst);
  }
  const int records = monitor.WaitForQuiet(2000, kLong);
  monitor.Command(ID_FILE_ENDTRACE);
  std::printf("records %d\n", records);
  CHECK(monitor.Pane(4).empty());  // no lost count
  const std::string saved = work + "\\saved\\both.spy";
  CHECK(SaveTraceAs(monitor, saved));
  CHECK(monitor.Exit(kLong));
  return check::Finish("e2e both-widths");
}

}  // namespace e2e
