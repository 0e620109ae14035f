#include "capture/ReceivePass.h"

namespace capture {

ReceivePassStats RunReceivePass(CPendingList& pending, IDatagramSource& source, IRecordSink& sink,
                                IPassTimer& timer, ChannelDrain* channel) {
  ReceivePassStats stats;
  protocol::spy::Datagram buffer;
  while (!(stats.timeUp = timer.TimeUp())) {
    uint32_t from = 0;
    const int received = source.Receive(buffer.data(), static_cast<int>(buffer.size()), from);
    if (received < 0) break;  // an error, or nothing waiting
    if (!IsLoopbackAddress(from)) {
      ++stats.foreign;
      continue;
    }
    if (received != static_cast<int>(protocol::spy::kDatagramSize))
      break;  // dropped; the rest waits
    pending.AddFragment(buffer);
    ++stats.datagrams;
  }
  while (auto record = pending.TakeCompleteMessage()) {
    sink.AddRecord(std::move(record));
    ++stats.records;
  }
  if (channel != nullptr && !stats.timeUp) {
    const ChannelDrain::Stats drained = channel->Drain(sink, timer);
    stats.entries = drained.records;
    stats.records += drained.records;
    stats.timeUp = drained.timeUp;
  }
  sink.EndOfRecords();
  while (pending.PurgeOneStale()) ++stats.purged;
  return stats;
}

ReceivePassStats RunReceivePass(CPendingList& pending, IDatagramSource& source, IRecordSink& sink,
                                ChannelDrain* channel) {
  class Unlimited : public IPassTimer {
    bool TimeUp() override { return false; }
  } unlimited;
  return RunReceivePass(pending, source, sink, unlimited, channel);
}

}  // namespace capture
