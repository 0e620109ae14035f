// An agent link that records each call as a line of text, for tests of the commands that talk
// to the agent.
#pragma once

#include <string>
#include <vector>

#include "capture/AgentLink.h"

class RecordingAgentLink : public capture::IAgentLink {
 public:
  uint16_t SPAContactAgent(void*, uint16_t value, int32_t flag) override {
    calls.push_back("contact " + std::to_string(value) + " " + std::to_string(flag));
    return revision;
  }
  void SPAEnableSpy(int32_t apiId, int32_t flag) override {
    calls.push_back("enable " + std::to_string(apiId) + " " + std::to_string(flag));
  }
  void SPASetTrackingOptions(int32_t a, int32_t b, int32_t c, int32_t d) override {
    calls.push_back("tracking " + std::to_string(a) + " " + std::to_string(b) + " " +
                    std::to_string(c) + " " + std::to_string(d));
  }
  void SPASetDataBlockOptions(int32_t entire, int32_t bytes) override {
    calls.push_back("datablock " + std::to_string(entire) + " " + std::to_string(bytes));
  }
  void SPAUseChannel(void*, uint32_t channel) override {
    calls.push_back("channel " + std::to_string(channel));
  }

  uint16_t revision = 1;
  std::vector<std::string> calls;
};
