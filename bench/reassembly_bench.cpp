// Throughput of the receive pass: datagrams filed and records handed on per second, for
// single- and multi-fragment messages, and with many incomplete messages pending.
#include <benchmark/benchmark.h>

#include <vector>

#include "capture/PendingList.h"
#include "capture/ReceivePass.h"
#include "protocol/SpyDatagram.h"

namespace {

class FixedClock : public capture::IClock {
 public:
  uint32_t Now() override { return 1'000'000; }
};

class ReplaySource : public capture::IDatagramSource {
 public:
  explicit ReplaySource(const std::vector<protocol::spy::Datagram>& datagrams)
      : m_datagrams(datagrams) {}
  int Receive(uint8_t* buffer, int, uint32_t& sourceAddress) override {
    if (m_next == m_datagrams.size()) return -1;
    const protocol::spy::Datagram& d = m_datagrams[m_next++];
    std::copy(d.begin(), d.end(), buffer);
    sourceAddress = 0x7F000001;
    return static_cast<int>(d.size());
  }
  void Rewind() { m_next = 0; }

 private:
  const std::vector<protocol::spy::Datagram>& m_datagrams;
  size_t m_next = 0;
};

class DiscardingSink : public capture::IRecordSink {
 public:
  void AddRecord(std::unique_ptr<CSpyMsg> record) override {
    benchmark::DoNotOptimize(record.get());
    ++records;
  }
  void EndOfRecords() override {}
  int64_t records = 0;
};

constexpr int kBatch = 1000;  // datagrams per receive pass

// range(0): fragments per message; range(1): incomplete messages left pending throughout.
void BM_ReceivePass(benchmark::State& state) {
  const auto fragments = static_cast<size_t>(state.range(0));
  const auto pendingCount = static_cast<uint16_t>(state.range(1));
  FixedClock clock;
  CPendingList pending(clock);

  // Messages that never complete, from a source of their own.
  const std::vector<uint8_t> twoChunks(2 * protocol::spy::kChunkSize, 0x55);
  for (uint16_t n = 0; n < pendingCount; ++n) {
    protocol::spy::Datagram first =
        protocol::spy::FragmentMessage({0xFFFF0000u, n, 18}, twoChunks)[0];
    pending.AddFragment(first);
  }

  std::vector<protocol::spy::Datagram> batch;
  const std::vector<uint8_t> payload(fragments * protocol::spy::kChunkSize - 10, 0xAB);
  for (uint16_t n = 0; batch.size() < kBatch; ++n) {
    for (const auto& d : protocol::spy::FragmentMessage({4242, n, 18}, payload)) batch.push_back(d);
  }
  ReplaySource source(batch);
  DiscardingSink sink;

  for (auto _ : state) {
    source.Rewind();
    RunReceivePass(pending, source, sink);
  }
  if (pending.Count() != pendingCount) state.SkipWithError("pending messages were lost");
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(batch.size()));
  state.counters["records/s"] =
      benchmark::Counter(static_cast<double>(sink.records), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_ReceivePass)
    ->ArgNames({"fragments", "pending"})
    ->Args({1, 0})
    ->Args({4, 0})
    ->Args({1, 10})
    ->Args({1, 1000})
    ->Args({1, 10000})
    ->Args({4, 10000});

}  // namespace
