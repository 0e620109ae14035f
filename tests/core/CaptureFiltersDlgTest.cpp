#include "config/CaptureFiltersDlg.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "RecordingAgentLink.h"
#include "app/ResourceIds.h"
#include "store/TraceStore.h"

namespace {

void Fill(std::vector<SpyMsgPtr>& buffer, int count) {
  for (int i = 0; i < count; ++i) {
    buffer.push_back(std::make_unique<CSpyMsg>());
    buffer.back()->m_time = static_cast<uint32_t>(i);
  }
}

TEST(CaptureFiltersDlg, OpensWithTraceSomeAndTheListFromTheFlags) {
  Options options;
  options.m_apiEnable.fill(1);
  options.m_apiEnable[4] = 0;
  options.m_bRestrictSocket = 0;
  CaptureFiltersModel dlg(options, false);
  dlg.OnTraceNone();
  CaptureFiltersModel::Controls c = dlg.OnInitDialog();
  EXPECT_TRUE(c.traceSomeChecked && !c.traceAllChecked && !c.traceNoneChecked);
  EXPECT_TRUE(c.listEnabled);
  EXPECT_TRUE(c.selected[0] && !c.selected[4] && c.selected[22]);
  EXPECT_FALSE(c.socketIdEnabled);
  EXPECT_TRUE(c.configureBuffersEnabled);
  EXPECT_FALSE(c.idleNoteVisible);

  c = dlg.OnRestrictSocket();
  EXPECT_TRUE(c.socketIdEnabled && c.restrictChecked);
  c = dlg.OnTraceAll();
  EXPECT_FALSE(c.listEnabled);
  EXPECT_TRUE(c.selected[4]);

  CaptureFiltersModel tracing(options, true);
  c = tracing.OnInitDialog();
  EXPECT_FALSE(c.configureBuffersEnabled);
  EXPECT_TRUE(c.idleNoteVisible);
}

TEST(CaptureFiltersDlg, OkRebuildsFlagsFromListAndClearsUnlistedIds) {
  Options options;
  options.m_apiEnable.fill(1);
  CaptureFiltersModel dlg(options, false);
  dlg.OnInitDialog();
  const int picked[] = {1, 18, 99, -3};  // entries outside the list are ignored
  dlg.OnSelectionChange(picked);
  ASSERT_TRUE(dlg.OnOK("0").ok);
  for (int id = 0; id < calls::kCount; ++id) {
    EXPECT_EQ(dlg.m_apiEnable[static_cast<size_t>(id)], id == 1 || id == 18 ? 1 : 0) << id;
  }
}

TEST(CaptureFiltersDlg, SocketIdMustBeUnsigned) {
  Options options;
  options.m_nSocketId = -1;  // stored as the bits of 4294967295
  CaptureFiltersModel dlg(options, false);
  EXPECT_EQ(dlg.OnInitDialog().socketIdText, "4294967295");
  const CaptureFiltersModel::OkResult refused = dlg.OnOK("-5");
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.message, "Please enter a positive integer.");
  EXPECT_EQ(refused.focusControl, IDC_SOCKET_ID);
  EXPECT_EQ(dlg.m_nSocketId, 4294967295u);
  EXPECT_TRUE(dlg.OnOK("3000000000").ok);
  EXPECT_EQ(dlg.m_nSocketId, 3000000000u);
}

TEST(FiltersCommand, TraceNoneWhileTracingDisablesEveryCallInOrder) {
  Options options;
  TraceStore store(options);
  store.m_bTracing = 1;
  RecordingAgentLink agent;
  CaptureFiltersModel dlg(options, true);
  dlg.OnInitDialog();
  dlg.OnTraceNone();
  dlg.OnErrorsOnly();
  ASSERT_TRUE(dlg.OnOK("7").ok);
  ApplyCaptureFilters(dlg, options, store, agent);

  ASSERT_EQ(agent.calls.size(), 48u);
  for (int id = 0; id < calls::kCount; ++id) {
    EXPECT_EQ(agent.calls[static_cast<size_t>(id)], "enable " + std::to_string(id) + " 0");
  }
  EXPECT_EQ(agent.calls[46], "tracking 1 1 0 7");  // ignore-would-block is on by default
  EXPECT_EQ(agent.calls[47], "datablock 1 16");
  EXPECT_EQ(options.m_apiEnable, (std::array<int32_t, calls::kCount>{}));
  EXPECT_EQ(options.m_bErrorsOnly, 1);
  EXPECT_EQ(options.m_nSocketId, 7);

  // Idle: the options change, the agent hears nothing.
  store.m_bTracing = 0;
  agent.calls.clear();
  CaptureFiltersModel idle(options, false);
  idle.OnInitDialog();
  idle.OnTraceAll();
  ASSERT_TRUE(idle.OnOK("7").ok);
  ApplyCaptureFilters(idle, options, store, agent);
  EXPECT_TRUE(agent.calls.empty());
  EXPECT_EQ(options.m_apiEnable[22], 1);
  EXPECT_EQ(options.m_apiEnable[23], 0);
}

TEST(FiltersCommand, SmallerSizesTrimTraceBufferOnlyAndShowTrapFull) {
  Options options;
  options.m_nTraceSize = 2000;
  options.m_nTrapSize = 200;
  TraceStore store(options);
  Fill(store.m_traceBuf, 1200);
  Fill(store.m_trapBuf, 30);
  RecordingAgentLink agent;

  CaptureFiltersModel dlg(options, false);
  dlg.OnInitDialog();
  BufferValues buffers = dlg.Buffers();
  buffers.m_nTraceSize = 50;
  buffers.m_nTrapSize = 10;
  dlg.OnBuffersAccepted(buffers);
  ASSERT_TRUE(dlg.OnOK("0").ok);
  ApplyCaptureFilters(dlg, options, store, agent);

  ASSERT_EQ(store.m_traceBuf.size(), 50u);
  EXPECT_EQ(store.m_traceBuf.front()->m_time, 1150u);  // the 1150 oldest went
  EXPECT_EQ(store.m_trapBuf.size(), 30u);
  EXPECT_EQ(store.TrapStatusText(), "Trap Buffer Full");
  EXPECT_EQ(options.m_nTrapSize, 10);
}

TEST(FiltersCommand, TrapPaneTexts) {
  Options options;
  TraceStore store(options);
  options.m_nTrapSize = 10;
  EXPECT_EQ(store.TrapStatusText(), "Trap Buffer Empty");
  Fill(store.m_trapBuf, 10);
  EXPECT_EQ(store.TrapStatusText(), "Trap Buffer Full");
  store.m_trapBuf.resize(3);
  options.m_nTrapSize = 200;
  EXPECT_EQ(store.TrapStatusText(), "Trap Buffer 3:200");
}

}  // namespace
