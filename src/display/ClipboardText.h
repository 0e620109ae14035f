// The plain text of a range of records, laid out like the screen: what Copy to Clipboard puts
// on the clipboard and what qntdump prints.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "format/DisplayModes.h"
#include "store/SpyMsg.h"

namespace display {

// Records `from` to `to` (1-based, inclusive, clipped to `records`), each numbered "[n] " by its
// position. Continuation lines are indented by characters under the '.' of the line before,
// dump rows put their character part in column 61, and Vert Space adds an empty line after
// every record that gave any. Every line ends with `lineEnd`; no terminating zero byte is
// added, and the text's size is the exact size of the block it needs.
std::string MakeClipboardText(std::span<const SpyMsgPtr> records, int32_t from, int32_t to,
                              const format::DisplayModes& modes, std::string_view lineEnd = "\r\n");

}  // namespace display
