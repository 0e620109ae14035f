#include "capture/PendingList.h"

#include <algorithm>
#include <array>

#include "capture/ReceivedRecord.h"
#include "protocol/Bytes.h"

void CPendingMsg::AddFragment(int index,
                              std::span<const uint8_t, protocol::spy::kDatagramSize> datagram) {
  const auto bit = static_cast<size_t>(index & 0xFF);
  if (m_held.test(bit)) return;
  m_held.set(bit);
  CMsgFragment& fragment = m_fragments.emplace_back();
  fragment.m_nIndex = index;
  std::copy(datagram.begin(), datagram.end(), fragment.m_data.begin());
}

uint32_t CPendingList::NewNode() {
  uint32_t slot;
  if (!m_free.empty()) {
    slot = m_free.back();
    m_free.pop_back();
  } else {
    slot = static_cast<uint32_t>(m_nodes.size());
    m_nodes.emplace_back();
  }
  Node& node = m_nodes[slot];
  node.live = true;
  node.seq = m_nextSeq++;
  node.prev = m_tail;
  node.next = kNone;
  if (m_tail != kNone) m_nodes[m_tail].next = slot;
  m_tail = slot;
  if (m_head == kNone) m_head = slot;
  return slot;
}

void CPendingList::Remove(uint32_t slot) {
  Node& node = m_nodes[slot];
  if (node.prev != kNone)
    m_nodes[node.prev].next = node.next;
  else
    m_head = node.next;
  if (node.next != kNone)
    m_nodes[node.next].prev = node.prev;
  else
    m_tail = node.prev;
  m_index.Erase(Key(node.msg.m_dwSource, node.msg.m_nMsgNum));
  node.live = false;
  node.msg.m_fragments.clear();  // keeps the capacity for the next message in this slot
  node.msg.m_held.reset();
  m_free.push_back(slot);
  if (m_head == kNone) m_createdInOrder = true;
}

void CPendingList::Add(uint32_t slot, int index,
                       std::span<const uint8_t, protocol::spy::kDatagramSize> datagram) {
  CPendingMsg& msg = m_nodes[slot].msg;
  const bool wasComplete = msg.IsComplete();
  msg.AddFragment(index, datagram);
  if (!wasComplete && msg.IsComplete()) m_complete.emplace(m_nodes[slot].seq, slot);
}

void CPendingList::AddFragment(std::span<const uint8_t, protocol::spy::kDatagramSize> datagram) {
  const uint32_t source = protocol::bytes::GetLE32(datagram, 0);
  const uint16_t msgNum = protocol::bytes::GetLE16(datagram, 4);
  const int index = datagram[6];

  const uint64_t key = Key(source, msgNum);
  if (const uint32_t held = m_index.Find(key); held != capture::MessageIndex::kNone) {
    Add(held, index, datagram);
    return;
  }
  const uint32_t now = m_clock.Now();
  if (const auto last = m_lastTaken.find(source); last != m_lastTaken.end() &&
                                                  last->second.msgNum == msgNum &&
                                                  !IsStale(last->second.time, now)) {
    return;
  }
  m_loss.See(source, msgNum);
  const uint32_t slot = NewNode();
  m_index.Insert(key, slot);
  CPendingMsg& msg = m_nodes[slot].msg;
  msg.m_created = now;
  msg.m_dwSource = source;
  msg.m_nMsgNum = msgNum;
  msg.m_nApiId = protocol::bytes::GetLE16(datagram, 8);
  msg.m_nFragCount = datagram[7];
  if (m_nodes[slot].prev != kNone && msg.m_created < m_nodes[m_nodes[slot].prev].msg.m_created) {
    m_createdInOrder = false;
  }
  if (msg.m_nFragCount == 0) m_complete.emplace(m_nodes[slot].seq, slot);
  Add(slot, index, datagram);
}

std::unique_ptr<CSpyMsg> CPendingList::TakeCompleteMessage() {
  while (!m_complete.empty()) {
    const auto [seq, slot] = m_complete.top();
    m_complete.pop();
    const Node& node = m_nodes[slot];
    if (!node.live || node.seq != seq) continue;  // purged or cleared since it completed

    const CPendingMsg& msg = node.msg;
    const auto count = static_cast<size_t>(msg.m_nFragCount);
    auto record = capture::ReceivedRecord(msg.m_created, msg.m_nApiId, count, [&](auto out) {
      // The fragment with each index (AddFragment keeps one per index, the first copy); the
      // first fragment stands in for every missing one.
      std::array<const CMsgFragment*, 256> byIndex;  // only 1..count are used
      std::fill_n(byIndex.begin() + 1, count, nullptr);
      for (const CMsgFragment& fragment : msg.m_fragments) {
        const auto index = static_cast<size_t>(fragment.m_nIndex);
        if (index >= 1 && index <= count) byIndex[index] = &fragment;
      }
      for (size_t k = 1; k <= count; ++k) {
        const CMsgFragment* fragment = byIndex[k];
        if (fragment == nullptr) fragment = &msg.m_fragments.front();
        std::copy(fragment->m_data.begin() + protocol::spy::kHeaderSize, fragment->m_data.end(),
                  out.begin() + static_cast<std::ptrdiff_t>(protocol::spy::kChunkSize * (k - 1)));
      }
    });
    m_lastTaken[msg.m_dwSource] = {msg.m_nMsgNum, m_clock.Now()};
    Remove(slot);
    return record;
  }
  return nullptr;
}

bool CPendingList::PurgeOneStale() {
  const uint32_t now = m_clock.Now();
  for (uint32_t slot = m_head; slot != kNone; slot = m_nodes[slot].next) {
    if (IsStale(m_nodes[slot].msg.m_created, now)) {
      Remove(slot);
      m_loss.Purged(1);
      return true;
    }
    if (m_createdInOrder) break;  // nothing behind the head is older
  }
  return false;
}

void CPendingList::Clear() {
  m_loss.Purged(Count());
  m_nodes.clear();
  m_free.clear();
  m_index.Clear();
  m_complete = {};
  m_lastTaken.clear();
  m_head = m_tail = kNone;
  m_createdInOrder = true;
}
