// Trace files are untrusted: read arbitrary bytes as one, then render every record read in
// every display mode, checking that the line counts agree with what is rendered.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "display/ClipboardText.h"
#include "format/EventFormatter.h"
#include "store/TraceFile.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

void Render(const CSpyMsg& record) {
  for (bool verbose : {false, true}) {
    for (bool showTime : {false, true}) {
      std::vector<std::string> lines;
      FormatEvent(record, lines, showTime, verbose);
      Check(static_cast<int>(lines.size()) == GetEventLineCount(record, verbose));
    }
  }
  for (int32_t limit : {-1, 0, 1, 17, 0x7FFFFFFF}) {
    std::vector<std::string> rows;
    const int strings = FormatDataBlock(record, rows, limit);
    Check(strings == static_cast<int>(rows.size()));
    Check(strings == 2 * GetDataRowCount(record, limit));
    Check(strings == 0 || HasDataBlock(record));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const TraceFileContents contents = ReadTraceFile(std::span<const uint8_t>(data, size));
  for (const auto& record : contents.records) Render(*record);
  const int32_t count = static_cast<int32_t>(contents.records.size());
  for (int modes = 0; modes < 16; ++modes) {
    const DisplayModes display{.showTime = (modes & 1) != 0,
                               .verbose = (modes & 2) != 0,
                               .vertSpace = (modes & 4) != 0,
                               .dataOnly = (modes & 8) != 0,
                               .byteLimit = modes % 3 == 0 ? -1 : 16};
    MakeClipboardText(contents.records, 1, count, display);
  }
  return 0;
}
