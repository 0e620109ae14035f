// The monitor's capture socket, opened through klvnt32b.dll so that its own traffic is never
// traced. It listens on 127.0.0.1 only: the agents send there, and nobody else may add to a
// trace.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "capture/ReceivePass.h"
#include "ui/win32/Scoped.h"

class CaptureSocket : public IDatagramSource {
 public:
  // Receive buffer asked for: the agent's bursts must wait in the socket while the window is
  // busy painting.
  static constexpr int kReceiveBufferBytes = 4 * 1024 * 1024;

  CaptureSocket() = default;
  ~CaptureSocket() override;
  CaptureSocket(const CaptureSocket&) = delete;
  CaptureSocket& operator=(const CaptureSocket&) = delete;

  // Starts the socket library from `folder` and binds a UDP socket to an ephemeral port on
  // 127.0.0.1; false (and no socket) on any failure.
  bool Open(const std::string& folder);
  uint16_t Port() const { return m_nPort; }
  // Posts `message` to `window` whenever datagrams wait.
  bool SelectReadNotifications(HWND window, UINT message);

  int Receive(uint8_t* buffer, int size, uint32_t& sourceAddress) override;

 private:
  using Socket = UINT_PTR;
  static constexpr Socket kNoSocket = ~Socket{0};

  ui::ScopedModule m_module;
  bool m_started = false;
  bool m_open = false;
  Socket m_socket = kNoSocket;
  uint16_t m_nPort = 0;
  alignas(8) unsigned char m_startupData[512] = {};  // WSADATA: 400 bytes on i686, more on x64

  int(WINAPI* m_startup)(WORD, void*) = nullptr;
  int(WINAPI* m_cleanup)() = nullptr;
  Socket(WINAPI* m_socketFn)(int, int, int) = nullptr;
  int(WINAPI* m_bind)(Socket, const void*, int) = nullptr;
  int(WINAPI* m_getsockname)(Socket, void*, int*) = nullptr;
  uint16_t(WINAPI* m_ntohs)(uint16_t) = nullptr;
  int(WINAPI* m_asyncSelect)(Socket, HWND, UINT, long) = nullptr;
  int(WINAPI* m_recvfrom)(Socket, char*, int, int, void*, int*) = nullptr;
  int(WINAPI* m_closesocket)(Socket) = nullptr;
  int(WINAPI* m_setsockopt)(Socket, int, int, const char*, int) = nullptr;
};
