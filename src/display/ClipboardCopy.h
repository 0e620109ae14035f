// The Copy command's size rule and the block it hands to the clipboard.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>
#include <vector>

#include "format/DisplayModes.h"
#include "store/SpyMsg.h"

namespace display {

inline constexpr std::string_view kClipboardTooLarge = "Data area too large for Clipboard!";
// 128 bytes are reckoned for every line; a range reckoned above this is refused.
inline constexpr int64_t kClipboardBytesPerLine = 128;
inline constexpr int64_t kClipboardLimit = 0xFFFF;

struct ClipboardCopy {
  bool refused = false;     // show kClipboardTooLarge with the stop icon; copy nothing
  bool empty = false;       // the range gave no text: the clipboard is left as it is
  std::vector<char> block;  // the text and its terminating zero byte; none when refused or empty
};

// Records `from` to `to` (1-based, inclusive, clipped to `records`) of the displayed buffer.
// The estimate from `recordLines` only decides the refusal; the block is sized from the text
// itself, so a line longer than its 128 bytes never runs past it.
ClipboardCopy PrepareClipboardCopy(std::span<const SpyMsgPtr> records, int32_t from, int32_t to,
                                   const format::DisplayModes& modes,
                                   const std::function<int32_t(const CSpyMsg&)>& recordLines);

}  // namespace display
