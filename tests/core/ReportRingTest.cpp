#include "agent/ReportRing.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

namespace {

using agent::QueuedDatagram;
using agent::ReportRing;

QueuedDatagram Numbered(uint32_t n) {
  QueuedDatagram d;
  d.port = static_cast<uint16_t>(n);
  d.bytes[0] = static_cast<uint8_t>(n >> 16);
  return d;
}

uint32_t NumberOf(const QueuedDatagram& d) {
  return static_cast<uint32_t>(d.bytes[0]) << 16 | d.port;
}

TEST(ReportRing, FullRingWaitsForTheOldestReleaseAndKeepsOrderAcrossTheWrap) {
  auto ring = std::make_unique<ReportRing>();
  uint32_t pushed = 0;
  while (ring->HasRoom()) ring->Push(Numbered(pushed++));
  EXPECT_EQ(pushed, ReportRing::kSlots);

  // Taking alone frees nothing: a taker may still be sending it.
  const auto first = ring->Take();
  ASSERT_TRUE(first.has_value());
  EXPECT_EQ(NumberOf(ring->At(*first)), 0u);
  EXPECT_FALSE(ring->HasRoom());
  ring->Release(*first);
  ASSERT_TRUE(ring->HasRoom());
  ring->Push(Numbered(pushed++));

  for (uint32_t want = 1; want < pushed; ++want) {
    const auto taken = ring->Take();
    ASSERT_TRUE(taken.has_value());
    ASSERT_EQ(NumberOf(ring->At(*taken)), want);
    ring->Release(*taken);
  }
  EXPECT_FALSE(ring->Take().has_value());
  EXPECT_TRUE(ring->Empty());
  EXPECT_TRUE(ring->Settled());
}

TEST(ReportRing, HeldDatagramKeepsTheRingUnsettledAndIsFoundForTheDrain) {
  auto ring = std::make_unique<ReportRing>();
  EXPECT_FALSE(ring->Held().has_value());
  uint32_t pushed = 0;
  while (ring->HasRoom()) ring->Push(Numbered(pushed++));
  EXPECT_FALSE(ring->Held().has_value());  // nothing taken yet, though every slot is busy
  const auto taken = ring->Take();
  ASSERT_TRUE(taken.has_value());
  EXPECT_EQ(ring->Held(), taken);
  ring->Release(*taken);
  EXPECT_FALSE(ring->Held().has_value());
  ring->Push(Numbered(pushed++));  // into the slot just released, behind all the others
  EXPECT_FALSE(ring->Held().has_value());
  while (const auto next = ring->Take()) {
    EXPECT_FALSE(ring->Settled());
    ring->Release(*next);
  }
  EXPECT_TRUE(ring->Settled());
}

// The sender thread and the drain at exit take from one ring: each datagram goes to exactly
// one of them, and each sees its datagrams in queue order.
TEST(ReportRing, TwoTakersTakeEveryDatagramOnceInOrder) {
  auto ring = std::make_unique<ReportRing>();
  constexpr uint32_t kCount = 200000;
  std::vector<std::vector<uint32_t>> seen(2);
  std::atomic<bool> done{false};
  auto taker = [&](std::vector<uint32_t>& out) {
    for (;;) {
      const bool finished = done.load();
      while (const auto taken = ring->Take()) {
        out.push_back(NumberOf(ring->At(*taken)));
        ring->Release(*taken);
      }
      if (finished) return;
    }
  };
  std::thread a(taker, std::ref(seen[0]));
  std::thread b(taker, std::ref(seen[1]));
  for (uint32_t n = 0; n < kCount; ++n) {
    while (!ring->HasRoom()) std::this_thread::yield();
    ring->Push(Numbered(n));
  }
  done = true;
  a.join();
  b.join();

  std::vector<int> count(kCount, 0);
  for (const auto& list : seen) {
    for (size_t i = 0; i < list.size(); ++i) {
      ASSERT_LT(list[i], kCount);
      ++count[list[i]];
      if (i > 0) {
        ASSERT_LT(list[i - 1], list[i]);
      }
    }
  }
  for (uint32_t n = 0; n < kCount; ++n) ASSERT_EQ(count[n], 1) << "datagram " << n;
}

}  // namespace
