#include "app/TraceSession.h"

#include <utility>

namespace app {

TraceSession::TraceSession(config::Options& options, capture::IClock& clock,
                           std::unique_ptr<capture::IAgentLink> agent)
    : m_options(options),
      m_agent(std::move(agent)),
      m_pending(clock),
      m_channel(clock),
      m_store(options, options) {}

void TraceSession::AttachChannel(uint8_t* mapping, uint32_t id) {
  m_channel.Attach(mapping);
  m_channelId = mapping != nullptr ? id : 0;
}

uint16_t TraceSession::ContactAgent(void* window, uint16_t port) {
  m_contact = Contact{window, port};
  m_revision = m_agent->SPAContactAgent(window, port, 1);
  if (m_revision == 0) return 0;
  StopAgentTracing(*m_agent);
  if (m_channelId != 0) m_agent->SPAUseChannel(window, m_channelId);
  return m_revision;
}

bool TraceSession::EnsureContact() {
  if (!m_contact || m_revision != 0) return true;
  return ContactAgent(m_contact->window, m_contact->port) != 0;
}

void TraceSession::EndContact(void* window) {
  m_agent->SPAContactAgent(window, capture::kAgentNotifyMessage, 0);
}

bool TraceSession::BeginTrace() {
  if (!EnsureContact()) return false;
  m_pending.Clear();
  m_store.BeginTrace();
  SendCaptureOptions(*m_agent, m_options);
  return true;
}

void TraceSession::EndTrace() {
  m_store.EndTrace();
  StopAgentTracing(*m_agent);
}

capture::ReceivePassStats TraceSession::ReceivePass(capture::IDatagramSource& source,
                                                    capture::IPassTimer& timer) {
  return RunReceivePass(m_pending, source, *this, timer, &m_channel);
}

capture::ReceivePassStats TraceSession::ReceivePass(capture::IDatagramSource& source) {
  return RunReceivePass(m_pending, source, *this, &m_channel);
}

void TraceSession::ApplyCaptureFilters(const dialogs::CaptureFiltersModel& dialog) {
  m_options.m_bIgnoreWouldBlock = dialog.m_bIgnoreWouldBlock;
  m_options.m_bErrorsOnly = dialog.m_bErrorsOnly;
  m_options.m_bRestrictSocket = dialog.m_bRestrictSocket;
  m_options.m_nSocketId = static_cast<int32_t>(dialog.m_nSocketId);
  dialog.Buffers().StoreInto(m_options);
  m_store.ApplyTraceSize();
  m_options.m_apiEnable = dialog.m_apiEnable;
  if (m_store.m_bTracing) SendCaptureOptions(*m_agent, m_options);
}

}  // namespace app
