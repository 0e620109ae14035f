#include "format/EventFormatter.h"

#include <algorithm>

#include "agent/PayloadLayout.h"
#include "format/CallFormatters.h"
#include "format/NameTables.h"
#include "format/TimeStamp.h"
#include "format/ValueRenderers.h"
#include "store/Bytes.h"

namespace {

constexpr int32_t kLastApiId = 45;

bool IsLongTransfer(int32_t id) {
  return id == 16 || id == 19;
}

}  // namespace

std::span<const uint8_t> CapturedData(const CSpyMsg& msg, int32_t byteLimit) {
  if (!HasDataBlock(msg) || !msg.m_hData.HasData()) return {};
  const std::span<const uint8_t> p = msg.PayloadBytes();
  const bool longLayout = IsLongTransfer(msg.m_nApiId);
  const size_t resultOffset = longLayout ? CSpyMsg::kLongResultOffset : CSpyMsg::kShortResultOffset;
  const size_t countOffset = longLayout ? CSpyMsg::kLongCountOffset : CSpyMsg::kShortCountOffset;
  const size_t dataOffset = longLayout ? CSpyMsg::kLongDataOffset : CSpyMsg::kShortDataOffset;
  if (bytes::GetLE32Signed(p, resultOffset) == -1) return {};
  int64_t count = bytes::GetLE32Signed(p, countOffset);
  if (byteLimit != -1 && count > byteLimit) count = byteLimit;
  if (count <= 0 || dataOffset >= p.size()) return {};
  return p.subspan(dataOffset, std::min(static_cast<size_t>(count), p.size() - dataOffset));
}

std::string FormatEvent(const CSpyMsg& msg, std::vector<std::string>& lines, bool showTime,
                        bool verbose) {
  const size_t first = lines.size();
  std::string returns;
  const uint32_t id = static_cast<uint32_t>(msg.m_nApiId);
  if (id > kLastApiId) {
    lines.push_back("??????");
  } else if (id <= kLastSocketCall) {
    returns = FormatSocketCall(msg, lines, verbose);
  } else {
    lines.push_back(std::string(names::ApiName(msg.m_nApiId)) + "(... )");
  }
  if (showTime) lines[first].insert(0, FormatTimeStamp(msg.m_time));
  return returns;
}

int GetEventLineCount(const CSpyMsg& msg, bool verbose) {
  if (!verbose || !msg.m_hData.HasData()) return 1;
  switch (msg.m_nApiId) {
    case 0:   // accept
    case 1:   // bind
    case 3:   // connect
    case 4:   // getpeername
    case 5:   // getsockname
    case 16:  // recvfrom
    case 19:  // sendto
      return 4;
    default:
      return 1;
  }
}

bool HasDataBlock(const CSpyMsg& msg) {
  return msg.m_nApiId == 15 || msg.m_nApiId == 16 || msg.m_nApiId == 18 || msg.m_nApiId == 19;
}

int GetDataRowCount(const CSpyMsg& msg, int32_t byteLimit) {
  return static_cast<int>((CapturedData(msg, byteLimit).size() + 15) / 16);
}

int FormatDataBlock(const CSpyMsg& msg, std::vector<std::string>& lines, int32_t byteLimit) {
  FormatDumpRows(lines, CapturedData(msg, byteLimit));
  return static_cast<int>(lines.size());
}
