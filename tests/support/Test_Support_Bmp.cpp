#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "support/Support_Bmp.h"

namespace vn {
namespace {

// What the tests put in a file; the builder lays it out exactly as stored.
struct RBmpLayout {
  uint32_t header_size = 40;
  int32_t width = 0;
  int32_t height = 0;
  uint16_t bits = 24;
  uint32_t compression = 0;
  uint32_t colours_used = 0;
  std::vector<uint32_t> masks{};    // inside a V4/V5 header, else after the 40-byte one
  std::vector<uint32_t> palette{};  // 0x00RRGGBB
  std::vector<uint8_t> data{};      // the pixel bytes as stored, padding included
};

void put(std::vector<uint8_t>& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(uint8_t(value >> (8 * i)));
}

std::vector<uint8_t> build_bmp(const RBmpLayout& layout) {
  std::vector<uint8_t> header;
  put(header, layout.header_size, 4);
  if (layout.header_size == 12) {
    put(header, uint32_t(layout.width), 2);
    put(header, uint32_t(layout.height), 2);
    put(header, 1, 2);
    put(header, layout.bits, 2);
  } else {
    put(header, uint32_t(layout.width), 4);
    put(header, uint32_t(layout.height), 4);
    put(header, 1, 2);
    put(header, layout.bits, 2);
    put(header, layout.compression, 4);
    put(header, uint32_t(layout.data.size()), 4);
    put(header, 2835, 4);
    put(header, 2835, 4);
    put(header, layout.colours_used, 4);
    put(header, 0, 4);
    for (uint32_t mask : layout.masks) put(header, mask, 4);
    if (layout.header_size > 40) header.resize(layout.header_size, 0);
  }
  for (uint32_t colour : layout.palette) put(header, colour, layout.header_size == 12 ? 3 : 4);
  std::vector<uint8_t> file = {'B', 'M'};
  uint32_t offset = uint32_t(14 + header.size());
  put(file, uint32_t(offset + layout.data.size()), 4);
  put(file, 0, 4);
  put(file, offset, 4);
  file.insert(file.end(), header.begin(), header.end());
  file.insert(file.end(), layout.data.begin(), layout.data.end());
  return file;
}

std::vector<uint32_t> decode_pixels(const std::vector<uint8_t>& file, int width, int height) {
  RImage image;
  EXPECT_TRUE(decode_bmp(file, image));
  EXPECT_EQ(image.width, width);
  EXPECT_EQ(image.height, height);
  return image.pixels;
}

bool decodes(const std::vector<uint8_t>& file) {
  RImage image;
  return decode_bmp(file, image);
}

constexpr uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF;
constexpr uint32_t kOpaque = 0xFF000000;

TEST(SupportBmp, PaletteDepthsWithRowPadding) {
  // 1 bit, 3 wide, bottom-up: each row is one byte plus three of padding.
  RBmpLayout one{.width = 3, .height = 2, .bits = 1, .palette = {kRed, kBlue}};
  one.data = {0b10100000, 0, 0, 0,   // bottom row: 1 0 1
              0b01000000, 0, 0, 0};  // top row: 0 1 0
  EXPECT_EQ(decode_pixels(build_bmp(one), 3, 2),
            (std::vector<uint32_t>{kOpaque | kRed, kOpaque | kBlue, kOpaque | kRed,  //
                                   kOpaque | kBlue, kOpaque | kRed, kOpaque | kBlue}));

  // 4 bits, 5 wide, top-down, a palette of three entries given by the used count; the
  // index 7 lies beyond it and reads as black.
  RBmpLayout four{
      .width = 5, .height = -2, .bits = 4, .colours_used = 3, .palette = {kRed, kGreen, kBlue}};
  four.data = {0x01, 0x22, 0x70, 0, 0x10, 0x00, 0x20, 0};
  EXPECT_EQ(decode_pixels(build_bmp(four), 5, 2),
            (std::vector<uint32_t>{kOpaque | kRed, kOpaque | kGreen, kOpaque | kBlue,
                                   kOpaque | kBlue, kOpaque, kOpaque | kGreen, kOpaque | kRed,
                                   kOpaque | kRed, kOpaque | kRed, kOpaque | kBlue}));

  // 8 bits, 3 wide, full 256-entry palette by default.
  RBmpLayout eight{.width = 3, .height = 1, .bits = 8};
  eight.palette.resize(256);
  eight.palette[200] = 0x123456;
  eight.palette[1] = kGreen;
  eight.data = {200, 1, 0, 0};
  EXPECT_EQ(decode_pixels(build_bmp(eight), 3, 1),
            (std::vector<uint32_t>{0xFF123456, kOpaque | kGreen, kOpaque}));
}

TEST(SupportBmp, DirectColourDepths) {
  // 24 bits, 3 wide: nine bytes of pixels and three of padding per row, bottom-up.
  RBmpLayout rgb{.width = 3, .height = 2, .bits = 24};
  rgb.data = {0x03, 0x02, 0x01, 0x06, 0x05, 0x04, 0x09, 0x08, 0x07, 0, 0, 0,
              0x0C, 0x0B, 0x0A, 0x0F, 0x0E, 0x0D, 0x12, 0x11, 0x10, 0, 0, 0};
  std::vector<uint32_t> expected = {0xFF0A0B0C, 0xFF0D0E0F, 0xFF101112,
                                    0xFF010203, 0xFF040506, 0xFF070809};
  EXPECT_EQ(decode_pixels(build_bmp(rgb), 3, 2), expected);
  // The same rows stored top-down come out in the opposite order.
  rgb.height = -2;
  std::rotate(expected.begin(), expected.begin() + 3, expected.end());
  EXPECT_EQ(decode_pixels(build_bmp(rgb), 3, 2), expected);

  // 16 bits default to 5-5-5; the top bit is not alpha.
  RBmpLayout x555{.width = 3, .height = 1, .bits = 16};
  x555.data = {0x00, 0xFC, 0xE0, 0x03, 0x1F, 0x80, 0, 0};
  EXPECT_EQ(decode_pixels(build_bmp(x555), 3, 1),
            (std::vector<uint32_t>{0xFFFF0000, 0xFF00FF00, 0xFF0000FF}));

  // 16 bits with 5-6-5 masks after the 40-byte header; 5 and 6 bit values are scaled.
  RBmpLayout r565{
      .width = 2, .height = 1, .bits = 16, .compression = 3, .masks = {0xF800, 0x07E0, 0x001F}};
  r565.data = {0xE0, 0x07, 0x10, 0x80};
  EXPECT_EQ(decode_pixels(build_bmp(r565), 2, 1), (std::vector<uint32_t>{0xFF00FF00, 0xFF840084}));

  // 32 bits without masks: the fourth byte is reserved and the picture is opaque.
  RBmpLayout plain{.width = 1, .height = 1, .bits = 32};
  plain.data = {0x33, 0x22, 0x11, 0x00};
  EXPECT_EQ(decode_pixels(build_bmp(plain), 1, 1), std::vector<uint32_t>{0xFF112233});
  // ... even in a V4 header that carries an alpha mask, when the pixels are plain RGB.
  plain.header_size = 108;
  plain.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
  EXPECT_EQ(decode_pixels(build_bmp(plain), 1, 1), std::vector<uint32_t>{0xFF112233});
}

TEST(SupportBmp, AlphaMasksOfLargerHeaders) {
  for (uint32_t header_size : {108u, 124u}) {
    RBmpLayout layout{.header_size = header_size,
                      .width = 2,
                      .height = 1,
                      .bits = 32,
                      .compression = 3,
                      .masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000}};
    layout.data = {0x33, 0x22, 0x11, 0x80, 0x00, 0x00, 0xFF, 0x00};
    EXPECT_EQ(decode_pixels(build_bmp(layout), 2, 1),
              (std::vector<uint32_t>{0x80112233, 0x00FF0000}));
    // Without an alpha mask the pixels are opaque.
    layout.masks[3] = 0;
    EXPECT_EQ(decode_pixels(build_bmp(layout), 2, 1),
              (std::vector<uint32_t>{0xFF112233, 0xFFFF0000}));
  }
  // Unusual channel positions: ABGR in the stored 32-bit word.
  RBmpLayout abgr{.header_size = 124,
                  .width = 1,
                  .height = 1,
                  .bits = 32,
                  .compression = 3,
                  .masks = {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000}};
  abgr.data = {0x11, 0x22, 0x33, 0x44};
  EXPECT_EQ(decode_pixels(build_bmp(abgr), 1, 1), std::vector<uint32_t>{0x44112233});
}

TEST(SupportBmp, CoreHeader) {
  RBmpLayout layout{
      .header_size = 12, .width = 2, .height = 2, .bits = 8, .palette = {kRed, kGreen, kBlue}};
  layout.palette.resize(256);
  layout.data = {2, 1, 0, 0, 0, 2, 0, 0};
  EXPECT_EQ(
      decode_pixels(build_bmp(layout), 2, 2),
      (std::vector<uint32_t>{kOpaque | kRed, kOpaque | kBlue, kOpaque | kBlue, kOpaque | kGreen}));
  // A core file whose palette is shorter than the depth allows: the pixel data begins
  // where the file says, and the missing entries read as black.
  layout.palette.resize(2);
  layout.data = {1, 5, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(decode_pixels(build_bmp(layout), 2, 2),
            (std::vector<uint32_t>{kOpaque | kRed, kOpaque | kRed, kOpaque | kGreen, kOpaque}));
}

TEST(SupportBmp, RunLengthEncoded) {
  // 8 bits, 4 x 3, rows counted from the bottom. Row 0 gets a run and a literal whose
  // last index falls beyond the width; a delta moves to row 1, an end of line to row 2,
  // another delta to x 2 there; the end of the picture leaves the rest at entry 0.
  RBmpLayout rle8{.width = 4,
                  .height = 3,
                  .bits = 8,
                  .compression = 1,
                  .palette = {0x000000, kRed, kGreen, kBlue}};
  rle8.data = {2, 1,              // two of index 1
               0, 3, 2, 3, 1, 0,  // literal 2 3 1, padded to an even length
               0, 2, 1, 1,        // delta (1, 1)
               0, 0,              // end of line
               0, 2, 2, 0,        // delta (2, 0)
               1, 2,              // one of index 2
               0, 1};             // end of picture
  EXPECT_EQ(
      decode_pixels(build_bmp(rle8), 4, 3),
      (std::vector<uint32_t>{kOpaque, kOpaque, kOpaque | kGreen, kOpaque,  //
                             kOpaque, kOpaque, kOpaque, kOpaque,           //
                             kOpaque | kRed, kOpaque | kRed, kOpaque | kGreen, kOpaque | kBlue}));

  // 4 bits: a run alternates the two nibbles; a literal of three nibbles takes two bytes.
  RBmpLayout rle4{.width = 6,
                  .height = 1,
                  .bits = 4,
                  .compression = 2,
                  .palette = {0x000000, kRed, kGreen, kBlue}};
  rle4.data = {3, 0x12, 0, 3, 0x32, 0x10, 0, 1};
  EXPECT_EQ(decode_pixels(build_bmp(rle4), 6, 1),
            (std::vector<uint32_t>{kOpaque | kRed, kOpaque | kGreen, kOpaque | kRed,
                                   kOpaque | kBlue, kOpaque | kGreen, kOpaque | kRed}));

  // A literal cut short by the end of the file is corrupt; so is a cut delta.
  rle8.data = {0, 5, 1, 2};
  EXPECT_FALSE(decodes(build_bmp(rle8)));
  rle8.data = {0, 2, 1};
  EXPECT_FALSE(decodes(build_bmp(rle8)));
  // Top-down run-length pictures do not exist.
  rle8.height = -3;
  rle8.data = {0, 1};
  EXPECT_FALSE(decodes(build_bmp(rle8)));
}

TEST(SupportBmp, TruncatedAndMalformedFilesAreRefused) {
  RBmpLayout good{.width = 3, .height = 2, .bits = 24};
  good.data.assign(24, 0x40);
  std::vector<uint8_t> file = build_bmp(good);
  ASSERT_TRUE(decodes(file));

  // The last row may lack its padding, but not a pixel byte.
  std::vector<uint8_t> cut(file.begin(), file.end() - 3);
  EXPECT_TRUE(decodes(cut));
  cut.pop_back();
  EXPECT_FALSE(decodes(cut));
  for (size_t size : {0, 2, 14, 17, 30, 53}) {
    EXPECT_FALSE(decodes(std::vector<uint8_t>(file.begin(), file.begin() + long(size)))) << size;
  }

  auto refused = [](RBmpLayout layout) { return !decodes(build_bmp(layout)); };
  EXPECT_TRUE(refused({.width = 0, .height = 2, .bits = 24, .data = good.data}));
  EXPECT_TRUE(refused({.width = 3, .height = 0, .bits = 24, .data = good.data}));
  EXPECT_TRUE(refused({.width = -3, .height = 2, .bits = 24, .data = good.data}));
  EXPECT_TRUE(refused({.width = 3, .height = INT32_MIN, .bits = 24, .data = good.data}));
  EXPECT_TRUE(refused({.width = 3, .height = 2, .bits = 7, .data = good.data}));
  EXPECT_TRUE(refused({.width = 3, .height = 2, .bits = 24, .compression = 4, .data = good.data}));
  EXPECT_TRUE(refused({.width = 3, .height = 2, .bits = 24, .compression = 3, .data = good.data}));
  EXPECT_TRUE(refused({.header_size = 64, .width = 3, .height = 2, .data = good.data}));
  // Huge sizes with a few bytes of data, and sizes beyond the pixel cap.
  EXPECT_TRUE(refused({.width = 100000, .height = 100000, .bits = 1, .data = good.data}));
  EXPECT_TRUE(refused({.width = INT32_MAX, .height = INT32_MAX, .bits = 32, .data = {}}));
  EXPECT_TRUE(
      refused({.width = 1 << 14, .height = 1 << 14, .bits = 8, .palette = {0}, .data = good.data}));
  EXPECT_TRUE(refused({.width = 1 << 14,
                       .height = 1 << 14,
                       .bits = 8,
                       .compression = 1,
                       .palette = {0},
                       .data = {0, 1}}));
  // Beyond 8192 × 8192 even with every row present.
  EXPECT_TRUE(refused({.width = 8192,
                       .height = 8193,
                       .bits = 1,
                       .palette = {0, kRed},
                       .data = std::vector<uint8_t>(size_t(8192 / 8) * 8193)}));

  // Wrong signature, and a pixel offset beyond the file.
  std::vector<uint8_t> bad = file;
  bad[1] = 'A';
  EXPECT_FALSE(decodes(bad));
  bad = file;
  bad[10] = 0xFF;
  EXPECT_FALSE(decodes(bad));

  // A failed decode leaves the image as it was.
  RImage image{.width = 1, .height = 1, .pixels = {7}};
  EXPECT_FALSE(decode_bmp(cut, image));
  EXPECT_EQ(image, (RImage{.width = 1, .height = 1, .pixels = {7}}));
}

TEST(SupportBmp, EncodeKeepsAlphaAndReadsBack) {
  RImage image;
  image.width = 3;
  image.height = 2;
  image.pixels = {0x00000000, 0x80FF0000, 0xFF00FF00, 0x400000FF, 0xFFFFFFFF, 0x12345678};
  std::vector<uint8_t> file = encode_bmp(image);

  // A plain bottom-up 32-bit file with a V4 header and the usual masks.
  ASSERT_EQ(file.size(), 14u + 108u + 24u);
  auto u32 = [&](size_t at) {
    uint32_t value;
    std::memcpy(&value, file.data() + at, 4);
    return value;
  };
  EXPECT_EQ(file[0], 'B');
  EXPECT_EQ(file[1], 'M');
  EXPECT_EQ(u32(2), file.size());
  EXPECT_EQ(u32(10), 122u);
  EXPECT_EQ(u32(14), 108u);
  EXPECT_EQ(int32_t(u32(22)), 2);  // positive: bottom-up
  EXPECT_EQ(u32(30), 3u);          // bit fields
  EXPECT_EQ(u32(54), 0x00FF0000u);
  EXPECT_EQ(u32(66), 0xFF000000u);
  EXPECT_EQ(u32(122), 0x400000FFu);  // first stored pixel: bottom left

  RImage decoded;
  ASSERT_TRUE(decode_bmp(file, decoded));
  EXPECT_EQ(decoded, image);
}

}  // namespace
}  // namespace vn
