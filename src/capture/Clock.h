#pragma once

#include <cstdint>

namespace capture {

// Wall-clock time in whole seconds since 1970-01-01 00:00 UTC; injected so that staleness and
// time stamps can be tested exactly.
class IClock {
 public:
  virtual ~IClock() = default;
  virtual uint32_t Now() = 0;
};

}  // namespace capture
