#include "config/Options.h"
#include "dialogs/TrapModel.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(TrapModel, OpensWithTheTriggerRecordShownAsTheControlsShowIt) {
  config::Options options;
  options.m_nTriggerType = 3;
  options.m_nTriggerPos = 0;
  options.m_nTriggerApi = 18;
  options.m_nTriggerError = 36;
  options.m_triggerPattern[0] = 0x80;
  options.m_triggerPattern[1] = 0xFF;
  options.m_nPatternLength = 2;
  options.m_nPatternOffset = 12;
  const dialogs::TrapModel model(options);
  EXPECT_EQ(model.CallSelection(), 18);
  EXPECT_EQ(model.ErrorSelection(), 36);
  EXPECT_EQ(model.PatternText(), "80,FF");
  EXPECT_EQ(model.OffsetText(), "12");
  EXPECT_EQ(model.CheckedPositionButton(), IDC_TRIGGER_FRONT);
  EXPECT_EQ(model.CheckedKindButton(), IDC_TRIGGER_SEND_DATA);
  EXPECT_FALSE(model.CallListEnabled());
  EXPECT_FALSE(model.ErrorListEnabled());
  EXPECT_TRUE(model.DataControlsEnabled());

  // Values only a settings file holds: nothing selected, Back, no kind button.
  options.m_nTriggerType = 9;
  options.m_nTriggerPos = 65535;
  options.m_nTriggerApi = 65535;
  options.m_nTriggerError = 37;
  options.m_nPatternLength = 65535;
  const dialogs::TrapModel odd(options);
  EXPECT_EQ(odd.CallSelection(), -1);
  EXPECT_EQ(odd.ErrorSelection(), -1);
  EXPECT_EQ(odd.CheckedPositionButton(), IDC_TRIGGER_BACK);
  EXPECT_EQ(odd.CheckedKindButton(), 0);
  EXPECT_EQ(odd.PatternText().size(), 299u);
}

TEST(TrapModel, RadioButtonsSetKindAndEnableItsControls) {
  dialogs::TrapModel model{config::Options{}};
  EXPECT_EQ(model.CheckedKindButton(), IDC_TRIGGER_API_CALL);
  EXPECT_TRUE(model.CallListEnabled());
  EXPECT_FALSE(model.ErrorListEnabled());
  EXPECT_FALSE(model.DataControlsEnabled());
  struct Case {
    int button;
    int32_t kind;
    bool call, error, data;
  };
  for (const Case& c : {Case{IDC_TRIGGER_SOCKET_ERROR, 1, false, true, false},
                        Case{IDC_TRIGGER_RECEIVE_DATA, 2, false, false, true},
                        Case{IDC_TRIGGER_SEND_DATA, 3, false, false, true},
                        Case{IDC_TRIGGER_API_CALL, 0, true, false, false}}) {
    model.OnRadio(c.button);
    EXPECT_EQ(model.m_trigger.m_nTriggerType, c.kind);
    EXPECT_EQ(model.CheckedKindButton(), c.button);
    EXPECT_EQ(model.CallListEnabled(), c.call);
    EXPECT_EQ(model.ErrorListEnabled(), c.error);
    EXPECT_EQ(model.DataControlsEnabled(), c.data);
  }
  model.OnRadio(IDC_TRIGGER_FRONT);
  EXPECT_EQ(model.m_trigger.m_nTriggerPos, 0);
  model.OnRadio(IDC_TRIGGER_BACK);
  EXPECT_EQ(model.m_trigger.m_nTriggerPos, 2);
  model.OnRadio(IDC_TRIGGER_MIDDLE);
  EXPECT_EQ(model.m_trigger.m_nTriggerPos, 1);
  EXPECT_EQ(model.m_trigger.m_nTriggerType, 0);
}

TEST(TrapModel, OkParsesThePatternFirstThenListsThenOffset) {
  config::Options options;
  dialogs::TrapModel model(options);
  // A bad pattern blocks OK even for the API call kind, whose pattern edit is disabled.
  dialogs::TrapDialogOk ok = model.OnOK("55,,AA", 5, 6, "zz");
  EXPECT_EQ(ok.outcome, dialogs::TrapDialogOk::Outcome::kPatternError);
  EXPECT_EQ(ok.message, "Invalid Character in String");
  EXPECT_EQ(ok.caret, 3);
  EXPECT_EQ(model.m_trigger.m_nTriggerApi, 0);  // nothing after the pattern was taken

  ok = model.OnOK("5,0A,00ff", -1, 36, "1025");
  EXPECT_EQ(ok.outcome, dialogs::TrapDialogOk::Outcome::kOffsetError);
  EXPECT_EQ(ok.message, "Please enter an integer between 0 and 1024.");
  EXPECT_EQ(model.m_trigger.m_nTriggerApi, -1);
  EXPECT_EQ(model.m_trigger.m_nTriggerError, 36);
  for (const char* bad : {"", "abc", "12x", "1 2"}) {
    EXPECT_EQ(model.OnOK("", 0, 0, bad).message, "Please enter an integer.") << bad;
  }
  EXPECT_EQ(model.OnOK("", 0, 0, "-1").message, "Please enter an integer between 0 and 1024.");
  EXPECT_EQ(model.OnOK("", 0, 0, "99999999999999999999").outcome,
            dialogs::TrapDialogOk::Outcome::kOffsetError);

  ok = model.OnOK("5,0A,00ff", 18, -1, " 1024 ");
  EXPECT_EQ(ok.outcome, dialogs::TrapDialogOk::Outcome::kAccepted);
  EXPECT_EQ(model.PatternText(), "05,0A,FF");
  model.OnRadio(IDC_TRIGGER_RECEIVE_DATA);
  model.OnRadio(IDC_TRIGGER_BACK);
  static_cast<store::TriggerOptions&>(options) = model.m_trigger;  // what OK hands back
  EXPECT_EQ(options.m_nTriggerType, 2);
  EXPECT_EQ(options.m_nTriggerPos, 2);
  EXPECT_EQ(options.m_nTriggerApi, 18);
  EXPECT_EQ(options.m_nTriggerError, -1);
  EXPECT_EQ(options.m_nPatternLength, 3);
  EXPECT_EQ(options.m_nPatternOffset, 1024);
  EXPECT_EQ(options.m_triggerPattern[2], 0xFF);

  // An empty pattern is a pattern of length 0, also for the data kinds.
  EXPECT_EQ(model.OnOK("", 0, 0, "0").outcome, dialogs::TrapDialogOk::Outcome::kAccepted);
  EXPECT_EQ(model.m_trigger.m_nPatternLength, 0);
}

}  // namespace
