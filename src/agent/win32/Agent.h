// The agent inside a traced process: the system's socket library, the monitor's control
// block, and the sending of reports.
//
// The program must see Winsock exactly as it would untraced, including when it is not
// initialised. So the agent holds a start-up and a socket of its own only while the program
// has a start-up outstanding (made at the program's first WSAStartup when a monitor listens,
// else at the first report), drops them just before the program's last WSACleanup, and sends
// reports of calls made outside that window through a start-up of its own for that report.
// Within the window reports are queued for the sender thread (ReportSender.h), which sends on
// that socket; the program's last WSACleanup waits until the queue is empty.
//
// When the monitor has asked for the report channel instead (ChannelLink.h), every report goes
// into the module's lane there, and the agent needs no socket at all; at the module's detach the
// lane gets the end mark.
#pragma once

#include <winsock2.h>

#include <cstdint>
#include <span>
#include <vector>

#include "agent/ReportRules.h"
#include "agent/win32/ChannelLink.h"
#include "agent/win32/ControlBlock.h"
#include "agent/win32/RealWinsock.h"
#include "protocol/Calls.h"
#include "protocol/SpyDatagram.h"

namespace agent {

// The system library an agent module stands in for. Each agent library defines which it is.
enum class Library : uint8_t { kWsock32, kWs2_32 };
extern const Library kAgentLibrary;

class Agent {
 public:
  // Loads the system library on first use; keeps the thread's error as it was.
  static Agent& Get();

  const RealWinsock& Real() const { return m_real; }

  // True while a monitor listens and has asked for the call, by the flag that governs it.
  bool Wants(protocol::calls::Id id) const {
    return m_block != nullptr && m_block->contact.load(std::memory_order_acquire) != 0 &&
           m_block->enable[protocol::calls::FlagOf(id)].load(std::memory_order_relaxed) != 0;
  }
  agent::TrackingOptions Tracking() const;
  bool SaveEntire() const { return m_block->saveEntire.load(std::memory_order_relaxed) != 0; }
  int32_t SaveBytes() const { return m_block->saveBytes.load(std::memory_order_relaxed); }
  // The most payload a report may have on its way to the monitor.
  size_t MaxPayload();

  // The program's WSAStartup succeeded.
  void ProgramStarted();
  // Runs the program's WSACleanup, the system's `cleanup`; the agent's own start-up goes first
  // when it is the last.
  int ProgramCleanup(int(WINAPI* cleanup)());

  // Sends one report to the monitor, or queues it. Never fails the program and waits only while
  // the queue is full; the caller restores the thread's error afterwards.
  void Send(protocol::calls::Id id, std::span<const uint8_t> payload);
  // A report that could not be built or sent uses up its message number all the same.
  void Lose();
  // At the module's detach: the end mark in its lane. When the process ends, its other threads
  // have been ended wherever they stood, so no lock is taken.
  static void EndReports(bool processEnds);

  Agent(const Agent&) = delete;
  Agent& operator=(const Agent&) = delete;

 private:
  Agent();
  // Follows the channel the control block names; true when the module has a lane in it.
  bool FollowChannel();

  RealWinsock m_real;
  ControlBlock* m_block;
  uint32_t m_source;        // the source key of its datagrams
  CRITICAL_SECTION m_lock;  // guards everything below; keeps message numbers in send order
  int m_programStartups = 0;
  SOCKET m_own = INVALID_SOCKET;
  ChannelLink m_channel;
  uint32_t m_nextMsgNum = 0;  // datagrams carry its low 16 bits
};

}  // namespace agent
