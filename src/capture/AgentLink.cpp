#include "capture/AgentLink.h"

#include <cstddef>

namespace capture {

void SendCaptureOptions(IAgentLink& agent, const CaptureOptions& options) {
  for (int id = 0; id < protocol::calls::kFlagCount; ++id) {
    agent.SPAEnableSpy(id, options.m_apiEnable[static_cast<size_t>(id)]);
  }
  agent.SPASetTrackingOptions(options.m_bIgnoreWouldBlock, options.m_bErrorsOnly,
                              options.m_bRestrictSocket, options.m_nSocketId);
  agent.SPASetDataBlockOptions(options.m_bSaveEntire, options.m_nSaveBytes);
}

void StopAgentTracing(IAgentLink& agent) {
  for (int id = 0; id < protocol::calls::kFlagCount; ++id) agent.SPAEnableSpy(id, 0);
  agent.SPASetTrackingOptions(0, 0, 0, 0);
}

}  // namespace capture
