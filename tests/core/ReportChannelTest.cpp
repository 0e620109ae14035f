// The report channel, byte by byte: images written here from the layout's numbers, not by the
// writer, are read by the reader; what the writer writes is read back at those numbers. The
// writer of a 64-bit program and the reader of the 32-bit monitor share these bytes, so nothing
// here goes through the compiler's layout of a structure.
#include "protocol/ReportChannel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "capture/ChannelDrain.h"
#include "capture/ReceivePass.h"
#include "protocol/Bytes.h"

namespace {

namespace pc = protocol::channel;
using protocol::bytes::GetLE16;
using protocol::bytes::GetLE32;

// The layout's numbers, written out.
constexpr size_t kLaneHeader0 = 128;
constexpr size_t kLaneHeaderStep = 128;
constexpr size_t kLaneData0 = 65536;
constexpr size_t kLaneSize = 262144;

class Image {
 public:
  Image() : m_words(new uint64_t[pc::kMappingBytes / 8]()) {}
  uint8_t* Bytes() { return reinterpret_cast<uint8_t*>(m_words.get()); }
  uint32_t Get32(size_t at) { return GetLE32({Bytes(), pc::kMappingBytes}, at); }
  void Put32(size_t at, uint32_t value) { protocol::bytes::PutLE32(Bytes() + at, value); }

  // A channel as a reader formats one, a lane's header, and an entry at a lane's position.
  void Channel() {
    Put32(0, 0x31434E51);  // "QNC1"
    Put32(4, 32);
    Put32(8, kLaneSize);
  }
  size_t Lane(uint32_t lane) { return kLaneHeader0 + kLaneHeaderStep * lane; }
  void Entry(uint32_t lane, uint32_t at, uint32_t number, uint16_t apiId,
             const std::vector<uint8_t>& payload) {
    uint8_t* data = Bytes() + kLaneData0 + kLaneSize * lane;
    protocol::bytes::PutLE32(data + at, static_cast<uint32_t>(payload.size()));
    protocol::bytes::PutLE32(data + at + 4, number);
    protocol::bytes::PutLE16(data + at + 8, apiId);
    for (size_t i = 0; i < payload.size(); ++i) data[(at + 16 + i) % kLaneSize] = payload[i];
  }

 private:
  std::unique_ptr<uint64_t[]> m_words;
};

std::vector<uint8_t> Numbered(size_t size, uint8_t first) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(first + i);
  return bytes;
}

class FakeHost : public pc::IWriterHost {
 public:
  uint32_t Milliseconds() override { return now; }
  void Pause() override {
    ++pauses;
    now += 10;
    if (onPause) onPause();
  }
  void Wake() override { ++wakes; }

  uint32_t now = 0;
  int pauses = 0;
  int wakes = 0;
  std::function<void()> onPause;
};

class FixedClock : public capture::IClock {
 public:
  uint32_t Now() override { return 1000; }
};

class Collect : public capture::IRecordSink {
 public:
  void AddRecord(SpyMsgPtr record) override { records.push_back(std::move(record)); }
  void EndOfRecords() override {}
  std::vector<SpyMsgPtr> records;
};

class Unlimited : public capture::IPassTimer {
 public:
  bool TimeUp() override { return false; }
};

class Drained : public ::testing::Test {
 protected:
  void SetUp() override { drain.Attach(image.Bytes()); }
  int Drain() { return drain.Drain(sink, unlimited).records; }

  Image image;
  FixedClock clock;
  capture::ChannelDrain drain{clock};
  Collect sink;
  Unlimited unlimited;
  FakeHost host;
};

