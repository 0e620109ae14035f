// The system library the agent stands in for (WSOCK32.DLL or WS2_32.DLL), loaded once by full
// path from the system directory. The agent calls it for the program, never through its own
// exports.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>

#include "protocol/Calls.h"

namespace agent {

struct RealWinsock {
  // One entry per row, named by its key; the rows the library exports are bound.
#define QUARNET_REAL_ENTRY(id, key, name, ...) decltype(&::name) key;
  QUARNET_CALLS(QUARNET_REAL_ENTRY)
#undef QUARNET_REAL_ENTRY

  // Loads the library and the entries of its rows; ends the process with a message when the
  // system has no usable library, since no call could be served then.
  static RealWinsock Load();
};

// The entry of the call with that id.
template <protocol::calls::Id kId>
constexpr auto kEntryOf = nullptr;
#define QUARNET_ENTRY_OF(id, key, ...) \
  template <>                          \
  constexpr auto kEntryOf<protocol::calls::Id::key> = &RealWinsock::key;
QUARNET_CALLS(QUARNET_ENTRY_OF)
#undef QUARNET_ENTRY_OF

}  // namespace agent
