// Picture headers of any content: never a read past the end, and any size
// given is within range.
#include <cstdlib>

#include "ui/engine/picture_size.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int width = 0, height = 0;
  if (engine::ReadPictureSize(data, size, &width, &height) &&
      (width < 1 || height < 1 || width > engine::kMaxPictureSide || height > engine::kMaxPictureSide)) {
    std::abort();
  }
  return 0;
}
