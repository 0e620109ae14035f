#include "agent/win32/RealWinsock.h"

#include <string>

namespace agent {

namespace {

[[noreturn]] void Unusable(const std::string& what) {
  FatalAppExitA(0, ("Klvnt32.dll: the system's WSOCK32.DLL " + what).c_str());
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
  lstrcatA(path, "\\wsock32.dll");
  HMODULE module = LoadLibraryA(path);
  if (module == nullptr) Unusable(std::string("cannot be loaded from ") + path);

  RealWinsock w{};
#define QUARNET_BIND_ENTRY(id, name, ...) Bind(module, #name, w.name);
  QUARNET_CALLS(QUARNET_BIND_ENTRY)
#undef QUARNET_BIND_ENTRY
  return w;
}

}  // namespace agent
