#include "dialogs/CaptureFiltersModel.h"

#include "ui/DataExchange.h"

namespace {

// The check boxes show 0 or 1 only, whatever the settings file held.
int32_t AsFlag(int32_t value) {
  return value != 0 ? 1 : 0;
}

}  // namespace

CaptureFiltersModel::CaptureFiltersModel(const Options& options, bool tracing)
    : m_apiEnable(options.m_apiEnable),
      m_nSocketId(static_cast<uint32_t>(options.m_nSocketId)),
      m_bRestrictSocket(AsFlag(options.m_bRestrictSocket)),
      m_bErrorsOnly(AsFlag(options.m_bErrorsOnly)),
      m_bIgnoreWouldBlock(AsFlag(options.m_bIgnoreWouldBlock)),
      m_buffers(BufferValues::From(options)),
      m_bTracing(tracing) {}

CaptureFiltersModel::Controls CaptureFiltersModel::OnInitDialog() {
  m_listMode = ListMode::kSome;
  for (int i = 0; i < kListedApis; ++i) {
    m_selected[static_cast<size_t>(i)] = m_apiEnable[static_cast<size_t>(i)] != 0;
  }
  return Refresh();
}

CaptureFiltersModel::Controls CaptureFiltersModel::OnTraceAll() {
  m_listMode = ListMode::kAll;
  m_selected.fill(true);
  return Refresh();
}

CaptureFiltersModel::Controls CaptureFiltersModel::OnTraceSome() {
  m_listMode = ListMode::kSome;
  return Refresh();
}

CaptureFiltersModel::Controls CaptureFiltersModel::OnTraceNone() {
  m_listMode = ListMode::kNone;
  m_selected.fill(false);
  return Refresh();
}

void CaptureFiltersModel::OnSelectionChange(std::span<const int> selectedEntries) {
  m_selected.fill(false);
  for (int entry : selectedEntries) {
    if (entry >= 0 && entry < kListedApis) m_selected[static_cast<size_t>(entry)] = true;
  }
}

CaptureFiltersModel::Controls CaptureFiltersModel::OnRestrictSocket() {
  m_bRestrictSocket = m_bRestrictSocket ? 0 : 1;
  return Refresh();
}

void CaptureFiltersModel::OnErrorsOnly() {
  m_bErrorsOnly = m_bErrorsOnly ? 0 : 1;
}

void CaptureFiltersModel::OnIgnoreWouldBlock() {
  m_bIgnoreWouldBlock = m_bIgnoreWouldBlock ? 0 : 1;
}

CaptureFiltersModel::OkResult CaptureFiltersModel::OnOK(std::string_view socketIdText) {
  m_apiEnable.fill(0);
  for (int i = 0; i < kListedApis; ++i) {
    if (m_selected[static_cast<size_t>(i)]) m_apiEnable[static_cast<size_t>(i)] = 1;
  }
  const ddx::Field<uint32_t> socketId = ddx::ExchangeUnsigned(socketIdText);
  if (!socketId.value) return {false, socketId.message, IDC_SOCKET_ID};
  m_nSocketId = *socketId.value;
  return {true, {}, 0};
}

CaptureFiltersModel::Controls CaptureFiltersModel::Refresh() const {
  Controls controls;
  controls.traceAllChecked = m_listMode == ListMode::kAll;
  controls.traceSomeChecked = m_listMode == ListMode::kSome;
  controls.traceNoneChecked = m_listMode == ListMode::kNone;
  controls.listEnabled = m_listMode == ListMode::kSome;
  controls.selected = m_selected;
  controls.restrictChecked = m_bRestrictSocket != 0;
  controls.socketIdEnabled = m_bRestrictSocket != 0;
  controls.socketIdText = std::to_string(m_nSocketId);
  controls.errorsOnlyChecked = m_bErrorsOnly != 0;
  controls.ignoreWouldBlockChecked = m_bIgnoreWouldBlock != 0;
  controls.configureBuffersEnabled = !m_bTracing;
  controls.idleNoteVisible = m_bTracing;
  return controls;
}
