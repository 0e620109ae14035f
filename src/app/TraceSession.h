// The trace session: the pending messages, the Trace and Trap Buffers and the agent, and the
// commands that make them work together — contacting the agent, Begin Trace, End Trace, the
// receive pass and accepted capture filters. The view owns one and calls it from its handlers.
#pragma once

#include <cstdint>
#include <memory>

#include "capture/AgentLink.h"
#include "capture/Clock.h"
#include "capture/PendingList.h"
#include "capture/ReceivePass.h"
#include "config/Options.h"
#include "dialogs/CaptureFiltersModel.h"
#include "store/TraceStore.h"

class TraceSession : private IRecordSink {
 public:
  // `options` and `clock` must outlive the session.
  TraceSession(Options& options, IClock& clock, std::unique_ptr<IAgentLink> agent);

  // Window creation: registers `window` and the capture socket's port with the agent and, when
  // it answers, switches every call off until Begin Trace. Returns the agent's revision, 0 when
  // the contact failed.
  uint16_t ContactAgent(void* window, uint16_t port);
  // Window destruction.
  void EndContact(void* window);

  // Drops what is pending, starts collecting and tells the agent what to trace.
  void BeginTrace();
  // Tells the agent to trace nothing; the records stay.
  void EndTrace();
  // Message 1025: the waiting datagrams in (until `timer` says the time is up), every complete
  // record through the store, the Trace Buffer trimmed, stale messages dropped.
  ReceivePassStats ReceivePass(IDatagramSource& source, IPassTimer& timer);
  // Without a time limit: reads until nothing waits.
  ReceivePassStats ReceivePass(IDatagramSource& source);
  // OK of Capture Filters: the dialog's values into the options, the Trace Buffer trimmed to
  // its new size (the Trap Buffer is left alone) and, while a trace runs, the agent told in the
  // order Begin Trace uses.
  void ApplyCaptureFilters(const CaptureFiltersModel& dialog);

  TraceStore& Store() { return m_store; }
  const TraceStore& Store() const { return m_store; }
  size_t PendingCount() const { return m_pending.Count(); }

 private:
  void AddRecord(SpyMsgPtr record) override { m_store.AddRecord(std::move(record)); }
  void EndOfRecords() override { m_store.EndOfRecords(); }

  Options& m_options;
  std::unique_ptr<IAgentLink> m_agent;
  CPendingList m_pending;
  TraceStore m_store;
};
