// The JSON lines export: one object per record, with the field names the README fixes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "store/SpyMsg.h"

namespace format {

// The record as one JSON object on one line, without a line end.
std::string RecordJson(const CSpyMsg& msg, int32_t number);

// `bytes` as a JSON string, quotes included. The bytes are Latin-1 text from the traced
// program: 0x80 to 0xFF are written \u0080 to \u00FF, so any byte sequence gives valid JSON.
std::string JsonString(std::string_view bytes);

}  // namespace format
