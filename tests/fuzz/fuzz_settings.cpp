// Arbitrary bytes as a settings file: no crash, no read past the end; a file that is refused
// gives exactly the defaults, and one that is taken saves as 319 bytes that read back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "config/SettingsFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  config::Options options;
  options.m_nTraceSize = 1234;  // must not survive a refused file
  const bool taken = ReadSettings(std::span<const uint8_t>(data, size), options);
  if (!taken) {
    if (!(options == config::Options{})) abort();
    return 0;
  }
  const std::vector<uint8_t> saved = WriteSettings(options);
  if (saved.size() != config::kSettingsFileSize) abort();
  config::Options again;
  if (!ReadSettings(saved, again) || !(again == options)) abort();
  return 0;
}
