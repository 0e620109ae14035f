#include "agent/win32/ControlBlock.h"

#include <windows.h>

#include "agent/win32/Klvnt32.h"

namespace {

// The layout version is part of the name, so that agents and monitors of different layouts
// never share a block.
constexpr char kBlockName[] = "Klvnt32.ControlBlock.3";
constexpr WORD kRevision = 1;

}  // namespace

namespace agent {

ControlBlock* MapControlBlock() {
  HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                      sizeof(ControlBlock), kBlockName);
  if (mapping == nullptr) return nullptr;
  void* view = MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(ControlBlock));
  if (view == nullptr) {
    CloseHandle(mapping);
    return nullptr;
  }
  return static_cast<ControlBlock*>(view);
}

namespace {

ControlBlock* MonitorBlock() {
  static ControlBlock* const block = MapControlBlock();
  return block;
}

// Window handles are 32-bit values, sign-extended in 64-bit processes.
uint32_t HandleValue(HWND window) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window));
}
HWND WindowOf(uint32_t handle) {
  return reinterpret_cast<HWND>(static_cast<intptr_t>(static_cast<int32_t>(handle)));
}

// The window with which this process's monitor holds the contact, 0 when it holds none. A
// monitor whose contact was refused must not change the settings of the one that holds it.
std::atomic<uint32_t> g_heldBy{0};

bool HoldsContact(const ControlBlock& block) {
  const uint32_t held = g_heldBy.load();
  return held != 0 && block.contact.load() != 0 && block.window.load() == held;
}

// Monitors starting or closing at the same moment take and end the contact one at a time.
class ContactLock {
 public:
  ContactLock() : m_mutex(CreateMutexA(nullptr, FALSE, "Klvnt32.Contact.1")) {
    if (m_mutex != nullptr) WaitForSingleObject(m_mutex, INFINITE);
  }
  ~ContactLock() {
    if (m_mutex == nullptr) return;
    ReleaseMutex(m_mutex);
    CloseHandle(m_mutex);
  }
  ContactLock(const ContactLock&) = delete;
  ContactLock& operator=(const ContactLock&) = delete;

 private:
  HANDLE m_mutex;
};

}  // namespace

}  // namespace agent

extern "C" WORD WINAPI SPAContactAgent(HWND window, WORD port, int flag) {
  agent::ControlBlock* block = agent::MonitorBlock();
  if (block == nullptr) return 0;
  const uint32_t handle = agent::HandleValue(window);
  agent::ContactLock lock;
  const uint32_t holder = block->window.load();
  if (flag == 0) {
    // Only the monitor that holds the contact ends it.
    if (holder == handle) {
      block->contact.store(0);
      block->channel.store(0);
    }
    if (agent::g_heldBy.load() == handle) agent::g_heldBy.store(0);
    return kRevision;
  }
  // The contact is one per machine: a second monitor would take the traced programs' reports
  // from the first and, once closed, leave it deaf. A holder whose window is gone has ended.
  if (block->contact.load() != 0 && holder != handle && IsWindow(agent::WindowOf(holder))) return 0;
  block->contact.store(0);
  block->channel.store(0);
  for (auto& enable : block->enable) enable.store(0);
  block->ignoreWouldBlock.store(0);
  block->errorsOnly.store(0);
  block->restrictSocket.store(0);
  block->socketId.store(0);
  block->saveEntire.store(1);
  block->saveBytes.store(0);
  block->window.store(handle);
  block->port.store(port);
  block->contact.store(1);
  agent::g_heldBy.store(handle);
  return kRevision;
}

extern "C" int WINAPI SPAEnableSpy(int apiId, int flag) {
  agent::ControlBlock* block = agent::MonitorBlock();
  if (block == nullptr || !agent::HoldsContact(*block) || apiId < 0 ||
      apiId >= protocol::calls::kFlagCount)
    return 0;
  block->enable[apiId].store(flag != 0 ? 1 : 0);
  return 1;
}

extern "C" int WINAPI SPASetTrackingOptions(int32_t ignoreWouldBlock, int32_t errorsOnly,
                                            int32_t restrictSocket, uint32_t socketId) {
  agent::ControlBlock* block = agent::MonitorBlock();
  if (block == nullptr || !agent::HoldsContact(*block)) return 0;
  block->ignoreWouldBlock.store(ignoreWouldBlock != 0);
  block->errorsOnly.store(errorsOnly != 0);
  block->restrictSocket.store(restrictSocket != 0);
  block->socketId.store(socketId);
  return 1;
}

extern "C" DWORD WINAPI SPAQueueWaits() {
  agent::ControlBlock* block = agent::MonitorBlock();
  return block != nullptr ? block->queueWaits.load() : 0;
}

extern "C" int WINAPI SPASetDataBlockOptions(int32_t saveEntire, int32_t saveBytes) {
  agent::ControlBlock* block = agent::MonitorBlock();
  if (block == nullptr || !agent::HoldsContact(*block)) return 0;
  block->saveEntire.store(saveEntire != 0);
  block->saveBytes.store(saveBytes);
  return 1;
}

extern "C" int WINAPI SPAUseChannel(HWND window, DWORD channel) {
  agent::ControlBlock* block = agent::MonitorBlock();
  if (block == nullptr || !agent::HoldsContact(*block) ||
      block->window.load() != agent::HandleValue(window)) {
    return 0;
  }
  block->channel.store(channel);
  return 1;
}
