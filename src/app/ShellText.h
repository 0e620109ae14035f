// Texts the shell shows: the status panes it refreshes on idle and the About box's agent line.
#pragma once

#include <cstdint>
#include <string>

namespace app {

// Pane 2: the trigger state.
std::string TriggerPaneText(bool triggerEnabled);

// Pane 3: first shown record and record count, each right-aligned in four places and widened
// rather than cut; empty when the displayed buffer holds nothing.
std::string PositionPaneText(int firstVisible, int displayCount);

// Pane 4: the messages from the agents that never became records; empty while there are none.
std::string LostPaneText(uint64_t lost);

// The About box's line on the agent library; revision 0 means contacting it failed.
std::string AboutAgentLine(int agentRevision);

}  // namespace app
