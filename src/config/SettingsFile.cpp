#include "config/SettingsFile.h"

#include <string>

#include "store/Archive.h"
#include "store/FileIo.h"

namespace {

// The 32-bit options stored as 16 bits, in file order: before the pattern, between pattern and
// the capture flags, and after them.
template <typename OptionsT>
auto HeadFields(OptionsT& o) {
  return std::to_array<decltype(&o.m_bShowTime)>(
      {&o.m_bShowTime, &o.m_bVerbose, &o.m_bVertSpace, &o.m_bViewTrap, &o.m_nTraceSize,
       &o.m_nTrapSize, &o.m_bSaveEntire, &o.m_bDisplayEntire, &o.m_nSaveBytes, &o.m_nDisplayBytes,
       &o.m_nTriggerPos, &o.m_nTriggerType, &o.m_nTriggerApi, &o.m_nTriggerError});
}
template <typename OptionsT>
auto PatternFields(OptionsT& o) {
  return std::to_array<decltype(&o.m_nPatternOffset)>({&o.m_nPatternOffset, &o.m_nPatternLength});
}
template <typename OptionsT>
auto TailFields(OptionsT& o) {
  return std::to_array<decltype(&o.m_bDataOnly)>({&o.m_bDataOnly, &o.m_bIgnoreWouldBlock,
                                                  &o.m_bErrorsOnly, &o.m_bRestrictSocket,
                                                  &o.m_nSocketId});
}
template <typename OptionsT>
auto Colors(OptionsT& o) {
  return std::to_array<decltype(&o.m_crBackground)>(
      {&o.m_crBackground, &o.m_crApiCalls, &o.m_crSend, &o.m_crRecv, &o.m_crReturns});
}

void WriteLogFont(ArchiveWriter& out, const LogFont& font) {
  for (int32_t value :
       {font.lfHeight, font.lfWidth, font.lfEscapement, font.lfOrientation, font.lfWeight}) {
    out.Put32(static_cast<uint32_t>(value));
  }
  for (uint8_t value :
       {font.lfItalic, font.lfUnderline, font.lfStrikeOut, font.lfCharSet, font.lfOutPrecision,
        font.lfClipPrecision, font.lfQuality, font.lfPitchAndFamily}) {
    out.Put8(value);
  }
  for (char c : font.lfFaceName) out.Put8(static_cast<uint8_t>(c));
}

bool ReadLogFont(ArchiveReader& in, LogFont& font) {
  for (int32_t* value :
       {&font.lfHeight, &font.lfWidth, &font.lfEscapement, &font.lfOrientation, &font.lfWeight}) {
    uint32_t raw = 0;
    if (!in.Get32(raw)) return false;
    *value = static_cast<int32_t>(raw);
  }
  for (uint8_t* value :
       {&font.lfItalic, &font.lfUnderline, &font.lfStrikeOut, &font.lfCharSet, &font.lfOutPrecision,
        &font.lfClipPrecision, &font.lfQuality, &font.lfPitchAndFamily}) {
    if (!in.Get8(*value)) return false;
  }
  for (char& c : font.lfFaceName) {
    uint8_t raw = 0;
    if (!in.Get8(raw)) return false;
    c = static_cast<char>(raw);
  }
  return true;
}

bool Read16(ArchiveReader& in, int32_t& value) {
  uint16_t raw = 0;
  if (!in.Get16(raw)) return false;
  value = raw;
  return true;
}

}  // namespace

std::vector<uint8_t> WriteSettings(const Options& options) {
  ArchiveWriter out;
  out.PutString(kSettingsVersion);
  for (const int32_t* field : HeadFields(options)) out.Put16(static_cast<uint16_t>(*field));
  out.PutBytes(options.m_triggerPattern);
  for (const int32_t* field : PatternFields(options)) out.Put16(static_cast<uint16_t>(*field));
  for (int32_t flag : options.m_apiEnable) out.Put16(static_cast<uint16_t>(flag));
  for (const int32_t* field : TailFields(options)) out.Put16(static_cast<uint16_t>(*field));
  for (const ColorRef* color : Colors(options)) out.Put32(*color);
  WriteLogFont(out, options.m_logFont);
  return out.Take();
}

bool ReadSettings(std::span<const uint8_t> file, Options& options) {
  options = Options{};
  ArchiveReader in(file);
  std::string version;
  if (!in.GetString(version) || version != kSettingsVersion) return false;

  Options read;
  bool ok = true;
  for (int32_t* field : HeadFields(read)) ok = ok && Read16(in, *field);
  std::vector<uint8_t> pattern;
  ok = ok && in.GetBytes(read.m_triggerPattern.size(), pattern);
  if (ok) std::copy(pattern.begin(), pattern.end(), read.m_triggerPattern.begin());
  for (int32_t* field : PatternFields(read)) ok = ok && Read16(in, *field);
  for (int32_t& flag : read.m_apiEnable) ok = ok && Read16(in, flag);
  for (int32_t* field : TailFields(read)) ok = ok && Read16(in, *field);
  for (ColorRef* color : Colors(read)) ok = ok && in.Get32(*color);
  ok = ok && ReadLogFont(in, read.m_logFont);
  if (!ok) return false;
  options = read;
  return true;
}

Options LoadSettingsFile(const std::filesystem::path& path) {
  Options options;
  if (const auto file = ReadWholeFile(path, kSettingsFileSize)) ReadSettings(*file, options);
  // The Trap Buffer is empty at start: the program always starts showing the Trace Buffer.
  options.m_bViewTrap = 0;
  return options;
}

bool SaveSettingsFile(const std::filesystem::path& path, const Options& options) {
  return WriteFileReplacing(path, WriteSettings(options));
}
