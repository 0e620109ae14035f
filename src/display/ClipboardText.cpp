#include "display/ClipboardText.h"

#include <algorithm>

#include "display/RecordLayout.h"

namespace display {

namespace {

// Blanks stand for the row's columns: before a continuation line, and between a hex part and
// its character part.
void AppendRow(std::string& text, const display::LayoutRow& row, std::string_view lineEnd) {
  const size_t start = text.size();
  text.append(static_cast<size_t>(row.x), ' ');
  text += row.text;
  text.resize(std::max(text.size(), start + static_cast<size_t>(row.secondX)), ' ');
  text += row.second;
  text += lineEnd;
}

}  // namespace

std::string MakeClipboardText(std::span<const SpyMsgPtr> records, int32_t from, int32_t to,
                              const format::DisplayModes& modes, std::string_view lineEnd) {
  std::string text;
  display::RecordLayout layout(modes);
  const int64_t last = std::min<int64_t>(to, static_cast<int64_t>(records.size()));
  for (int64_t n = std::max(from, 1); n <= last; ++n) {
    const auto& record = *records[static_cast<size_t>(n - 1)];
    for (const display::LayoutRow& row :
         layout.Lay(record, display::NumberPrefix(static_cast<int32_t>(n)))) {
      AppendRow(text, row, lineEnd);
    }
  }
  return text;
}

}  // namespace display
