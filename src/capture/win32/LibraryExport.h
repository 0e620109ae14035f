// Finding a function of one of our own DLLs, whether or not the i686 build decorated its name.
#pragma once

#include <windows.h>

#include <string>

namespace capture {

inline FARPROC FindExport(HMODULE module, const char* name, int argumentBytes) {
  if (module == nullptr) return nullptr;
  if (FARPROC proc = GetProcAddress(module, name)) return proc;
  const std::string decorated = std::string(name) + "@" + std::to_string(argumentBytes);
  if (FARPROC proc = GetProcAddress(module, decorated.c_str())) return proc;
  return GetProcAddress(module, ("_" + decorated).c_str());
}

// Casts an export to the function type it is called as.
template <class F>
F ExportAs(HMODULE module, const char* name, int argumentBytes) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(FindExport(module, name, argumentBytes)));
}

}  // namespace capture
