// Any bytes either decode to a picture whose size matches its pixels or are refused
// with a reason.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "platform/Platform_Image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vn::RImage image;
  std::string error;
  if (vn::decode_png(std::span<const uint8_t>(data, size), image, error)) {
    if (image.empty() || image.pixels.size() != size_t(image.width) * size_t(image.height)) {
      std::abort();
    }
    // Our own writer must give back the same pixels (small pictures only, for speed).
    if (image.pixels.size() <= 65536) {
      vn::RImage again;
      if (!vn::decode_png(vn::encode_png(image), again, error) || !(again == image)) {
        std::abort();
      }
    }
  } else if (error.empty()) {
    std::abort();
  }
  return 0;
}
