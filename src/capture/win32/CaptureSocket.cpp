#include "capture/win32/CaptureSocket.h"

#include <winsock.h>

#include "capture/win32/LibraryExport.h"

namespace {

constexpr int kSocketError = -1;
// Winsock's values, spelled out because the monitor does not link the system's library.
constexpr int kSolSocket = 0xFFFF;
constexpr int kSoRcvBuf = 0x1002;
constexpr int kSoExclusiveAddrUse = ~0x0004;

}  // namespace

CaptureSocket::~CaptureSocket() {
  if (m_open) m_closesocket(m_socket);
  if (m_started) m_cleanup();
}

bool CaptureSocket::Open(const std::string& folder) {
  m_module.Reset(LoadLibraryA((folder + "klvnt32b.dll").c_str()));
  const int ptr = static_cast<int>(sizeof(void*));
  m_startup = ExportAs<decltype(m_startup)>(m_module.Get(), "QSAStartup", 8);
  m_cleanup = ExportAs<decltype(m_cleanup)>(m_module.Get(), "QSACleanup", 0);
  m_socketFn = ExportAs<decltype(m_socketFn)>(m_module.Get(), "q_socket", 12);
  m_bind = ExportAs<decltype(m_bind)>(m_module.Get(), "q_bind", 12);
  m_getsockname = ExportAs<decltype(m_getsockname)>(m_module.Get(), "q_getsockname", 12);
  m_ntohs = ExportAs<decltype(m_ntohs)>(m_module.Get(), "q_ntohs", 4);
  m_asyncSelect = ExportAs<decltype(m_asyncSelect)>(m_module.Get(), "QSAAsyncSelect", 16);
  m_recvfrom = ExportAs<decltype(m_recvfrom)>(m_module.Get(), "q_recvfrom", 24);
  m_closesocket = ExportAs<decltype(m_closesocket)>(m_module.Get(), "q_closesocket", ptr);
  m_setsockopt = ExportAs<decltype(m_setsockopt)>(m_module.Get(), "q_setsockopt", 20);
  if (!m_startup || !m_cleanup || !m_socketFn || !m_bind || !m_getsockname || !m_ntohs ||
      !m_asyncSelect || !m_recvfrom || !m_closesocket) {
    return false;
  }
  if (m_startup(0x0101, m_startupData) != 0) return false;
  m_started = true;
  m_socket = m_socketFn(AF_INET, SOCK_DGRAM, 0);
  if (m_socket == kNoSocket) return false;
  m_open = true;

  if (m_setsockopt != nullptr) {
    // Exclusive use keeps another program from binding the same port and reading the trace;
    // where it cannot be had the socket works without it.
    const int on = 1;
    m_setsockopt(m_socket, kSolSocket, kSoExclusiveAddrUse, reinterpret_cast<const char*>(&on),
                 sizeof on);
    const int size = kReceiveBufferBytes;
    m_setsockopt(m_socket, kSolSocket, kSoRcvBuf, reinterpret_cast<const char*>(&size),
                 sizeof size);
  }

  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = 0;
  local.sin_addr.S_un.S_un_b = {127, 0, 0, 1};
  int length = sizeof local;
  if (m_bind(m_socket, &local, sizeof local) == kSocketError ||
      m_getsockname(m_socket, &local, &length) == kSocketError) {
    m_closesocket(m_socket);
    m_socket = kNoSocket;
    m_open = false;
    return false;
  }
  m_nPort = m_ntohs(local.sin_port);
  return true;
}

bool CaptureSocket::SelectReadNotifications(HWND window, UINT message) {
  return m_open && m_asyncSelect(m_socket, window, message, FD_READ) == 0;
}

int CaptureSocket::Receive(uint8_t* buffer, int size, uint32_t& sourceAddress) {
  sockaddr_in from{};
  int length = sizeof from;
  const int received =
      m_recvfrom(m_socket, reinterpret_cast<char*>(buffer), size, 0, &from, &length);
  sourceAddress = 0;
  if (received >= 0 && length >= static_cast<int>(sizeof from) && from.sin_family == AF_INET) {
    const auto& b = from.sin_addr.S_un.S_un_b;
    sourceAddress = static_cast<uint32_t>(b.s_b1) << 24 | static_cast<uint32_t>(b.s_b2) << 16 |
                    static_cast<uint32_t>(b.s_b3) << 8 | b.s_b4;
  }
  return received;
}
