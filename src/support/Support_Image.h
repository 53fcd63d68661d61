// A plain 32-bit picture as it travels between decoders, records and the image class.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vn {

// Rows top to bottom; each pixel is 0xAARRGGBB, which in memory on a little-endian
// machine is blue, green, red, alpha: the byte order of the stored image records.
struct RImage {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;

  bool empty() const { return width <= 0 || height <= 0; }
  uint32_t at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
  uint32_t& at(int x, int y) { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
  bool operator==(const RImage&) const = default;
};

}  // namespace vn
