#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
// clang-format off
#include <jpeglib.h>
// clang-format on

#include "graphics/BM32_File.h"
#include "platform/Platform_ImageFormats.h"

namespace vn {
namespace {

// A baseline JPEG of one flat colour, or grey when components is 1.
std::vector<uint8_t> make_jpeg(int width, int height, int components, const uint8_t colour[3]) {
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = JDIMENSION(width);
  info.image_height = JDIMENSION(height);
  info.input_components = components;
  info.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 95, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<uint8_t> row(size_t(width) * size_t(components));
  for (int x = 0; x < width; ++x) {
    for (int c = 0; c < components; ++c) row[size_t(x * components + c)] = colour[c];
  }
  while (info.next_scanline < info.image_height) {
    JSAMPROW pointer = row.data();
    jpeg_write_scanlines(&info, &pointer, 1);
  }
  jpeg_finish_compress(&info);
  std::vector<uint8_t> out(buffer, buffer + size);
  jpeg_destroy_compress(&info);
  std::free(buffer);
  return out;
}

int channel(uint32_t pixel, int shift) { return int(pixel >> shift & 0xFF); }

TEST(JpegFiles, ColourAndGreyDecodeOpaque) {
  const uint8_t orange[3] = {240, 120, 30};
  std::vector<uint8_t> file = make_jpeg(9, 5, 3, orange);
  TBitmap32 image;
  std::string error;
  ASSERT_TRUE(decode_image_file(file, image, error)) << error;
  EXPECT_EQ(image.width(), 9);
  EXPECT_EQ(image.height(), 5);
  uint32_t pixel = image.pixel(4, 2);
  EXPECT_EQ(pixel >> 24, 255u);
  EXPECT_NEAR(channel(pixel, 16), 240, 4);
  EXPECT_NEAR(channel(pixel, 8), 120, 4);
  EXPECT_NEAR(channel(pixel, 0), 30, 4);

  const uint8_t grey[3] = {77, 0, 0};
  RImage decoded;
  ASSERT_TRUE(decode_jpeg(make_jpeg(3, 3, 1, grey), decoded, error)) << error;
  uint32_t grey_pixel = decoded.at(1, 1);
  EXPECT_EQ(grey_pixel >> 24, 255u);
  EXPECT_NEAR(channel(grey_pixel, 16), 77, 2);
  EXPECT_EQ(channel(grey_pixel, 16), channel(grey_pixel, 0));
}

TEST(JpegFiles, DamagedFilesFailWithoutTouchingTheImage) {
  const uint8_t blue[3] = {0, 0, 255};
  std::vector<uint8_t> file = make_jpeg(64, 64, 3, blue);
  RImage image;
  image.width = 1;
  image.height = 1;
  image.pixels = {42};
  std::string error;
  // Cut inside the scan data: the decoder must not invent the missing rows.
  std::vector<uint8_t> cut(file.begin(), file.begin() + std::ptrdiff_t(file.size() / 2));
  EXPECT_FALSE(decode_jpeg(cut, image, error));
  EXPECT_FALSE(error.empty());
  std::vector<uint8_t> header_only(file.begin(), file.begin() + 20);
  EXPECT_FALSE(decode_jpeg(header_only, image, error));
  EXPECT_FALSE(decode_jpeg(std::vector<uint8_t>{0xFF, 0xD8, 0xFF}, image, error));
  EXPECT_EQ(image.pixels, std::vector<uint32_t>{42});
}

}  // namespace
}  // namespace vn
