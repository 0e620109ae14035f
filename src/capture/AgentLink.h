// The operations of the agent library that the monitor calls. The Windows program binds them to
// the agent library; tests record the calls.
#pragma once

#include <cstdint>

#include "capture/CaptureOptions.h"

namespace capture {

// The message the agent posts to, passed when the contact ends.
constexpr uint16_t kAgentNotifyMessage = 1025;

class IAgentLink {
 public:
  virtual ~IAgentLink() = default;
  // Flag 1 registers `window` and the UDP port (host order) and returns the agent revision, 0 on
  // failure; flag 0 ends the contact (the second argument is then kAgentNotifyMessage).
  virtual uint16_t SPAContactAgent(void* window, uint16_t value, int32_t flag) = 0;
  virtual void SPAEnableSpy(int32_t apiId, int32_t flag) = 0;
  virtual void SPASetTrackingOptions(int32_t ignoreWouldBlock, int32_t errorsOnly,
                                     int32_t restrictSocket, int32_t socketId) = 0;
  virtual void SPASetDataBlockOptions(int32_t saveEntire, int32_t saveBytes) = 0;
  // Asks the agents to write into the report channel numbered `channel`, which the monitor made,
  // instead of sending datagrams; only the window that holds the contact may ask.
  virtual void SPAUseChannel(void* window, uint32_t channel) = 0;
};

// Begin Trace, and accepted capture filters while tracing: every call's enable flag, then the
// tracking options, then the data block options.
void SendCaptureOptions(IAgentLink& agent, const CaptureOptions& options);
// End Trace, and right after the contact is made: trace nothing.
void StopAgentTracing(IAgentLink& agent);

}  // namespace capture
