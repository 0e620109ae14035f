// One receive pass of the capture socket: read every waiting datagram, hand every completed
// record on in order, let the store trim, drop stale incomplete messages.
#pragma once

#include <cstdint>

#include "capture/PendingList.h"
#include "store/SpyMsg.h"

class IDatagramSource {
 public:
  virtual ~IDatagramSource() = default;
  // Reads one waiting datagram into `buffer`; returns its byte count, or a negative value on an
  // error or when nothing is waiting, and the sender's IPv4 address in host byte order. A
  // loopback datagram of any length but 256 ends the read loop and is dropped.
  virtual int Receive(uint8_t* buffer, int size, uint32_t& sourceAddress) = 0;
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

struct ReceivePassStats {
  int datagrams = 0;  // 256-byte datagrams filed
  int foreign = 0;    // skipped because they came from another host
  int records = 0;
  int purged = 0;
};

ReceivePassStats RunReceivePass(CPendingList& pending, IDatagramSource& source, IRecordSink& sink);
