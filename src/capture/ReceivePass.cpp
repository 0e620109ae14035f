#include "capture/ReceivePass.h"

ReceivePassStats RunReceivePass(CPendingList& pending, IDatagramSource& source, IRecordSink& sink) {
  ReceivePassStats stats;
  spy::Datagram buffer;
  for (;;) {
    uint32_t from = 0;
    const int received = source.Receive(buffer.data(), static_cast<int>(buffer.size()), from);
    if (received < 0) break;  // an error, or nothing waiting
    if (!IsLoopbackAddress(from)) {
      ++stats.foreign;
      continue;
    }
    if (received != static_cast<int>(spy::kDatagramSize)) break;  // dropped; the rest waits
    pending.AddFragment(buffer);
    ++stats.datagrams;
  }
  while (auto record = pending.TakeCompleteMessage()) {
    sink.AddRecord(std::move(record));
    ++stats.records;
  }
  sink.EndOfRecords();
  while (pending.PurgeOneStale()) ++stats.purged;
  return stats;
}
