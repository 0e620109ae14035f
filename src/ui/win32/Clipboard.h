// Text for the clipboard, placed as CF_TEXT all at once or not at all.
#pragma once

#include <windows.h>

#include <span>

namespace ui {

// Puts `block` (the text with its terminating zero byte) on the clipboard with `owner` as the
// clipboard's owner. The memory is had before the clipboard is touched, so a failure to get it
// or to open the clipboard leaves the clipboard as it was. False on any failure.
bool PutClipboardText(HWND owner, std::span<const char> block);

}  // namespace ui
