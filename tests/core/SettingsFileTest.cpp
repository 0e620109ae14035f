#include "config/SettingsFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ScratchDir.h"
#include "dialogs/TrapModel.h"
#include "store/FileIo.h"
#include "store/TraceStore.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Add16(Bytes& out, std::initializer_list<uint16_t> values) {
  for (uint16_t v : values) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
  }
}

TEST(SettingsFile, DefaultFileIsTheFullLayout) {
  Bytes expected = {0x04, '1', '.', '0', '0'};
  Add16(expected, {1, 0, 1, 0, 50, 10, 1, 1, 16, 16, 1, 0, 0, 0});
  expected.resize(expected.size() + 100, 0);  // pattern
  Add16(expected, {0, 4});
  for (int id = 0; id < 46; ++id) {
    const bool on = id == 1 || id == 2 || id == 3 || id == 6 || id == 15 || id == 16 || id == 18 ||
                    id == 19 || id == 20 || id == 22 || id == 24;
    Add16(expected, {static_cast<uint16_t>(on)});
  }
  Add16(expected, {0, 1, 0, 0, 0});
  const Bytes colors = {255, 255, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 150, 150, 150, 0, 255, 0, 0, 0};
  expected.insert(expected.end(), colors.begin(), colors.end());
  const Bytes font = {0xF3, 0xFF, 0xFF, 0xFF, 0,    0,    0,   0,   0,   0,   0,  0,
                      0,    0,    0,    0,    0x90, 0x01, 0,   0,   0,   0,   0,  0,
                      1,    2,    1,    0x31, 'C',  'o',  'u', 'r', 'i', 'e', 'r'};
  expected.insert(expected.end(), font.begin(), font.end());
  expected.resize(config::kSettingsFileSize, 0);

  const Bytes file = WriteSettings(config::Options{});
  ASSERT_EQ(file.size(), 319u);
  EXPECT_EQ(file, expected);
  EXPECT_EQ(Bytes(file.begin(), file.begin() + 7), (Bytes{0x04, '1', '.', '0', '0', 0x01, 0x00}));
}

TEST(SettingsFile, EveryOptionKeepsItsLow16BitsColoursAndFontWhole) {
  config::Options o;
  o.m_bShowTime = 0;
  o.m_nTraceSize = 0x12345;
  o.m_nTrapSize = 200;
  o.m_nTriggerError = -1;
  o.m_nTriggerApi = -1;
  o.m_triggerPattern[99] = 0xEE;
  o.m_nPatternLength = 100;
  o.m_apiEnable[45] = 1;
  o.m_apiEnable[1] = 0;
  o.m_nSocketId = 0x10203;
  o.m_crReturns = 0x00ABCDEF;
  o.m_logFont.lfHeight = -19;
  o.m_logFont.lfItalic = 1;
  o.m_logFont.lfFaceName = {"Lucida Console"};

  config::Options back;
  ASSERT_TRUE(ReadSettings(WriteSettings(o), back));
  config::Options expected = o;
  expected.m_nTraceSize = 0x2345;
  expected.m_nTriggerError = 0xFFFF;
  expected.m_nTriggerApi = 0xFFFF;
  expected.m_nSocketId = 0x0203;
  EXPECT_EQ(back, expected);
}

TEST(SettingsFile, ForeignVersionsAndShortFilesGiveTheDefaults) {
  config::Options custom;
  custom.m_nTraceSize = 700;
  custom.m_crBackground = 0x123456;
  const Bytes good = WriteSettings(custom);

  Bytes otherVersion = good;
  otherVersion[4] = '1';  // "1.01"
  Bytes longVersion = {0x05, '1', '.', '0', '0', '0'};
  longVersion.insert(longVersion.end(), good.begin() + 5, good.end());
  for (const Bytes& file : {Bytes{}, otherVersion, longVersion, Bytes(good.begin(), good.end() - 1),
                            Bytes(good.begin(), good.begin() + 5)}) {
    config::Options options = custom;
    EXPECT_FALSE(ReadSettings(file, options));
    EXPECT_EQ(options, config::Options{});
  }

  // The version in the 16-bit length form is still "1.00"; bytes after the font are ignored.
  Bytes wideForm = {0xFF, 0x04, 0x00};
  wideForm.insert(wideForm.end(), good.begin() + 1, good.end());
  wideForm.push_back(0x99);
  config::Options options;
  EXPECT_TRUE(ReadSettings(wideForm, options));
  EXPECT_EQ(options, custom);
}

