#include "store/TraceFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ScratchDir.h"
#include "store/FileIo.h"

namespace {

using Bytes = std::vector<uint8_t>;

SpyMsgPtr Record(int32_t apiId, int32_t error, Bytes payload, int32_t trigger = 0) {
  auto record = std::make_unique<CSpyMsg>();
  record->m_time = 1700000000u + static_cast<uint32_t>(apiId);
  record->m_nApiId = apiId;
  record->m_nError = error;
  record->m_bTrigger = trigger;
  record->m_hData = store::Payload(std::move(payload));
  return record;
}

Bytes Header(uint16_t count) {
  Bytes file = {0x0A, 'Q', 'N', 'T', '3', '2', ' ', '1', '.', '0', '0'};
  file.push_back(static_cast<uint8_t>(count));
  file.push_back(static_cast<uint8_t>(count >> 8));
  return file;
}

TEST(TraceFile, EmptyBufferIsThirteenBytes) {
  EXPECT_EQ(store::WriteTraceFile({}), Header(0));
  const store::TraceFileContents back = store::ReadTraceFile(Header(0));
  EXPECT_EQ(back.status, store::TraceFileStatus::kComplete);
  EXPECT_TRUE(back.records.empty());
  EXPECT_EQ(TraceFileMessage(back), "");
}

TEST(TraceFile, RecordLayoutKeepsLow16BitsAndZeroExtendsThem) {
  std::vector<SpyMsgPtr> records;
  records.push_back(Record(0x10013, 0x12345, {0xAA, 0xBB, 0xCC}, 1));
  records[0]->m_time = 0x90000001u;
  records[0]->m_dwReserved = 0xDEADBEEF;
  records.push_back(Record(-1, -1, {}));  // no payload at all
  records[1]->m_hData.Reset();
  records[1]->m_time = 0x6553685D;

  Bytes expected = Header(2);
  const Bytes first = {0x01, 0x00, 0x00, 0x90, 0x13, 0x00, 0xEF, 0xBE, 0xAD, 0xDE,
                       0x45, 0x23, 0x01, 0x00, 0x03, 0x00, 0xAA, 0xBB, 0xCC};
  expected.insert(expected.end(), first.begin(), first.end());
  const Bytes second = {0x5D, 0x68, 0x53, 0x65, 0xFF, 0xFF, 0,    0,
                        0,    0,    0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00};
  expected.insert(expected.end(), second.begin(), second.end());
  const Bytes file = store::WriteTraceFile(records);
  ASSERT_EQ(file, expected);

  const store::TraceFileContents back = store::ReadTraceFile(file);
  ASSERT_EQ(back.status, store::TraceFileStatus::kComplete);
  ASSERT_EQ(back.records.size(), 2u);
  const CSpyMsg& a = *back.records[0];
  EXPECT_EQ(a.m_time, 0x90000001u);
  EXPECT_EQ(a.m_nApiId, 0x13);
  EXPECT_EQ(a.m_dwReserved, 0xDEADBEEFu);
  EXPECT_EQ(a.m_nError, 0x2345);
  EXPECT_EQ(a.m_bTrigger, 1);
  EXPECT_EQ(a.m_hData.Size(), 3u);
  const CSpyMsg& b = *back.records[1];
  EXPECT_EQ(b.m_nApiId, 0xFFFF);
  EXPECT_EQ(b.m_nError, 0xFFFF);
  EXPECT_EQ(b.m_bTrigger, 0);
  EXPECT_TRUE(b.m_hData.IsPresent());  // a block of the stored length, 0
  EXPECT_FALSE(b.m_hData.HasData());
}

TEST(TraceFile, RoundTripKeepsOrderPayloadsAndTriggerMarks) {
  std::vector<SpyMsgPtr> records;
  for (int i = 0; i < 80; ++i) {
    Bytes payload(244 * static_cast<size_t>(1 + i % 3));
    for (size_t k = 0; k < payload.size(); ++k) payload[k] = static_cast<uint8_t>(i + k);
    records.push_back(Record(i % 46, 10035 + i, std::move(payload), i == 41));
  }
  const store::TraceFileContents back = store::ReadTraceFile(store::WriteTraceFile(records));
  ASSERT_EQ(back.status, store::TraceFileStatus::kComplete);
  ASSERT_EQ(back.records.size(), 80u);
  for (size_t i = 0; i < 80; ++i) {
    const CSpyMsg& r = *back.records[i];
    EXPECT_EQ(r.m_time, records[i]->m_time);
    EXPECT_EQ(r.m_nApiId, records[i]->m_nApiId);
    EXPECT_EQ(r.m_nError, records[i]->m_nError);
    EXPECT_EQ(r.m_bTrigger, i == 41 ? 1 : 0);
    EXPECT_TRUE(std::ranges::equal(r.PayloadBytes(), records[i]->PayloadBytes()));
  }
}

TEST(TraceFile, FileThatEndsEarlyKeepsTheCompleteRecords) {
  std::vector<SpyMsgPtr> records;
  for (int i = 0; i < 3; ++i) records.push_back(Record(18, 0, Bytes(244, 7)));
  const Bytes whole = store::WriteTraceFile(records);
  const Bytes cut(whole.begin(), whole.end() - 100);  // inside the third payload
  const store::TraceFileContents back = store::ReadTraceFile(cut);
  EXPECT_EQ(back.status, store::TraceFileStatus::kShort);
  EXPECT_EQ(back.records.size(), 2u);
  EXPECT_EQ(TraceFileMessage(back),
            "File Read Error: the trace file ends early; 2 of 3 records read.");

  // Counts and lengths that claim more than the file holds are errors, not allocations.
  Bytes huge = Header(0xFFFF);
  const store::TraceFileContents none = store::ReadTraceFile(huge);
  EXPECT_EQ(none.status, store::TraceFileStatus::kShort);
  EXPECT_TRUE(none.records.empty());
  EXPECT_EQ(TraceFileMessage(none),
            "File Read Error: the trace file ends early; 0 of 65535 records read.");
  Bytes longPayload = Header(1);
  const Bytes head = {0, 0, 0, 0, 18, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 1, 2, 3};
  longPayload.insert(longPayload.end(), head.begin(), head.end());
  EXPECT_EQ(store::ReadTraceFile(longPayload).status, store::TraceFileStatus::kShort);

  const Bytes noCount(whole.begin(), whole.begin() + 12);
  const store::TraceFileContents countless = store::ReadTraceFile(noCount);
  EXPECT_EQ(countless.status, store::TraceFileStatus::kShort);
  EXPECT_EQ(TraceFileMessage(countless),
            "File Read Error: the trace file ends before its record count.");
}

TEST(TraceFile, ForeignHeadersAreRefused) {
  Bytes otherVersion = Header(0);
  otherVersion[10] = '1';  // "QNT32 1.01"
  Bytes longerHeader = {0x0B, 'Q', 'N', 'T', '3', '2', ' ', '1', '.', '0', '0', '0', 0, 0};
  const Bytes good = Header(0);
  const Bytes cases[] = {{},
                         otherVersion,
                         longerHeader,
                         {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
                         Bytes(good.begin(), good.begin() + 10)};
  for (const Bytes& file : cases) {
    const store::TraceFileContents back = store::ReadTraceFile(file);
    EXPECT_EQ(back.status, store::TraceFileStatus::kForeignHeader);
    EXPECT_EQ(TraceFileMessage(back), "File Read Error");
  }
}

TEST(FileIo, WriteReplacesTheOldFileOnlyWhenComplete) {
  const ScratchDir dir("fileio");
  const auto path = dir / "trace.spy";
  EXPECT_FALSE(store::ReadWholeFile(path).has_value());

  ASSERT_TRUE(store::WriteFileReplacing(path, Header(0)));
  ASSERT_TRUE(store::WriteFileReplacing(path, Header(5)));
  EXPECT_EQ(store::ReadWholeFile(path), Header(5));
  EXPECT_FALSE(std::filesystem::exists(dir / "trace.spy.new"));

  // The target cannot be replaced (it is a folder that is not empty): the write fails and
  // leaves no stray file.
  const auto folder = dir / "busy.spy";
  std::filesystem::create_directories(folder / "inside");
  EXPECT_FALSE(store::WriteFileReplacing(folder, Header(1)));
  EXPECT_TRUE(std::filesystem::is_directory(folder / "inside"));
  EXPECT_FALSE(std::filesystem::exists(dir / "busy.spy.new"));
  // Nowhere to write the new file.
  EXPECT_FALSE(store::WriteFileReplacing(dir / "missing" / "x.spy", Header(1)));
}

}  // namespace
