// What the agent reports of a call, by the monitor's tracking and data options.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>

namespace agent {

constexpr int32_t kWsaEWouldBlock = 10035;
// An overlapped call that was started and completes later: not a failure.
constexpr int32_t kWsaIoPending = 997;

struct TrackingOptions {
  bool ignoreWouldBlock = false;
  bool errorsOnly = false;
  bool restrictSocket = false;
  uint32_t socketId = 0;
};

// `failed` says whether the call's result signalled failure, `error` is the code it left; a
// call that failed with WSA_IO_PENDING is under way, which "Track Errors Only" does not count.
// `sockets` are the call's socket argument and, for socket and accept, the new socket; a call
// without a socket is left out while the restriction is on.
bool ShouldReport(const TrackingOptions& options, bool failed, int32_t error,
                  std::initializer_list<uint32_t> sockets);

// Data bytes kept of a transfer of `transferred` bytes (the call's result; negative when it
// failed): all of them or at most `saveBytes`, and never more than a payload of `maxPayload`
// bytes holds after the call's `fixedPart` (24 bytes for recv and send, 48 for recvfrom and
// sendto): what 255 datagrams carry, or a record of the report channel.
size_t KeptBytes(int32_t transferred, bool saveEntire, int32_t saveBytes, size_t fixedPart,
                 size_t maxPayload);

}  // namespace agent
