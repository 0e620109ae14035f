// The launcher's copy of a real program still loads under Windows, and binds to the agent
// library of its width in place of the system's Winsock library.
#include <windows.h>

#include <string>

#include "Check.h"
#include "config/Launcher.h"
#include "protocol/AgentFiles.h"

namespace {

std::string Directory(const std::string& path) {
  return path.substr(0, path.find_last_of("\\/"));
}

// Exit code of the program, or -1 when it could not be started.
long Run(const std::string& path) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::string commandLine = "\"" + path + "\"";
  if (!CreateProcessA(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      Directory(path).c_str(), &si, &pi)) {
    return -1;
  }
  WaitForSingleObject(pi.hProcess, 60000);
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return static_cast<long>(code);
}

}  // namespace

int main() {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  // build/<target>/tests/win32/launcher_test.exe -> build/<target>/tools/wsimport/win32/
  const std::string tools = Directory(Directory(Directory(self))) + "\\tools\\wsimport\\win32\\";

  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string dir =
      std::string(temp) + "quarnet-launcher-" + std::to_string(GetCurrentProcessId());
  CreateDirectoryA(dir.c_str(), nullptr);
  const std::string program = dir + "\\wsimport.exe";
  CHECK(CopyFileA((tools + "wsimport.exe").c_str(), program.c_str(), FALSE));
  const std::string agent = dir + "\\" + protocol::AgentDll(protocol::kWsock32);
  CHECK(CopyFileA((tools + "klvnt32_stand_in.dll").c_str(), agent.c_str(), FALSE));

  CHECK(Run(program) == 0x34);  // the system's htons

  const config::launcher::LaunchPlan plan = config::launcher::PlanLaunch(program);
  CHECK(plan.step == config::launcher::LaunchPlan::Step::kCopy);
  CHECK(plan.width == protocol::kOwnWidth);
  const config::launcher::CopyResult copy =
      config::launcher::CopyWithModuleRedirect(program, plan.copyPath, plan.width);
  CHECK(copy.ok);
  CHECK(copy.rewrites[protocol::kWsock32] >= 1);
  CHECK(Run(plan.copyPath) == 42);  // the stand-in's htons

  CHECK(config::launcher::PlanLaunch(program).step ==
        config::launcher::LaunchPlan::Step::kConfirmOverwrite);

  DeleteFileA(plan.copyPath.c_str());
  DeleteFileA(program.c_str());
  DeleteFileA(agent.c_str());
  RemoveDirectoryA(dir.c_str());
  return check::Finish("launcher_test");
}
