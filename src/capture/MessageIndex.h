// Open-addressing hash map from a message key (source, number: 48 bits) to a slot of the pending
// list. Linear probing with backward-shift deletion: no allocation per message, no tombstones.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace capture {

class MessageIndex {
 public:
  static constexpr uint32_t kNone = UINT32_MAX;

  // The slot stored for `key`, or kNone.
  uint32_t Find(uint64_t key) const;
  // Stores `slot` for a key that is not present.
  void Insert(uint64_t key, uint32_t slot);
  void Erase(uint64_t key);
  void Clear();
  size_t Size() const { return m_size; }

 private:
  struct Entry {
    uint64_t key = 0;
    uint32_t slot = kNone;  // kNone marks an empty entry
  };
  size_t Home(uint64_t key) const {
    // Fibonacci hashing spreads consecutive message numbers over the table.
    return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 32) & (m_entries.size() - 1);
  }
  void Grow();

  std::vector<Entry> m_entries;
  size_t m_size = 0;
};

}  // namespace capture
