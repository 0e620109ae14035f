// The call formatters: the socket calls decoded field by field, the others by name only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "protocol/Calls.h"
#include "store/SpyMsg.h"

namespace format {

// Appends the call lines and returns the returns text. A call decoded by name only gives
// "name(... )" and no returns text; a socket call without a payload gives "name(... )" and
// " SPYNOBUFS". Missing payload bytes count as zero; texts and option values end at the end of
// the payload.
std::string FormatCall(const protocol::calls::Call& call, const CSpyMsg& msg,
                       std::vector<std::string>& lines, bool verbose);

// The zero-ended text from `offset` of a payload, ending at the end of the payload at the latest.
std::string PayloadText(std::span<const uint8_t> payload, size_t offset);

// The option value of a getsockopt or setsockopt payload: optlen bytes, ending at the end of
// the payload at the latest.
std::span<const uint8_t> OptionBytes(std::span<const uint8_t> payload);
// Its first four bytes as a little-endian int, missing bytes zero.
int32_t OptionValue(std::span<const uint8_t> payload);

}  // namespace format
