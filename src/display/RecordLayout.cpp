#include "display/RecordLayout.h"

#include <cstdio>
#include <utility>

#include "format/EventFormatter.h"

namespace display {

namespace {

constexpr int32_t kCharacterColumn = 60;
constexpr int32_t kCharacterGap = 6;  // average character widths between hex and character part

// The dump rows and, after at least one, the note of a cut message.
int32_t DataLines(const CSpyMsg& record, int32_t byteLimit) {
  const int32_t rows = format::GetDataRowCount(record, byteLimit);
  return rows > 0 && format::HasCaptureNote(record) ? rows + 1 : rows;
}

// The '.' that continuation lines stand under: the one behind the structure name that begins a
// parameter, ", SOCKADDR.length=" or ", HOSTENT.h_name=", though texts before it or after it hold
// dots of their own ("addr=127.0.0.1", "h_name=www.example.com"); else the last.
size_t IndentDot(std::string_view text) {
  const auto isNameChar = [](char c) { return (c >= 'A' && c <= 'Z') || c == '_'; };
  for (size_t dot = text.find('.'); dot != std::string_view::npos; dot = text.find('.', dot + 1)) {
    size_t start = dot;
    while (start > 0 && isNameChar(text[start - 1])) --start;
    size_t before = start;
    while (before > 0 && text[before - 1] == ' ') --before;
    if (start < dot && before < start && before > 0 && text[before - 1] == ',') return dot;
  }
  return text.rfind('.');
}

}  // namespace

std::string NumberPrefix(int32_t number) {
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, "[%d] ", static_cast<int>(number));
  return prefix;
}

int32_t RecordLines(const CSpyMsg& record, const format::DisplayModes& modes) {
  const int32_t dataRows = DataLines(record, modes.byteLimit);
  if (modes.dataOnly) return dataRows;
  const int32_t callLines = format::GetEventLineCount(record, modes.verbose);
  return modes.verbose ? callLines + dataRows : callLines;
}

int32_t RecordRows(const CSpyMsg& record, const format::DisplayModes& modes) {
  const int32_t lines = RecordLines(record, modes);
  return lines >= 1 && modes.vertSpace ? lines + 1 : lines;
}

RecordLayout::RecordLayout(const format::DisplayModes& modes, ui::Canvas& canvas, int32_t charWidth,
                           int32_t indent)
    : m_modes(modes), m_canvas(&canvas), m_charWidth(charWidth), m_indent(indent) {}

RecordLayout::RecordLayout(const format::DisplayModes& modes) : m_modes(modes) {}

int32_t RecordLayout::Width(std::string_view text) const {
  if (m_canvas) return m_canvas->MeasureString(text).width;
  return static_cast<int32_t>(text.size());
}

int32_t RecordLayout::CallLineX(std::string_view text, bool first) {
  if (text.starts_with('.')) return m_indent;
  if (!first) {
    m_indent = m_open + Width(text.substr(0, text.find('.')));
    return m_open;
  }
  const size_t paren = text.find('(');
  m_open = paren == std::string_view::npos ? 0 : Width(text.substr(0, paren + 1));
  const size_t dot = IndentDot(text);
  if (dot != std::string_view::npos) m_indent = Width(text.substr(0, dot));
  return 0;
}

std::vector<LayoutRow> RecordLayout::Lay(const CSpyMsg& record, std::string_view prefix) {
  std::vector<LayoutRow> rows;
  std::vector<std::string> lines;

  if (!m_modes.dataOnly) {
    std::string returns = format::FormatEvent(record, lines, m_modes.showTime, m_modes.verbose);
    for (std::string& line : lines) {
      std::string text = rows.empty() ? std::string(prefix) + line : std::move(line);
      const int32_t x = CallLineX(text, rows.empty());
      rows.push_back({LayoutRow::kCall, x, std::move(text), 0, {}});
    }
    if (!rows.empty()) {
      LayoutRow& last = rows.back();
      last.secondX = last.x + Width(last.text);
      last.second = std::move(returns);
    }
    lines.clear();
  }

  if (m_modes.dataOnly || m_modes.verbose) {
    format::FormatDataBlock(record, lines, m_modes.byteLimit);
    if (lines.size() >= 2) {
      // Measured once, from the first row, so that a short last row keeps the column.
      const int32_t column =
          m_canvas ? Width(lines[0]) + kCharacterGap * m_charWidth : kCharacterColumn;
      for (size_t k = 0; k + 1 < lines.size(); k += 2) {
        rows.push_back({LayoutRow::kData, 0, std::move(lines[k]), column, std::move(lines[k + 1])});
      }
      if (std::string note = format::FormatCaptureNote(record); !note.empty()) {
        rows.push_back({LayoutRow::kNote, 0, std::move(note), 0, {}});
      }
    }
  }

  if (!rows.empty() && m_modes.vertSpace) rows.emplace_back();
  return rows;
}

}  // namespace display
