#include "store/TraceFile.h"

#include <algorithm>
#include <array>
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

namespace {

// As many bytes as the file still holds, up to the size of `out`.
size_t ReadUpTo(std::istream& file, std::span<uint8_t> out) {
  file.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(out.size()));
  return static_cast<size_t>(file.gcount());
}

// A stream over bytes held in memory, read where they lie.
class ByteBuffer : public std::streambuf {
 public:
  explicit ByteBuffer(std::span<const uint8_t> bytes) {
    char* begin = const_cast<char*>(reinterpret_cast<const char*>(bytes.data()));
    setg(begin, begin, begin + bytes.size());
  }
};

}  // namespace

TraceFileContents ReadTraceFile(std::istream& file) {
  TraceFileContents contents;
  // The header's one-byte length form, the header and the count.
  std::array<uint8_t, 1 + kTraceFileHeader.size() + 2> start{};
  ArchiveReader head(std::span<const uint8_t>(start).first(ReadUpTo(file, start)));
  std::string header;
  if (!head.GetString(header) || header != kTraceFileHeader) return contents;

  contents.status = TraceFileStatus::kShort;
  contents.hasCount = head.Get16(contents.declaredCount);
  if (!contents.hasCount) return contents;
  std::vector<uint8_t> block(kTraceRecordHeadSize);
  for (uint16_t i = 0; i < contents.declaredCount; ++i) {
    block.resize(kTraceRecordHeadSize);
    if (ReadUpTo(file, block) < kTraceRecordHeadSize) return contents;
    // The payload length ends the head.
    const size_t length = block[kTraceRecordHeadSize - 2] | block[kTraceRecordHeadSize - 1] << 8;
    block.resize(kTraceRecordHeadSize + length);
    if (ReadUpTo(file, std::span(block).subspan(kTraceRecordHeadSize)) < length) return contents;
    ArchiveReader record(block);
    contents.records.push_back(ReadTraceRecord(record));
  }
  contents.status = TraceFileStatus::kComplete;
  return contents;
}

TraceFileContents ReadTraceFile(std::span<const uint8_t> file) {
  ByteBuffer buffer(file);
  std::istream in(&buffer);
  return ReadTraceFile(in);
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
