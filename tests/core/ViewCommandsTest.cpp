#include "app/ViewCommands.h"

#include <gtest/gtest.h>

#include "config/Options.h"
#include "display/TraceView.h"

namespace {

// Each display switch's command shows the check mark of the very flag it inverts.
TEST(ViewCommands, EveryToggleChecksTheFlagItInverts) {
  for (const app::DisplayToggle& toggle : app::kDisplayToggles) {
    SCOPED_TRACE(toggle.id);
    const app::UpdateRule* update = app::FindById(app::kUpdateRules, toggle.id);
    ASSERT_NE(update, nullptr);
    config::Options options;
    options.m_bDataOnly = 0;
    const display::ViewFacts facts{options};
    const bool before = update->rule(facts).checked.value();
    display::InvertFlag(options.*toggle.flag);
    EXPECT_EQ(update->rule(facts).checked.value(), !before);
  }
}

TEST(ViewCommands, IdsAreUniqueAndUnknownIdsFindNothing) {
  for (size_t i = 0; i < app::kUpdateRules.size(); ++i) {
    EXPECT_EQ(app::FindById(app::kUpdateRules, app::kUpdateRules[i].id), &app::kUpdateRules[i]);
  }
  EXPECT_EQ(app::FindById(app::kUpdateRules, ID_APP_ABOUT), nullptr);
  EXPECT_EQ(app::FindById(app::kDisplayToggles, ID_FILE_PRINT), nullptr);
}

}  // namespace
