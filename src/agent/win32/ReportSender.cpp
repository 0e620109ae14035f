#include "agent/win32/ReportSender.h"

#include "agent/win32/Agent.h"

namespace agent {

namespace {

// The loopback address and a port in network order, written byte by byte: the byte order of a
// sockaddr is fixed.
sockaddr_in MonitorAddress(uint16_t port) {
  sockaddr_in to{};
  to.sin_family = AF_INET;
  auto* p = reinterpret_cast<uint8_t*>(&to.sin_port);
  p[0] = static_cast<uint8_t>(port >> 8);
  p[1] = static_cast<uint8_t>(port);
  auto* a = reinterpret_cast<uint8_t*>(&to.sin_addr);
  a[0] = 127;
  a[3] = 1;
  return to;
}

ReportSender g_sender;
bool g_started = false;

}  // namespace

SOCKET OpenOwnSocket() {
  WSADATA data;
  if (WSAStartup(MAKEWORD(1, 1), &data) != 0) return INVALID_SOCKET;
  const SOCKET s = socket(AF_INET, SOCK_DGRAM, 0);
  if (s == INVALID_SOCKET) {
    WSACleanup();
    return INVALID_SOCKET;
  }
  u_long nonBlocking = 1;
  ioctlsocket(s, static_cast<long>(FIONBIO), &nonBlocking);
  return s;
}

void CloseOwnSocket(SOCKET s) {
  closesocket(s);
  WSACleanup();
}

void SendDatagram(SOCKET s, const agent::QueuedDatagram& datagram) {
  const sockaddr_in to = MonitorAddress(datagram.port);
  sendto(s, reinterpret_cast<const char*>(datagram.bytes.data()),
         static_cast<int>(datagram.bytes.size()), 0, reinterpret_cast<const sockaddr*>(&to),
         sizeof(to));
}

void ReportSender::Start() {
  g_sender.m_wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  g_sender.m_room = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  g_sender.m_primed = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (g_sender.m_wake == nullptr || g_sender.m_room == nullptr || g_sender.m_primed == nullptr) {
    return;
  }
  // Runs once the loader lets go, before or while the program starts.
  g_sender.m_thread = CreateThread(nullptr, 0, ThreadMain, &g_sender, 0, nullptr);
  g_started = g_sender.m_thread != nullptr;
}

ReportSender* ReportSender::Get() {
  return g_started ? &g_sender : nullptr;
}

void ReportSender::DrainAtExit() {
  if (g_started) g_sender.SendRest(true);
}

DWORD WINAPI ReportSender::ThreadMain(void* self) {
  static_cast<ReportSender*>(self)->Run();
  return 0;
}

void ReportSender::UseSocket(SOCKET s) {
  m_socket.store(s, std::memory_order_release);
  if (s == INVALID_SOCKET || m_callerPrimed) return;
  // Wine gives a thread an event handle at its first socket call. Made at a fixed point of the
  // program's run, it leaves the program's socket handles the same from run to run, so that a
  // socket id seen in one trace names the same socket when the program runs again.
  // Bounded: a thread cannot start while the caller holds the loader lock (a library of the
  // program starting Winsock in its DllMain).
  SetEvent(m_wake);
  const HANDLE events[] = {m_primed, m_thread};
  WaitForMultipleObjects(2, events, FALSE, kStallMs);
  m_callerPrimed = true;
}

void ReportSender::Run() {
  m_running.store(true);
  for (;;) {
    const SOCKET s = m_socket.load(std::memory_order_acquire);
    if (!m_senderPrimed && s != INVALID_SOCKET) {
      u_long nonBlocking = 1;  // as it is already
      ioctlsocket(s, static_cast<long>(FIONBIO), &nonBlocking);
      m_senderPrimed = true;
      SetEvent(m_primed);
    }
    while (const auto taken = m_ring.Take()) {
      SendDatagram(m_socket.load(std::memory_order_acquire), m_ring.At(*taken));
      m_ring.Release(*taken);
      if (m_callerWaiting.exchange(false)) SetEvent(m_room);
    }
    // Going idle: a caller that queues from now on sees it and wakes the thread.
    m_senderIdle.store(true);
    if (!m_ring.Empty()) {
      m_senderIdle.store(false);
      continue;
    }
    WaitForSingleObject(m_wake, INFINITE);
  }
}

bool ReportSender::Queue(const agent::QueuedDatagram& datagram, std::atomic<uint32_t>& waits) {
  if (m_ended) return false;
  if (!m_ring.HasRoom()) {
    waits.fetch_add(1, std::memory_order_relaxed);
    const HANDLE events[] = {m_room, m_thread};
    for (;;) {
      m_callerWaiting.store(true);
      if (m_ring.HasRoom()) break;
      const DWORD woken = WaitForMultipleObjects(2, events, FALSE, kStallMs);
      if (woken == WAIT_OBJECT_0 + 1) {
        m_ended = true;
        SendRest(true);
        return false;
      }
      // No room for that long and the thread never ran: it cannot start while the caller holds
      // the loader lock.
      if (woken == WAIT_TIMEOUT && !m_running.load()) SendRest(false);
    }
    m_callerWaiting.store(false);
  }
  m_ring.Push(datagram);
  if (m_senderIdle.exchange(false)) SetEvent(m_wake);
  return true;
}

void ReportSender::Flush() {
  const DWORD start = GetTickCount();
  while (!m_ended && !m_ring.Settled()) {
    if (WaitForSingleObject(m_thread, 1) == WAIT_OBJECT_0) m_ended = true;
    // A thread that cannot start while the caller holds the loader lock sends nothing.
    if (GetTickCount() - start > kStallMs && !m_running.load()) SendRest(false);
  }
  if (m_ended) SendRest(true);
}

void ReportSender::SendRest(bool senderEnded) {
  // The datagram an ended sender was sending may or may not have left: sent again, the monitor
  // drops the repeat.
  const auto held = senderEnded ? m_ring.Held() : std::nullopt;
  if (m_ring.Empty() && !held) return;
  const SOCKET s = OpenOwnSocket();
  if (s != INVALID_SOCKET && held) SendDatagram(s, m_ring.At(*held));
  while (const auto taken = m_ring.Take()) {
    if (s != INVALID_SOCKET) SendDatagram(s, m_ring.At(*taken));
    m_ring.Release(*taken);
  }
  if (s != INVALID_SOCKET) CloseOwnSocket(s);
}

}  // namespace agent

// A library that the program imports stays loaded until the process ends, so only then may a
// thread of its own run in it; at the end, what that thread left is sent before the system's
// socket library, which this one imports, detaches. Whichever way the library goes, its lane in
// the report channel gets the end mark.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  const bool processEnds = reserved != nullptr;
  if (processEnds && reason == DLL_PROCESS_ATTACH) agent::ReportSender::Start();
  if (reason == DLL_PROCESS_DETACH) {
    agent::Agent::EndReports(processEnds);
    if (processEnds) agent::ReportSender::DrainAtExit();
  }
  return TRUE;
}
