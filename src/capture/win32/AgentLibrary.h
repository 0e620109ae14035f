// The agent operations bound to the WSOCK32 agent of the program's own width (Klvnt32.dll beside
// the 32-bit monitor), which sets them in the control block every agent reads. Without the
// library every contact fails and the other operations do nothing.
#pragma once

#include <windows.h>

#include <string>

#include "capture/AgentLink.h"
#include "ui/win32/Scoped.h"

namespace capture {

class AgentLibrary : public IAgentLink {
 public:
  explicit AgentLibrary(const std::string& folder);
  AgentLibrary(const AgentLibrary&) = delete;
  AgentLibrary& operator=(const AgentLibrary&) = delete;

  uint16_t SPAContactAgent(void* window, uint16_t value, int32_t flag) override;
  void SPAEnableSpy(int32_t apiId, int32_t flag) override;
  void SPASetTrackingOptions(int32_t ignoreWouldBlock, int32_t errorsOnly, int32_t restrictSocket,
                             int32_t socketId) override;
  void SPASetDataBlockOptions(int32_t saveEntire, int32_t saveBytes) override;
  void SPAUseChannel(void* window, uint32_t channel) override;

 private:
  ui::ScopedModule m_module;
  WORD(WINAPI* m_contact)(HWND, WORD, int) = nullptr;
  int(WINAPI* m_enable)(int, int) = nullptr;
  int(WINAPI* m_tracking)(int32_t, int32_t, int32_t, uint32_t) = nullptr;
  int(WINAPI* m_dataBlock)(int32_t, int32_t) = nullptr;
  int(WINAPI* m_channel)(HWND, DWORD) = nullptr;
};

}  // namespace capture
