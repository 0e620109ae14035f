#include "ui/win32/Clipboard.h"

#include <cstring>

namespace ui {

bool PutClipboardText(HWND owner, std::span<const char> block) {
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, block.size());
  if (memory == nullptr) return false;
  void* bytes = GlobalLock(memory);
  if (bytes != nullptr) {
    std::memcpy(bytes, block.data(), block.size());
    GlobalUnlock(memory);
  }
  if (bytes == nullptr || !OpenClipboard(owner)) {
    GlobalFree(memory);
    return false;
  }
  EmptyClipboard();
  // Once placed, the memory belongs to the clipboard; only a refused one is ours to free.
  const bool placed = SetClipboardData(CF_TEXT, memory) != nullptr;
  if (!placed) GlobalFree(memory);
  CloseClipboard();
  return placed;
}

}  // namespace ui
