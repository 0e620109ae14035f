#include "app/ShellText.h"

#include <gtest/gtest.h>

#include "protocol/AgentFiles.h"
#include "ui/CenterDialog.h"

namespace {

TEST(ShellText, TriggerAndPositionPanes) {
  EXPECT_EQ(app::TriggerPaneText(true), "Trigger On");
  EXPECT_EQ(app::TriggerPaneText(false), "Trigger Off");
  EXPECT_EQ(app::PositionPaneText(1, 57), "   1:  57");
  EXPECT_EQ(app::PositionPaneText(12345, 99999), "12345:99999");
  EXPECT_EQ(app::PositionPaneText(0, 0), "");
  EXPECT_EQ(app::AgentPaneText(true, 0), "");
  EXPECT_EQ(app::AgentPaneText(true, 4294967296), "Lost 4294967296");
  EXPECT_EQ(app::AgentPaneText(false, 0), "No contact");
  EXPECT_EQ(app::AgentPaneText(false, 7), "No contact");
}

TEST(ShellText, AboutLineNamesRevisionOrFailure) {
  // The monitor's own width's agent: "Klvnt32.dll Revision 3.A0" in the 32-bit monitor.
  const std::string agent = protocol::AgentDll(protocol::kWsock32);
  EXPECT_EQ(app::AboutAgentLine(3), agent + " Revision 3.A0");
  EXPECT_EQ(app::AboutAgentLine(0), agent + " Failure!");
  EXPECT_EQ(protocol::AgentDll(protocol::kWsock32, protocol::Width::k32), "Klvnt32.dll");
}

TEST(CenterDialog, CentresAndKeepsOnScreen) {
  // Halves are rounded toward zero separately: 1025/2 - 301/2 = 512 - 150.
  EXPECT_EQ(ui::CenterDialogOnScreen(1025, 769, 301, 201), (ui::Point{362, 284}));
  EXPECT_EQ(ui::CenterDialogOnScreen(800, 600, 800, 600), (ui::Point{0, 0}));
  // Wider than the screen: the right edge sits on the screen's right edge.
  EXPECT_EQ(ui::CenterDialogOnScreen(640, 480, 700, 100), (ui::Point{-60, 190}));
  EXPECT_EQ(ui::CenterDialogOnScreen(640, 480, 100, 481), (ui::Point{270, -1}));
}

}  // namespace
