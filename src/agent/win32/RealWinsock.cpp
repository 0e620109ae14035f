#include "agent/win32/RealWinsock.h"

#include <string>

#include "agent/win32/Agent.h"
#include "protocol/AgentFiles.h"

namespace agent {

namespace {

bool Ws2() {
  return kAgentLibrary == Library::kWs2_32;
}

[[noreturn]] void Unusable(const std::string& what) {
  const auto row = Ws2() ? protocol::kWs2_32 : protocol::kWsock32;
  const std::string library = protocol::AgentDll(row) + ": the system's " +
                              std::string(protocol::kAgentFiles[row].module) + ".DLL ";
  FatalAppExitA(0, (library + what).c_str());
  ExitProcess(1);
}

template <class Fn>
void Bind(HMODULE module, const char* name, Fn& fn) {
  FARPROC proc = GetProcAddress(module, name);
  if (proc == nullptr) Unusable(std::string("has no ") + name);
  fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(proc));
}

}  // namespace

RealWinsock RealWinsock::Load() {
  char path[MAX_PATH + 16];
  const UINT n = GetSystemDirectoryA(path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) Unusable("cannot be found");
  lstrcatA(path, Ws2() ? "\\ws2_32.dll" : "\\wsock32.dll");
  HMODULE module = LoadLibraryA(path);
  if (module == nullptr) Unusable(std::string("cannot be loaded from ") + path);

  RealWinsock w{};
#define QUARNET_BIND_ENTRY(id, key, name, wsock32, ws2_32, ...) \
  if ((Ws2() ? ws2_32 : wsock32) != 0) Bind(module, #name, w.key);
  QUARNET_CALLS(QUARNET_BIND_ENTRY)
#undef QUARNET_BIND_ENTRY
  return w;
}

}  // namespace agent
