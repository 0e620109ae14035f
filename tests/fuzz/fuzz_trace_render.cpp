// Trace files are untrusted: read arbitrary bytes as one, then render every record read in
// every display mode, checking that the line counts agree with what is rendered, that every
// record's JSON line is strict JSON, and that the packets' lengths add up.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "display/ClipboardText.h"
#include "format/EventFormatter.h"
#include "format/PacketExport.h"
#include "format/TraceJson.h"
#include "protocol/Bytes.h"
#include "store/TraceFile.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

// A strict JSON reader (RFC 8259) that only says whether the whole text is one value.
class JsonChecker {
 public:
  explicit JsonChecker(std::string_view text) : m_text(text) {}
  bool Check() { return Value() && Space() == m_text.size(); }

 private:
  size_t Space() {
    while (m_at < m_text.size() &&
           std::string_view(" \t\n\r").find(m_text[m_at]) != std::string_view::npos)
      ++m_at;
    return m_at;
  }
  bool Take(char c) {
    Space();
    if (m_at < m_text.size() && m_text[m_at] == c) return ++m_at, true;
    return false;
  }
  bool Word(std::string_view word) {
    if (m_text.substr(m_at, word.size()) != word) return false;
    m_at += word.size();
    return true;
  }
  bool Digits() {
    const size_t start = m_at;
    while (m_at < m_text.size() && m_text[m_at] >= '0' && m_text[m_at] <= '9') ++m_at;
    return m_at > start;
  }
  bool Number() {
    Take('-');
    if (m_at < m_text.size() && m_text[m_at] == '0') {
      ++m_at;
    } else if (!Digits()) {
      return false;
    }
    if (m_at < m_text.size() && m_text[m_at] == '.' && (++m_at, !Digits())) return false;
    return true;
  }
  bool String() {
    if (!Take('"')) return false;
    while (m_at < m_text.size()) {
      const auto c = static_cast<uint8_t>(m_text[m_at++]);
      if (c == '"') return true;
      if (c < 0x20 || c >= 0x80) return false;  // our output is ASCII
      if (c != '\\') continue;
      if (m_at == m_text.size()) return false;
      const char escape = m_text[m_at++];
      if (escape == 'u') {
        for (int i = 0; i < 4; ++i, ++m_at) {
          if (m_at == m_text.size() || !std::isxdigit(static_cast<uint8_t>(m_text[m_at])))
            return false;
        }
      } else if (std::string_view("\"\\/bfnrt").find(escape) == std::string_view::npos) {
        return false;
      }
    }
    return false;
  }
  template <typename Item>
  bool List(char close, Item item) {
    if (Take(close)) return true;
    do {
      if (!item()) return false;
    } while (Take(','));
    return Take(close);
  }
  bool Value() {
    Space();
    if (m_at == m_text.size()) return false;
    switch (m_text[m_at]) {
      case '{':
        ++m_at;
        return List('}', [this] { return String() && Take(':') && Value(); });
      case '[':
        ++m_at;
        return List(']', [this] { return Value(); });
      case '"':
        return String();
      case 't':
        return Word("true");
      case 'f':
        return Word("false");
      case 'n':
        return Word("null");
      default:
        return Number();
    }
  }

  std::string_view m_text;
  size_t m_at = 0;
};

void CheckPackets(std::span<const SpyMsgPtr> records) {
  const std::vector<uint8_t> file = format::WritePcap(records);
  Check(file.size() >= 24);
  for (size_t at = 24; at < file.size();) {
    Check(at + 16 <= file.size());
    const uint32_t caplen = protocol::bytes::GetLE32(file, at + 8);
    const uint32_t len = protocol::bytes::GetLE32(file, at + 12);
    Check(caplen <= len && caplen >= 28 && at + 16 + caplen <= file.size());
    at += 16 + caplen;
  }
}

void Render(const CSpyMsg& record) {
  Check(JsonChecker(format::RecordJson(record, 1)).Check());
  for (bool verbose : {false, true}) {
    for (bool showTime : {false, true}) {
      std::vector<std::string> lines;
      format::FormatEvent(record, lines, showTime, verbose);
      Check(static_cast<int>(lines.size()) == format::GetEventLineCount(record, verbose));
    }
  }
  for (int32_t limit : {-1, 0, 1, 17, 0x7FFFFFFF}) {
    std::vector<std::string> rows;
    const int strings = format::FormatDataBlock(record, rows, limit);
    Check(strings == static_cast<int>(rows.size()));
    Check(strings == 2 * format::GetDataRowCount(record, limit));
    Check(strings == 0 || format::HasDataBlock(record));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const store::TraceFileContents contents =
      store::ReadTraceFile(std::span<const uint8_t>(data, size));
  for (const auto& record : contents.records) Render(*record);
  CheckPackets(contents.records);
  const int32_t count = static_cast<int32_t>(contents.records.size());
  for (int modes = 0; modes < 16; ++modes) {
    const format::DisplayModes display{.showTime = (modes & 1) != 0,
                                       .verbose = (modes & 2) != 0,
                                       .vertSpace = (modes & 4) != 0,
                                       .dataOnly = (modes & 8) != 0,
                                       .byteLimit = modes % 3 == 0 ? -1 : 16};
    display::MakeClipboardText(contents.records, 1, count, display);
  }
  return 0;
}
