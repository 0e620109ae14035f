// The monitor's preferences, as one set that the settings file keeps: each part is a value type
// of the module that uses it — the view's buffer, display modes, colours and font, the capture
// options the agent is sent, and the trigger record. Each value is guarded where it is used,
// because the file may hold anything.
#pragma once

#include "capture/CaptureOptions.h"
#include "display/ViewOptions.h"
#include "store/StoreOptions.h"

struct Options : display::ViewOptions, CaptureOptions, TriggerOptions {
  bool operator==(const Options&) const = default;
};
