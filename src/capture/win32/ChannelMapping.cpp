#include "capture/win32/ChannelMapping.h"

namespace capture {

namespace pc = protocol::channel;

namespace {

constexpr DWORD kReclaimMs = 1000;

// Whether the process of a writer's source key (its process id, the module in the low bits) has
// ended.
bool ProcessGone(uint32_t source) {
  const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, source & ~3u);
  if (process == nullptr) return GetLastError() == ERROR_INVALID_PARAMETER;
  const bool gone = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
  CloseHandle(process);
  return gone;
}

}  // namespace

ChannelMapping::~ChannelMapping() {
  Poll(false);
  if (m_view != nullptr) {
    pc::ChannelReader(m_view).Close();
    UnmapViewOfFile(m_view);
  }
  if (m_mapping != nullptr) CloseHandle(m_mapping);
}

bool ChannelMapping::Open(HWND window, UINT message) {
  m_window = window;
  m_message = message;
  // A number from this process and the time; one that names a mapping still open (kept by the
  // writers of a reader gone before) is passed over.
  uint32_t id = GetCurrentProcessId() << 12 ^ GetTickCount();
  for (int tries = 0; tries < 16 && m_view == nullptr; ++tries, ++id) {
    if (id == 0) continue;
    const HANDLE mapping =
        CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                           static_cast<DWORD>(pc::kMappingBytes), pc::MappingName(id).c_str());
    if (mapping == nullptr) return false;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
      CloseHandle(mapping);
      continue;
    }
    m_view = static_cast<uint8_t*>(MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    if (m_view == nullptr) {
      CloseHandle(mapping);
      return false;
    }
    m_mapping = mapping;
    m_id = id;
  }
  if (m_view == nullptr) return false;
  pc::ChannelReader(m_view).Format(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window)),
                                   message);
  return true;
}

void ChannelMapping::Settle(ChannelDrain& drain, const ReceivePassStats& stats) {
  if (m_view == nullptr) return;
  if (GetTickCount() - m_reclaimed >= kReclaimMs) {
    m_reclaimed = GetTickCount();
    drain.Reclaim(ProcessGone);
  }
  if (stats.timeUp) {
    PostMessageA(m_window, m_message, 0, 0);
  } else if (stats.entries > 0) {
    Poll(true);
  } else if (drain.Arm()) {
    Poll(false);
  } else {
    Poll(true);  // something came as the reader was going to wait
  }
}

void ChannelMapping::Poll(bool on) {
  if (on == m_polling || m_window == nullptr) return;
  m_polling = on;
  if (on) {
    SetTimer(m_window, kPollTimer, kPollMs, nullptr);
  } else {
    KillTimer(m_window, kPollTimer);
  }
}

}  // namespace capture
