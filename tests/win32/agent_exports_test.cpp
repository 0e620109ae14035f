// The WSOCK32 agent of the build's width exports the system WSOCK32.DLL's whole set, every name at
// its ordinal: the calls the call table gives a WSOCK32 ordinal lead to the agent's own wrappers,
// all other exports to the system's functions. The WS2_32 agent does the same for WS2_32.DLL by the
// table's WS2_32 ordinals. klvnt32b.dll's functions are the system's own.
//   agent_exports_test <WSOCK32 agent> <klvnt32b.dll> <WS2_32 agent>
#include <windows.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <string>

#include "Check.h"
#include "ChildProcess.h"
#include "protocol/Calls.h"

namespace {

// Name -> ordinal of a loaded module's export directory.
std::map<std::string, WORD> ExportsOf(HMODULE module) {
  std::map<std::string, WORD> exports;
  const auto* base = reinterpret_cast<const BYTE*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& entry =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
  if (entry.VirtualAddress == 0) return exports;
  const auto* dir = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + entry.VirtualAddress);
  const auto* names = reinterpret_cast<const DWORD*>(base + dir->AddressOfNames);
  const auto* ordinals = reinterpret_cast<const WORD*>(base + dir->AddressOfNameOrdinals);
  for (DWORD i = 0; i < dir->NumberOfNames; ++i) {
    exports[reinterpret_cast<const char*>(base + names[i])] =
        static_cast<WORD>(ordinals[i] + dir->Base);
  }
  return exports;
}

// The ordinals at which an agent exports its wrappers: a column of the call table.
using OrdinalColumn = uint16_t protocol::calls::Call::*;

bool IsTracedOrdinal(OrdinalColumn column, WORD ordinal) {
  for (const protocol::calls::Call& call : protocol::calls::kCalls) {
    if (call.*column == ordinal) return true;
  }
  return false;
}

FARPROC ByOrdinal(HMODULE module, WORD ordinal) {
  return GetProcAddress(module, reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(ordinal)));
}

// Every call with an ordinal in that column leads to a wrapper. Returns how many do; `extra`
// counts the agent's exports beyond the system's set.
int CheckAgentExports(HMODULE agent, HMODULE system, OrdinalColumn column, size_t extra) {
  const auto systemExports = ExportsOf(system);
  const auto agentExports = ExportsOf(agent);
  CHECK(systemExports.size() >= 46);
  int traced = 0;
  for (const auto& [name, ordinal] : systemExports) {
    const auto found = agentExports.find(name);
    if (found == agentExports.end() || found->second != ordinal) {
      std::printf("  %s is not exported at ordinal %u\n", name.c_str(), ordinal);
      CHECK(false);
      continue;
    }
    FARPROC byName = GetProcAddress(agent, name.c_str());
    CHECK(byName != nullptr);
    CHECK(ByOrdinal(agent, ordinal) == byName);
    FARPROC real = GetProcAddress(system, name.c_str());
    if (IsTracedOrdinal(column, ordinal)) {
      ++traced;
      if (byName == real) std::printf("  %s is not wrapped\n", name.c_str());
      CHECK(byName != real);
    } else {
      if (byName != real) std::printf("  %s is not forwarded\n", name.c_str());
      CHECK(byName == real);
    }
  }
  CHECK(traced ==
        std::count_if(std::begin(protocol::calls::kCalls), std::end(protocol::calls::kCalls),
                      [column](const protocol::calls::Call& call) { return call.*column != 0; }));
  CHECK(agentExports.size() == systemExports.size() + extra);
  return traced;
}

// The system's set, 46 calls of it wrapped, and nothing beyond but the monitor's six functions.
void CheckWinsock11Agent(HMODULE agent, HMODULE system) {
  CHECK(CheckAgentExports(agent, system, &protocol::calls::Call::wsock32, 6) == 46);
  for (const char* name : {"SPAContactAgent", "SPAEnableSpy", "SPASetTrackingOptions",
                           "SPASetDataBlockOptions", "SPAQueueWaits", "SPAUseChannel"}) {
    CHECK(GetProcAddress(agent, name) != nullptr);
  }
}

void CheckPrivateLibrary(HMODULE privateLib, HMODULE system) {
  const std::pair<const char*, const char*> pairs[] = {
      {"QSAStartup", "WSAStartup"},
      {"QSACleanup", "WSACleanup"},
      {"QSAAsyncSelect", "WSAAsyncSelect"},
      {"QSAGetLastError", "WSAGetLastError"},
      {"q_socket", "socket"},
      {"q_bind", "bind"},
      {"q_getsockname", "getsockname"},
      {"q_ntohs", "ntohs"},
      {"q_recvfrom", "recvfrom"},
      {"q_closesocket", "closesocket"},
      {"q_setsockopt", "setsockopt"},
      {"q_select", "select"},
  };
  for (const auto& [ours, theirs] : pairs) {
    FARPROC p = GetProcAddress(privateLib, ours);
    if (p == nullptr || p != GetProcAddress(system, theirs)) {
      std::printf("  %s is not the system's %s\n", ours, theirs);
      CHECK(false);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::printf("usage: agent_exports_test <WSOCK32 agent> <klvnt32b.dll> <WS2_32 agent>\n");
    return 2;
  }
  char systemPath[MAX_PATH];
  GetSystemDirectoryA(systemPath, MAX_PATH);
  HMODULE system = LoadLibraryA((std::string(systemPath) + "\\wsock32.dll").c_str());
  HMODULE system2 = LoadLibraryA((std::string(systemPath) + "\\ws2_32.dll").c_str());
  HMODULE agent = LoadLibraryA(WindowsPath(argv[1]).c_str());
  HMODULE privateLib = LoadLibraryA(WindowsPath(argv[2]).c_str());
  HMODULE agent2 = LoadLibraryA(WindowsPath(argv[3]).c_str());
  CHECK(system != nullptr && system2 != nullptr);
  CHECK(agent != nullptr && agent2 != nullptr);
  CHECK(privateLib != nullptr);
  if (system != nullptr && agent != nullptr) CheckWinsock11Agent(agent, system);
  if (system != nullptr && privateLib != nullptr) CheckPrivateLibrary(privateLib, system);
  // Its forwarders name ws2_32, the module it stands in for in a traced program: they must
  // reach the system's library, not itself.
  if (system2 != nullptr && agent2 != nullptr) {
    CheckAgentExports(agent2, system2, &protocol::calls::Call::ws2_32, 0);
  }
  return check::Finish("agent_exports_test");
}
