#include "dialogs/TrapModel.h"

#include "protocol/Calls.h"
#include "store/TriggerLists.h"
#include "ui/DataExchange.h"

namespace dialogs {

namespace {

int SelectionIn(int32_t index, size_t listSize) {
  return index >= 0 && index < static_cast<int32_t>(listSize) ? index : -1;
}

}  // namespace

TrapModel::TrapModel(const store::TriggerOptions& options) : m_trigger(options) {
  ApplyKind();
}

int TrapModel::CallSelection() const {
  return SelectionIn(m_trigger.m_nTriggerApi, protocol::calls::kTriggerListNames.size());
}

int TrapModel::ErrorSelection() const {
  return SelectionIn(m_trigger.m_nTriggerError, store::kSortedTriggerErrors.size());
}

int TrapModel::CheckedPositionButton() const {
  if (m_trigger.m_nTriggerPos == 0) return IDC_TRIGGER_FRONT;
  if (m_trigger.m_nTriggerPos == 1) return IDC_TRIGGER_MIDDLE;
  return IDC_TRIGGER_BACK;
}

void TrapModel::ApplyKind() {
  static constexpr int kButtons[] = {IDC_TRIGGER_API_CALL, IDC_TRIGGER_SOCKET_ERROR,
                                     IDC_TRIGGER_RECEIVE_DATA, IDC_TRIGGER_SEND_DATA};
  if (m_trigger.m_nTriggerType < 0 || m_trigger.m_nTriggerType > 3) return;
  m_kindButton = kButtons[m_trigger.m_nTriggerType];
  m_callListEnabled = m_trigger.m_nTriggerType == 0;
  m_errorListEnabled = m_trigger.m_nTriggerType == 1;
  m_dataControlsEnabled = m_trigger.m_nTriggerType >= 2;
}

void TrapModel::OnRadio(int controlId) {
  switch (controlId) {
    case IDC_TRIGGER_API_CALL:
      m_trigger.m_nTriggerType = 0;
      break;
    case IDC_TRIGGER_SOCKET_ERROR:
      m_trigger.m_nTriggerType = 1;
      break;
    case IDC_TRIGGER_RECEIVE_DATA:
      m_trigger.m_nTriggerType = 2;
      break;
    case IDC_TRIGGER_SEND_DATA:
      m_trigger.m_nTriggerType = 3;
      break;
    case IDC_TRIGGER_FRONT:
      m_trigger.m_nTriggerPos = 0;
      return;
    case IDC_TRIGGER_MIDDLE:
      m_trigger.m_nTriggerPos = 1;
      return;
    case IDC_TRIGGER_BACK:
      m_trigger.m_nTriggerPos = 2;
      return;
    default:
      return;
  }
  ApplyKind();
}

TrapDialogOk TrapModel::OnOK(std::string_view patternText, int callSelection, int errorSelection,
                             std::string_view offsetText) {
  TrapDialogOk result;
  const store::PatternParse parse = store::ParseTriggerPattern(patternText);
  if (!parse.error.empty()) {
    result.outcome = TrapDialogOk::Outcome::kPatternError;
    result.message = parse.error;
    result.caret = parse.position;
    return result;
  }
  m_trigger.m_triggerPattern = parse.bytes;
  m_trigger.m_nPatternLength = parse.length;
  m_trigger.m_nTriggerApi = SelectionIn(callSelection, protocol::calls::kTriggerListNames.size());
  m_trigger.m_nTriggerError = SelectionIn(errorSelection, store::kSortedTriggerErrors.size());

  const ui::ddx::Field<int32_t> offset = ui::ddx::ExchangeInt(offsetText, 0, kMaxPatternOffset);
  if (!offset.value) {
    result.outcome = TrapDialogOk::Outcome::kOffsetError;
    result.message = offset.message;
    return result;
  }
  m_trigger.m_nPatternOffset = *offset.value;
  return result;
}

}  // namespace dialogs
