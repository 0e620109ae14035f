#include "dialogs/TrapSpecModel.h"

#include "protocol/Calls.h"
#include "store/TriggerLists.h"
#include "ui/DataExchange.h"

namespace {

int SelectionIn(int32_t index, size_t listSize) {
  return index >= 0 && index < static_cast<int32_t>(listSize) ? index : -1;
}

}  // namespace

TrapSpecModel::TrapSpecModel(const TriggerOptions& options) : m_trigger(options) {
  ApplyKind();
}

int TrapSpecModel::CallSelection() const {
  return SelectionIn(m_trigger.m_nTriggerApi, calls::kTriggerListNames.size());
}

int TrapSpecModel::ErrorSelection() const {
  return SelectionIn(m_trigger.m_nTriggerError, kSortedTriggerErrors.size());
}

int TrapSpecModel::CheckedPositionButton() const {
  if (m_trigger.m_nTriggerPos == 0) return IDC_TRIGGER_FRONT;
  if (m_trigger.m_nTriggerPos == 1) return IDC_TRIGGER_MIDDLE;
  return IDC_TRIGGER_BACK;
}

void TrapSpecModel::ApplyKind() {
  static constexpr int kButtons[] = {IDC_TRIGGER_API_CALL, IDC_TRIGGER_SOCKET_ERROR,
                                     IDC_TRIGGER_RECEIVE_DATA, IDC_TRIGGER_SEND_DATA};
  if (m_trigger.m_nTriggerType < 0 || m_trigger.m_nTriggerType > 3) return;
  m_kindButton = kButtons[m_trigger.m_nTriggerType];
  m_callListEnabled = m_trigger.m_nTriggerType == 0;
  m_errorListEnabled = m_trigger.m_nTriggerType == 1;
  m_dataControlsEnabled = m_trigger.m_nTriggerType >= 2;
}

void TrapSpecModel::OnRadio(int controlId) {
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

TrapSpecOk TrapSpecModel::OnOK(std::string_view patternText, int callSelection, int errorSelection,
                               std::string_view offsetText) {
  TrapSpecOk result;
  const PatternParse parse = ParseTriggerPattern(patternText);
  if (!parse.error.empty()) {
    result.outcome = TrapSpecOk::Outcome::kPatternError;
    result.message = parse.error;
    result.caret = parse.position;
    return result;
  }
  m_trigger.m_triggerPattern = parse.bytes;
  m_trigger.m_nPatternLength = parse.length;
  m_trigger.m_nTriggerApi = SelectionIn(callSelection, calls::kTriggerListNames.size());
  m_trigger.m_nTriggerError = SelectionIn(errorSelection, kSortedTriggerErrors.size());

  const ddx::Field<int32_t> offset = ddx::ExchangeInt(offsetText, 0, kMaxPatternOffset);
  if (!offset.value) {
    result.outcome = TrapSpecOk::Outcome::kOffsetError;
    result.message = offset.message;
    return result;
  }
  m_trigger.m_nPatternOffset = *offset.value;
  return result;
}
