// The Capture Filters dialog without its window: which Winsock calls the agent traces, the
// tracking options, and (through Buffer Allocation) the buffer sizes. The dialog edits a copy;
// only OK lets the trace session write it back.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "config/Options.h"
#include "dialogs/BufferAllocModel.h"
#include "dialogs/CaptureFiltersIds.h"
#include "protocol/Calls.h"

namespace dialogs {

class CaptureFiltersModel {
 public:
  // Entry i of the list stands for API id i.
  static constexpr auto& kListNames = protocol::calls::kFilterListNames;
  static constexpr int kListedApis = static_cast<int>(kListNames.size());
  // The list's horizontal scroll extent is this text's width in the dialog's font.
  static constexpr std::string_view kExtentText = "WSAAsyncGetProtoByNumber";

  struct Controls {
    bool traceAllChecked = false;
    bool traceSomeChecked = false;
    bool traceNoneChecked = false;
    bool listEnabled = true;
    std::array<bool, kListedApis> selected{};
    bool restrictChecked = false;
    bool socketIdEnabled = false;  // the "Id:" label and edit IDC_SOCKET_ID
    std::string socketIdText;      // unsigned decimal
    bool errorsOnlyChecked = false;
    bool ignoreWouldBlockChecked = false;
    bool configureBuffersEnabled = false;
    bool idleNoteVisible = false;  // "Buffers may only be changed when idle."
  };

  struct OkResult {
    bool ok = false;
    std::string message;
    int focusControl = 0;
  };

  // Step 1 of the Filters command: the dialog's data from the options.
  CaptureFiltersModel(const config::Options& options, bool tracing);

  // Always opens with "Trace Some" and the list enabled, whatever was chosen before.
  Controls OnInitDialog();
  Controls OnTraceAll();
  Controls OnTraceSome();
  Controls OnTraceNone();
  // The user changed the list's selection; the shell passes the selected entries.
  void OnSelectionChange(std::span<const int> selectedEntries);
  Controls OnRestrictSocket();
  void OnErrorsOnly();
  void OnIgnoreWouldBlock();
  // "Configure Buffers" runs Buffer Allocation on a copy of these and, on its OK, hands the
  // result back.
  const BufferValues& Buffers() const { return m_buffers; }
  void OnBuffersAccepted(const BufferValues& values) { m_buffers = values; }
  // Rebuilds all 46 flags from the list (ids 23..45 are never listed, so they end at 0), then
  // takes the socket id, which must be an unsigned decimal.
  OkResult OnOK(std::string_view socketIdText);
  Controls Refresh() const;

  std::array<int32_t, protocol::calls::kFlagCount> m_apiEnable{};
  uint32_t m_nSocketId = 0;
  int32_t m_bRestrictSocket = 0;
  int32_t m_bErrorsOnly = 0;
  int32_t m_bIgnoreWouldBlock = 0;
  BufferValues m_buffers;

 private:
  enum class ListMode { kAll, kSome, kNone };

  bool m_bTracing = false;
  ListMode m_listMode = ListMode::kSome;
  std::array<bool, kListedApis> m_selected{};
};

}  // namespace dialogs