TEST(ReportChannel, ReaderFormatsAndWriterFillsTheDocumentedBytes) {
  Image image;
  pc::ChannelReader(image.Bytes()).Format(0x10074, 1025);
  EXPECT_EQ(image.Get32(0), 0x31434E51u);
  EXPECT_EQ(image.Get32(4), 32u);
  EXPECT_EQ(image.Get32(8), kLaneSize);
  EXPECT_EQ(image.Get32(12), 0x10074u);
  EXPECT_EQ(image.Get32(16), 1025u);
  EXPECT_EQ(image.Get32(20), 1u);  // armed: the reader waits for the first report
  EXPECT_EQ(pc::MappingName(7), "Klvnt32.Channel.1.7");

  ASSERT_EQ(pc::LaneWriter::Claim(image.Bytes(), 0x4D1, 7), 0u);
  ASSERT_EQ(pc::LaneWriter::Claim(image.Bytes(), 0x4D0, 0), 1u);
  EXPECT_EQ(image.Get32(128), 0x4D1u);
  EXPECT_EQ(image.Get32(132), 7u);
  EXPECT_EQ(image.Get32(256), 0x4D0u);

  // The entry byte by byte: stale bytes overwritten up to the next multiple of 16, none beyond.
  FakeHost host;
  uint8_t* const data = image.Bytes() + kLaneData0;
  std::fill_n(data, 48, 0xEE);
  pc::LaneWriter writer(image.Bytes(), 0, data);
  EXPECT_EQ(writer.Put(0x0A0B0C07, 0x0112, Numbered(5, 1), host),
            pc::LaneWriter::Outcome::kWritten);
  // The length, the number, the API id and a zero half-word, a zero word; the payload and zeros
  // to 32; then the stale bytes.
  std::vector<uint8_t> entry = {5, 0, 0, 0, 0x07, 0x0C, 0x0B, 0x0A, 0x12, 0x01, 0,
                                0, 0, 0, 0, 0,    1,    2,    3,    4,    5};
  entry.resize(32);
  entry.resize(48, 0xEE);
  EXPECT_EQ(std::vector<uint8_t>(data, data + 48), entry);
  EXPECT_EQ(image.Get32(136), 32u);  // the head
  EXPECT_EQ(host.wakes, 1);
  writer.End(0x0A0B0C08, host);
  EXPECT_EQ(image.Get32(140), 1u);
  EXPECT_EQ(image.Get32(144), 0x0A0B0C08u);

  // A reader gone: no lane is taken any more.
  pc::ChannelReader(image.Bytes()).Close();
  EXPECT_EQ(image.Get32(24), 1u);
  EXPECT_FALSE(pc::LaneWriter::Claim(image.Bytes(), 0x4D2, 0).has_value());
}

// Where the lane's data ends, the header stays whole and the payload goes on at its start.
TEST(ReportChannel, PayloadWrapsAtTheEndOfTheLane) {
  Image image;
  image.Channel();
  const size_t lane = image.Lane(3);
  image.Put32(lane, 0x99);
  image.Put32(lane + 8, kLaneSize - 16);   // head
  image.Put32(lane + 64, kLaneSize - 16);  // tail
  FakeHost host;
  pc::LaneWriter writer(image.Bytes(), 3, image.Bytes() + kLaneData0 + 3 * kLaneSize);
  ASSERT_EQ(writer.Put(41, 2, Numbered(40, 0x10), host), pc::LaneWriter::Outcome::kWritten);
  const size_t data = kLaneData0 + 3 * kLaneSize;
  EXPECT_EQ(image.Get32(data + kLaneSize - 16), 40u);
  EXPECT_EQ(image.Get32(data + kLaneSize - 12), 41u);
  EXPECT_EQ(image.Get32(data), 0x13121110u);
  EXPECT_EQ(image.Get32(data + 36), 0x37363534u);
  EXPECT_EQ(image.Get32(lane + 8), kLaneSize - 16 + 64);
}

