#include "store/TraceStore.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "protocol/Calls.h"
#include "store/FileIo.h"
#include "store/TraceFile.h"
#include "store/TriggerLists.h"

namespace store {

namespace {

// Deletes the oldest records until at most `keep` are left (none for a negative `keep`).
void KeepNewest(std::vector<SpyMsgPtr>& buffer, int64_t keep) {
  const int64_t excess = static_cast<int64_t>(buffer.size()) - std::max<int64_t>(keep, 0);
  if (excess > 0) buffer.erase(buffer.begin(), buffer.begin() + excess);
}

}  // namespace

void TraceStore::AddRecord(SpyMsgPtr record) {
  CSpyMsg& added = *record;
  m_traceBuf.push_back(std::move(record));
  if (m_bTrapActive) {
    if (static_cast<int64_t>(m_trapBuf.size()) < m_buffers.m_nTrapSize) {
      m_trapBuf.push_back(added.Clone());
    }
  } else if (m_bTriggerEnabled) {
    m_bTrapActive = TriggerTest(added);
  }
}

void TraceStore::EndOfRecords() {
  if (static_cast<int64_t>(m_traceBuf.size()) >= m_buffers.m_nTraceSize) {
    KeepNewest(m_traceBuf, static_cast<int64_t>(m_buffers.m_nTraceSize) - 1);
  }
}

void TraceStore::ApplyTraceSize() {
  KeepNewest(m_traceBuf, m_buffers.m_nTraceSize);
}

bool TraceStore::TriggerMatches(const CSpyMsg& record) const {
  switch (m_trigger.m_nTriggerType) {
    case 0: {
      // A call index outside the API ids (-1 stored as 65535, say) matches no record; a chosen
      // call matches every call its flag governs (connect: the Winsock 2 connect too).
      const protocol::calls::Call* call = protocol::calls::Find(record.m_nApiId);
      return protocol::calls::Find(m_trigger.m_nTriggerApi) != nullptr && call != nullptr &&
             call->flag == m_trigger.m_nTriggerApi;
    }
    case 1: {
      const auto code = TriggerErrorCode(m_trigger.m_nTriggerError);
      return code && record.m_nError == *code;
    }
    case 2:
    case 3:
      return record.MatchPattern(m_trigger.m_nPatternOffset, m_trigger.m_nPatternLength,
                                 m_trigger.m_triggerPattern) == 1;
    default:
      return false;
  }
}

int TraceStore::TriggerTest(CSpyMsg& record) {
  if (!TriggerMatches(record)) return 0;
  record.m_bTrigger = 1;
  m_trapBuf.clear();

  int64_t count = 0;
  switch (m_trigger.m_nTriggerPos) {
    case 0:
      count = 1;
      break;
    case 1:
      count = m_buffers.m_nTrapSize / 2;
      break;
    default:
      count = m_buffers.m_nTrapSize;
      break;
  }
  count = std::clamp<int64_t>(count, 0, static_cast<int64_t>(m_traceBuf.size()));
  for (auto it = m_traceBuf.end() - count; it != m_traceBuf.end(); ++it) {
    m_trapBuf.push_back((*it)->Clone());
  }
  m_bTriggerEnabled = 0;
  return 1;
}

void TraceStore::BeginTrace() {
  m_bTrapActive = 0;
  m_bTracing = 1;
  m_trapBuf.clear();
  m_buffers.m_bViewTrap = 0;
}

void TraceStore::ClearBuffer() {
  m_traceBuf.clear();
  m_trapBuf.clear();
}

void TraceStore::ToggleTriggerEnable() {
  m_bTriggerEnabled = m_bTriggerEnabled ? 0 : 1;
  m_bTrapActive = 0;
  m_trapBuf.clear();
}

std::string TraceStore::TrapStatusText() const {
  if (static_cast<int64_t>(m_trapBuf.size()) >= m_buffers.m_nTrapSize) return "Trap Buffer Full";
  if (m_trapBuf.empty()) return "Trap Buffer Empty";
  char text[48];
  std::snprintf(text, sizeof text, "Trap Buffer %d:%d", static_cast<int>(m_trapBuf.size()),
                static_cast<int>(m_buffers.m_nTrapSize));
  return text;
}

const std::vector<SpyMsgPtr>& TraceStore::DisplayedBuffer() const {
  return m_buffers.m_bViewTrap ? m_trapBuf : m_traceBuf;
}

std::string TraceStore::SaveTraceFile(const std::filesystem::path& path) const {
  if (IsReadOnlyFile(path)) return kTraceFileReadOnlyError;
  const std::vector<uint8_t> file = WriteTraceFile(DisplayedBuffer());
  return WriteFileReplacing(path, file) ? std::string() : kTraceFileWriteError;
}

TraceStore::OpenResult TraceStore::OpenTraceFile(std::span<const uint8_t> file) {
  return Load(ReadTraceFile(file));
}

TraceStore::OpenResult TraceStore::Load(TraceFileContents contents) {
  OpenResult result;
  result.message = TraceFileMessage(contents);
  if (contents.status == TraceFileStatus::kForeignHeader) return result;
  m_traceBuf = std::move(contents.records);
  m_buffers.m_bViewTrap = 0;
  result.loaded = true;
  return result;
}

TraceStore::OpenResult TraceStore::OpenTraceFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return {false, "File Read Error"};
  return Load(ReadTraceFile(file));
}

}  // namespace store
