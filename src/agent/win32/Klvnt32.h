// The monitor's side of the agents, exported by the WSOCK32 agent of each width: contact,
// per-call flags and options for all the agents.
#pragma once

#include <windows.h>

#include <cstdint>

extern "C" {
// Flag 1 registers `window` and the UDP `port` (host order) as the receiver and returns the
// agent revision, 0 on failure. Flag 0 ends the contact of that window; agents then report
// nothing.
WORD WINAPI SPAContactAgent(HWND window, WORD port, int flag);
// Flag 1 traces the call with that API id (0..45), 0 stops it. Returns 0 for an unknown id.
int WINAPI SPAEnableSpy(int apiId, int flag);
int WINAPI SPASetTrackingOptions(int32_t ignoreWouldBlock, int32_t errorsOnly,
                                 int32_t restrictSocket, uint32_t socketId);
// Whole send and receive data when `saveEntire` is set, else at most `saveBytes` bytes.
int WINAPI SPASetDataBlockOptions(int32_t saveEntire, int32_t saveBytes);
// How many reports, in all traced processes since the block was made, waited for room in their
// agent's queue because the agent could not send as fast as the program called.
DWORD WINAPI SPAQueueWaits();
// Asks the agents to write their reports into the report channel numbered `channel`, which the
// caller made (protocol/ReportChannel.h), instead of sending datagrams; 0 goes back to
// datagrams. Only the window that holds the contact may ask; a new contact reads datagrams.
int WINAPI SPAUseChannel(HWND window, DWORD channel);
}
