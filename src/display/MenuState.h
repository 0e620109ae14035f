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

CommandUI UpdateDataOnly(const ViewFacts& facts);        // 32785
CommandUI UpdateShowTime(const ViewFacts& facts);        // 32779
CommandUI UpdateVerbose(const ViewFacts& facts);         // 32778
CommandUI UpdateVertSpace(const ViewFacts& facts);       // 32780
CommandUI UpdateBeginTrace(const ViewFacts& facts);      // 32782
CommandUI UpdateEndTrace(const ViewFacts& facts);        // 32781
CommandUI UpdateOpen(const ViewFacts& facts);            // 57601
CommandUI UpdateSaveAs(const ViewFacts& facts);          // 57604
CommandUI UpdatePrint(const ViewFacts& facts);           // 57607
CommandUI UpdateCopy(const ViewFacts& facts);            // 57634
CommandUI UpdateTrapBuffer(const ViewFacts& facts);      // 32776
CommandUI UpdateClearBuffer(const ViewFacts& facts);     // 32783
CommandUI UpdateTriggerSpecify(const ViewFacts& facts);  // 32789
CommandUI UpdateTriggerEnable(const ViewFacts& facts);   // 32787

}  // namespace display
