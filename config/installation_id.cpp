#include "config/installation_id.h"

uint32_t MakeInstallationId(int randomValue, int64_t nowSeconds) {
  uint32_t high = (static_cast<uint32_t>(randomValue) & 0xFFu) << 24;
  uint32_t low = static_cast<uint32_t>(static_cast<uint64_t>(nowSeconds + 3536256) & 0xFFFFFFu);
  return high | low;
}