// A full lane: the writer waits while the reader makes room; a reader that makes none for two
// seconds loses the report and every one after it, without a wait, until it takes something.
TEST(ReportChannel, FullLaneWaitsForRoomThenDropsWhileTheReaderStalls) {
  Image image;
  pc::ChannelReader reader(image.Bytes());
  reader.Format(1, 2);
  ASSERT_EQ(pc::LaneWriter::Claim(image.Bytes(), 0x10, 0), 0u);
  pc::LaneWriter writer(image.Bytes(), 0, image.Bytes() + kLaneData0);
  FakeHost host;
  const std::vector<uint8_t> payload(100);  // 128-byte entries
  uint32_t number = 0;
  for (; number < kLaneSize / 128; ++number) {
    ASSERT_EQ(writer.Put(number, 1, payload, host), pc::LaneWriter::Outcome::kWritten);
  }
  EXPECT_EQ(host.pauses, 0);
  const auto takeOne = [&] {
    pc::ChannelReader::Entry entry;
    ASSERT_EQ(reader.Peek(0, entry), pc::ChannelReader::Next::kEntry);
    reader.Take(0, entry);
  };
  int pausesLeft = 3;
  host.onPause = [&] {
    if (--pausesLeft == 0) takeOne();
  };
  EXPECT_EQ(writer.Put(number++, 1, payload, host), pc::LaneWriter::Outcome::kWaited);
  EXPECT_EQ(host.pauses, 3);
  EXPECT_EQ(host.wakes, 2);  // the first report; the reader told at once that the lane is full

  host.onPause = nullptr;
  host.pauses = 0;
  EXPECT_EQ(writer.Put(number++, 1, payload, host), pc::LaneWriter::Outcome::kDropped);
  EXPECT_EQ(host.pauses, static_cast<int>(pc::kStallMs / 10));
  EXPECT_EQ(writer.Put(number++, 1, payload, host), pc::LaneWriter::Outcome::kDropped);
  EXPECT_EQ(host.pauses, static_cast<int>(pc::kStallMs / 10));
  takeOne();
  EXPECT_EQ(writer.Put(number++, 1, payload, host), pc::LaneWriter::Outcome::kWritten);

  // A reader that has gone makes nobody wait.
  reader.Close();
  host.pauses = 0;
  EXPECT_EQ(writer.Put(number++, 1, payload, host), pc::LaneWriter::Outcome::kDropped);
  EXPECT_EQ(host.pauses, 0);
}

// The reader waits for a wake-up only with every lane empty; the first report after that wakes
// it, once, and so does an end mark.
TEST(ReportChannel, ArmedReaderIsWokenOnceByTheFirstReportOrTheEnd) {
  Image image;
  pc::ChannelReader reader(image.Bytes());
  reader.Format(1, 2);
  ASSERT_EQ(pc::LaneWriter::Claim(image.Bytes(), 0x10, 0), 0u);
  pc::LaneWriter writer(image.Bytes(), 0, image.Bytes() + kLaneData0);
  FakeHost host;
  EXPECT_TRUE(reader.Arm());
  EXPECT_EQ(image.Get32(20), 1u);
  writer.Put(0, 1, {}, host);
  writer.Put(1, 1, {}, host);
  EXPECT_EQ(host.wakes, 1);
  EXPECT_EQ(image.Get32(20), 0u);
  EXPECT_FALSE(reader.Arm());  // entries wait
  reader.Skip(0);
  EXPECT_TRUE(reader.Arm());
  writer.End(2, host);
  EXPECT_EQ(host.wakes, 2);
  EXPECT_FALSE(reader.Arm());  // the end mark waits
}

