#include "store/TraceFile.h"

#include <algorithm>
#include <cstdio>

void WriteTraceRecord(ArchiveWriter& out, const CSpyMsg& record) {
  const auto payload =
      record.PayloadBytes().first(std::min(record.PayloadBytes().size(), kTraceFileMaxPayload));
  out.Put32(record.m_time);
  out.Put16(static_cast<uint16_t>(record.m_nApiId));
  out.Put32(record.m_dwReserved);
  out.Put16(static_cast<uint16_t>(record.m_nError));
  out.Put16(static_cast<uint16_t>(record.m_bTrigger));
  out.Put16(static_cast<uint16_t>(payload.size()));
  out.PutBytes(payload);
}

SpyMsgPtr ReadTraceRecord(ArchiveReader& in) {
  if (in.Remaining() < kTraceRecordHeadSize) return nullptr;
  uint32_t time = 0, reserved = 0;
  uint16_t apiId = 0, error = 0, trigger = 0, length = 0;
  in.Get32(time);
  in.Get16(apiId);
  in.Get32(reserved);
  in.Get16(error);
  in.Get16(trigger);
  in.Get16(length);
  std::vector<uint8_t> payload;
  if (!in.GetBytes(length, payload)) return nullptr;

  auto record = std::make_unique<CSpyMsg>();
  record->m_time = time;
  record->m_nApiId = apiId;
  record->m_dwReserved = reserved;
  record->m_nError = error;
  record->m_bTrigger = trigger;
  record->m_hData = Payload(std::move(payload));
  return record;
}

std::vector<uint8_t> WriteTraceFile(std::span<const SpyMsgPtr> records) {
  if (records.size() > kTraceFileMaxRecords) records = records.last(kTraceFileMaxRecords);
  ArchiveWriter out;
  out.PutString(kTraceFileHeader);
  out.Put16(static_cast<uint16_t>(records.size()));
  for (const auto& record : records) WriteTraceRecord(out, *record);
  return out.Take();
}

TraceFileContents ReadTraceFile(std::span<const uint8_t> file) {
  TraceFileContents contents;
  ArchiveReader in(file);
  std::string header;
  if (!in.GetString(header) || header != kTraceFileHeader) return contents;

  contents.status = TraceFileStatus::kShort;
  contents.hasCount = in.Get16(contents.declaredCount);
  if (!contents.hasCount) return contents;
  // The count is not trusted for a reservation: a record takes at least 16 bytes.
  contents.records.reserve(
      std::min<size_t>(contents.declaredCount, in.Remaining() / kTraceRecordHeadSize));
  for (uint16_t i = 0; i < contents.declaredCount; ++i) {
    SpyMsgPtr record = ReadTraceRecord(in);
    if (!record) return contents;
    contents.records.push_back(std::move(record));
  }
  contents.status = TraceFileStatus::kComplete;
  return contents;
}

std::string TraceFileMessage(const TraceFileContents& contents) {
  switch (contents.status) {
    case TraceFileStatus::kComplete:
      return {};
    case TraceFileStatus::kForeignHeader:
      return "File Read Error";
    case TraceFileStatus::kShort:
      break;
  }
  if (!contents.hasCount) return "File Read Error: the trace file ends before its record count.";
  char text[96];
  std::snprintf(text, sizeof text,
                "File Read Error: the trace file ends early; %u of %u records read.",
                static_cast<unsigned>(contents.records.size()),
                static_cast<unsigned>(contents.declaredCount));
  return text;
}
