// The trace session: the pending messages, the Trace and Trap Buffers and the agent, and the
// commands that make them work together — contacting the agent, Begin Trace, End Trace, the
// receive pass and accepted capture filters. The view owns one and calls it from its handlers.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "capture/AgentLink.h"
#include "capture/ChannelDrain.h"
#include "capture/Clock.h"
#include "capture/PendingList.h"
#include "capture/ReceivePass.h"
#include "config/Options.h"
#include "dialogs/CaptureFiltersModel.h"
#include "store/TraceStore.h"

namespace app {

class TraceSession : private capture::IRecordSink {
 public:
  // `options` and `clock` must outlive the session.
  TraceSession(config::Options& options, capture::IClock& clock,
               std::unique_ptr<capture::IAgentLink> agent);

  // The report channel the shell made, kMappingBytes at `mapping`, numbered `id`: its records
  // are read with the datagrams', and every contact asks the agents for it.
  void AttachChannel(uint8_t* mapping, uint32_t id);
  // Window creation: registers `window` and the capture socket's port with the agent and, when
  // it answers, switches every call off until Begin Trace and asks for the report channel.
  // Returns the agent's revision, 0 when the contact failed (another monitor holds it).
  uint16_t ContactAgent(void* window, uint16_t port);
  // The revision of the contact held; 0 while the agent refuses it.
  uint16_t AgentRevision() const { return m_revision; }
  // Refused, asks the agent for the contact again: the monitor that held it may have gone. True
  // when the contact is held, or was never asked for.
  bool EnsureContact();
  // Window destruction.
  void EndContact(void* window);

  // Begin Trace: first the contact (EnsureContact). Still refused, nothing begins (the buffers
  // stay as they are) and false comes back, for the shell to say that nothing would be traced.
  // Otherwise drops what is pending, starts collecting and tells the agent what to trace.
  bool BeginTrace();
  // Tells the agent to trace nothing; the records stay.
  void EndTrace();
  // Message 1025: the waiting datagrams and channel entries in (until `timer` says the time is
  // up), every complete record through the store, the Trace Buffer trimmed, stale messages
  // dropped.
  capture::ReceivePassStats ReceivePass(capture::IDatagramSource& source,
                                        capture::IPassTimer& timer);
  // Without a time limit: reads until nothing waits.
  capture::ReceivePassStats ReceivePass(capture::IDatagramSource& source);
  // OK of Capture Filters: the dialog's values into the options, the Trace Buffer trimmed to
  // its new size (the Trap Buffer is left alone) and, while a trace runs, the agent told in the
  // order Begin Trace uses.
  void ApplyCaptureFilters(const dialogs::CaptureFiltersModel& dialog);

  store::TraceStore& Store() { return m_store; }
  const store::TraceStore& Store() const { return m_store; }
  size_t PendingCount() const { return m_pending.Count(); }
  // Called with each record as it arrives, before the store takes it (qntcap prints them).
  void OnRecord(std::function<void(const CSpyMsg&)> observer) { m_onRecord = std::move(observer); }
  // The agents' messages that never became records, since the session began.
  uint64_t LostCount() const { return m_pending.Loss().Total() + m_channel.Lost(); }
  capture::ChannelDrain& Channel() { return m_channel; }

 private:
  void AddRecord(SpyMsgPtr record) override {
    if (m_onRecord) m_onRecord(*record);
    m_store.AddRecord(std::move(record));
  }
  void EndOfRecords() override { m_store.EndOfRecords(); }

  struct Contact {
    void* window;
    uint16_t port;
  };

  config::Options& m_options;
  std::unique_ptr<capture::IAgentLink> m_agent;
  std::optional<Contact> m_contact;  // what ContactAgent registered, to ask again with
  uint16_t m_revision = 0;
  CPendingList m_pending;
  capture::ChannelDrain m_channel;
  uint32_t m_channelId = 0;
  store::TraceStore m_store;
  std::function<void(const CSpyMsg&)> m_onRecord;
};

}  // namespace app
