#include "graphics/BM32_Class.h"

#include <cstring>

namespace vn {

constexpr int32_t kImageVersion = 800;

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
