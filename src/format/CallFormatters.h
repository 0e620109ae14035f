// The call formatters: the socket calls decoded field by field, the others by name only.
#pragma once

#include <string>
#include <vector>

#include "protocol/Calls.h"
#include "store/SpyMsg.h"

namespace format {

// Appends the call lines and returns the returns text. A call decoded by name only gives
// "name(... )" and no returns text; a socket call without a payload gives "name(... )" and
// " SPYNOBUFS". Missing payload bytes count as zero; texts and option values end at the end of
// the payload.
std::string FormatCall(const protocol::calls::Call& call, const CSpyMsg& msg, std::vector<std::string>& lines,
                       bool verbose);

}  // namespace format
