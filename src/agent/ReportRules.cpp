#include "agent/ReportRules.h"

#include <algorithm>

namespace agent {

bool ShouldReport(const TrackingOptions& options, bool failed, int32_t error,
                  std::initializer_list<uint32_t> sockets) {
  if (options.ignoreWouldBlock && failed && error == kWsaEWouldBlock) return false;
  if (options.errorsOnly && !(failed && error != kWsaIoPending)) return false;
  if (options.restrictSocket) {
    return std::find(sockets.begin(), sockets.end(), options.socketId) != sockets.end();
  }
  return true;
}

size_t KeptBytes(int32_t transferred, bool saveEntire, int32_t saveBytes, size_t fixedPart,
                 size_t maxPayload) {
  if (transferred <= 0 || fixedPart >= maxPayload) return 0;
  size_t kept = static_cast<size_t>(transferred);
  if (!saveEntire) kept = std::min(kept, static_cast<size_t>(std::max(saveBytes, 0)));
  return std::min(kept, maxPayload - fixedPart);
}

}  // namespace agent
