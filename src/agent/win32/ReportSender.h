// The agent's own traffic to the monitor. Reports leave the program's threads through a ring
// that a sender thread empties; the thread is made when the library is attached to the program
// that imports it, so that it is ready before the first report and ended only with the
// process. The agent's sockets go through the system library as this library imports it, so
// that the library is still attached when this one detaches and drains what is left.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <cstdint>

#include "agent/ReportRing.h"

namespace agent {

// A datagram socket with a start-up of its own; INVALID_SOCKET when refused. Non-blocking: a
// full receive buffer at the monitor must never hold the agent up.
SOCKET OpenOwnSocket();
void CloseOwnSocket(SOCKET s);
void SendDatagram(SOCKET s, const agent::QueuedDatagram& datagram);

class ReportSender {
 public:
  // At the attach of a library that the program imports. Failing, it leaves reports to be sent
  // in the calling thread.
  static void Start();
  // The sender, or null when there is none: the library was loaded at run time (and may be
  // unloaded while a thread runs in it), or the thread could not be made.
  static ReportSender* Get();
  // At process detach: every other thread has been ended, the sender wherever it stood.
  // Sends what is still queued on a socket of its own, taking no lock.
  static void DrainAtExit();

  // The socket the sender thread sends on; set while the program holds a start-up. The first
  // socket waits until the sender thread has made its first socket call.
  void UseSocket(SOCKET s);
  // Queues one datagram; callers take turns. While the ring is full it waits for the sender
  // and counts the report in `waits`. False when the sender thread has ended: what it left is
  // sent then, and the caller sends this datagram itself.
  bool Queue(const agent::QueuedDatagram& datagram, std::atomic<uint32_t>& waits);
  // Returns when the sender thread has sent everything queued, in order; when it has ended,
  // sends the rest on a socket of its own. Callers take turns with Queue.
  void Flush();

 private:
  static DWORD WINAPI ThreadMain(void* self);
  void Run();
  // Sends the datagrams not yet taken on a socket of its own, and first, when the sender thread
  // has ended, the one it held.
  void SendRest(bool senderEnded);

  static constexpr DWORD kStallMs = 1000;

  agent::ReportRing m_ring;
  std::atomic<SOCKET> m_socket{INVALID_SOCKET};
  std::atomic<bool> m_senderIdle{false};
  std::atomic<bool> m_callerWaiting{false};
  // The thread has begun to run. Once it runs it always makes progress, so a caller waits for it
  // however long a loaded machine starves it: sending past it would reorder the reports.
  std::atomic<bool> m_running{false};
  HANDLE m_thread = nullptr;
  HANDLE m_wake = nullptr;      // new datagrams for an idle sender
  HANDLE m_room = nullptr;      // a slot freed for a waiting caller
  HANDLE m_primed = nullptr;    // the sender thread's first socket call is made
  bool m_senderPrimed = false;  // read and written by the sender thread
  bool m_ended = false;         // the sender thread was found ended; read and written by callers
  bool m_callerPrimed = false;
};

}  // namespace agent
