// Our own PNG writer for saved screens, surfaces, sprites and backgrounds.
#pragma once

#include <cstdint>
#include <vector>

#include "support/Support_Image.h"

namespace vn {

// The file: the signature, an IHDR chunk (8-bit RGBA, no interlace), one IDAT chunk
// holding every row as filter byte 0 then red, green, blue, alpha per pixel, deflated
// at zlib's default level, and an empty IEND chunk. Each chunk is its big-endian
// length, type and data, then the CRC-32 of type and data. Empty for an image without
// pixels, which PNG cannot hold.
std::vector<uint8_t> png_from_image(const RImage& image);

}  // namespace vn
