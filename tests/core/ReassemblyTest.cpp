#include <gtest/gtest.h>

#include <deque>
#include <numeric>
#include <vector>

#include "capture/PendingList.h"
#include "capture/ReceivePass.h"
#include "protocol/Bytes.h"
#include "protocol/SpyDatagram.h"

namespace {

class FakeClock : public capture::IClock {
 public:
  uint32_t Now() override { return now; }
  uint32_t now = 43200;  // 12:00:00
};

struct Arrival {
  std::vector<uint8_t> bytes;
  uint32_t from = 0x7F000001;  // 127.0.0.1
};

class FakeSource : public capture::IDatagramSource {
 public:
  int Receive(uint8_t* buffer, int size, uint32_t& sourceAddress) override {
    if (queue.empty()) return -1;
    Arrival arrival = std::move(queue.front());
    queue.pop_front();
    const int n = std::min(size, static_cast<int>(arrival.bytes.size()));
    std::copy_n(arrival.bytes.begin(), n, buffer);
    sourceAddress = arrival.from;
    return static_cast<int>(arrival.bytes.size());
  }
  void Push(const protocol::spy::Datagram& d, uint32_t from = 0x7F000001) {
    queue.push_back({std::vector<uint8_t>(d.begin(), d.end()), from});
  }
  std::deque<Arrival> queue;
};

class CollectingSink : public capture::IRecordSink {
 public:
  void AddRecord(std::unique_ptr<CSpyMsg> record) override { records.push_back(std::move(record)); }
  void EndOfRecords() override { ++passes; }
  std::vector<std::unique_ptr<CSpyMsg>> records;
  int passes = 0;
};

// A payload whose every byte tells where it came from: chunk number and position.
std::vector<uint8_t> Numbered(size_t size, uint8_t tag) {
  std::vector<uint8_t> payload(size);
  for (size_t i = 0; i < size; ++i)
    payload[i] = static_cast<uint8_t>(tag + i / protocol::spy::kChunkSize);
  return payload;
}

std::vector<protocol::spy::Datagram> Message(uint32_t source, uint16_t msgNum, uint16_t apiId,
                                             const std::vector<uint8_t>& payload) {
  return protocol::spy::FragmentMessage({source, msgNum, apiId}, payload);
}

class Reassembly : public ::testing::Test {
 protected:
  capture::ReceivePassStats Pass() { return RunReceivePass(pending, source, sink); }

