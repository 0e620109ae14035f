#include "agent/win32/Agent.h"

namespace {

class Lock {
 public:
  explicit Lock(CRITICAL_SECTION& cs) : m_cs(cs) { EnterCriticalSection(&m_cs); }
  ~Lock() { LeaveCriticalSection(&m_cs); }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;

 private:
  CRITICAL_SECTION& m_cs;
};

// The loopback address and a port in network order, written byte by byte: the agent never
// calls its own exports, and the byte order of a sockaddr is fixed.
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

}  // namespace

Agent& Agent::Get() {
  static Agent agent;
  return agent;
}

Agent::Agent() : m_real{}, m_block(nullptr), m_processId(GetCurrentProcessId()) {
  const DWORD saved = GetLastError();
  m_real = RealWinsock::Load();
  m_block = MapControlBlock();
  InitializeCriticalSection(&m_lock);
  SetLastError(saved);
}

agent::TrackingOptions Agent::Tracking() const {
  agent::TrackingOptions options;
  options.ignoreWouldBlock = m_block->ignoreWouldBlock.load(std::memory_order_relaxed) != 0;
  options.errorsOnly = m_block->errorsOnly.load(std::memory_order_relaxed) != 0;
  options.restrictSocket = m_block->restrictSocket.load(std::memory_order_relaxed) != 0;
  options.socketId = m_block->socketId.load(std::memory_order_relaxed);
  return options;
}

void Agent::ProgramStarted() {
  Lock lock(m_lock);
  // With a monitor listening, the own socket is made at once rather than at the first report,
  // so that the program's socket handles do not depend on which calls are traced: a socket
  // id seen in one trace names the same socket when the program runs again restricted to it.
  if (++m_programStartups == 1 && m_own == INVALID_SOCKET && m_block != nullptr &&
      m_block->contact.load(std::memory_order_acquire) != 0) {
    const DWORD saved = GetLastError();
    m_own = OpenSocket();
    SetLastError(saved);
  }
}

int Agent::ProgramCleanup() {
  Lock lock(m_lock);
  if (m_programStartups == 1 && m_own != INVALID_SOCKET) {
    const DWORD saved = GetLastError();
    CloseSocket(m_own);
    m_own = INVALID_SOCKET;
    SetLastError(saved);
  }
  const int result = m_real.WSACleanup();
  if (result == 0 && m_programStartups > 0) --m_programStartups;
  return result;
}

SOCKET Agent::OpenSocket() {
  WSADATA data;
  if (m_real.WSAStartup(MAKEWORD(1, 1), &data) != 0) return INVALID_SOCKET;
  const SOCKET s = m_real.socket(AF_INET, SOCK_DGRAM, 0);
  if (s == INVALID_SOCKET) {
    m_real.WSACleanup();
    return INVALID_SOCKET;
  }
  u_long nonBlocking = 1;  // a full receive buffer at the monitor must never hold us up
  m_real.ioctlsocket(s, static_cast<long>(FIONBIO), &nonBlocking);
  return s;
}

void Agent::CloseSocket(SOCKET s) {
  m_real.closesocket(s);
  m_real.WSACleanup();
}

void Agent::SendAll(SOCKET s, uint16_t port, const std::vector<spy::Datagram>& datagrams) {
  const sockaddr_in to = MonitorAddress(port);
  for (const spy::Datagram& d : datagrams) {
    m_real.sendto(s, reinterpret_cast<const char*>(d.data()), static_cast<int>(d.size()), 0,
                  reinterpret_cast<const sockaddr*>(&to), sizeof(to));
  }
}

void Agent::Send(calls::Id id, std::span<const uint8_t> payload) {
  const auto port = static_cast<uint16_t>(m_block->port.load(std::memory_order_relaxed));
  Lock lock(m_lock);
  const auto datagrams =
      spy::FragmentMessage({m_processId, m_nextMsgNum, static_cast<uint16_t>(id)}, payload);
  ++m_nextMsgNum;
  if (m_programStartups > 0) {
    if (m_own == INVALID_SOCKET) m_own = OpenSocket();
    if (m_own != INVALID_SOCKET) SendAll(m_own, port, datagrams);
    return;
  }
  // Outside the program's start-up: a start-up of our own for this report only, so that
  // Winsock is as uninitialised afterwards as the program left it.
  const SOCKET s = OpenSocket();
  if (s == INVALID_SOCKET) return;
  SendAll(s, port, datagrams);
  CloseSocket(s);
}

void Agent::Lose() {
  Lock lock(m_lock);
  ++m_nextMsgNum;
}
