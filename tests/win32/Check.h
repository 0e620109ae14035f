// The least a test program under Wine needs: count failed checks, say where, exit non-zero.
#pragma once

#include <cstdio>

namespace check {
inline int failures = 0;
inline void Fail(const char* file, int line, const char* what) {
  std::printf("%s:%d: check failed: %s\n", file, line, what);
  std::fflush(stdout);
  ++failures;
}
inline int Finish(const char* name) {
  std::printf("%s: %s\n", name, failures == 0 ? "all checks passed" : "FAILED");
  return failures == 0 ? 0 : 1;
}
}  // namespace check

#define CHECK(cond)                                      \
  do {                                                   \
    if (!(cond)) check::Fail(__FILE__, __LINE__, #cond); \
  } while (0)
