// One receive pass of the capture socket and, when the reader made one, the report channel: read
// every waiting datagram, hand every completed record on in order, then every record waiting in
// the channel, let the store trim, drop stale incomplete messages.
#pragma once

#include <chrono>
#include <cstdint>

#include "capture/ChannelDrain.h"
#include "capture/PendingList.h"
#include "store/SpyMsg.h"

namespace capture {

class IDatagramSource {
 public:
  virtual ~IDatagramSource() = default;
  // Reads one waiting datagram into `buffer`; returns its byte count, or a negative value on an
  // error or when nothing is waiting, and the sender's IPv4 address in host byte order. A
  // loopback datagram of any length but 256 ends the read loop and is dropped.
  virtual int Receive(uint8_t* buffer, int size, uint32_t& sourceAddress) = 0;
};

// The source of a pass that reads the report channel alone: the socket says by its own
// notification when datagrams wait, and asking it costs a system call.
class NoDatagrams : public IDatagramSource {
 public:
  int Receive(uint8_t*, int, uint32_t&) override { return -1; }
};

class IRecordSink {
 public:
  virtual ~IRecordSink() = default;
  // Takes ownership of each completed record, in order.
  virtual void AddRecord(std::unique_ptr<CSpyMsg> record) = 0;
  // Called once after the last record of the pass.
  virtual void EndOfRecords() = 0;
};

// Only the agents on this machine may add to a trace: a datagram from any other address is
// skipped, and the read loop goes on.
inline bool IsLoopbackAddress(uint32_t hostOrderAddress) {
  return hostOrderAddress >> 24 == 127;
}

// How long a pass may read. A burst may hold more than the window can take in at once without
// seeming to hang: a pass that runs out of time hands on what it has and ends as usual, and the
// datagrams still waiting are read at the next notification, which the socket posts because
// data is left after a read.
class IPassTimer {
 public:
  virtual ~IPassTimer() = default;
  virtual bool TimeUp() = 0;
};

class SteadyPassTimer : public IPassTimer {
 public:
  // Leaves the rest of the 100 ms that a pass may keep the window busy for handing the records
  // on and painting.
  static constexpr std::chrono::milliseconds kReadBudget{50};

  bool TimeUp() override { return std::chrono::steady_clock::now() >= m_end; }

 private:
  std::chrono::steady_clock::time_point m_end = std::chrono::steady_clock::now() + kReadBudget;
};

struct ReceivePassStats {
  int datagrams = 0;  // 256-byte datagrams filed
  int entries = 0;    // records taken from the channel
  int foreign = 0;    // skipped because they came from another host
  int records = 0;
  int purged = 0;
  bool timeUp = false;  // reading stopped with datagrams or entries possibly still waiting
};

ReceivePassStats RunReceivePass(CPendingList& pending, IDatagramSource& source, IRecordSink& sink,
                                IPassTimer& timer, ChannelDrain* channel = nullptr);
// Without a time limit: reads until nothing waits.
ReceivePassStats RunReceivePass(CPendingList& pending, IDatagramSource& source, IRecordSink& sink,
                                ChannelDrain* channel = nullptr);

}  // namespace capture
