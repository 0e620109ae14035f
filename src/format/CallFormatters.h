// The formatters of the 23 socket calls, API ids 0 to 22.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "store/SpyMsg.h"

constexpr int32_t kLastSocketCall = 22;

// Only for records with API id 0..22: appends the call lines and returns its returns text. A record
// without a payload gives "name(... )" and " SPYNOBUFS". Missing payload bytes count as zero;
// texts and option values end at the end of the payload.
std::string FormatSocketCall(const CSpyMsg& msg, std::vector<std::string>& lines, bool verbose);

// The zero-ended text from `offset` of a payload, ending at the end of the payload at the latest.
std::string PayloadText(std::span<const uint8_t> payload, size_t offset);
