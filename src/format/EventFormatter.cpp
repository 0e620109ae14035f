#include "format/EventFormatter.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "capture/CaptureOptions.h"
#include "format/CallFormatters.h"
#include "format/TimeStamp.h"
#include "format/ValueRenderers.h"
#include "protocol/Bytes.h"
#include "protocol/Calls.h"

namespace format {

std::span<const uint8_t> CapturedData(const CSpyMsg& msg, int32_t byteLimit) {
  const auto transfer = protocol::calls::TransferOf(msg.m_nApiId);
  if (!transfer || !msg.m_hData.HasData()) return {};
  const std::span<const uint8_t> p = msg.PayloadBytes();
  if (protocol::bytes::GetLE32Signed(p, transfer->result) == -1) return {};
  int64_t count = protocol::bytes::GetLE32Signed(p, transfer->count);
  if (byteLimit != -1 && count > byteLimit) count = byteLimit;
  const size_t dataOffset = transfer->fixed;
  if (count <= 0 || dataOffset >= p.size()) return {};
  return p.subspan(dataOffset, std::min(static_cast<size_t>(count), p.size() - dataOffset));
}

namespace {

struct CaptureCut {
  int32_t captured;
  int32_t result;
};

std::optional<CaptureCut> CutOf(const CSpyMsg& msg) {
  const auto transfer = protocol::calls::TransferOf(msg.m_nApiId);
  if (!transfer || !msg.m_hData.HasData()) return std::nullopt;
  const std::span<const uint8_t> p = msg.PayloadBytes();
  const CaptureCut cut{protocol::bytes::GetLE32Signed(p, transfer->count),
                       protocol::bytes::GetLE32Signed(p, transfer->result)};
  if (cut.result > cut.captured && cut.captured > capture::kUpToBytesMax) return cut;
  return std::nullopt;
}

}  // namespace

std::string FormatCaptureNote(const CSpyMsg& msg) {
  const auto cut = CutOf(msg);
  if (!cut) return {};
  char note[64];
  std::snprintf(note, sizeof note, "(%ld of %ld bytes captured)", static_cast<long>(cut->captured),
                static_cast<long>(cut->result));
  return note;
}

bool HasCaptureNote(const CSpyMsg& msg) {
  return CutOf(msg).has_value();
}

std::string FormatEvent(const CSpyMsg& msg, std::vector<std::string>& lines, bool showTime,
                        bool verbose) {
  const size_t first = lines.size();
  std::string returns;
  const protocol::calls::Call* call = protocol::calls::Find(msg.m_nApiId);
  if (call == nullptr) {
    lines.push_back("??????");
  } else {
    returns = FormatCall(*call, msg, lines, verbose);
  }
  if (showTime) lines[first].insert(0, FormatTimeStamp(msg.m_time));
  return returns;
}

int GetEventLineCount(const CSpyMsg& msg, bool verbose) {
  if (!verbose || !msg.m_hData.HasData()) return 1;
  const protocol::calls::Call* call = protocol::calls::Find(msg.m_nApiId);
  if (call == nullptr) return 1;
  // A Verbose socket address takes three continuation lines; one of another family, whose bytes
  // stand for its port and address, two.
  if (protocol::layout::HasAddress(call->layout)) return 4;
  // A lookup's list, or an address only a call that succeeded filled in: counted as formatted.
  if (protocol::layout::LinesVary(call->layout)) {
    std::vector<std::string> lines;
    FormatCall(*call, msg, lines, true);
    return static_cast<int>(lines.size());
  }
  const std::optional<size_t> block = protocol::layout::AddressBlockOf(call->layout);
  if (!block) return 1;
  const std::span<const uint8_t> p = msg.PayloadBytes();
  if (protocol::bytes::GetLE32Signed(p, *block + protocol::layout::kAddrBlockLength) ==
      protocol::layout::kNoAddress) {
    return 1;
  }
  const auto family = static_cast<int16_t>(protocol::bytes::GetLE16(
      p, *block + protocol::layout::kAddrBlockBytes + protocol::layout::kImageFamily));
  const int opening = protocol::layout::StructureOpensLine(call->layout) ? 1 : 0;
  return (protocol::layout::HasPortAndAddress(family) ? 4 : 3) + opening;
}

bool HasDataBlock(const CSpyMsg& msg) {
  return protocol::calls::DataOf(msg.m_nApiId) != protocol::calls::Data::kNone;
}

int GetDataRowCount(const CSpyMsg& msg, int32_t byteLimit) {
  return static_cast<int>((CapturedData(msg, byteLimit).size() + 15) / 16);
}

int FormatDataBlock(const CSpyMsg& msg, std::vector<std::string>& lines, int32_t byteLimit) {
  FormatDumpRows(lines, CapturedData(msg, byteLimit));
  return static_cast<int>(lines.size());
}

}  // namespace format
