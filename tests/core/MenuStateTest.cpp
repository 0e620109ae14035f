#include "display/MenuState.h"

#include <gtest/gtest.h>

#include "config/Options.h"

namespace {

using namespace display;

TEST(MenuState, DataOnlyDisablesShowTimeAndVerboseButKeepsTheirChecks) {
  Options options;
  options.m_bVerbose = 1;
  options.m_bDataOnly = 1;
  const ViewFacts facts{options};
  EXPECT_EQ(UpdateDataOnly(facts), (CommandUI{true, true, std::nullopt}));
  EXPECT_EQ(UpdateShowTime(facts), (CommandUI{false, true, std::nullopt}));
  EXPECT_EQ(UpdateVerbose(facts), (CommandUI{false, true, std::nullopt}));
  EXPECT_EQ(UpdateVertSpace(facts), (CommandUI{true, true, std::nullopt}));

  options.m_bDataOnly = 0;
  options.m_bShowTime = 0;
  EXPECT_EQ(UpdateShowTime(facts), (CommandUI{true, false, std::nullopt}));
  EXPECT_TRUE(UpdateVerbose(facts).enabled);
}

TEST(MenuState, TracingLocksFileCommandsAndEmptyBuffersLockOutput) {
  Options options;
  ViewFacts facts{options, true, 5, 3, false};
  EXPECT_FALSE(UpdateBeginTrace(facts).enabled);
  EXPECT_TRUE(UpdateEndTrace(facts).enabled);
  EXPECT_FALSE(UpdateOpen(facts).enabled);
  EXPECT_FALSE(UpdateSaveAs(facts).enabled);
  EXPECT_FALSE(UpdatePrint(facts).enabled);
  EXPECT_FALSE(UpdateCopy(facts).enabled);
  EXPECT_TRUE(UpdateClearBuffer(facts).enabled);  // clearing works while tracing

  facts.tracing = false;
  EXPECT_TRUE(UpdateBeginTrace(facts).enabled);
  EXPECT_FALSE(UpdateEndTrace(facts).enabled);
  EXPECT_TRUE(UpdatePrint(facts).enabled);
  EXPECT_TRUE(UpdateCopy(facts).enabled);

  // Print and Copy look at the buffer shown, not at the Trace Buffer.
  options.m_bViewTrap = 1;
  facts.trapCount = 0;
  EXPECT_FALSE(UpdatePrint(facts).enabled);
  EXPECT_FALSE(UpdateCopy(facts).enabled);
  EXPECT_FALSE(UpdateClearBuffer(facts).enabled);  // only the Trace Buffer is cleared
}

TEST(MenuState, TrapBufferSwitchTextAndAvailability) {
  Options options;
  ViewFacts facts{options, false, 5, 0, false};
  EXPECT_EQ(UpdateTrapBuffer(facts), (CommandUI{false, std::nullopt, "View Trap Buffer"}));
  facts.trapCount = 2;
  EXPECT_TRUE(UpdateTrapBuffer(facts).enabled);
  facts.tracing = true;
  EXPECT_FALSE(UpdateTrapBuffer(facts).enabled);

  // Once the Trap Buffer is shown the way back is always open.
  options.m_bViewTrap = 1;
  facts.trapCount = 0;
  EXPECT_EQ(UpdateTrapBuffer(facts), (CommandUI{true, std::nullopt, "View Trace"}));
}

TEST(MenuState, FactsComeFromTheStore) {
  Options options;
  TraceStore store(options, options);
  store.m_bTracing = 1;
  store.m_bTriggerEnabled = 1;
  store.m_trapBuf.push_back(std::make_unique<CSpyMsg>());
  options.m_bViewTrap = 1;
  const ViewFacts facts = FactsOf(store, options);
  EXPECT_TRUE(facts.tracing);
  EXPECT_TRUE(facts.triggerEnabled);
  EXPECT_EQ(facts.traceCount, 0u);
  EXPECT_EQ(facts.DisplayedCount(), 1u);
}

TEST(MenuState, TriggerSpecifyOnlyWhileDisarmed) {
  Options options;
  ViewFacts facts{options};
  EXPECT_TRUE(UpdateTriggerSpecify(facts).enabled);
  EXPECT_EQ(UpdateTriggerEnable(facts), (CommandUI{true, false, std::nullopt}));
  facts.triggerEnabled = true;
  EXPECT_FALSE(UpdateTriggerSpecify(facts).enabled);
  EXPECT_EQ(UpdateTriggerEnable(facts), (CommandUI{true, true, std::nullopt}));
}

}  // namespace
