// Texts the shell shows: the status panes it refreshes on idle and the About box's agent line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace app {

// Pane 2: the trigger state.
std::string TriggerPaneText(bool triggerEnabled);

// Pane 3: first shown record and record count, each right-aligned in four places and widened
// rather than cut; empty when the displayed buffer holds nothing.
std::string PositionPaneText(int firstVisible, int displayCount);

// Pane 4: the messages from the agents that never became records; empty while there are none.
std::string LostPaneText(uint64_t lost);
// What pane 4 shows: "No contact" while the agent refuses the monitor's contact (another monitor
// holds it), else the lost messages.
std::string AgentPaneText(bool contact, uint64_t lost);

// Begin Trace refused for want of the contact: nothing begins.
inline constexpr std::string_view kNoContactTrace =
    "Another monitor holds the contact with the agents: nothing will be traced. Close that "
    "monitor and choose Begin Trace again.";
// Launch Pgm without the contact: the question whether to launch anyway (Yes / No).
inline constexpr std::string_view kNoContactLaunch =
    "Another monitor holds the contact with the agents: the program's calls will not be traced "
    "here. Launch it anyway?";

// The About box's line on the agent library the monitor contacts (its own width's WSOCK32 agent:
// "Klvnt32.dll Revision 3.A0" in the 32-bit monitor); revision 0 means contacting it failed.
std::string AboutAgentLine(int agentRevision);

}  // namespace app
