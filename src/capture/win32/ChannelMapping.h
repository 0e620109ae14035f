// The report channel a reader makes (protocol/ReportChannel.h): the named mapping, and when the
// reader reads it. A writer wakes the reader only while it waits, by posting the reader's receive
// message; while reports keep coming the reader looks again on a short timer instead, so that a
// busy program costs neither side a system call per report.
#pragma once

#include <windows.h>

#include <cstdint>

#include "capture/ChannelDrain.h"
#include "capture/ReceivePass.h"

namespace capture {

class ChannelMapping {
 public:
  // How often the reader looks while reports keep coming: well within the time in which a record
  // should show, and seldom enough to cost nothing per report.
  static constexpr UINT kPollMs = 10;
  // The timer's id: its WM_TIMER starts a receive pass as the receive message does.
  static constexpr UINT_PTR kPollTimer = 0x514E;

  ChannelMapping() = default;
  ~ChannelMapping();
  ChannelMapping(const ChannelMapping&) = delete;
  ChannelMapping& operator=(const ChannelMapping&) = delete;

  // Makes a channel under a number no other has, whose writers wake `window` with `message`;
  // false when the system refuses.
  bool Open(HWND window, UINT message);
  uint8_t* Bytes() const { return m_view; }
  uint32_t Id() const { return m_id; }

  // After a receive pass that read `drain` and returned `stats`: passes again at once when it ran
  // out of time, looks again on the timer while records come, and otherwise waits for a writer's
  // wake-up. Now and then frees the lanes of writers that went without an end mark.
  void Settle(ChannelDrain& drain, const ReceivePassStats& stats);

 private:
  void Poll(bool on);

  HWND m_window = nullptr;
  UINT m_message = 0;
  HANDLE m_mapping = nullptr;
  uint8_t* m_view = nullptr;
  uint32_t m_id = 0;
  bool m_polling = false;
  DWORD m_reclaimed = 0;  // when the lanes were last looked at for gone writers
};

}  // namespace capture
