// The installation identifier's bit layout. Portable.
#pragma once

#include <cstdint>

// Bits 24-31: the low 8 bits of randomValue; bits 0-23: the low 24 bits of
// nowSeconds + 3536256.
uint32_t MakeInstallationId(int randomValue, int64_t nowSeconds);
