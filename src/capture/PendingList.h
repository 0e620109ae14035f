// Reassembly of spy datagrams into records.
//
// Observable order rules: records leave in the order in which their messages' first fragments
// arrived; the first copy of a fragment index wins; a missing index is filled from the first
// fragment held; a message more than 5 seconds old is dropped by the purge. A message that
// repeats the number of the message its source completed last, within those 5 seconds, is
// dropped: an agent that ends while its sender thread is sending sends that datagram again,
// not knowing whether it left.
//
// The list keeps those rules with a hash index beside the creation-ordered list and a queue of
// complete messages, so the cost per datagram does not grow with the number pending.
#pragma once

#include <bitset>
#include <cstdint>
#include <functional>
#include <memory>
#include <queue>
#include <span>
#include <unordered_map>
#include <vector>

#include "capture/Clock.h"
#include "capture/LossCounter.h"
#include "capture/MessageIndex.h"
#include "protocol/SpyDatagram.h"
#include "store/SpyMsg.h"

class CMsgFragment {
 public:
  int m_nIndex = 0;
  protocol::spy::Datagram m_data{};  // the whole datagram, header included
};

class CPendingMsg {
 public:
  // Stores the datagram unless a fragment with this index is held already.
  void AddFragment(int index, std::span<const uint8_t, protocol::spy::kDatagramSize> datagram);
  bool IsComplete() const { return static_cast<int>(m_fragments.size()) >= m_nFragCount; }

  uint32_t m_created = 0;
  uint32_t m_dwSource = 0;
  uint16_t m_nMsgNum = 0;
  uint16_t m_nApiId = 0;
  int m_nFragCount = 0;
  std::vector<CMsgFragment> m_fragments;  // arrival order

 private:
  friend class CPendingList;
  std::bitset<256> m_held;
};

class CPendingList {
 public:
  explicit CPendingList(capture::IClock& clock) : m_clock(clock) {}

  void AddFragment(std::span<const uint8_t, protocol::spy::kDatagramSize> datagram);
  // The record of the first complete message in creation order, or null.
  std::unique_ptr<CSpyMsg> TakeCompleteMessage();
  // Drops one message that is more than 5 seconds old; false when there is none.
  bool PurgeOneStale();
  // Drops every pending message (Begin Trace); they count as purged.
  void Clear();
  size_t Count() const { return m_index.Size(); }
  const capture::LossCounter& Loss() const { return m_loss; }

  static constexpr int64_t kStaleSeconds = 5;

 private:
  static constexpr uint32_t kNone = UINT32_MAX;
  struct Node {
    CPendingMsg msg;
    uint64_t seq = 0;  // creation order
    uint32_t prev = kNone;
    uint32_t next = kNone;
    bool live = false;
  };
  using CompleteEntry = std::pair<uint64_t, uint32_t>;  // (seq, slot)

  static uint64_t Key(uint32_t source, uint16_t msgNum) {
    return static_cast<uint64_t>(source) << 16 | msgNum;
  }
  uint32_t NewNode();
  void Remove(uint32_t slot);
  void Add(uint32_t slot, int index,
           std::span<const uint8_t, protocol::spy::kDatagramSize> datagram);
  static bool IsStale(uint32_t created, uint32_t now) {
    return static_cast<int64_t>(now) - static_cast<int64_t>(created) > kStaleSeconds;
  }

  capture::IClock& m_clock;
  std::vector<Node> m_nodes;
  std::vector<uint32_t> m_free;
  uint32_t m_head = kNone;
  uint32_t m_tail = kNone;
  uint64_t m_nextSeq = 0;
  // While creation times never decrease along the list, the oldest message is at its head.
  bool m_createdInOrder = true;
  capture::MessageIndex m_index;
  struct Taken {
    uint16_t msgNum = 0;
    uint32_t time = 0;
  };
  std::unordered_map<uint32_t, Taken> m_lastTaken;  // by source
  capture::LossCounter m_loss;
  std::priority_queue<CompleteEntry, std::vector<CompleteEntry>, std::greater<>> m_complete;
};
