// The store's part of the options: which buffer is shown, how many records each buffer keeps,
// and the trigger record. A settings file may fill them with anything; the store guards every
// use.
#pragma once

#include <cstdint>

#include "store/TriggerPattern.h"

struct BufferOptions {
  int32_t m_bViewTrap = 0;  // the display shows the Trap Buffer
  int32_t m_nTraceSize = 50;
  int32_t m_nTrapSize = 10;

  bool operator==(const BufferOptions&) const = default;
};

struct TriggerOptions {
  int32_t m_nTriggerPos = 1;    // 0 Front, 1 Middle, 2 Back
  int32_t m_nTriggerType = 0;   // 0 API call, 1 socket error, 2 receive data, 3 send data
  int32_t m_nTriggerApi = 0;    // API id
  int32_t m_nTriggerError = 0;  // index into the sorted error list, -1 for none
  TriggerPatternBytes m_triggerPattern{};
  int32_t m_nPatternOffset = 0;
  int32_t m_nPatternLength = 4;

  bool operator==(const TriggerOptions&) const = default;
};
