#include "dialogs/CaptureFiltersModel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(CaptureFiltersModel, OpensWithTraceSomeAndTheListFromTheFlags) {
  config::Options options;
  options.m_apiEnable.fill(1);
  options.m_apiEnable[4] = 0;
  options.m_bRestrictSocket = 0;
  dialogs::CaptureFiltersModel dlg(options, false);
  dlg.OnTraceNone();
  dialogs::CaptureFiltersModel::Controls c = dlg.OnInitDialog();
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

  dialogs::CaptureFiltersModel tracing(options, true);
  c = tracing.OnInitDialog();
  EXPECT_FALSE(c.configureBuffersEnabled);
  EXPECT_TRUE(c.idleNoteVisible);
}

TEST(CaptureFiltersModel, OkRebuildsFlagsFromListAndClearsUnlistedIds) {
  config::Options options;
  options.m_apiEnable.fill(1);
  dialogs::CaptureFiltersModel dlg(options, false);
  dlg.OnInitDialog();
  const int picked[] = {1, 18, 99, -3};  // entries outside the list are ignored
  dlg.OnSelectionChange(picked);
  ASSERT_TRUE(dlg.OnOK("0").ok);
  for (int id = 0; id < protocol::calls::kFlagCount; ++id) {
    EXPECT_EQ(dlg.m_apiEnable[static_cast<size_t>(id)], id == 1 || id == 18 ? 1 : 0) << id;
  }
}

TEST(CaptureFiltersModel, SocketIdMustBeUnsigned) {
  config::Options options;
  options.m_nSocketId = -1;  // stored as the bits of 4294967295
  dialogs::CaptureFiltersModel dlg(options, false);
  EXPECT_EQ(dlg.OnInitDialog().socketIdText, "4294967295");
  const dialogs::CaptureFiltersModel::OkResult refused = dlg.OnOK("-5");
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.message, "Please enter a positive integer.");
  EXPECT_EQ(refused.focusControl, IDC_SOCKET_ID);
  EXPECT_EQ(dlg.m_nSocketId, 4294967295u);
  EXPECT_TRUE(dlg.OnOK("3000000000").ok);
  EXPECT_EQ(dlg.m_nSocketId, 3000000000u);
}

}  // namespace
