#include "dialogs/TrapSpecModel.h"

#include "store/TriggerLists.h"
#include "ui/DataExchange.h"

namespace {

int SelectionIn(int32_t index, size_t listSize) {
  return index >= 0 && index < static_cast<int32_t>(listSize) ? index : -1;
}

}  // namespace

TrapSpecModel::TrapSpecModel(const TriggerOptions& options)
    : m_position(options.m_nTriggerPos),
      m_kind(options.m_nTriggerType),
      m_callIndex(options.m_nTriggerApi),
      m_errorIndex(options.m_nTriggerError),
      m_pattern(options.m_triggerPattern),
      m_patternLength(options.m_nPatternLength),
      m_offset(options.m_nPatternOffset) {
  ApplyKind();
}

void TrapSpecModel::CopyTo(TriggerOptions& options) const {
  options.m_nTriggerPos = m_position;
  options.m_nTriggerType = m_kind;
  options.m_nTriggerApi = m_callIndex;
  options.m_nTriggerError = m_errorIndex;
  options.m_triggerPattern = m_pattern;
  options.m_nPatternLength = m_patternLength;
  options.m_nPatternOffset = m_offset;
}

int TrapSpecModel::CallSelection() const {
  return SelectionIn(m_callIndex, kTriggerCallNames.size());
}

int TrapSpecModel::ErrorSelection() const {
  return SelectionIn(m_errorIndex, kSortedTriggerErrors.size());
}

int TrapSpecModel::CheckedPositionButton() const {
  if (m_position == 0) return IDC_TRIGGER_FRONT;
  if (m_position == 1) return IDC_TRIGGER_MIDDLE;
  return IDC_TRIGGER_BACK;
}

void TrapSpecModel::ApplyKind() {
  static constexpr int kButtons[] = {IDC_TRIGGER_API_CALL, IDC_TRIGGER_SOCKET_ERROR,
                                     IDC_TRIGGER_RECEIVE_DATA, IDC_TRIGGER_SEND_DATA};
  if (m_kind < 0 || m_kind > 3) return;
  m_kindButton = kButtons[m_kind];
  m_callListEnabled = m_kind == 0;
  m_errorListEnabled = m_kind == 1;
  m_dataControlsEnabled = m_kind >= 2;
}

void TrapSpecModel::OnRadio(int controlId) {
  switch (controlId) {
    case IDC_TRIGGER_API_CALL:
      m_kind = 0;
      break;
    case IDC_TRIGGER_SOCKET_ERROR:
      m_kind = 1;
      break;
    case IDC_TRIGGER_RECEIVE_DATA:
      m_kind = 2;
      break;
    case IDC_TRIGGER_SEND_DATA:
      m_kind = 3;
      break;
    case IDC_TRIGGER_FRONT:
      m_position = 0;
      return;
    case IDC_TRIGGER_MIDDLE:
      m_position = 1;
      return;
    case IDC_TRIGGER_BACK:
      m_position = 2;
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
  m_pattern = parse.bytes;
  m_patternLength = parse.length;
  m_callIndex = SelectionIn(callSelection, kTriggerCallNames.size());
  m_errorIndex = SelectionIn(errorSelection, kSortedTriggerErrors.size());

  const ddx::Field<int32_t> offset = ddx::ExchangeInt(offsetText, 0, kMaxPatternOffset);
  if (!offset.value) {
    result.outcome = TrapSpecOk::Outcome::kOffsetError;
    result.message = offset.message;
    return result;
  }
  m_offset = *offset.value;
  return result;
}
