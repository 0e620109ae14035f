// Enabled state, check mark and text of the view's menu items and toolbar buttons: one function
// per command, each answering what its update handler shows.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "display/ViewOptions.h"
#include "store/TraceStore.h"

namespace display {

struct CommandUI {
  bool enabled = true;
  std::optional<bool> checked;           // set only by commands that carry a check mark
  std::optional<std::string_view> text;  // set only by commands whose text changes

  bool operator==(const CommandUI&) const = default;
};

// What the update handlers look at.
struct ViewFacts {
  const ViewOptions& options;  // display modes and m_bViewTrap
  bool tracing = false;
  size_t traceCount = 0;
  size_t trapCount = 0;
  bool triggerEnabled = false;

  size_t DisplayedCount() const { return options.m_bViewTrap ? trapCount : traceCount; }
};

// The facts as the trace store holds them; `options` is the one the store was made with.
ViewFacts FactsOf(const TraceStore& store, const ViewOptions& options);

CommandUI UpdateDataOnly(const ViewFacts& facts);        // ID_PREFERENCES_DATAONLY
CommandUI UpdateShowTime(const ViewFacts& facts);        // ID_PREFERENCES_SHOWTIME
CommandUI UpdateVerbose(const ViewFacts& facts);         // ID_PREFERENCES_VERBOSE
CommandUI UpdateVertSpace(const ViewFacts& facts);       // ID_PREFERENCES_VERTSPACE
CommandUI UpdateBeginTrace(const ViewFacts& facts);      // ID_FILE_BEGINTRACE
CommandUI UpdateEndTrace(const ViewFacts& facts);        // ID_FILE_ENDTRACE
CommandUI UpdateOpen(const ViewFacts& facts);            // ID_FILE_OPEN
CommandUI UpdateSaveAs(const ViewFacts& facts);          // ID_FILE_SAVE_AS
CommandUI UpdatePrint(const ViewFacts& facts);           // ID_FILE_PRINT
CommandUI UpdateCopy(const ViewFacts& facts);            // ID_EDIT_COPY
CommandUI UpdateTrapBuffer(const ViewFacts& facts);      // ID_VIEW_TRAPBUFFER
CommandUI UpdateClearBuffer(const ViewFacts& facts);     // ID_EDIT_CLEARBUFFER
CommandUI UpdateTriggerSpecify(const ViewFacts& facts);  // ID_TRIGGER_SPECIFY
CommandUI UpdateTriggerEnable(const ViewFacts& facts);   // ID_TRIGGER_ENABLE

}  // namespace display
