// The Trace Buffer (the most recent records) and the Trap Buffer (copies of the records around
// one trigger event), the run-time trigger, and the commands that start, stop and clear them.
//
// Sizes and the trigger come from the options, which a settings file may fill with anything:
// every use here is guarded, so a size of 0 or 65535, an unknown kind or position, or an index
// outside its list gives a defined result and never a hang.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "store/SpyMsg.h"
#include "store/StoreOptions.h"

struct TraceFileContents;

class TraceStore {
 public:
  // Both must outlive the store; it writes only m_bViewTrap.
  TraceStore(BufferOptions& buffers, const TriggerOptions& trigger)
      : m_buffers(buffers), m_trigger(trigger) {}

  // The per-record step: into the Trace Buffer, then a copy into a collecting Trap Buffer, or
  // the trigger test while the trigger is armed.
  void AddRecord(SpyMsgPtr record);
  // The receive-pass trim: leaves at most m_nTraceSize - 1 records.
  void EndOfRecords();

  // 1 when `record` (the newest record of the Trace Buffer) fires the trigger; it is then
  // marked, the Trap Buffer is refilled and the trigger disarms itself.
  int TriggerTest(CSpyMsg& record);

  // The store's part of Begin Trace: the trap stops collecting and empties, the Trace Buffer is
  // shown and kept. An armed trigger stays armed.
  void BeginTrace();
  void EndTrace() { m_bTracing = 0; }
  void ClearBuffer();
  void ToggleTriggerEnable();
  // Accepted Buffer Allocation values: leaves at most m_nTraceSize records.
  void ApplyTraceSize();

  std::string TrapStatusText() const;

  // The Trap Buffer while it is on display, else the Trace Buffer.
  const std::vector<SpyMsgPtr>& DisplayedBuffer() const;

  // Writes the displayed buffer; an empty text when the file was written, else the message
  // for the user. An existing file is replaced only by a complete new one.
  std::string SaveTraceFile(const std::filesystem::path& path) const;

  struct OpenResult {
    bool loaded = false;  // the Trace Buffer was replaced: reset the display
    std::string message;  // empty when the whole file was read
  };
  // Reads a trace file into the Trace Buffer. A file that is not a trace file leaves the
  // buffer as it was; a file that ends early loads the records that are complete.
  OpenResult OpenTraceFile(std::span<const uint8_t> file);
  OpenResult OpenTraceFile(const std::filesystem::path& path);

  std::vector<SpyMsgPtr> m_traceBuf;
  std::vector<SpyMsgPtr> m_trapBuf;
  int32_t m_bTracing = 0;
  int32_t m_bTriggerEnabled = 0;
  int32_t m_bTrapActive = 0;

 private:
  OpenResult Load(TraceFileContents contents);
  bool TriggerMatches(const CSpyMsg& record) const;

  BufferOptions& m_buffers;
  const TriggerOptions& m_trigger;
};

constexpr const char* kTraceFileWriteError = "File Write Error: the trace file was not saved.";
constexpr const char* kTraceFileReadOnlyError =
    "File Write Error: the file is read-only; the trace file was not saved.";
