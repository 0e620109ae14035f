#include "display/MenuState.h"

namespace display {

namespace {

CommandUI Enabled(bool enabled) {
  return {enabled, std::nullopt, std::nullopt};
}
CommandUI Checked(bool enabled, int32_t flag) {
  return {enabled, flag != 0, std::nullopt};
}

}  // namespace

ViewFacts FactsOf(const TraceStore& store, const ViewOptions& options) {
  return {options, store.m_bTracing != 0, store.m_traceBuf.size(), store.m_trapBuf.size(),
          store.m_bTriggerEnabled != 0};
}

// Show Time and Verbose do nothing visible in Data Only mode; they keep their check marks.
CommandUI UpdateDataOnly(const ViewFacts& facts) {
  return Checked(true, facts.options.m_bDataOnly);
}
CommandUI UpdateShowTime(const ViewFacts& facts) {
  return Checked(!facts.options.m_bDataOnly, facts.options.m_bShowTime);
}
CommandUI UpdateVerbose(const ViewFacts& facts) {
  return Checked(!facts.options.m_bDataOnly, facts.options.m_bVerbose);
}
CommandUI UpdateVertSpace(const ViewFacts& facts) {
  return Checked(true, facts.options.m_bVertSpace);
}

CommandUI UpdateBeginTrace(const ViewFacts& facts) {
  return Enabled(!facts.tracing);
}
CommandUI UpdateEndTrace(const ViewFacts& facts) {
  return Enabled(facts.tracing);
}
CommandUI UpdateOpen(const ViewFacts& facts) {
  return Enabled(!facts.tracing);
}
CommandUI UpdateSaveAs(const ViewFacts& facts) {
  return Enabled(!facts.tracing);
}
CommandUI UpdatePrint(const ViewFacts& facts) {
  return Enabled(!facts.tracing && facts.DisplayedCount() > 0);
}
CommandUI UpdateCopy(const ViewFacts& facts) {
  return Enabled(!facts.tracing && facts.DisplayedCount() > 0);
}

// The way back to the Trace Buffer is always open; the way to the Trap Buffer only when idle
// and there is something to see.
CommandUI UpdateTrapBuffer(const ViewFacts& facts) {
  const bool showingTrap = facts.options.m_bViewTrap != 0;
  return {showingTrap || (!facts.tracing && facts.trapCount > 0), std::nullopt,
          showingTrap ? "View Trace" : "View Trap Buffer"};
}

CommandUI UpdateClearBuffer(const ViewFacts& facts) {
  return Enabled(!facts.options.m_bViewTrap && facts.traceCount > 0);
}
CommandUI UpdateTriggerSpecify(const ViewFacts& facts) {
  return Enabled(!facts.triggerEnabled);
}
CommandUI UpdateTriggerEnable(const ViewFacts& facts) {
  return {true, facts.triggerEnabled, std::nullopt};
}

}  // namespace display
