#include "display/ClipboardText.h"

#include <algorithm>
#include <vector>

#include "format/EventFormatter.h"

namespace {

constexpr size_t kCharacterColumn = 60;

void AppendRecord(std::string& text, const CSpyMsg& record, int32_t number,
                  const DisplayModes& modes, std::string_view lineEnd, size_t& indent) {
  std::vector<std::string> lines;
  size_t strings = 0;
  if (!modes.dataOnly) {
    const std::string returns = FormatEvent(record, lines, modes.showTime, modes.verbose);
    for (size_t i = 0; i < lines.size(); ++i) {
      std::string line;
      if (i == 0) line.append("[").append(std::to_string(number)).append("] ");
      line += lines[i];
      const size_t dot = line.find('.');
      if (dot == 0) {
        text.append(indent, ' ');
      } else if (dot != std::string::npos) {
        indent = dot;
      }
      text += line;
      if (i + 1 == lines.size()) text += returns;
      text += lineEnd;
    }
    strings = lines.size();
    lines.clear();
  }
  if (modes.dataOnly || modes.verbose) {
    FormatDataBlock(record, lines, modes.byteLimit);
    for (size_t i = 0; i + 1 < lines.size(); i += 2) {
      text += lines[i];
      text.append(kCharacterColumn - std::min(kCharacterColumn, lines[i].size()), ' ');
      text += lines[i + 1];
      text += lineEnd;
    }
    strings += lines.size();
  }
  if (strings > 0 && modes.vertSpace) text += lineEnd;
}

}  // namespace

std::string MakeClipboardText(std::span<const SpyMsgPtr> records, int32_t from, int32_t to,
                              const DisplayModes& modes, std::string_view lineEnd) {
  std::string text;
  size_t indent = 0;
  const int64_t last = std::min<int64_t>(to, static_cast<int64_t>(records.size()));
  for (int64_t n = std::max(from, 1); n <= last; ++n) {
    AppendRecord(text, *records[static_cast<size_t>(n - 1)], static_cast<int32_t>(n), modes,
                 lineEnd, indent);
  }
  return text;
}
