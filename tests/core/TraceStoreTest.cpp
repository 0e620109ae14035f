#include "store/TraceStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ScratchDir.h"
#include "config/Options.h"
#include "protocol/Bytes.h"
#include "protocol/Calls.h"
#include "protocol/PayloadLayout.h"
#include "store/FileIo.h"
#include "store/TraceFile.h"

namespace {

SpyMsgPtr Call(int32_t apiId, int32_t error = 0) {
  auto record = std::make_unique<CSpyMsg>();
  record->m_nApiId = apiId;
  record->m_nError = error;
  record->m_hData = store::Payload(size_t{244});
  protocol::bytes::PutLE32(record->m_hData.MutableBytes().data(), static_cast<uint32_t>(error));
  return record;
}

// A successful send of `data`.
SpyMsgPtr Send(std::vector<uint8_t> data) {
  auto record = Call(18);
  uint8_t* out = record->m_hData.MutableBytes().data();
  protocol::bytes::PutLE32(out + protocol::layout::kShortTransfer.result,
                           static_cast<uint32_t>(data.size()));
  protocol::bytes::PutLE32(out + protocol::layout::kShortTransfer.count,
                           static_cast<uint32_t>(data.size()));
  std::copy(data.begin(), data.end(), out + protocol::layout::kShortTransfer.fixed);
  return record;
}

class TraceStoreTest : public ::testing::Test {
 protected:
  // Records with API ids 100, 101, ... (ids that trigger on nothing), `count` of them.
  void Feed(int count) {
    for (int i = 0; i < count; ++i) store.AddRecord(Call(100 + fed++));
  }
  void ArmApiTrigger(int32_t apiId, int32_t position) {
    options.m_nTriggerType = 0;
    options.m_nTriggerApi = apiId;
    options.m_nTriggerPos = position;
    store.ToggleTriggerEnable();
  }
  std::vector<int32_t> TrapIds() const {
    std::vector<int32_t> ids;
    for (const auto& r : store.m_trapBuf) ids.push_back(r->m_nApiId);
    return ids;
  }
  static std::vector<int32_t> Ids(int32_t first, int32_t last) {
    std::vector<int32_t> ids;
    for (int32_t id = first; id <= last; ++id) ids.push_back(id);
    return ids;
  }

