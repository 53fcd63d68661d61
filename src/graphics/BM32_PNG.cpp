#include "graphics/BM32_PNG.h"

#include <zlib.h>

#include <array>
#include <span>
#include <string_view>

#include "support/Support_Stream.h"

namespace vn {

namespace {

void put_big_endian(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(value >> shift));
}

void put_chunk(std::vector<uint8_t>& out, std::string_view type, std::span<const uint8_t> data) {
  put_big_endian(out, uint32_t(data.size()));
  size_t start = out.size();
  out.insert(out.end(), type.begin(), type.end());
  out.insert(out.end(), data.begin(), data.end());
  uLong crc = crc32(0L, Z_NULL, 0);
  // zlib takes at most 4 GiB a call; one chunk is never that large, but stay exact.
  std::span<const uint8_t> covered(out.data() + start, out.size() - start);
  while (!covered.empty()) {
    uInt take = uInt(std::min<size_t>(covered.size(), 1u << 30));
    crc = crc32(crc, covered.data(), take);
    covered = covered.subspan(take);
  }
  put_big_endian(out, uint32_t(crc));
}

}  // namespace

std::vector<uint8_t> png_from_image(const RImage& image) {
  if (image.empty() || image.pixels.size() < size_t(image.width) * size_t(image.height)) {
    return {};
  }
  std::vector<uint8_t> rows;
  rows.reserve((size_t(image.width) * 4 + 1) * size_t(image.height));
  for (int y = 0; y < image.height; ++y) {
    rows.push_back(0);
    for (int x = 0; x < image.width; ++x) {
      uint32_t pixel = image.at(x, y);
      rows.push_back(uint8_t(pixel >> 16));
      rows.push_back(uint8_t(pixel >> 8));
      rows.push_back(uint8_t(pixel));
      rows.push_back(uint8_t(pixel >> 24));
    }
  }

  std::vector<uint8_t> out = {137, 80, 78, 71, 13, 10, 26, 10};
  std::vector<uint8_t> header;
  put_big_endian(header, uint32_t(image.width));
  put_big_endian(header, uint32_t(image.height));
  header.insert(header.end(), {8, 6, 0, 0, 0});
  put_chunk(out, "IHDR", header);
  put_chunk(out, "IDAT", deflate_bytes(rows, Z_DEFAULT_COMPRESSION));
  put_chunk(out, "IEND", {});
  return out;
}

}  // namespace vn
