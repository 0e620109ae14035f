// The time of day in front of a record's first line, in local time (TZ is honoured).
#pragma once

#include <cstdint>
#include <string>

namespace format {

// "HH:MM:SS  " for seconds since 1970-01-01 UTC, unsigned (values from 0x80000000 on are times
// after 2038); "??:??:??  " when the platform cannot convert the time.
std::string FormatTimeStamp(uint32_t seconds);

}  // namespace format
