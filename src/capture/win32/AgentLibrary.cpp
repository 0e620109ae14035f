#include "capture/win32/AgentLibrary.h"

#include "capture/win32/LibraryExport.h"
#include "protocol/AgentFiles.h"

namespace capture {

AgentLibrary::AgentLibrary(const std::string& folder) {
  m_module.Reset(LoadLibraryA((folder + protocol::AgentDll(protocol::kWsock32)).c_str()));
  m_contact = ExportAs<decltype(m_contact)>(m_module.Get(), "SPAContactAgent", 12);
  m_enable = ExportAs<decltype(m_enable)>(m_module.Get(), "SPAEnableSpy", 8);
  m_tracking = ExportAs<decltype(m_tracking)>(m_module.Get(), "SPASetTrackingOptions", 16);
  m_dataBlock = ExportAs<decltype(m_dataBlock)>(m_module.Get(), "SPASetDataBlockOptions", 8);
  m_channel = ExportAs<decltype(m_channel)>(m_module.Get(), "SPAUseChannel", 8);
}

uint16_t AgentLibrary::SPAContactAgent(void* window, uint16_t value, int32_t flag) {
  return m_contact != nullptr ? m_contact(static_cast<HWND>(window), value, flag) : 0;
}

void AgentLibrary::SPAEnableSpy(int32_t apiId, int32_t flag) {
  if (m_enable != nullptr) m_enable(apiId, flag);
}

void AgentLibrary::SPASetTrackingOptions(int32_t ignoreWouldBlock, int32_t errorsOnly,
                                         int32_t restrictSocket, int32_t socketId) {
  if (m_tracking != nullptr) {
    m_tracking(ignoreWouldBlock, errorsOnly, restrictSocket, static_cast<uint32_t>(socketId));
  }
}

void AgentLibrary::SPASetDataBlockOptions(int32_t saveEntire, int32_t saveBytes) {
  if (m_dataBlock != nullptr) m_dataBlock(saveEntire, saveBytes);
}

void AgentLibrary::SPAUseChannel(void* window, uint32_t channel) {
  if (m_channel != nullptr) m_channel(static_cast<HWND>(window), channel);
}

}  // namespace capture
