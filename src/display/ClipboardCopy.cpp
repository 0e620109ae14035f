#include "display/ClipboardCopy.h"

#include <algorithm>
#include <string>

#include "display/ClipboardText.h"

namespace display {

ClipboardCopy PrepareClipboardCopy(std::span<const SpyMsgPtr> records, int32_t from, int32_t to,
                                   const format::DisplayModes& modes,
                                   const std::function<int32_t(const CSpyMsg&)>& recordLines) {
  ClipboardCopy copy;
  const int64_t count = static_cast<int64_t>(records.size());
  const int64_t first = std::max<int64_t>(from, 1);
  const int64_t last = std::min<int64_t>(to, count);
  int64_t lines = 0;
  for (int64_t n = first; n <= last; ++n) {
    lines += std::max(recordLines(*records[static_cast<size_t>(n - 1)]), 0);
  }
  if (lines * kClipboardBytesPerLine > kClipboardLimit) {
    copy.refused = true;
    return copy;
  }
  const std::string text = MakeClipboardText(records, from, to, modes);
  if (text.empty()) {
    copy.empty = true;
    return copy;
  }
  copy.block.assign(text.begin(), text.end());
  copy.block.push_back('\0');
  return copy;
}

}  // namespace display
