#pragma once

#include <cstdint>
#include <ctime>

namespace capture {

// Wall-clock time in whole seconds since 1970-01-01 00:00 UTC; injected so that staleness and
// time stamps can be tested exactly.
class IClock {
 public:
  virtual ~IClock() = default;
  virtual uint32_t Now() = 0;
};

class SystemClock : public IClock {
 public:
  uint32_t Now() override { return static_cast<uint32_t>(std::time(nullptr)); }
};

}  // namespace capture
