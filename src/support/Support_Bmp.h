// Windows bitmap files: our own decoder (1, 4, 8, 16, 24 and 32 bits, with or
// without palette, bottom-up and top-down) and a 32-bit encoder.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "support/Support_Image.h"

namespace vn {

// False (and the image untouched) when the bytes are not a bitmap we can read.
bool decode_bmp(std::span<const uint8_t> file, RImage& image);

// A bottom-up 32-bit file keeping the alpha channel.
std::vector<uint8_t> encode_bmp(const RImage& image);

}  // namespace vn
