// The Buffer Allocation dialog: how many records the Trace and Trap Buffers keep and how many
// data bytes of a send or receive are saved and shown. It edits a copy of six capture options;
// the Win32 dialog binds its controls to this model.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "capture/CaptureOptions.h"
#include "config/Options.h"
#include "dialogs/BufferAllocIds.h"

namespace dialogs {

// The six buffer values, in the options' order; their defaults are the options'.
struct BufferValues {
  int32_t m_nTraceSize = 0;
  int32_t m_nTrapSize = 0;
  int32_t m_bSaveEntire = 0;
  int32_t m_bDisplayEntire = 0;
  int32_t m_nSaveBytes = 0;
  int32_t m_nDisplayBytes = 0;

  static BufferValues From(const config::Options& options);
  void StoreInto(config::Options& options) const;
  bool operator==(const BufferValues&) const = default;
};

class BufferAllocModel {
 public:
  static constexpr int32_t kTraceMin = 50;
  static constexpr int32_t kTraceMax = 2000;
  static constexpr int32_t kTrapMin = 10;
  static constexpr int32_t kTrapMax = 200;
  static constexpr int32_t kBytesMax = capture::kUpToBytesMax;
  // The size edits are read into a buffer of this many characters on loss of focus.
  static constexpr size_t kSizeTextLimit = 19;

  enum class Spinner { kTrace, kTrap };
  // Scroll codes of WM_VSCROLL from a spinner: the upper arrow is line-up.
  enum ScrollCode : int { kLineUp = 0, kLineDown = 1 };

  struct Controls {
    bool saveEntireChecked = false;  // else "Up to" carries the mark
    bool saveBytesEnabled = false;
    bool displayEntireChecked = false;
    bool displayBytesEnabled = false;
    int32_t traceSpinPos = 0;  // spinner ranges are kTraceMin..kTraceMax and kTrapMin..kTrapMax
    int32_t trapSpinPos = 0;
    std::string traceText;
    std::string trapText;
    std::string saveBytesText;
    std::string displayBytesText;
  };

  struct SpinResult {
    int32_t position = 0;  // for the spinner
    std::string text;      // for the size edit beside it
  };

  // The texts of the four edits when OK is pressed.
  struct EditTexts {
    std::string_view displayBytes;
    std::string_view saveBytes;
    std::string_view traceSize;
    std::string_view trapSize;
  };

  struct OkResult {
    bool ok = false;
    std::string message;   // shown when not ok
    int focusControl = 0;  // the edit that refused, which gets the focus back
  };

  explicit BufferAllocModel(const BufferValues& values);

  Controls OnInitDialog();
  // The radio buttons; each returns whether its byte-limit edit is now enabled.
  bool OnSaveEntire(bool entire);
  bool OnDisplayEntire(bool entire);
  // A size edit lost the focus: a leading number becomes the size, unchecked; anything else
  // keeps it. Returns the spinner position, which the spinner's range clamps.
  int32_t OnSizeKillFocus(Spinner spinner, std::string_view text);
  // An arrow of a spinner, or any other scroll code.
  SpinResult OnSpin(Spinner spinner, int code);
  // Checks the edits in the dialog's order; on success the values are taken. A byte limit is
  // checked even while its edit is disabled.
  OkResult OnOK(const EditTexts& texts);

  BufferValues m_values;
  int32_t m_nTraceSpinPos = kTraceMin;
  int32_t m_nTrapSpinPos = kTrapMin;
};

}  // namespace dialogs
