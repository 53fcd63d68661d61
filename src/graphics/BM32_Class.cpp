#include "graphics/BM32_Class.h"

#include <algorithm>
#include <cstring>

namespace vn {

constexpr int32_t kImageVersion = 800;

RPixelBox alpha_bounding_box(const RImage& image, int tolerance) {
  RPixelBox box{image.width - 1, image.height - 1, 0, 0};
  if (image.empty()) {
    return box;
  }
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      if (int(image.at(x, y) >> 24) > tolerance) {
        box.left = std::min(box.left, x);
        box.top = std::min(box.top, y);
        box.right = std::max(box.right, x);
        box.bottom = std::max(box.bottom, y);
      }
    }
  }
  return box;
}

void TBitmap32::read(CStream& stream) {
  image_ = RImage();
  if (read_int(stream) != kImageVersion) {
    return;
  }
  int32_t width = read_int(stream);
  int32_t height = read_int(stream);
  int64_t count = int64_t(width) * int64_t(height);
  if (count <= 0) {
    image_.width = width;
    image_.height = height;
    return;
  }
  CStream block = read_raw_block(stream);
  if (width <= 0 || height <= 0 || block.size() != uint64_t(count) * 4) {
    return;
  }
  image_.width = width;
  image_.height = height;
  image_.pixels.resize(size_t(count));
  std::memcpy(image_.pixels.data(), block.data(), block.size());
}

void TBitmap32::write(CStream& stream) const {
  write_int(stream, kImageVersion);
  write_int(stream, image_.width);
  write_int(stream, image_.height);
  if (int64_t(image_.width) * int64_t(image_.height) > 0) {
    write_raw_block(stream, std::span(reinterpret_cast<const uint8_t*>(image_.pixels.data()),
                                      image_.pixels.size() * 4));
  }
}

}  // namespace vn
