// The view's display switches that decide how records are laid out as text.
#pragma once

#include <cstdint>

#include "config/Options.h"

struct DisplayModes {
  bool showTime = true;
  bool verbose = false;
  bool vertSpace = true;
  bool dataOnly = false;
  int32_t byteLimit = -1;  // data bytes dumped per record; -1 for the entire data

  static DisplayModes FromOptions(const Options& options) {
    return {options.m_bShowTime != 0, options.m_bVerbose != 0, options.m_bVertSpace != 0,
            options.m_bDataOnly != 0, options.m_bDisplayEntire ? -1 : options.m_nDisplayBytes};
  }
};
