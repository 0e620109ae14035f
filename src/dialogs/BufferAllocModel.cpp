#include "dialogs/BufferAllocModel.h"

#include <algorithm>

#include "ui/DataExchange.h"

namespace dialogs {

BufferValues BufferValues::From(const config::Options& options) {
  return {options.m_nTraceSize,     options.m_nTrapSize,  options.m_bSaveEntire,
          options.m_bDisplayEntire, options.m_nSaveBytes, options.m_nDisplayBytes};
}

void BufferValues::StoreInto(config::Options& options) const {
  options.m_nTraceSize = m_nTraceSize;
  options.m_nTrapSize = m_nTrapSize;
  options.m_bSaveEntire = m_bSaveEntire;
  options.m_bDisplayEntire = m_bDisplayEntire;
  options.m_nSaveBytes = m_nSaveBytes;
  options.m_nDisplayBytes = m_nDisplayBytes;
}

BufferAllocModel::BufferAllocModel(const BufferValues& values) : m_values(values) {
  // Any non-zero flag means "entire" to every reader; the radio buttons show it so.
  m_values.m_bSaveEntire = m_values.m_bSaveEntire != 0;
  m_values.m_bDisplayEntire = m_values.m_bDisplayEntire != 0;
}

BufferAllocModel::Controls BufferAllocModel::OnInitDialog() {
  // A scroll bar keeps its position within its range, whatever the settings file held.
  m_nTraceSpinPos = std::clamp(m_values.m_nTraceSize, kTraceMin, kTraceMax);
  m_nTrapSpinPos = std::clamp(m_values.m_nTrapSize, kTrapMin, kTrapMax);
  Controls controls;
  controls.saveEntireChecked = m_values.m_bSaveEntire == 1;
  controls.saveBytesEnabled = m_values.m_bSaveEntire == 0;
  controls.displayEntireChecked = m_values.m_bDisplayEntire == 1;
  controls.displayBytesEnabled = m_values.m_bDisplayEntire == 0;
  controls.traceSpinPos = m_nTraceSpinPos;
  controls.trapSpinPos = m_nTrapSpinPos;
  controls.traceText = std::to_string(m_values.m_nTraceSize);
  controls.trapText = std::to_string(m_values.m_nTrapSize);
  controls.saveBytesText = std::to_string(m_values.m_nSaveBytes);
  controls.displayBytesText = std::to_string(m_values.m_nDisplayBytes);
  return controls;
}

bool BufferAllocModel::OnSaveEntire(bool entire) {
  m_values.m_bSaveEntire = entire ? 1 : 0;
  return !entire;
}

bool BufferAllocModel::OnDisplayEntire(bool entire) {
  m_values.m_bDisplayEntire = entire ? 1 : 0;
  return !entire;
}

int32_t BufferAllocModel::OnSizeKillFocus(Spinner spinner, std::string_view text) {
  const bool trace = spinner == Spinner::kTrace;
  int32_t& size = trace ? m_values.m_nTraceSize : m_values.m_nTrapSize;
  int32_t& position = trace ? m_nTraceSpinPos : m_nTrapSpinPos;
  if (const std::optional<int32_t> value = ui::ddx::ReadDecimal(text, kSizeTextLimit))
    size = *value;
  position = trace ? std::clamp(size, kTraceMin, kTraceMax) : std::clamp(size, kTrapMin, kTrapMax);
  return position;
}

BufferAllocModel::SpinResult BufferAllocModel::OnSpin(Spinner spinner, int code) {
  const bool trace = spinner == Spinner::kTrace;
  int32_t& size = trace ? m_values.m_nTraceSize : m_values.m_nTrapSize;
  int32_t& position = trace ? m_nTraceSpinPos : m_nTrapSpinPos;
  int32_t next = position;
  if (code == kLineUp) ++next;
  if (code == kLineDown) --next;
  next = trace ? std::clamp(next, kTraceMin, kTraceMax) : std::clamp(next, kTrapMin, kTrapMax);
  size = next;
  position = next;
  return {next, std::to_string(next)};
}

BufferAllocModel::OkResult BufferAllocModel::OnOK(const EditTexts& texts) {
  struct Check {
    std::string_view text;
    int32_t min;
    int32_t max;
    int control;
    int32_t BufferValues::*member;
  };
  const Check checks[] = {
      {texts.displayBytes, 0, kBytesMax, IDC_DISPLAY_BYTES, &BufferValues::m_nDisplayBytes},
      {texts.saveBytes, 0, kBytesMax, IDC_SAVE_BYTES, &BufferValues::m_nSaveBytes},
      {texts.traceSize, kTraceMin, kTraceMax, IDC_TRACE_SIZE, &BufferValues::m_nTraceSize},
      {texts.trapSize, kTrapMin, kTrapMax, IDC_TRAP_SIZE, &BufferValues::m_nTrapSize},
  };
  BufferValues accepted = m_values;
  for (const Check& check : checks) {
    const ui::ddx::Field<int32_t> field = ui::ddx::ExchangeInt(check.text, check.min, check.max);
    if (!field.value) return {false, field.message, check.control};
    accepted.*check.member = *field.value;
  }
  m_values = accepted;
  return {true, {}, 0};
}

}  // namespace dialogs