TEST(SettingsFile, LoadAndSaveThroughFiles) {
  const ScratchDir dir("settings");
  const auto path = dir / "quarnt32.cfg";
  EXPECT_EQ(config::LoadSettingsFile(path), config::Options{});  // first run

  ASSERT_TRUE(store::WriteFileReplacing(path, Bytes{0x04, '2', '.', '0', '0', 7, 7}));
  EXPECT_EQ(config::LoadSettingsFile(path), config::Options{});
  config::Options o;
  o.m_bVerbose = 1;
  ASSERT_TRUE(SaveSettingsFile(path, o));  // a foreign file is overwritten with "1.00"
  EXPECT_EQ(store::ReadWholeFile(path), WriteSettings(o));
  EXPECT_EQ(config::LoadSettingsFile(path), o);
  EXPECT_FALSE(SaveSettingsFile(dir / "missing" / "quarnt32.cfg", o));

  // The buffer switch is written at exit but the program starts on the Trace Buffer.
  o.m_bViewTrap = 1;
  ASSERT_TRUE(SaveSettingsFile(path, o));
  EXPECT_EQ(store::ReadWholeFile(path), WriteSettings(o));
  EXPECT_EQ(config::LoadSettingsFile(path).m_bViewTrap, 0);

  // A read-only file stays as it is, read-only.
  namespace fs = std::filesystem;
  fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  EXPECT_FALSE(SaveSettingsFile(path, config::Options{}));
  EXPECT_EQ(store::ReadWholeFile(path), WriteSettings(o));
  EXPECT_TRUE(store::IsReadOnlyFile(path));
}

TEST(SettingsFile, ValuesNoDialogAllowsAreHarmlessWhereUsed) {
  config::Options stored;
  stored.m_nTraceSize = 0;
  stored.m_nTrapSize = 0;
  stored.m_nPatternLength = 65535;
  stored.m_nPatternOffset = 65535;
  stored.m_nTriggerPos = 65535;
  stored.m_nTriggerApi = 65535;
  stored.m_nTriggerError = 65535;
  config::Options options;
  ASSERT_TRUE(ReadSettings(WriteSettings(stored), options));
  EXPECT_EQ(options.m_nTriggerApi, 65535);

  store::TraceStore store(options, options);
  EXPECT_EQ(store.TrapStatusText(), "Trap Buffer Full");
  for (int32_t kind : {0, 1, 2, 3, 65535}) {
    options.m_nTriggerType = kind;
    store.ToggleTriggerEnable();
    for (int32_t apiId : {18, 65535, 3}) {
      auto record = std::make_unique<CSpyMsg>();
      record->m_nApiId = apiId;
      record->m_hData = store::Payload(size_t{244});
      store.AddRecord(std::move(record));
    }
    store.EndOfRecords();
    EXPECT_TRUE(store.m_traceBuf.empty());
    EXPECT_EQ(store.m_bTrapActive, 0) << kind;
    store.ToggleTriggerEnable();
  }
  store.ApplyTraceSize();

  const dialogs::TrapModel model(options);
  EXPECT_EQ(model.CallSelection(), -1);
  EXPECT_EQ(model.ErrorSelection(), -1);
  EXPECT_EQ(model.CheckedPositionButton(), IDC_TRIGGER_BACK);
  EXPECT_EQ(model.PatternText().size(), 299u);
}

}  // namespace
