#include "dialogs/BufferAllocModel.h"

#include <gtest/gtest.h>

namespace {

using Spinner = dialogs::BufferAllocModel::Spinner;

dialogs::BufferValues Values() {
  dialogs::BufferValues v;
  v.m_nTraceSize = 300;
  v.m_nTrapSize = 20;
  v.m_bSaveEntire = 1;
  v.m_bDisplayEntire = 0;
  v.m_nSaveBytes = 16;
  v.m_nDisplayBytes = 64;
  return v;
}

TEST(BufferAllocModel, InitialControlsAndRadios) {
  dialogs::BufferAllocModel dlg(Values());
  dialogs::BufferAllocModel::Controls c = dlg.OnInitDialog();
  EXPECT_TRUE(c.saveEntireChecked);
  EXPECT_FALSE(c.saveBytesEnabled);
  EXPECT_FALSE(c.displayEntireChecked);
  EXPECT_TRUE(c.displayBytesEnabled);
  EXPECT_EQ(c.traceSpinPos, 300);
  EXPECT_EQ(c.trapText, "20");
  EXPECT_EQ(c.displayBytesText, "64");

  EXPECT_TRUE(dlg.OnSaveEntire(false));
  EXPECT_EQ(dlg.m_values.m_bSaveEntire, 0);
  EXPECT_FALSE(dlg.OnDisplayEntire(true));
  EXPECT_EQ(dlg.m_values.m_bDisplayEntire, 1);
}

TEST(BufferAllocModel, TypedSizeMovesSpinnerToItsEndAndOkRefusesIt) {
  dialogs::BufferAllocModel dlg(Values());
  dlg.OnInitDialog();
  EXPECT_EQ(dlg.OnSizeKillFocus(Spinner::kTrace, "5000"), 2000);
  EXPECT_EQ(dlg.m_values.m_nTraceSize, 5000);  // no range check on loss of focus
  EXPECT_EQ(dlg.OnSizeKillFocus(Spinner::kTrap, "many"), 20);
  EXPECT_EQ(dlg.m_values.m_nTrapSize, 20);

  const dialogs::BufferAllocModel::OkResult r = dlg.OnOK({"64", "16", "5000", "20"});
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.message, "Please enter an integer between 50 and 2000.");
  EXPECT_EQ(r.focusControl, IDC_TRACE_SIZE);
}

TEST(BufferAllocModel, SpinnerArrowsStepAndStopAtTheEnds) {
  dialogs::BufferValues v = Values();
  v.m_nTraceSize = 2000;
  v.m_nTrapSize = 11;
  dialogs::BufferAllocModel dlg(v);
  dlg.OnInitDialog();
  dialogs::BufferAllocModel::SpinResult s =
      dlg.OnSpin(Spinner::kTrace, dialogs::BufferAllocModel::kLineUp);
  EXPECT_EQ(s.position, 2000);
  EXPECT_EQ(s.text, "2000");
  s = dlg.OnSpin(Spinner::kTrace, dialogs::BufferAllocModel::kLineDown);
  EXPECT_EQ(s.text, "1999");
  s = dlg.OnSpin(Spinner::kTrap, dialogs::BufferAllocModel::kLineDown);
  EXPECT_EQ(s.text, "10");
  s = dlg.OnSpin(Spinner::kTrap, dialogs::BufferAllocModel::kLineDown);
  EXPECT_EQ(s.text, "10");
  EXPECT_EQ(dlg.m_values.m_nTrapSize, 10);

  // After 5000 was typed, an arrow starts from the spinner's end, not from 5000.
  dlg.OnSizeKillFocus(Spinner::kTrace, "5000");
  s = dlg.OnSpin(Spinner::kTrace, dialogs::BufferAllocModel::kLineDown);
  EXPECT_EQ(s.text, "1999");
  EXPECT_EQ(dlg.m_values.m_nTraceSize, 1999);
}

TEST(BufferAllocModel, OkChecksFieldsInOrderEvenDisabledOnes) {
  dialogs::BufferAllocModel dlg(Values());
  dlg.OnInitDialog();  // "Save" is "Entire Message": its byte edit is disabled
  dialogs::BufferAllocModel::OkResult r = dlg.OnOK({"x", "2000", "abc", "0"});
  EXPECT_EQ(r.message, "Please enter an integer.");
  EXPECT_EQ(r.focusControl, IDC_DISPLAY_BYTES);
  r = dlg.OnOK({"0", "1025", "abc", "0"});
  EXPECT_EQ(r.message, "Please enter an integer between 0 and 1024.");
  EXPECT_EQ(r.focusControl, IDC_SAVE_BYTES);
  r = dlg.OnOK({"0", "1024", "50", "201"});
  EXPECT_EQ(r.message, "Please enter an integer between 10 and 200.");
  EXPECT_EQ(r.focusControl, IDC_TRAP_SIZE);
  EXPECT_EQ(dlg.m_values, Values());  // nothing taken from a refused OK

  r = dlg.OnOK({"0", "1024", "50", "200"});
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(dlg.m_values.m_nDisplayBytes, 0);
  EXPECT_EQ(dlg.m_values.m_nSaveBytes, 1024);
  EXPECT_EQ(dlg.m_values.m_nTraceSize, 50);
  EXPECT_EQ(dlg.m_values.m_nTrapSize, 200);
}

}  // namespace
