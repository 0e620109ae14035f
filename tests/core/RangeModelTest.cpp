#include "dialogs/RangeModel.h"

#include <gtest/gtest.h>

#include "ui/DataExchange.h"

namespace {

class FakeView : public dialogs::IRangeView {
 public:
  int32_t GetDisplayCount() const override { return count; }
  int32_t GetFirstVisible() const override { return first; }
  int32_t GetLastVisible() const override { return last; }
  int32_t count = 40;
  int32_t first = 11;
  int32_t last = 20;
};

using Edit = dialogs::RangeModel::Edit;

// A view whose position lies beyond its buffer still gives a range of records that exist.
TEST(RangeModel, CurrentPageStaysWithinTheBuffer) {
  FakeView view;
  view.count = 50;
  view.first = 1991;
  view.last = 50;
  dialogs::RangeModel dlg;
  dlg.OnInitDialog(view);
  EXPECT_EQ(dlg.m_nFrom, 50);
  EXPECT_EQ(dlg.m_nTo, 50);
  view.first = 41;
  view.last = 60;
  dlg.OnCurrentPage();
  EXPECT_EQ(dlg.m_nFrom, 41);
  EXPECT_EQ(dlg.m_nTo, 50);
}

TEST(RangeModel, ModesSetNumbersAndControls) {
  FakeView view;
  dialogs::RangeModel dlg;
  dialogs::RangeModel::Controls c = dlg.OnInitDialog(view);
  EXPECT_EQ(dlg.m_nRangeMode, dialogs::RangeModel::kCurrentPage);
  EXPECT_TRUE(c.pageChecked && !c.allChecked && !c.recordChecked && !c.editsEnabled);
  EXPECT_EQ(c.fromText, "11");
  EXPECT_EQ(c.toText, "20");

  c = dlg.OnAll();
  EXPECT_TRUE(c.allChecked && !c.pageChecked && !c.editsEnabled);
  EXPECT_EQ(dlg.m_nFrom, 1);
  EXPECT_EQ(dlg.m_nTo, 40);

  // Record keeps the numbers last shown and enables the edits.
  c = dlg.OnRecord();
  EXPECT_TRUE(c.recordChecked && !c.allChecked && c.editsEnabled);
  EXPECT_EQ(c.fromText, "1");
  EXPECT_EQ(c.toText, "40");
}

TEST(RangeModel, EditChecksKeepTheRangeOrdered) {
  FakeView view;
  dialogs::RangeModel dlg;
  dlg.OnInitDialog(view);
  dlg.OnRecord();  // 11 to 20 of 40

  // First record: 1 <= n <= last.
  EXPECT_FALSE(dlg.OnEditKillFocus(Edit::kFrom, "0").accepted);
  EXPECT_FALSE(dlg.OnEditKillFocus(Edit::kFrom, "21").accepted);  // within the count, above last
  const dialogs::RangeModel::EditCheck junk = dlg.OnEditKillFocus(Edit::kFrom, "abc");
  EXPECT_FALSE(junk.accepted);
  EXPECT_EQ(junk.text, "11");  // the edit gets the kept number back
  EXPECT_EQ(dlg.m_nFrom, 11);
  EXPECT_TRUE(dlg.OnEditKillFocus(Edit::kFrom, " 20xyz").accepted);  // read as "%d" reads
  EXPECT_EQ(dlg.m_nFrom, 20);

  // Last record: first <= n <= count.
  EXPECT_FALSE(dlg.OnEditKillFocus(Edit::kTo, "41").accepted);
  EXPECT_FALSE(dlg.OnEditKillFocus(Edit::kTo, "19").accepted);
  EXPECT_FALSE(dlg.OnEditKillFocus(Edit::kTo, "99999999999").accepted);
  EXPECT_EQ(dlg.m_nTo, 20);
  const dialogs::RangeModel::EditCheck ok = dlg.OnEditKillFocus(Edit::kTo, "40");
  EXPECT_TRUE(ok.accepted);
  EXPECT_EQ(ok.text, "40");
  EXPECT_EQ(dlg.m_nTo, 40);
}

TEST(RangeModel, OkWithEditFocusedChecksThatEditFirst) {
  FakeView view;
  dialogs::RangeModel dlg;
  dlg.OnInitDialog(view);
  dlg.OnRecord();

  // Enter in the last-record edit with a good number: it counts.
  dialogs::RangeModel::OkResult r = dlg.OnOK(Edit::kTo, "35");
  ASSERT_TRUE(r.check.has_value());
  EXPECT_TRUE(r.check->accepted);
  EXPECT_EQ(r.from, 11);
  EXPECT_EQ(r.to, 35);

  // A bad number is reverted and the numbers held are used.
  r = dlg.OnOK(Edit::kFrom, "36");
  EXPECT_FALSE(r.check->accepted);
  EXPECT_EQ(r.check->text, "11");
  EXPECT_EQ(r.from, 11);
  EXPECT_EQ(r.to, 35);

  // By mouse the edit lost the focus before; nothing more to check.
  r = dlg.OnOK(std::nullopt, "");
  EXPECT_FALSE(r.check.has_value());
  EXPECT_EQ(r.to, 35);
}

TEST(DataExchange, ReadingAndTransferChecks) {
  EXPECT_EQ(ui::ddx::ReadDecimal("  -12abc"), -12);
  EXPECT_EQ(ui::ddx::ReadDecimal("x12"), std::nullopt);
  EXPECT_EQ(ui::ddx::ReadDecimal("2147483648"), std::nullopt);
  EXPECT_EQ(ui::ddx::ReadDecimal("-2147483648"), INT32_MIN);
  EXPECT_EQ(ui::ddx::ReadDecimal("12345", 3), 123);

  EXPECT_EQ(ui::ddx::ExchangeInt(" 50 ", 50, 2000).value, 50);
  EXPECT_EQ(ui::ddx::ExchangeInt("50x", 50, 2000).message, "Please enter an integer.");
  EXPECT_EQ(ui::ddx::ExchangeInt("", 50, 2000).message, "Please enter an integer.");
  EXPECT_EQ(ui::ddx::ExchangeInt("5000", 50, 2000).message,
            "Please enter an integer between 50 and 2000.");

  EXPECT_EQ(ui::ddx::ExchangeUnsigned("4294967295").value, 4294967295u);
  for (const char* bad : {"-1", "4294967296", "1 2", "", "+"}) {
    EXPECT_EQ(ui::ddx::ExchangeUnsigned(bad).message, "Please enter a positive integer.") << bad;
  }
}

}  // namespace
