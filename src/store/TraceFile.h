// Trace files (".spy"): the header "QNT32 1.00" as a counted string, a 16-bit record count and
// the records oldest first, each a 16-byte head and its payload.
#pragma once

#include <cstdint>
#include <istream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "store/Archive.h"
#include "store/SpyMsg.h"

constexpr std::string_view kTraceFileHeader = "QNT32 1.00";
constexpr size_t kTraceRecordHeadSize = 16;
// What the 16-bit count and length fields can hold.
constexpr size_t kTraceFileMaxRecords = 0xFFFF;
constexpr size_t kTraceFileMaxPayload = 0xFFFF;

// The record layout: time (32), API id (16), reserved (32), error (16), trigger (16), payload
// length (16), payload. The 16-bit fields keep the low 16 bits of the record's values.
void WriteTraceRecord(ArchiveWriter& out, const CSpyMsg& record);
// Reads one record; 16-bit fields are zero-extended. Returns null when the record does not fit
// in what is left, including a payload length beyond the end of the block.
SpyMsgPtr ReadTraceRecord(ArchiveReader& in);

// The whole file for `records`. A buffer of more than 65535 records keeps its newest 65535, so
// that the count always says how many records follow.
std::vector<uint8_t> WriteTraceFile(std::span<const SpyMsgPtr> records);

enum class TraceFileStatus {
  kComplete,       // header, count and every record read
  kShort,          // the header matched, but the file ends before the count or a record
  kForeignHeader,  // not a trace file: nothing was read
};

struct TraceFileContents {
  TraceFileStatus status = TraceFileStatus::kForeignHeader;
  bool hasCount = false;           // the record count could be read
  uint16_t declaredCount = 0;      // the count the file gives
  std::vector<SpyMsgPtr> records;  // the complete records, in file order
};

// Reads the header first and nothing more when it is not a trace file's; then the records the
// count announces, each as far as the file holds it. Nothing is allocated for a record before
// its bytes were read, beyond one record's head and a payload of at most 64 KiB; bytes after
// the last counted record are not read.
TraceFileContents ReadTraceFile(std::istream& file);
TraceFileContents ReadTraceFile(std::span<const uint8_t> file);

// The message for the user: empty for a complete file, "File Read Error" for a foreign header,
// and how many records were read of how many for a file that ends early.
std::string TraceFileMessage(const TraceFileContents& contents);
