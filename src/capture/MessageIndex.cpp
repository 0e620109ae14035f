#include "capture/MessageIndex.h"

namespace capture {

uint32_t MessageIndex::Find(uint64_t key) const {
  if (m_entries.empty()) return kNone;
  const size_t mask = m_entries.size() - 1;
  for (size_t i = Home(key);; i = (i + 1) & mask) {
    const Entry& entry = m_entries[i];
    if (entry.slot == kNone) return kNone;
    if (entry.key == key) return entry.slot;
  }
}

void MessageIndex::Insert(uint64_t key, uint32_t slot) {
  if ((m_size + 1) * 2 > m_entries.size()) Grow();
  const size_t mask = m_entries.size() - 1;
  size_t i = Home(key);
  while (m_entries[i].slot != kNone) i = (i + 1) & mask;
  m_entries[i] = {key, slot};
  ++m_size;
}

void MessageIndex::Erase(uint64_t key) {
  if (m_entries.empty()) return;
  const size_t mask = m_entries.size() - 1;
  size_t hole = Home(key);
  while (m_entries[hole].key != key || m_entries[hole].slot == kNone) {
    if (m_entries[hole].slot == kNone) return;
    hole = (hole + 1) & mask;
  }
  // Move back every later entry of the run that may not stay behind the hole.
  for (size_t i = (hole + 1) & mask; m_entries[i].slot != kNone; i = (i + 1) & mask) {
    const size_t home = Home(m_entries[i].key);
    const bool reachable = hole <= i ? (home <= hole || home > i) : (home <= hole && home > i);
    if (reachable) {
      m_entries[hole] = m_entries[i];
      hole = i;
    }
  }
  m_entries[hole] = Entry{};
  --m_size;
}

void MessageIndex::Clear() {
  m_entries.clear();
  m_size = 0;
}

void MessageIndex::Grow() {
  std::vector<Entry> old = std::move(m_entries);
  m_entries.assign(old.empty() ? 64 : old.size() * 2, Entry{});
  m_size = 0;
  for (const Entry& entry : old) {
    if (entry.slot != kNone) Insert(entry.key, entry.slot);
  }
}

}  // namespace capture
