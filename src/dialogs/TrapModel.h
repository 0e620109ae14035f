// The trigger dialog (Setup, Trigger, Specify) without its window: the copy of the trigger it
// edits, which controls each kind enables, the radio buttons, and the OK rules (the pattern first,
// whatever the kind; then the list choices; then the offset).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "dialogs/TrapIds.h"
#include "store/StoreOptions.h"
#include "store/TriggerPattern.h"

namespace dialogs {

// The pattern edit takes at most this many characters, so nothing typed is cut off unseen.
constexpr int kPatternTextLimit = 299;
constexpr int32_t kMaxPatternOffset = 1024;
constexpr const char* kPatternErrorCaption = "PARSING ERROR IN TRIGGER PATTERN";

struct TrapDialogOk {
  enum class Outcome { kAccepted, kPatternError, kOffsetError };
  Outcome outcome = Outcome::kAccepted;
  std::string message;  // the message box text on an error
  int caret = 0;        // where the caret goes in the pattern edit on a pattern error
};

class TrapModel {
 public:
  // Copies the trigger in; applies the kind as the dialog's initialisation does.
  explicit TrapModel(const store::TriggerOptions& options);

  // What the controls show when the dialog opens. A list index outside the list selects
  // nothing (-1), as the combo box does.
  int CallSelection() const;
  int ErrorSelection() const;
  std::string PatternText() const {
    return store::FormatTriggerPattern(m_trigger.m_triggerPattern, m_trigger.m_nPatternLength);
  }
  std::string OffsetText() const { return std::to_string(m_trigger.m_nPatternOffset); }
  int CheckedPositionButton() const;

  // The kind's radio button (0 when the kind is none of the four) and enabled controls. A kind
  // outside 0..3 leaves both as they were.
  int CheckedKindButton() const { return m_kindButton; }
  bool CallListEnabled() const { return m_callListEnabled; }
  bool ErrorListEnabled() const { return m_errorListEnabled; }
  bool DataControlsEnabled() const { return m_dataControlsEnabled; }  // offset to hex note

  // Radio button handlers, by control id.
  void OnRadio(int controlId);

  // OK, given the pattern edit's text, the combo selections (-1 for none) and the offset text.
  TrapDialogOk OnOK(std::string_view patternText, int callSelection, int errorSelection,
                    std::string_view offsetText);

  // The edited copy; an accepted OK hands it back whole (enabled and filling are not here).
  store::TriggerOptions m_trigger;

 private:
  void ApplyKind();

  int m_kindButton = 0;
  bool m_callListEnabled = true;
  bool m_errorListEnabled = true;
  bool m_dataControlsEnabled = true;
};

}  // namespace dialogs
