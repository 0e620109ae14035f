#include "store/TrapDialogModel.h"

#include "app/DataExchange.h"
#include "store/TriggerLists.h"

namespace {

int SelectionIn(int32_t index, size_t listSize) {
  return index >= 0 && index < static_cast<int32_t>(listSize) ? index : -1;
}

}  // namespace

TrapDialogModel::TrapDialogModel(const Options& options)
    : m_position(options.m_nTriggerPos),
      m_kind(options.m_nTriggerType),
      m_callIndex(options.m_nTriggerApi),
      m_errorIndex(options.m_nTriggerError),
      m_pattern(options.m_triggerPattern),
      m_patternLength(options.m_nPatternLength),
      m_offset(options.m_nPatternOffset) {
  ApplyKind();
}

void TrapDialogModel::CopyTo(Options& options) const {
  options.m_nTriggerPos = m_position;
  options.m_nTriggerType = m_kind;
  options.m_nTriggerApi = m_callIndex;
  options.m_nTriggerError = m_errorIndex;
  options.m_triggerPattern = m_pattern;
  options.m_nPatternLength = m_patternLength;
  options.m_nPatternOffset = m_offset;
}

int TrapDialogModel::CallSelection() const {
  return SelectionIn(m_callIndex, calls::kTriggerListNames.size());
}

int TrapDialogModel::ErrorSelection() const {
  return SelectionIn(m_errorIndex, kSortedTriggerErrors.size());
}

int TrapDialogModel::CheckedPositionButton() const {
  if (m_position == 0) return kIdcFront;
  if (m_position == 1) return kIdcMiddle;
  return kIdcBack;
}

void TrapDialogModel::ApplyKind() {
  static constexpr int kButtons[] = {kIdcApiCall, kIdcSocketError, kIdcReceiveData, kIdcSendData};
  if (m_kind < 0 || m_kind > 3) return;
  m_kindButton = kButtons[m_kind];
  m_callListEnabled = m_kind == 0;
  m_errorListEnabled = m_kind == 1;
  m_dataControlsEnabled = m_kind >= 2;
}

void TrapDialogModel::OnRadio(int controlId) {
  switch (controlId) {
    case kIdcApiCall:
      m_kind = 0;
      break;
    case kIdcSocketError:
      m_kind = 1;
      break;
    case kIdcReceiveData:
      m_kind = 2;
      break;
    case kIdcSendData:
      m_kind = 3;
      break;
    case kIdcFront:
      m_position = 0;
      return;
    case kIdcMiddle:
      m_position = 1;
      return;
    case kIdcBack:
      m_position = 2;
      return;
    default:
      return;
  }
  ApplyKind();
}

TrapSpecOk TrapDialogModel::OnOK(std::string_view patternText, int callSelection,
                                 int errorSelection, std::string_view offsetText) {
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
  m_callIndex = SelectionIn(callSelection, calls::kTriggerListNames.size());
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
