// The call lines and the returns text of a record, rendered from its call's fields (CallFields).
#pragma once

#include <string>
#include <vector>

#include "protocol/Calls.h"
#include "store/SpyMsg.h"

namespace format {

// Appends the call lines and returns the returns text. A call decoded by name only gives
// "name(... )" and no returns text; a socket call without a payload gives "name(... )" and
// " SPYNOBUFS".
std::string FormatCall(const protocol::calls::Call& call, const CSpyMsg& msg,
                       std::vector<std::string>& lines, bool verbose);

}  // namespace format
