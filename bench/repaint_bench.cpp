// A full-page repaint as the view does it while tracing: a 1024 x 768 client, the default
// font (Courier, 8 x 16 pixels), Verbose with time, following the newest of 2000 records. The
// canvas draws nothing, so the figure is the formatting and layout alone; the goal is well under
// a millisecond, so that a burst's repaints never hold the window up.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "agent/PayloadBuilders.h"
#include "display/TraceView.h"
#include "protocol/SpyDatagram.h"

namespace {

class NullCanvas : public ui::Canvas {
 public:
  void SetTextColour(ui::ColorRef) override {}
  void DrawString(int32_t x, int32_t y, std::string_view text) override {
    benchmark::DoNotOptimize(x + y + static_cast<int32_t>(text.size()));
  }
  ui::TextExtent MeasureString(std::string_view text) override {
    return {static_cast<int32_t>(text.size()) * kCharWidth, kLineHeight};
  }
  void FillRectangle(const ui::Rect&, ui::ColorRef) override {}
  void DrawBorderedRectangle(const ui::Rect&, ui::ColorRef) override {}
  ui::CharMetrics GetCharMetrics() override { return {kCharWidth, kLineHeight}; }

  static constexpr int32_t kCharWidth = 8;
  static constexpr int32_t kLineHeight = 16;
};

SpyMsgPtr Record(uint16_t apiId, std::vector<uint8_t> block, size_t size) {
  block.resize(size);
  auto record = std::make_unique<CSpyMsg>();
  record->m_nApiId = apiId;
  record->m_time = 1700000000;
  record->m_hData = store::Payload(std::move(block));
  return record;
}

// A traced program's usual mix: connect, send, recv, sendto with an address, closesocket.
std::vector<SpyMsgPtr> TraceBuffer(size_t count) {
  const std::vector<uint8_t> data(100, 'x');
  const auto address = agent::payload::MakeSockAddr(2, 53, {10, 0, 0, 1});
  std::vector<SpyMsgPtr> records;
  for (size_t i = 0; i < count; ++i) {
    std::vector<uint8_t> block(protocol::spy::kMaxPayload);
    switch (i % 5) {
      case 0:
        records.push_back(
            Record(3, block, agent::payload::BuildBindConnect(block, {0, 4, 0, 16, address})));
        break;
      case 1:
        records.push_back(
            Record(18, block, agent::payload::BuildRecvSend(block, {0, 4, 0, 40}, data)));
        break;
      case 2:
        records.push_back(
            Record(15, block, agent::payload::BuildRecvSend(block, {0, 4, 0, 100}, data)));
        break;
      case 3:
        records.push_back(Record(19, block,
                                 agent::payload::BuildSendTo(block, {0, 4, 0, 100, 16, address},
                                                             std::span(data).first(64))));
        break;
      default:
        records.push_back(Record(2, block, agent::payload::BuildCloseSocket(block, {0, 4, 0})));
    }
  }
  return records;
}

void BM_FullPageRepaintVerboseFollowingNewest(benchmark::State& state) {
  const std::vector<SpyMsgPtr> records = TraceBuffer(2000);
  display::ViewOptions options;
  options.m_bVerbose = 1;
  options.m_bShowTime = 1;
  display::TraceView view(options);
  NullCanvas canvas;
  view.SetMetrics(canvas.GetCharMetrics());
  view.OnSize(768);
  for (auto _ : state) view.OnDraw(canvas, records, true);
}
BENCHMARK(BM_FullPageRepaintVerboseFollowingNewest)->Unit(benchmark::kMicrosecond);

}  // namespace
