#include "dialogs/RangeModel.h"

#include <algorithm>

#include "ui/DataExchange.h"

namespace dialogs {

RangeModel::Controls RangeModel::OnInitDialog(const IRangeView& view) {
  m_pView = &view;
  return OnCurrentPage();
}

RangeModel::Controls RangeModel::OnAll() {
  m_nRangeMode = kAll;
  m_nFrom = 1;
  m_nTo = m_pView ? m_pView->GetDisplayCount() : 0;
  return Refresh();
}

// The numbers stay within the buffer even if the view's position does not, so that the range
// names records that exist.
RangeModel::Controls RangeModel::OnCurrentPage() {
  m_nRangeMode = kCurrentPage;
  const int32_t count = m_pView ? m_pView->GetDisplayCount() : 0;
  m_nFrom = m_pView ? std::max(std::min(m_pView->GetFirstVisible(), count), 1) : 0;
  m_nTo = m_pView ? std::max(std::min(m_pView->GetLastVisible(), count), m_nFrom) : 0;
  return Refresh();
}

RangeModel::Controls RangeModel::OnRecord() {
  m_nRangeMode = kRecord;
  return Refresh();
}

RangeModel::EditCheck RangeModel::OnEditKillFocus(Edit edit, std::string_view text) {
  const std::optional<int32_t> value = ui::ddx::ReadDecimal(text, kEditTextLimit);
  int32_t& member = edit == Edit::kFrom ? m_nFrom : m_nTo;
  const int32_t low = edit == Edit::kFrom ? 1 : m_nFrom;
  const int32_t high = edit == Edit::kFrom ? m_nTo : (m_pView ? m_pView->GetDisplayCount() : 0);
  if (value && *value >= low && *value <= high) {
    member = *value;
    return {true, std::to_string(member)};
  }
  return {false, std::to_string(member)};
}

RangeModel::OkResult RangeModel::OnOK(std::optional<Edit> focused, std::string_view focusedText) {
  OkResult result;
  if (focused) result.check = OnEditKillFocus(*focused, focusedText);
  result.from = m_nFrom;
  result.to = m_nTo;
  return result;
}

RangeModel::Controls RangeModel::Refresh() const {
  Controls controls;
  controls.allChecked = m_nRangeMode == kAll;
  controls.pageChecked = m_nRangeMode == kCurrentPage;
  controls.recordChecked = m_nRangeMode == kRecord;
  controls.editsEnabled = m_nRangeMode == kRecord;
  controls.fromText = std::to_string(m_nFrom);
  controls.toText = std::to_string(m_nTo);
  return controls;
}

}  // namespace dialogs
