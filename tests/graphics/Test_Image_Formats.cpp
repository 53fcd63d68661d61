#include <gtest/gtest.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
// clang-format off
#include <jpeglib.h>
// clang-format on
#include <gif_lib.h>

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

TEST(JpegFiles, SizeBeyondTheDataOrCutScansFail) {
  const uint8_t grey[3] = {128, 0, 0};
  RImage image{.width = 1, .height = 1, .pixels = {42}};
  std::string error;
  // A tiny file whose frame header declares 8000 × 8000: refused before decoding.
  std::vector<uint8_t> file = make_jpeg(8, 8, 1, grey);
  size_t frame = 2;
  while (frame + 1 < file.size() && !(file[frame] == 0xFF && file[frame + 1] == 0xC0)) ++frame;
  ASSERT_LT(frame + 9, file.size());
  for (size_t at : {frame + 5, frame + 7}) {
    file[at] = 8000 >> 8;
    file[at + 1] = 8000 & 0xFF;
  }
  EXPECT_FALSE(decode_jpeg(file, image, error));
  EXPECT_EQ(error, "bad JPEG file: the image data is incomplete");

  // A scan broken off by the end marker: the rest is not made up.
  const uint8_t blue[3] = {0, 0, 255};
  std::vector<uint8_t> whole = make_jpeg(64, 64, 3, blue);
  std::vector<uint8_t> broken(whole.begin(), whole.begin() + std::ptrdiff_t(whole.size() / 2));
  broken.insert(broken.end(), {0xFF, 0xD9});
  EXPECT_FALSE(decode_jpeg(broken, image, error));
  EXPECT_NE(error.find("bad JPEG file"), std::string::npos) << error;
  EXPECT_EQ(image.pixels, std::vector<uint32_t>{42});

  // The most compressible real picture, one flat grey, still loads.
  ASSERT_TRUE(decode_jpeg(make_jpeg(2048, 2048, 1, grey), image, error)) << error;
  EXPECT_EQ(image.width, 2048);
  EXPECT_NEAR(channel(image.at(2047, 2047), 0), 128, 2);
}

// A GIF by hand: a screen, then frames of the given sizes, each holding one pixel of
// data (a code size of 2, then clear, index 0, end). A frame of more pixels is cut short.
std::vector<uint8_t> tiny_gif(int screen_width, int screen_height,
                              const std::vector<std::pair<int, int>>& frames) {
  auto put16 = [](std::vector<uint8_t>& out, int value) {
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
  };
  std::vector<uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
  put16(out, screen_width);
  put16(out, screen_height);
  out.insert(out.end(), {0x80, 0, 0, 0, 0, 0, 255, 255, 255});  // two colours
  for (auto [width, height] : frames) {
    out.insert(out.end(), {0x2C, 0, 0, 0, 0});
    put16(out, width);
    put16(out, height);
    out.insert(out.end(), {0, 2, 2, 0x44, 0x01, 0});
  }
  out.push_back(0x3B);
  return out;
}

int append_bytes(GifFileType* gif, const GifByteType* data, int count) {
  auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
  out->insert(out->end(), data, data + count);
  return count;
}

// One frame of palette entry 1 over the whole screen: the most compressible GIF.
std::vector<uint8_t> flat_gif(int width, int height) {
  std::vector<uint8_t> out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, append_bytes, &error);
  GifColorType colours[2] = {{0, 0, 0}, {255, 0, 0}};
  ColorMapObject* map = GifMakeMapObject(2, colours);
  EXPECT_EQ(EGifPutScreenDesc(gif, width, height, 1, 0, map), GIF_OK);
  EXPECT_EQ(EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr), GIF_OK);
  std::vector<GifPixelType> row(size_t(width), 1);
  for (int y = 0; y < height; ++y) EXPECT_EQ(EGifPutLine(gif, row.data(), width), GIF_OK);
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return out;
}

TEST(GifFiles, SizesBeyondTheDataAreRefused) {
  TBitmap32 image;
  std::vector<TBitmap32> frames;
  RGifAnimation animation;
  std::string error;
  ASSERT_TRUE(decode_gif(tiny_gif(1, 1, {{1, 1}}), animation, error)) << error;

  // A screen of 8000 × 8000 over a file of forty bytes, and one above the bound.
  std::vector<uint8_t> wide_screen = tiny_gif(8000, 8000, {{1, 1}});
  EXPECT_FALSE(decode_image_file(wide_screen, image, error));
  EXPECT_EQ(error, "bad GIF file: the screen is larger than its images could fill");
  EXPECT_FALSE(decode_gif_frames(wide_screen, frames, error));
  EXPECT_FALSE(decode_gif(tiny_gif(8193, 8192, {{1, 1}}), animation, error));
  EXPECT_EQ(error, "the GIF image is too large");

  // A frame of 4000 × 4000 with one pixel of data ends the reading before it.
  EXPECT_FALSE(decode_gif(tiny_gif(1, 1, {{4000, 4000}}), animation, error));
  EXPECT_NE(error.find("bad GIF file"), std::string::npos) << error;
  ASSERT_TRUE(decode_gif(tiny_gif(1, 1, {{1, 1}, {4000, 4000}}), animation, error)) << error;
  EXPECT_EQ(animation.frames.size(), 1u);
  EXPECT_TRUE(image.image().pixels.empty());
  EXPECT_TRUE(frames.empty());

  // The most compressible real picture still loads.
  std::vector<uint8_t> flat = flat_gif(2048, 2048);
  ASSERT_TRUE(decode_image_file(flat, image, error)) << error;
  EXPECT_EQ(image.width(), 2048);
  EXPECT_EQ(image.pixel(2047, 2047), 0xFFFF0000u);
}

}  // namespace
}  // namespace vn