TEST_F(Drained, RecordsAreWholeChunksWithTheErrorCodeAndTheDrainTime) {
  image.Channel();
  image.Put32(image.Lane(0), 0x4D0);
  image.Entry(0, 0, 0, 15, {0x4C, 0x27, 0, 0, 9});
  image.Entry(0, 32, 1, 44, {});
  image.Entry(0, 48, 2, 18, std::vector<uint8_t>(pc::kMaxPayload, 0xAB));
  image.Put32(image.Lane(0) + 8, 48 + pc::EntryBytes(pc::kMaxPayload));
  EXPECT_EQ(Drain(), 3);
  ASSERT_EQ(sink.records.size(), 3u);
  const CSpyMsg& first = *sink.records[0];
  EXPECT_EQ(first.m_nApiId, 15);
  EXPECT_EQ(first.m_time, 1000u);
  EXPECT_EQ(first.m_nError, 10060);
  ASSERT_EQ(first.PayloadBytes().size(), 244u);
  EXPECT_EQ(first.PayloadBytes()[4], 9);
  EXPECT_EQ(first.PayloadBytes()[5], 0);
  EXPECT_FALSE(sink.records[1]->m_hData.IsPresent());  // a report without data
  EXPECT_EQ(sink.records[2]->PayloadBytes().size(), 65392u);
  EXPECT_EQ(sink.records[2]->PayloadBytes().back(), 0xAB);
  EXPECT_EQ(image.Get32(image.Lane(0) + 64), image.Get32(image.Lane(0) + 8));  // all taken
  EXPECT_EQ(drain.Lost(), 0u);
}

// A writer that died while it wrote left an entry beyond the head: never read. Once its process
// is gone, its lane is free for another writer.
TEST_F(Drained, HalfWrittenEntryOfADeadWriterIsNeverReadAndItsLaneIsFreed) {
  image.Channel();
  image.Put32(image.Lane(5), 0x7F0);
  image.Entry(5, 0, 0, 22, {1, 0, 0, 0});
  image.Put32(image.Lane(5) + 8, 32);
  image.Entry(5, 32, 1, 18, Numbered(40, 1));  // copied in, never published
  EXPECT_EQ(Drain(), 1);
  EXPECT_EQ(Drain(), 0);
  std::vector<uint32_t> asked;
  drain.Reclaim([&](uint32_t source) {
    asked.push_back(source);
    return false;
  });
  EXPECT_EQ(asked, std::vector<uint32_t>{0x7F0});
  EXPECT_EQ(image.Get32(image.Lane(5)), 0x7F0u);
  drain.Reclaim([](uint32_t) { return true; });
  EXPECT_EQ(image.Get32(image.Lane(5)), 0u);
  EXPECT_EQ(image.Get32(image.Lane(5) + 8), 0u);
  for (uint32_t taken = 0; taken < 5; ++taken) pc::LaneWriter::Claim(image.Bytes(), 0x800, 0);
  EXPECT_EQ(pc::LaneWriter::Claim(image.Bytes(), 0x804, 0), 5u);
}

// Every number between the lane's base and its end mark that never came is counted; the lane is
// freed after the end mark, and the next writer's numbers start a run of their own.
TEST_F(Drained, EndMarkCountsTheReportsThatNeverCameAndFreesTheLane) {
  image.Channel();
  const size_t lane = image.Lane(2);
  image.Put32(lane, 0x7F1);
  image.Put32(lane + 4, 3);  // base
  image.Entry(2, 0, 4, 8, {});
  image.Entry(2, 16, 6, 8, {});
  image.Put32(lane + 8, 32);
  image.Put32(lane + 12, 1);
  image.Put32(lane + 16, 9);
  EXPECT_EQ(Drain(), 2);
  EXPECT_EQ(drain.Lost(), 1u + 1u + 2u);  // 3; 5; 7 and 8
  EXPECT_EQ(image.Get32(lane), 0u);
  EXPECT_EQ(image.Get32(lane + 12), 0u);

  ASSERT_EQ(pc::LaneWriter::Claim(image.Bytes(), 0x7F1, 100), 0u);
  pc::LaneWriter writer(image.Bytes(), 0, image.Bytes() + kLaneData0);
  writer.Put(100, 8, {}, host);
  writer.End(101, host);
  EXPECT_EQ(Drain(), 1);
  EXPECT_EQ(drain.Lost(), 4u);
}

