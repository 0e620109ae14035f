// Every paint formats the visible records again: the cost of one record's text, and of the
// export text of a full Trace Buffer.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "agent/PayloadBuilders.h"
#include "display/ClipboardText.h"
#include "format/EventFormatter.h"
#include "protocol/SpyDatagram.h"

namespace {

SpyMsgPtr SendTo(size_t bytes) {
  std::vector<uint8_t> block(protocol::spy::kMaxPayload);
  const std::vector<uint8_t> data(bytes, 'x');
  block.resize(
      agent::payload::BuildSendTo(block,
                                  {.s = 4,
                                   .result = static_cast<int32_t>(bytes),
                                   .addrLen = 16,
                                   .addr = agent::payload::MakeSockAddr(2, 53, {10, 0, 0, 1})},
                                  data));
  auto record = std::make_unique<CSpyMsg>();
  record->m_nApiId = 19;
  record->m_time = 1700000000;
  record->m_hData = store::Payload(std::move(block));
  return record;
}

void BM_FormatEventVerboseWithTime(benchmark::State& state) {
  const SpyMsgPtr record = SendTo(40);
  for (auto _ : state) {
    std::vector<std::string> lines;
    benchmark::DoNotOptimize(format::FormatEvent(*record, lines, true, true));
  }
}
BENCHMARK(BM_FormatEventVerboseWithTime);

void BM_FormatDataBlock(benchmark::State& state) {
  const SpyMsgPtr record = SendTo(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    std::vector<std::string> lines;
    benchmark::DoNotOptimize(format::FormatDataBlock(*record, lines, -1));
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FormatDataBlock)->Arg(40)->Arg(1024)->Arg(16384);

void BM_ExportTextOfFullBuffer(benchmark::State& state) {
  std::vector<SpyMsgPtr> records;
  for (int i = 0; i < 2000; ++i) records.push_back(SendTo(100));
  const format::DisplayModes modes{.verbose = true};
  for (auto _ : state) {
    benchmark::DoNotOptimize(display::MakeClipboardText(records, 1, 2000, modes).size());
  }
}
BENCHMARK(BM_ExportTextOfFullBuffer);

}  // namespace
