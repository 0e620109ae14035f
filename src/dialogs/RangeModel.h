// The range dialog of Copy to Clipboard and Print: records n to m of the displayed buffer.
// The Win32 dialog binds its controls to this model and shows what it answers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "dialogs/RangeIds.h"

// The view's answers the dialog asks for.
class IRangeView {
 public:
  virtual ~IRangeView() = default;
  virtual int32_t GetDisplayCount() const = 0;
  virtual int32_t GetFirstVisible() const = 0;
  virtual int32_t GetLastVisible() const = 0;
};

class RangeModel {
 public:
  enum RangeMode : int32_t { kAll = 1, kCurrentPage = 2, kRecord = 3 };
  enum class Edit { kFrom, kTo };
  // An edit's text is read into a buffer of this many characters.
  static constexpr size_t kEditTextLimit = 40;

  // What the controls show after a change: one radio mark, the two edits and the "to" label
  // enabled only in Record mode, the numbers as "%d".
  struct Controls {
    bool allChecked = false;
    bool pageChecked = false;
    bool recordChecked = false;
    bool editsEnabled = false;
    std::string fromText;
    std::string toText;
  };

  // Result of an edit's check on loss of focus: a rejected text is replaced by `text`, the
  // number kept.
  struct EditCheck {
    bool accepted = false;
    std::string text;
  };

  struct OkResult {
    std::optional<EditCheck> check;  // the check of the edit that had the focus, if any
    int32_t from = 0;
    int32_t to = 0;
  };

  // Opens in Current Page mode with the first and last record of the window.
  Controls OnInitDialog(const IRangeView& view);
  Controls OnAll();
  Controls OnCurrentPage();
  Controls OnRecord();
  EditCheck OnEditKillFocus(Edit edit, std::string_view text);
  // OK by mouse or Enter. With Enter an edit may still have the focus: its check runs first,
  // exactly as on loss of focus, and the range is the numbers then held.
  OkResult OnOK(std::optional<Edit> focused, std::string_view focusedText);
  Controls Refresh() const;

  std::string m_strCaption = "Copy to Clipboard";
  int32_t m_nFrom = 0;
  int32_t m_nTo = 0;
  const IRangeView* m_pView = nullptr;
  int32_t m_nRangeMode = kCurrentPage;
};
