#include "app/ShellText.h"

#include <cstdio>

#include "protocol/AgentFiles.h"

namespace app {

std::string TriggerPaneText(bool triggerEnabled) {
  return triggerEnabled ? "Trigger On" : "Trigger Off";
}

std::string PositionPaneText(int firstVisible, int displayCount) {
  if (displayCount < 1) return {};
  char text[32];
  std::snprintf(text, sizeof text, "%4d:%4d", firstVisible, displayCount);
  return text;
}

std::string LostPaneText(uint64_t lost) {
  return lost == 0 ? std::string() : "Lost " + std::to_string(lost);
}

std::string AgentPaneText(bool contact, uint64_t lost) {
  return contact ? LostPaneText(lost) : "No contact";
}

std::string AboutAgentLine(int agentRevision) {
  const std::string agent = protocol::AgentDll(protocol::kWsock32);
  if (agentRevision == 0) return agent + " Failure!";
  char text[32];
  std::snprintf(text, sizeof text, " Revision %d.A0", agentRevision);
  return agent + text;
}

}  // namespace app
