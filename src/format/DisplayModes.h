// The view's display switches that decide how records are laid out as text.
#pragma once

#include <cstdint>

// The switches as the options keep them (any non-zero flag is on).
struct DisplayModeOptions {
  int32_t m_bShowTime = 1;
  int32_t m_bVerbose = 0;
  int32_t m_bVertSpace = 1;
  int32_t m_bDataOnly = 0;
  int32_t m_bDisplayEntire = 1;
  int32_t m_nDisplayBytes = 16;

  bool operator==(const DisplayModeOptions&) const = default;
};

struct DisplayModes {
  bool showTime = true;
  bool verbose = false;
  bool vertSpace = true;
  bool dataOnly = false;
  int32_t byteLimit = -1;  // data bytes dumped per record; -1 for the entire data

  static DisplayModes FromOptions(const DisplayModeOptions& options) {
    return {options.m_bShowTime != 0, options.m_bVerbose != 0, options.m_bVertSpace != 0,
            options.m_bDataOnly != 0, options.m_bDisplayEntire ? -1 : options.m_nDisplayBytes};
  }
};
