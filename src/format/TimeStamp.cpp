#include "format/TimeStamp.h"

#include <cstdio>
#include <ctime>

namespace format {

std::string FormatTimeStamp(uint32_t seconds) {
  const std::string unknown = "??:??:??  ";
  // A 32-bit time_t cannot hold the times after 2038.
  if constexpr (sizeof(std::time_t) < 8) {
    if (seconds > 0x7FFFFFFFu) return unknown;
  }
  const std::time_t time = static_cast<std::time_t>(seconds);
  std::tm local{};
#ifdef _WIN32
  if (localtime_s(&local, &time) != 0) return unknown;
#else
  tzset();  // localtime_r need not notice a changed TZ on its own
  if (localtime_r(&time, &local) == nullptr) return unknown;
#endif
  char text[16];
  const int length = std::snprintf(text, sizeof text, "%02d:%02d:%02d  ", local.tm_hour,
                                   local.tm_min, local.tm_sec);
  if (length != 10) return unknown;
  return text;
}

}  // namespace format
