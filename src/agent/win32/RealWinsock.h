// The system's WSOCK32.DLL, loaded once by full path from the system directory. The agent
// calls it for the program and for its own datagrams, never through its own exports.
#pragma once

#include <winsock.h>

#include "protocol/Calls.h"

namespace agent {

struct RealWinsock {
  // One entry per traced call, named as the call.
#define QUARNET_REAL_ENTRY(id, name, ...) decltype(&::name) name;
  QUARNET_CALLS(QUARNET_REAL_ENTRY)
#undef QUARNET_REAL_ENTRY

  // Loads the library and every entry; ends the process with a message when the system has
  // no usable WSOCK32.DLL, since no call could be served then.
  static RealWinsock Load();
};

// The entry of the call with that id.
template <protocol::calls::Id kId>
constexpr auto kEntryOf = nullptr;
#define QUARNET_ENTRY_OF(id, name, ...) \
  template <>                           \
  constexpr auto kEntryOf<protocol::calls::Id::name> = &RealWinsock::name;
QUARNET_CALLS(QUARNET_ENTRY_OF)
#undef QUARNET_ENTRY_OF

}  // namespace agent
