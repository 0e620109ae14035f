#include "agent/win32/Agent.h"

#include "agent/win32/ReportSender.h"

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

}  // namespace

namespace agent {

namespace {

std::atomic<Agent*> g_made{nullptr};

}  // namespace

Agent& Agent::Get() {
  static Agent agent;
  return agent;
}

// Process ids are multiples of four on Windows and in Wine, so the low bits can name the module:
// each agent library in a process numbers its messages on its own, and the monitor keys them
// by source and number.
Agent::Agent()
    : m_real{},
      m_block(nullptr),
      m_source(GetCurrentProcessId() | static_cast<uint32_t>(kAgentLibrary)) {
  const DWORD saved = GetLastError();
  m_real = RealWinsock::Load();
  m_block = MapControlBlock();
  InitializeCriticalSection(&m_lock);
  g_made.store(this);
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
  // Reports into the report channel need none; its lane is taken at the first report.
  if (++m_programStartups == 1 && m_own == INVALID_SOCKET && m_block != nullptr &&
      m_block->contact.load(std::memory_order_acquire) != 0 &&
      m_block->channel.load(std::memory_order_acquire) == 0) {
    const DWORD saved = GetLastError();
    m_own = OpenOwnSocket();
    if (ReportSender* sender = ReportSender::Get()) sender->UseSocket(m_own);
    SetLastError(saved);
  }
}

int Agent::ProgramCleanup(int(WINAPI* cleanup)()) {
  Lock lock(m_lock);
  if (m_programStartups == 1 && m_own != INVALID_SOCKET) {
    const DWORD saved = GetLastError();
    if (ReportSender* sender = ReportSender::Get()) {
      sender->Flush();
      sender->UseSocket(INVALID_SOCKET);
    }
    CloseOwnSocket(m_own);
    m_own = INVALID_SOCKET;
    SetLastError(saved);
  }
  const int result = cleanup();
  if (result == 0 && m_programStartups > 0) --m_programStartups;
  return result;
}

bool Agent::FollowChannel() {
  const uint32_t id = m_block->channel.load(std::memory_order_acquire);
  if (id != m_channel.Id()) m_channel.Follow(id, m_source, m_nextMsgNum);
  return m_channel.HasLane();
}

size_t Agent::MaxPayload() {
  Lock lock(m_lock);
  return FollowChannel() ? protocol::channel::kMaxPayload : protocol::spy::kMaxPayload;
}

void Agent::Send(protocol::calls::Id id, std::span<const uint8_t> payload) {
  const auto port = static_cast<uint16_t>(m_block->port.load(std::memory_order_relaxed));
  Lock lock(m_lock);
  const bool channel = FollowChannel();
  const uint32_t number = m_nextMsgNum++;
  if (channel) {
    m_channel.Put(number, static_cast<uint16_t>(id), payload, m_block->queueWaits);
    return;
  }
  const auto datagrams = protocol::spy::FragmentMessage(
      {m_source, static_cast<uint16_t>(number), static_cast<uint16_t>(id)}, payload);
  if (m_programStartups > 0) {
    ReportSender* sender = ReportSender::Get();
    if (m_own == INVALID_SOCKET) {
      m_own = OpenOwnSocket();
      if (sender != nullptr) sender->UseSocket(m_own);
    }
    if (m_own == INVALID_SOCKET) return;
    for (const protocol::spy::Datagram& d : datagrams) {
      const agent::QueuedDatagram queued{port, d};
      if (sender == nullptr || !sender->Queue(queued, m_block->queueWaits)) {
        SendDatagram(m_own, queued);
      }
    }
    return;
  }
  // Outside the program's start-up: a start-up of our own for this report only, so that
  // Winsock is as uninitialised afterwards as the program left it.
  const SOCKET s = OpenOwnSocket();
  if (s == INVALID_SOCKET) return;
  for (const protocol::spy::Datagram& d : datagrams) SendDatagram(s, {port, d});
  CloseOwnSocket(s);
}

void Agent::Lose() {
  Lock lock(m_lock);
  ++m_nextMsgNum;
}

void Agent::EndReports(bool processEnds) {
  Agent* agent = g_made.load();
  if (agent == nullptr) return;
  if (processEnds) {
    agent->m_channel.End(agent->m_nextMsgNum);
    return;
  }
  Lock lock(agent->m_lock);
  agent->m_channel.End(agent->m_nextMsgNum);
}

}  // namespace agent
