#include "display/DisplayFont.h"

namespace display {

bool AcceptChosenFont(LogFont& kept, const LogFont& chosen,
                      const std::function<bool(const LogFont&)>& make) {
  if (!make(chosen)) return false;
  kept = chosen;
  return true;
}

}  // namespace display
