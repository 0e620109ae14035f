#include "capture/MessageIndex.h"

#include <gtest/gtest.h>

#include <random>
#include <unordered_map>

namespace {

// Random inserts and erases against std::unordered_map: backward-shift deletion must never lose
// an entry whose probe run crosses the hole, including runs that wrap around the table's end.
TEST(MessageIndex, AgreesWithAReferenceMapUnderChurn) {
  capture::MessageIndex index;
  std::unordered_map<uint64_t, uint32_t> reference;
  std::mt19937_64 random(7);
  for (uint32_t step = 0; step < 200000; ++step) {
    // Few distinct keys so that erases hit and runs stay long.
    const uint64_t key = random() % 97 | (random() % 3) << 16;
    if (reference.count(key) != 0) {
      ASSERT_EQ(index.Find(key), reference[key]);
      index.Erase(key);
      reference.erase(key);
    } else {
      index.Insert(key, step);
      reference[key] = step;
    }
    ASSERT_EQ(index.Size(), reference.size());
    if (step % 1000 == 0) {
      for (const auto& [k, slot] : reference) ASSERT_EQ(index.Find(k), slot);
    }
  }
  for (uint64_t key = 0; key < 97 + (3ull << 16); ++key) {
    const auto it = reference.find(key);
    ASSERT_EQ(index.Find(key), it == reference.end() ? capture::MessageIndex::kNone : it->second);
  }
}

TEST(MessageIndex, GrowsAndClears) {
  capture::MessageIndex index;
  EXPECT_EQ(index.Find(1), capture::MessageIndex::kNone);
  index.Erase(1);  // erasing from an empty index is harmless
  for (uint32_t i = 0; i < 10000; ++i) index.Insert(uint64_t{i} << 16 | 5, i);
  EXPECT_EQ(index.Size(), 10000u);
  EXPECT_EQ(index.Find(uint64_t{9999} << 16 | 5), 9999u);
  index.Erase(12345);  // absent key
  EXPECT_EQ(index.Size(), 10000u);
  index.Clear();
  EXPECT_EQ(index.Size(), 0u);
  EXPECT_EQ(index.Find(5), capture::MessageIndex::kNone);
}

}  // namespace
