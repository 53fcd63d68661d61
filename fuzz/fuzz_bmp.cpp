// Any bytes either decode to a picture whose size matches its pixels or are refused.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "support/Support_Bmp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vn::RImage image;
  if (vn::decode_bmp(std::span<const uint8_t>(data, size), image)) {
    if (image.empty() || image.pixels.size() != size_t(image.width) * size_t(image.height)) {
      std::abort();
    }
    // What we decoded must survive our own encoder.
    vn::RImage again;
    if (!vn::decode_bmp(vn::encode_bmp(image), again) || !(again == image)) {
      std::abort();
    }
  }
  return 0;
}