  FakeClock clock;
  CPendingList pending{clock};
  FakeSource source;
  CollectingSink sink;
};

TEST(SpyDatagram, FragmenterLaysOutHeaderAndChunks) {
  std::vector<uint8_t> payload = Numbered(500, 1);
  auto datagrams = Message(0x11223344, 0xBEEF, 18, payload);
  ASSERT_EQ(datagrams.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    const auto& d = datagrams[i];
    EXPECT_EQ(protocol::bytes::GetLE32(d, 0), 0x11223344u);
    EXPECT_EQ(protocol::bytes::GetLE16(d, 4), 0xBEEF);
    EXPECT_EQ(d[6], i + 1);
    EXPECT_EQ(d[7], 3);
    EXPECT_EQ(protocol::bytes::GetLE16(d, 8), 18);
    EXPECT_EQ(protocol::bytes::GetLE16(d, 10), 0);
  }
  EXPECT_EQ(datagrams[2][12], 3);  // byte 488 of the payload
  EXPECT_EQ(datagrams[2][12 + 11], 3);
  EXPECT_EQ(datagrams[2][12 + 12], 0);  // past the payload: zero
}

TEST(SpyDatagram, FragmenterLimitsAndEmptyPayload) {
  EXPECT_EQ(protocol::spy::FragmentCount(0), 1u);
  EXPECT_EQ(protocol::spy::FragmentCount(244), 1u);
  EXPECT_EQ(protocol::spy::FragmentCount(245), 2u);
  EXPECT_EQ(protocol::spy::FragmentCount(62220), 255u);
  EXPECT_EQ(protocol::spy::FragmentCount(62221), 0u);
  EXPECT_EQ(Message(1, 1, 0, std::vector<uint8_t>(62220)).size(), 255u);
  EXPECT_TRUE(Message(1, 1, 0, std::vector<uint8_t>(62221)).empty());
  auto empty = Message(1, 1, 27, {});
  ASSERT_EQ(empty.size(), 1u);
  EXPECT_EQ(empty[0][7], 0);  // fragment count 0: a record without data
}

TEST_F(Reassembly, OutOfOrderFragmentsLieInIndexOrder) {
  auto d = Message(7, 1, 19, Numbered(732, 1));
  source.Push(d[2]);
  source.Push(d[0]);
  source.Push(d[1]);
  Pass();
  ASSERT_EQ(sink.records.size(), 1u);
  const CSpyMsg& r = *sink.records[0];
  EXPECT_EQ(r.m_nApiId, 19);
  EXPECT_EQ(r.m_time, clock.now);
  ASSERT_EQ(r.m_hData.Size(), 732u);
  EXPECT_EQ(r.PayloadBytes()[0], 1);
  EXPECT_EQ(r.PayloadBytes()[244], 2);
  EXPECT_EQ(r.PayloadBytes()[488], 3);
  EXPECT_EQ(r.m_nError, 0x01010101);  // the first word of the payload
  EXPECT_EQ(pending.Count(), 0u);
}

TEST_F(Reassembly, FirstCopyOfAFragmentWins) {
  auto first = Message(7, 1, 18, Numbered(488, 1));
  auto second = Message(7, 1, 18, Numbered(488, 100));
  source.Push(first[0]);
  source.Push(second[0]);
  source.Push(second[1]);
  Pass();
  ASSERT_EQ(sink.records.size(), 1u);
  EXPECT_EQ(sink.records[0]->PayloadBytes()[0], 1);
  EXPECT_EQ(sink.records[0]->PayloadBytes()[244], 101);
}

TEST_F(Reassembly, SameNumberFromOtherSourceIsAnotherMessage) {
  auto a = Message(1, 5, 18, Numbered(488, 10));
  auto b = Message(2, 5, 15, Numbered(488, 20));
  source.Push(a[0]);
  source.Push(b[0]);
  source.Push(b[1]);
  source.Push(a[1]);
  Pass();
  ASSERT_EQ(sink.records.size(), 2u);
  EXPECT_EQ(sink.records[0]->m_nApiId, 18);
  EXPECT_EQ(sink.records[0]->PayloadBytes()[244], 11);
  EXPECT_EQ(sink.records[1]->m_nApiId, 15);
  EXPECT_EQ(sink.records[1]->PayloadBytes()[244], 21);
}

TEST_F(Reassembly, RecordsLeaveInOrderOfFirstArrivalNotCompletion) {
  auto a = Message(1, 1, 1, Numbered(488, 10));
  auto b = Message(1, 2, 2, Numbered(10, 20));
  auto c = Message(1, 3, 3, Numbered(10, 30));
  source.Push(a[0]);
  source.Push(b[0]);  // B completes first
  source.Push(c[0]);
  source.Push(a[1]);
  Pass();
  ASSERT_EQ(sink.records.size(), 3u);
  EXPECT_EQ(sink.records[0]->m_nApiId, 1);
  EXPECT_EQ(sink.records[1]->m_nApiId, 2);
  EXPECT_EQ(sink.records[2]->m_nApiId, 3);
  EXPECT_EQ(sink.passes, 1);
}

TEST_F(Reassembly, ApiIdAndCountComeFromTheFirstDatagram) {
  auto d = Message(1, 1, 21, Numbered(488, 1));
  d[1][7] = 1;  // a later datagram claiming another count and id is not read
  d[1][8] = 40;
  source.Push(d[0]);
  source.Push(d[1]);
  Pass();
  ASSERT_EQ(sink.records.size(), 1u);
  EXPECT_EQ(sink.records[0]->m_nApiId, 21);
  EXPECT_EQ(sink.records[0]->m_hData.Size(), 488u);
}

TEST_F(Reassembly, IndexOutsideTheCountCompletesFromTheFirstFragment) {
  auto d = Message(1, 1, 18, Numbered(488, 1));
  d[1][6] = 5;  // indexes 1 and 5 of a two-fragment message
  source.Push(d[0]);
  source.Push(d[1]);
  Pass();
  ASSERT_EQ(sink.records.size(), 1u);
  ASSERT_EQ(sink.records[0]->m_hData.Size(), 488u);
  EXPECT_EQ(sink.records[0]->PayloadBytes()[244], 1);  // chunk 2 is a copy of chunk 1
}

TEST_F(Reassembly, FragmentCountZeroIsARecordWithoutData) {
  auto d = Message(1, 9, 27, {});
  source.Push(d[0]);
  Pass();
  ASSERT_EQ(sink.records.size(), 1u);
  EXPECT_EQ(sink.records[0]->m_nApiId, 27);
  EXPECT_FALSE(sink.records[0]->m_hData.HasData());
  EXPECT_EQ(sink.records[0]->m_nError, 0);
}

TEST_F(Reassembly, ShortDatagramEndsTheReadLoop) {
  auto a = Message(1, 1, 18, Numbered(10, 1));
  auto b = Message(1, 2, 15, Numbered(10, 2));
  source.Push(a[0]);
  source.queue.push_back({std::vector<uint8_t>(255, 0), 0x7F000001});
  source.Push(b[0]);
  Pass();
  ASSERT_EQ(sink.records.size(), 1u);
  EXPECT_EQ(source.queue.size(), 1u);  // still waiting for the next notification
  Pass();
  ASSERT_EQ(sink.records.size(), 2u);
  EXPECT_EQ(sink.records[1]->m_nApiId, 15);
}

TEST_F(Reassembly, ForeignDatagramsAreSkippedAndReadingGoesOn) {
  auto a = Message(1, 1, 18, Numbered(10, 1));
  auto b = Message(1, 2, 15, Numbered(10, 2));
  source.Push(a[0], 0xC0A80001);  // 192.168.0.1
  source.Push(b[0], 0x7F000001);
  const capture::ReceivePassStats stats = Pass();
  EXPECT_EQ(stats.foreign, 1);
  ASSERT_EQ(sink.records.size(), 1u);
  EXPECT_EQ(sink.records[0]->m_nApiId, 15);
  EXPECT_TRUE(capture::IsLoopbackAddress(0x7F000001));
  EXPECT_TRUE(capture::IsLoopbackAddress(0x7F0000FE));
  EXPECT_FALSE(capture::IsLoopbackAddress(0x0A000001));
  EXPECT_FALSE(capture::IsLoopbackAddress(0));
}

TEST_F(Reassembly, StaleMessagesArePurgedAfterFiveSeconds) {
  auto a = Message(1, 1, 18, Numbered(488, 1));
  source.Push(a[0]);
  Pass();  // 12:00:00
  EXPECT_EQ(pending.Count(), 1u);
  clock.now += 5;
  Pass();  // 12:00:05: exactly five seconds is not more than five
  EXPECT_EQ(pending.Count(), 1u);
  clock.now += 1;
  const capture::ReceivePassStats stats = Pass();  // 12:00:06
  EXPECT_EQ(stats.purged, 1);
  EXPECT_EQ(pending.Count(), 0u);
  EXPECT_EQ(pending.Loss().PurgedCount(), 1u);
  source.Push(a[1]);  // the rest arrives too late: a new, incomplete message
  Pass();
  EXPECT_TRUE(sink.records.empty());
  EXPECT_EQ(pending.Count(), 1u);
}

TEST_F(Reassembly, PurgeFindsStaleMessagesBehindNewerOnesWhenTheClockWentBack) {
  auto a = Message(1, 1, 18, Numbered(488, 1));
  auto b = Message(1, 2, 18, Numbered(488, 1));
  source.Push(a[0]);
  Pass();
  clock.now -= 100;  // the user set the clock back
  source.Push(b[0]);
  Pass();
  clock.now += 103;  // a is 3 seconds old, b 103
  const capture::ReceivePassStats stats = Pass();
  EXPECT_EQ(stats.purged, 1);
  EXPECT_EQ(pending.Count(), 1u);
  source.Push(a[1]);  // a is still there and completes
  Pass();
  ASSERT_EQ(sink.records.size(), 1u);
}

TEST_F(Reassembly, RepeatOfTheMessageItsSourceCompletedLastIsDropped) {
  const auto a = Message(1, 5, 8, Numbered(8, 1));
  source.Push(a[0]);
  Pass();
  source.Push(a[0]);                                 // sent again by a draining agent
  source.Push(Message(2, 5, 8, Numbered(8, 2))[0]);  // the same number from another source
  source.Push(Message(1, 6, 8, Numbered(8, 3))[0]);
  Pass();
  ASSERT_EQ(sink.records.size(), 3u);
  EXPECT_EQ(sink.records[1]->PayloadBytes()[0], 2);
  EXPECT_EQ(sink.records[2]->PayloadBytes()[0], 3);
  // Once it is older than a stale message, the number is a new message.
  clock.now += CPendingList::kStaleSeconds + 1;
  source.Push(Message(1, 6, 8, Numbered(8, 4))[0]);
  Pass();
  EXPECT_EQ(sink.records.size(), 4u);
}

// A pass that runs out of time still ends as a whole pass; the next one goes on reading.
TEST_F(Reassembly, PassOutOfTimeHandsOnWhatItReadAndTheNextGoesOn) {
  class Countdown : public capture::IPassTimer {
   public:
    explicit Countdown(int reads) : m_reads(reads) {}
    bool TimeUp() override { return m_reads-- <= 0; }

   private:
    int m_reads;
  };
  for (uint16_t n = 0; n < 5; ++n) source.Push(Message(1, n, 8, Numbered(8, 0))[0]);
  source.Push(Message(2, 0, 18, Numbered(488, 0))[0]);  // half a message, long stale
  clock.now -= CPendingList::kStaleSeconds + 1;
  Countdown first(100);
  EXPECT_FALSE(RunReceivePass(pending, source, sink, first).timeUp);
  clock.now += CPendingList::kStaleSeconds + 1;
  for (uint16_t n = 5; n < 10; ++n) source.Push(Message(1, n, 8, Numbered(8, 0))[0]);

  Countdown second(2);
  const capture::ReceivePassStats stats = RunReceivePass(pending, source, sink, second);
  EXPECT_TRUE(stats.timeUp);
  EXPECT_EQ(stats.datagrams, 2);
  EXPECT_EQ(stats.purged, 1);
  EXPECT_EQ(sink.passes, 2);
  EXPECT_EQ(sink.records.size(), 7u);
  EXPECT_EQ(Pass().records, 3);
  EXPECT_TRUE(source.queue.empty());
}

TEST_F(Reassembly, ClearDropsEverythingPending) {
  auto a = Message(1, 1, 18, Numbered(488, 1));
  source.Push(a[0]);
  Pass();
  pending.Clear();
  EXPECT_EQ(pending.Count(), 0u);
  EXPECT_EQ(pending.Loss().Total(), 1u);
  source.Push(a[1]);
  Pass();
  EXPECT_TRUE(sink.records.empty());
}

TEST_F(Reassembly, MessageNumbersThatNeverArriveCountAsLost) {
  const auto push = [this](uint32_t from, uint16_t n) {
    source.Push(Message(from, n, 2, Numbered(10, 1))[0]);
  };
  for (const uint16_t n : {7, 8, 10, 14}) push(1, n);
  for (const uint16_t n : {65534, 1}) push(2, n);
  Pass();
  push(1, 14);  // another copy of the last one: dropped, and no loss
  push(1, 3);   // behind: the agent began again
  push(1, 5);
  Pass();
  EXPECT_EQ(sink.records.size(), 8u);
  // Source 1 misses 9, 11-13 and 4; source 2 misses 65535 and 0 across the wrap.
  EXPECT_EQ(pending.Loss().Lost(), 7u);
  EXPECT_EQ(pending.Loss().PurgedCount(), 0u);
}

TEST_F(Reassembly, ManyInterleavedMessagesKeepTheirOrder) {
  std::vector<std::vector<protocol::spy::Datagram>> messages;
  for (uint16_t n = 0; n < 300; ++n) {
    messages.push_back(Message(n % 3, n, n % 46, Numbered(244u * (1 + n % 4), n)));
  }
  // Round-robin over the messages: fragment 1 of all, then fragment 2 of those that have one...
  for (size_t k = 0; k < 4; ++k) {
    for (const auto& m : messages) {
      if (k < m.size()) source.Push(m[m.size() - 1 - k]);  // last index first
    }
  }
  Pass();
  ASSERT_EQ(sink.records.size(), 300u);
  for (uint16_t n = 0; n < 300; ++n) {
    EXPECT_EQ(sink.records[n]->m_nApiId, n % 46);
    EXPECT_EQ(sink.records[n]->m_hData.Size(), 244u * (1 + n % 4));
    EXPECT_EQ(sink.records[n]->PayloadBytes().back(), static_cast<uint8_t>(n + n % 4));
  }
}

}  // namespace
