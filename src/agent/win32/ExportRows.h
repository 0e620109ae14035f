// Not compiled: the build runs this file through the preprocessor (MakeDef.cmake) to read the
// call table as one "QUARNET_EXPORT name key args wsock32-ordinal ws2_32-ordinal" group per call.
#include "protocol/CallTable.h"

#define QUARNET_EXPORT_ROW(id, key, name, wsock32, ws2_32, flag, args, ...) \
  QUARNET_EXPORT name key args wsock32 ws2_32
QUARNET_CALLS(QUARNET_EXPORT_ROW)