// Both agent modules of one process, each in its lane, each numbering its own reports.
TEST_F(Drained, TwoWritersOfOneProcessKeepTheirOrderAndNumbers) {
  pc::ChannelReader(image.Bytes()).Format(1, 2);
  ASSERT_EQ(pc::LaneWriter::Claim(image.Bytes(), 0x4D0, 0), 0u);
  ASSERT_EQ(pc::LaneWriter::Claim(image.Bytes(), 0x4D1, 0), 1u);
  pc::LaneWriter wsock32(image.Bytes(), 0, image.Bytes() + kLaneData0);
  pc::LaneWriter ws2_32(image.Bytes(), 1, image.Bytes() + kLaneData0 + kLaneSize);
  for (uint32_t n = 0; n < 3; ++n) {
    wsock32.Put(n, 8, {}, host);
    ws2_32.Put(n, 54, {}, host);
  }
  ws2_32.End(4, host);
  EXPECT_EQ(Drain(), 6);
  std::vector<int> ids;
  for (const SpyMsgPtr& r : sink.records) ids.push_back(r->m_nApiId);
  EXPECT_EQ(ids, (std::vector<int>{8, 8, 8, 54, 54, 54}));
  EXPECT_EQ(drain.Lost(), 1u);
  EXPECT_EQ(image.Get32(kLaneHeader0), 0x4D0u);  // still writing
  EXPECT_EQ(image.Get32(kLaneHeader0 + kLaneHeaderStep), 0u);
}

// Published bytes that are not entries are skipped whole; nothing past them is read.
TEST_F(Drained, CorruptLaneIsEmptiedWithoutReadingPastItsEntries) {
  image.Channel();
  const size_t lane = image.Lane(0);
  image.Put32(lane, 0x40);
  image.Entry(0, 0, 0, 18, std::vector<uint8_t>(100));
  image.Put32(lane + 8, 64);  // the entry says 128 bytes
  EXPECT_EQ(Drain(), 0);
  EXPECT_EQ(image.Get32(lane + 64), 64u);
  image.Put32(lane + 8, 64 + kLaneSize + 16);  // more published than a lane holds
  EXPECT_EQ(Drain(), 0);
  image.Put32(lane + 8, 64 + kLaneSize + 16);
  image.Put32(lane + 64, 64 + kLaneSize + 16);
  image.Entry(0, 80, 5, 8, std::vector<uint8_t>(pc::kMaxPayload + 1));
  image.Put32(lane + 8, 64 + 2 * kLaneSize);  // the payload too long for a record
  EXPECT_EQ(Drain(), 0);
  EXPECT_TRUE(sink.records.empty());
}

// A writer and a reader on two threads: every report arrives once, in order.
TEST(ReportChannel, ConcurrentWriterAndReaderLoseNothing) {
  Image image;
  pc::ChannelReader reader(image.Bytes());
  reader.Format(1, 2);
  ASSERT_EQ(pc::LaneWriter::Claim(image.Bytes(), 0x10, 0), 0u);
  constexpr uint32_t kCount = 200000;
  std::thread writing([&] {
    class Yielding : public FakeHost {
      void Pause() override { std::this_thread::yield(); }
    } host;
    pc::LaneWriter writer(image.Bytes(), 0, image.Bytes() + kLaneData0);
    std::vector<uint8_t> payload(4 + 8 * 7);
    for (uint32_t n = 0; n < kCount; ++n) {
      payload.resize(4 + 8 * (n % 8));
      protocol::bytes::PutLE32(payload.data(), n);
      writer.Put(n, 1, payload, host);
    }
    writer.End(kCount, host);
  });
  uint32_t next = 0;
  bool ordered = true;
  while (!reader.EndNumber(0) || next < kCount) {
    pc::ChannelReader::Entry entry;
    if (reader.Peek(0, entry) != pc::ChannelReader::Next::kEntry) continue;
    std::vector<uint8_t> payload(entry.length);
    reader.CopyPayload(0, entry, payload.data());
    ordered = ordered && entry.number == next && GetLE32(payload, 0) == next &&
              entry.length == 4 + 8 * (next % 8);
    reader.Take(0, entry);
    ++next;
  }
  writing.join();
  EXPECT_TRUE(ordered);
  EXPECT_EQ(next, kCount);
}

}  // namespace