  config::Options options;
  store::TraceStore store{options, options};
  int fed = 0;
};

// The chosen call fires on the calls its flag governs, and only on those.
TEST_F(TraceStoreTest, ApiTriggerFiresOnTheCallsItsFlagGoverns) {
  const int32_t connect = static_cast<int32_t>(protocol::calls::Id::connect);
  const auto ws2Connect = std::ranges::find_if(protocol::calls::kCalls, [&](const auto& call) {
    return call.id >= protocol::calls::kFlagCount && call.flag == connect;
  });
  ASSERT_NE(ws2Connect, std::end(protocol::calls::kCalls));
  ArmApiTrigger(connect, 0);
  store.AddRecord(Call(static_cast<int32_t>(protocol::calls::Id::bind)));
  EXPECT_EQ(store.m_bTriggerEnabled, 1);
  store.AddRecord(Call(ws2Connect->id));
  EXPECT_EQ(store.m_bTriggerEnabled, 0);
  EXPECT_EQ(store.m_traceBuf.back()->m_bTrigger, 1);
}

TEST_F(TraceStoreTest, MiddleTriggerCopiesWhatCameBeforeThenCollects) {
  ArmApiTrigger(3, 1);
  Feed(2);
  store.AddRecord(Call(3));
  EXPECT_EQ(store.m_bTrapActive, 1);
  EXPECT_EQ(store.m_bTriggerEnabled, 0);
  EXPECT_EQ(TrapIds(), (std::vector<int32_t>{100, 101, 3}));
  EXPECT_EQ(store.m_traceBuf.back()->m_bTrigger, 1);
  EXPECT_EQ(store.m_trapBuf.back()->m_bTrigger, 1);
  EXPECT_NE(store.m_trapBuf.back().get(), store.m_traceBuf.back().get());  // copies only
  EXPECT_EQ(store.TrapStatusText(), "Trap Buffer 3:10");

  Feed(6);
  store.AddRecord(Call(3));  // matches again: neither fires nor is marked
  EXPECT_EQ(store.TrapStatusText(), "Trap Buffer Full");
  EXPECT_EQ(store.m_traceBuf.back()->m_bTrigger, 0);
  Feed(5);
  ASSERT_EQ(store.m_trapBuf.size(), 10u);
  EXPECT_EQ(store.m_trapBuf[9]->m_nApiId, 3);
  EXPECT_EQ(store.m_trapBuf[9]->m_bTrigger, 0);
}

TEST_F(TraceStoreTest, FrontAndBackPositions) {
  Feed(5);
  ArmApiTrigger(3, 0);
  store.AddRecord(Call(3));
  EXPECT_EQ(TrapIds(), (std::vector<int32_t>{3}));
  Feed(12);
  std::vector<int32_t> expected{3};
  for (int32_t id = 105; id <= 113; ++id) expected.push_back(id);
  EXPECT_EQ(TrapIds(), expected);

  store.ClearBuffer();
  store.m_bTrapActive = 0;
  fed = 0;
  Feed(29);
  ArmApiTrigger(3, 2);
  store.AddRecord(Call(3));
  expected = Ids(120, 128);
  expected.push_back(3);
  EXPECT_EQ(TrapIds(), expected);
  EXPECT_EQ(store.TrapStatusText(), "Trap Buffer Full");

  // A position the dialog cannot set behaves as Back; Back with fewer records copies them all.
  store.ClearBuffer();
  store.m_bTrapActive = 0;
  fed = 0;
  Feed(3);
  ArmApiTrigger(3, 77);
  store.AddRecord(Call(3));
  EXPECT_EQ(TrapIds(), (std::vector<int32_t>{100, 101, 102, 3}));
}

TEST_F(TraceStoreTest, SocketErrorIndexIsAPositionInTheSortedList) {
  options.m_nTriggerType = 1;
  struct Case {
    int32_t index;
    int32_t fires;  // error code that fires it, 0 for none
  };
  const Case cases[] = {{36, 10035}, {0, 10048}, {8, 10069}, {34, 10059},
                        {-1, 0},     {37, 0},    {65535, 0}};
  for (const Case& c : cases) {
    options.m_nTriggerError = c.index;
    store.ClearBuffer();
    store.m_bTrapActive = 0;
    store.m_bTriggerEnabled = 1;
    for (int32_t error : {0, 10036, 10048, 10035, 10069, 10059, 10071, -1}) {
      if (error == c.fires) continue;
      store.AddRecord(Call(1, error));
    }
    EXPECT_EQ(store.m_bTrapActive, 0) << c.index;
    if (c.fires == 0) continue;
    store.AddRecord(Call(1, c.fires));
    EXPECT_EQ(store.m_bTrapActive, 1) << c.index;
    EXPECT_EQ(store.m_traceBuf.back()->m_bTrigger, 1);
  }
}

TEST_F(TraceStoreTest, DataTriggersTestSendAndReceiveRecordsAlike) {
  options.m_nTriggerType = 2;  // "receive data" also looks at send records
  options.m_triggerPattern[0] = 0xCA;
  options.m_triggerPattern[1] = 0xFE;
  options.m_nPatternLength = 2;
  options.m_nPatternOffset = 1;
  store.m_bTriggerEnabled = 1;
  store.AddRecord(Send({0xCA, 0xFE, 0x00}));
  EXPECT_EQ(store.m_bTrapActive, 0);
  store.AddRecord(Send({0x00, 0xCA, 0xFE}));
  EXPECT_EQ(store.m_bTrapActive, 1);

  // Values from a settings file that no dialog allows match nothing, and nothing breaks.
  for (auto [type, length, offset] :
       {std::tuple{3, 101, 1}, std::tuple{3, 65535, 1}, std::tuple{3, -1, 1},
        std::tuple{3, 2, 65535}, std::tuple{3, 2, -7}, std::tuple{4, 2, 1}, std::tuple{65535, 2, 1},
        std::tuple{-1, 2, 1}}) {
    options.m_nTriggerType = type;
    options.m_nPatternLength = length;
    options.m_nPatternOffset = offset;
    store.ToggleTriggerEnable();
    if (!store.m_bTriggerEnabled) store.ToggleTriggerEnable();
    store.AddRecord(Send({0x00, 0xCA, 0xFE}));
    EXPECT_EQ(store.m_bTrapActive, 0) << type << " " << length << " " << offset;
  }
}

TEST_F(TraceStoreTest, CallIndexOutsideTheApiIdsMatchesNothing) {
  // -1 (nothing chosen) comes back from the settings file as 65535.
  for (int32_t index : {-1, 65535, 0xFFFF}) {
    store.ClearBuffer();
    ArmApiTrigger(index, 1);
    store.AddRecord(Call(65535));
    store.AddRecord(Call(0xFFFF));
    store.AddRecord(Call(-1));
    EXPECT_EQ(store.m_bTrapActive, 0) << index;
    store.ToggleTriggerEnable();
  }
}

TEST_F(TraceStoreTest, ClearAndEnableEmptyTheTrapButKeepTheirFlags) {
  options.m_nTrapSize = 4;
  ArmApiTrigger(3, 0);
  store.AddRecord(Call(3));
  Feed(1);
  store.ClearBuffer();  // while collecting: refills with the next records
  EXPECT_TRUE(store.m_traceBuf.empty());
  EXPECT_TRUE(store.m_trapBuf.empty());
  EXPECT_EQ(store.m_bTrapActive, 1);
  Feed(6);
  EXPECT_EQ(TrapIds(), (std::vector<int32_t>{101, 102, 103, 104}));

  store.ToggleTriggerEnable();  // arming empties the Trap Buffer and stops collecting
  EXPECT_EQ(store.m_bTriggerEnabled, 1);
  EXPECT_EQ(store.m_bTrapActive, 0);
  EXPECT_TRUE(store.m_trapBuf.empty());
  store.AddRecord(Call(3));
  ASSERT_EQ(store.m_trapBuf.size(), 1u);
  store.ToggleTriggerEnable();
  store.ToggleTriggerEnable();  // disarming empties it as well
  EXPECT_EQ(store.m_bTriggerEnabled, 0);
  EXPECT_TRUE(store.m_trapBuf.empty());
}

TEST_F(TraceStoreTest, TrapSizesNoDialogAllows) {
  options.m_nTrapSize = 0;
  EXPECT_EQ(store.TrapStatusText(), "Trap Buffer Full");
  for (int32_t position : {0, 1, 2}) {
    for (int32_t size : {0, -8, 1}) {
      options.m_nTrapSize = size;
      store.ClearBuffer();
      Feed(3);
      ArmApiTrigger(3, position);
      store.AddRecord(Call(3));
      Feed(3);
      // Front always takes the trigger record; otherwise the size (at least 0) rules.
      const size_t expected = position == 0 ? 1 : (size == 1 ? 1 : 0);
      EXPECT_EQ(store.m_trapBuf.size(), expected) << position << " " << size;
      EXPECT_EQ(store.TrapStatusText(), "Trap Buffer Full");
      store.m_bTrapActive = 0;
    }
  }
}

TEST_F(TraceStoreTest, TrimsKeepOneLessAfterAPassAndTheSizeAfterAChange) {
  // Eighty records from a file stay; accepting the size keeps 50; the next pass 49.
  std::vector<SpyMsgPtr> eighty;
  for (int i = 0; i < 80; ++i) eighty.push_back(Call(i % 46));
  ASSERT_TRUE(store.OpenTraceFile(store::WriteTraceFile(eighty)).loaded);
  EXPECT_EQ(store.m_traceBuf.size(), 80u);
  store.ApplyTraceSize();
  EXPECT_EQ(store.m_traceBuf.size(), 50u);
  EXPECT_EQ(store.m_traceBuf.front()->m_nApiId, 30 % 46);
  store.EndOfRecords();
  EXPECT_EQ(store.m_traceBuf.size(), 49u);

  // Sizes no dialog allows: every trim ends.
  for (auto [size, afterPass, afterChange] : {std::tuple{0, 0u, 0u}, std::tuple{-5, 0u, 0u},
                                              std::tuple{1, 0u, 1u}, std::tuple{65535, 20u, 20u}}) {
    options.m_nTraceSize = size;
    store.ClearBuffer();
    Feed(20);
    store.EndOfRecords();
    EXPECT_EQ(store.m_traceBuf.size(), afterPass) << size;
    store.ClearBuffer();
    Feed(20);
    store.ApplyTraceSize();
    EXPECT_EQ(store.m_traceBuf.size(), afterChange) << size;
  }
}

TEST_F(TraceStoreTest, TrapPaneTexts) {
  EXPECT_EQ(store.TrapStatusText(), "Trap Buffer Empty");
  options.m_nTrapSize = 200;
  ArmApiTrigger(3, 0);
  store.AddRecord(Call(3));
  Feed(1);
  EXPECT_EQ(store.TrapStatusText(), "Trap Buffer 2:200");
}

TEST_F(TraceStoreTest, SaveWritesTheDisplayedBufferAndOpenKeepsWhatItCannotRead) {
  const ScratchDir dir("store");
  Feed(3);
  store.m_trapBuf.push_back(Call(7));
  options.m_bViewTrap = 1;
  const auto path = dir / "trap.spy";
  ASSERT_EQ(store.SaveTraceFile(path), "");
  EXPECT_EQ(store::ReadWholeFile(path), store::WriteTraceFile(store.m_trapBuf));

  // Opening puts the trap records into the Trace Buffer and shows it.
  auto opened = store.OpenTraceFile(path);
  EXPECT_TRUE(opened.loaded);
  EXPECT_EQ(opened.message, "");
  EXPECT_EQ(options.m_bViewTrap, 0);
  ASSERT_EQ(store.m_traceBuf.size(), 1u);
  EXPECT_EQ(store.m_traceBuf[0]->m_nApiId, 7);
  EXPECT_EQ(store.m_trapBuf.size(), 1u);  // not touched

  // A foreign file or a missing one leaves the Trace Buffer as it was.
  Feed(2);
  options.m_bViewTrap = 1;
  const std::vector<uint8_t> foreign = {0x0A, 'Q', 'N', 'T', '1', '6', ' ',
                                        '1',  '.', '0', '0', 0,   0};
  for (auto result : {store.OpenTraceFile(foreign), store.OpenTraceFile(dir / "none.spy")}) {
    EXPECT_FALSE(result.loaded);
    EXPECT_EQ(result.message, "File Read Error");
    EXPECT_EQ(store.m_traceBuf.size(), 3u);
    EXPECT_EQ(options.m_bViewTrap, 1);
  }

  // A short file loads its complete records and says so.
  std::vector<uint8_t> cut = store::WriteTraceFile(store.m_traceBuf);
  cut.pop_back();
  opened = store.OpenTraceFile(cut);
  EXPECT_TRUE(opened.loaded);
  EXPECT_EQ(opened.message, "File Read Error: the trace file ends early; 2 of 3 records read.");
  EXPECT_EQ(store.m_traceBuf.size(), 2u);
  EXPECT_EQ(options.m_bViewTrap, 0);

  // A failed save says so; a read-only file is refused and stays as it was.
  std::filesystem::create_directories(dir / "locked.spy" / "inside");
  EXPECT_EQ(store.SaveTraceFile(dir / "locked.spy"), store::kTraceFileWriteError);
  EXPECT_EQ(store.SaveTraceFile(dir / "missing" / "x.spy"), store::kTraceFileWriteError);
  std::filesystem::permissions(path, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  EXPECT_EQ(store.SaveTraceFile(path), store::kTraceFileReadOnlyError);
  EXPECT_EQ(store::ReadWholeFile(path), store::WriteTraceFile(std::span(store.m_trapBuf)));
}

TEST_F(TraceStoreTest, OpenReadsTheHeaderFirstAndOnlyWhatTheFileHolds) {
  const ScratchDir dir("store");
  Feed(2);
  // Sparse files of 3 GiB: one with no header, one whose one record announces 65535 payload
  // bytes and holds them, one whose count of 65535 ends after 2 records.
  const auto huge = dir / "huge.spy";
  std::ofstream(huge, std::ios::binary) << "MZ";
  std::filesystem::resize_file(huge, 3ull << 30);
  auto opened = store.OpenTraceFile(huge);
  EXPECT_FALSE(opened.loaded);
  EXPECT_EQ(opened.message, "File Read Error");
  EXPECT_EQ(store.m_traceBuf.size(), 2u);

  std::vector<uint8_t> bytes = store::WriteTraceFile(std::span(store.m_traceBuf).first(1));
  bytes.resize(13 +
               store::kTraceRecordHeadSize);  // the record's head, its payload length made 65535
  bytes[27] = bytes[28] = 0xFF;
  const auto tail = dir / "tail.spy";
  ASSERT_TRUE(store::WriteFileReplacing(tail, bytes));
  std::filesystem::resize_file(tail, 3ull << 30);
  opened = store.OpenTraceFile(tail);
  EXPECT_EQ(opened.message, "");
  ASSERT_EQ(store.m_traceBuf.size(), 1u);
  EXPECT_EQ(store.m_traceBuf[0]->PayloadBytes().size(), 0xFFFFu);

  Feed(2);
  bytes = store::WriteTraceFile(store.m_traceBuf);
  bytes[11] = bytes[12] = 0xFF;  // the count
  const auto early = dir / "early.spy";
  ASSERT_TRUE(store::WriteFileReplacing(early, bytes));
  opened = store.OpenTraceFile(early);
  EXPECT_TRUE(opened.loaded);
  EXPECT_EQ(opened.message, "File Read Error: the trace file ends early; 3 of 65535 records read.");
  EXPECT_EQ(store.m_traceBuf.size(), 3u);
}

}  // namespace
