#include "agent/win32/ControlBlock.h"

#include <windows.h>

#include "agent/win32/Klvnt32.h"

namespace {

// The layout version is part of the name, so that agents and monitors of different layouts
// never share a block.
constexpr char kBlockName[] = "Klvnt32.ControlBlock.2";
constexpr WORD kRevision = 1;

}  // namespace

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

}  // namespace

extern "C" WORD WINAPI SPAContactAgent(HWND window, WORD port, int flag) {
  ControlBlock* block = MonitorBlock();
  if (block == nullptr) return 0;
  const auto handle = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window));
  if (flag == 0) {
    // Only the monitor that holds the contact ends it.
    if (block->window.load() == handle) block->contact.store(0);
    return kRevision;
  }
  block->contact.store(0);
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
  return kRevision;
}

extern "C" int WINAPI SPAEnableSpy(int apiId, int flag) {
  ControlBlock* block = MonitorBlock();
  if (block == nullptr || calls::Find(apiId) == nullptr) return 0;
  block->enable[apiId].store(flag != 0 ? 1 : 0);
  return 1;
}

extern "C" int WINAPI SPASetTrackingOptions(int32_t ignoreWouldBlock, int32_t errorsOnly,
                                            int32_t restrictSocket, uint32_t socketId) {
  ControlBlock* block = MonitorBlock();
  if (block == nullptr) return 0;
  block->ignoreWouldBlock.store(ignoreWouldBlock != 0);
  block->errorsOnly.store(errorsOnly != 0);
  block->restrictSocket.store(restrictSocket != 0);
  block->socketId.store(socketId);
  return 1;
}

extern "C" DWORD WINAPI SPAQueueWaits() {
  ControlBlock* block = MonitorBlock();
  return block != nullptr ? block->queueWaits.load() : 0;
}

extern "C" int WINAPI SPASetDataBlockOptions(int32_t saveEntire, int32_t saveBytes) {
  ControlBlock* block = MonitorBlock();
  if (block == nullptr) return 0;
  block->saveEntire.store(saveEntire != 0);
  block->saveBytes.store(saveBytes);
  return 1;
}
