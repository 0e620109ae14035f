// The Windows half of the pipeline: a real window under Wine gets its messages, and the core
// built by the cross compiler reassembles a message as it does natively.
#include <windows.h>

#include "Check.h"
#include "capture/PendingList.h"
#include "protocol/SpyDatagram.h"

namespace {

constexpr UINT kPing = WM_USER + 1;
int g_pings = 0;

LRESULT CALLBACK SmokeWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kPing) {
    g_pings += static_cast<int>(wParam);
    return 42;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

class FixedClock : public capture::IClock {
 public:
  uint32_t Now() override { return 1000; }
};

}  // namespace

int main() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = SmokeWndProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "QuarnetSmoke";
  CHECK(RegisterClassA(&wc) != 0);
  HWND hwnd = CreateWindowA("QuarnetSmoke", "Quarnet smoke test", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                            100, nullptr, nullptr, wc.hInstance, nullptr);
  CHECK(hwnd != nullptr);
  CHECK(SendMessageA(hwnd, kPing, 3, 0) == 42);
  CHECK(PostMessageA(hwnd, kPing, 4, 0));
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  CHECK(g_pings == 7);
  DestroyWindow(hwnd);

  FixedClock clock;
  CPendingList pending(clock);
  std::vector<uint8_t> payload(300, 0x5A);
  for (const auto& d : protocol::spy::FragmentMessage({GetCurrentProcessId(), 1, 18}, payload)) {
    pending.AddFragment(d);
  }
  auto record = pending.TakeCompleteMessage();
  CHECK(record != nullptr);
  CHECK(record && record->m_hData.Size() == 488);
  CHECK(record && record->m_nError == 0x5A5A5A5A);
  CHECK(record && record->m_time == 1000);
  return check::Finish("window_smoke_test");
}
