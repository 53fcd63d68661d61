#include <gtest/gtest.h>

#include <cstring>

#include "Test_Games.h"
#include "Test_Support.h"
#include "graphics/BM32_Class.h"
#include "graphics/BM32_File.h"
#include "graphics/BM32_PNG.h"
#include "platform/Platform_Image.h"
#include "support/Support_Bmp.h"

namespace vn {
namespace {

constexpr uint32_t kMagenta = 0xFFFF00FF;
constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kGreen = 0xFF00FF00;

TBitmap32 from_rows(const std::vector<std::vector<uint32_t>>& rows) {
  TBitmap32 image(int(rows[0].size()), int(rows.size()));
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) image.image().at(x, y) = rows[size_t(y)][size_t(x)];
  }
  return image;
}

uint32_t alpha(uint32_t pixel) { return pixel >> 24; }

TEST(ImageOps, ReplaceColourWithinTolerance) {
  TBitmap32 image = from_rows({{0xFF102030, 0xFF132333, 0xFF142434, 0x80102030}});
  replace_colour(image, 0xFF102030, 0x00ABCDEF, false, false, 3);
  // Within 3 on every channel: recoloured, alpha kept; the 4-off pixel untouched.
  EXPECT_EQ(image.pixel(0, 0), 0xFFABCDEFu);
  EXPECT_EQ(image.pixel(1, 0), 0xFFABCDEFu);
  EXPECT_EQ(image.pixel(2, 0), 0xFF142434u);
  EXPECT_EQ(image.pixel(3, 0), 0x80ABCDEFu);

  TBitmap32 alpha_image = from_rows({{0xFF102030, 0x80102030}});
  replace_colour(alpha_image, 0xFF102030, 0x11000000, true, true, 0);
  EXPECT_EQ(alpha_image.pixel(0, 0), 0x11000000u);
  EXPECT_EQ(alpha_image.pixel(1, 0), 0x80102030u);
}

TEST(ImageOps, MagentaKeyBecomesTransparentAndTakesNeighbourColours) {
  TBitmap32 image = from_rows(
      {{kMagenta, kRed, kMagenta}, {kMagenta, kMagenta, kGreen}, {kMagenta, kMagenta, kMagenta}});
  apply_load_flags(image, true, false);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 3; ++x) {
      bool key = !(x == 1 && y == 0) && !(x == 2 && y == 1);
      EXPECT_EQ(alpha(image.pixel(x, y)) == 0, key) << x << "," << y;
    }
  }
  // Left, right, above, below: (0, 0) finds red on its right, (2, 0) red on its left,
  // (1, 1) green on its right before red above, (2, 2) green above; (0, 2) has no
  // visible neighbour.
  EXPECT_EQ(image.pixel(0, 0), 0x00FF0000u);
  EXPECT_EQ(image.pixel(2, 0), 0x00FF0000u);
  EXPECT_EQ(image.pixel(1, 1), 0x0000FF00u);
  EXPECT_EQ(image.pixel(2, 2), 0x0000FF00u);
  EXPECT_EQ(image.pixel(0, 2), 0x00FF00FFu);
  EXPECT_EQ(image.pixel(1, 0), kRed);
}

TEST(ImageOps, SmoothEdgesLowersInRowOrder) {
  // A pixel lowered to 0 by its left neighbour's turn then softens its own neighbours.
  TBitmap32 image = from_rows({{0x00000000, 0x20FFFFFF, 0x20FFFFFF, 0xFFFFFFFF}});
  smooth_edges(image);
  EXPECT_EQ(alpha(image.pixel(1, 0)), 0u);
  EXPECT_EQ(alpha(image.pixel(2, 0)), 0u);
  EXPECT_EQ(alpha(image.pixel(3, 0)), 223u);
  // Below 32 nothing is taken.
  TBitmap32 faint = from_rows({{0x00000000, 0x1FFFFFFF}});
  smooth_edges(faint);
  EXPECT_EQ(alpha(faint.pixel(1, 0)), 0x1Fu);
}

TEST(ImageOps, AlphaFromImageOverTheCommonArea) {
  TBitmap32 image(3, 1, 0xC8123456);
  TBitmap32 mask = from_rows({{0xFFFFFFFF, 0xFF808080}});
  alpha_from_image(image, mask);
  EXPECT_EQ(image.pixel(0, 0), 0xC8123456u);
  // 200 × 384 / 765 = 100 (integer division).
  EXPECT_EQ(image.pixel(1, 0), 0x64123456u);
  EXPECT_EQ(image.pixel(2, 0), 0xC8123456u);
}

TEST(ImageOps, BoundingBoxPartsAndResize) {
  TBitmap32 image(4, 3, 0x10000000);
  image.image().at(1, 2) = 0xFF000000;
  image.image().at(2, 1) = 0x20000000;
  EXPECT_EQ(image.bounding_box(0x10), (RPixelBox{1, 1, 2, 2}));
  EXPECT_EQ(image.bounding_box(0x20), (RPixelBox{1, 2, 1, 2}));
  EXPECT_EQ(image.bounding_box(0xFF), (RPixelBox{3, 2, 0, 0}));

  // A part reaching outside reads 0 there; reading outside the image gives 0.
  TBitmap32 part = image.part(2, 1, 3, 2);
  EXPECT_EQ(part.pixel(0, 0), 0x20000000u);
  EXPECT_EQ(part.pixel(2, 0), 0u);
  EXPECT_EQ(part.pixel(2, 1), 0u);
  EXPECT_EQ(image.pixel(-1, 0), 0u);
  EXPECT_EQ(image.pixel(4, 0), 0u);

  TBitmap32 strip = from_rows({{kRed, kGreen}});
  strip.resize(4, 2);
  EXPECT_EQ(strip.pixel(1, 1), kRed);
  EXPECT_EQ(strip.pixel(2, 0), kGreen);
  strip.resize(0, 5);
  EXPECT_FALSE(strip.has_pixels());
  EXPECT_FALSE(TBitmap32(100000, 100000).has_pixels());
}

TEST(ImageRecord, RoundTripAndSizeChecks) {
  TBitmap32 image = from_rows({{1, 2, 3}, {4, 5, 6}});
  CStream stream;
  image.write(stream);
  // Version, size, block length, then the pixels in memory order.
  EXPECT_EQ(stream.size(), 16u + 24u);
  stream.rewind();
  TBitmap32 read;
  EXPECT_TRUE(read.read(stream));
  EXPECT_EQ(read, image);
}

TEST(PngWriter, LibpngReadsBackWhatWasWritten) {
  RImage image = test::make_image(5, 3, 0);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x)
      image.at(x, y) = uint32_t(x * 40) << 24 | uint32_t(y * 70) << 16 | uint32_t(x + y) << 8 | 7;
  }
  std::vector<uint8_t> file = png_from_image(image);
  const uint8_t signature[] = {137, 80, 78, 71, 13, 10, 26, 10};
  ASSERT_GE(file.size(), 8u + 25u);
  EXPECT_EQ(std::memcmp(file.data(), signature, 8), 0);
  // IHDR: length 13, then width 5 and height 3 big-endian, 8 bits, RGBA, no interlace.
  const uint8_t header[] = {0, 0, 0, 13, 'I', 'H', 'D', 'R', 0, 0, 0, 5, 0, 0, 0, 3, 8, 6, 0, 0, 0};
  EXPECT_EQ(std::memcmp(file.data() + 8, header, sizeof header), 0);
  const uint8_t end[] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
  EXPECT_EQ(std::memcmp(file.data() + file.size() - 12, end, 12), 0);

  RImage decoded;
  std::string error;
  ASSERT_TRUE(decode_png(file, decoded, error)) << error;
  EXPECT_EQ(decoded, image);

  // libpng checks the checksums: a changed byte inside IHDR is caught.
  std::vector<uint8_t> broken = file;
  broken[8 + 8 + 3] ^= 1;
  RImage untouched;
  EXPECT_FALSE(decode_png(broken, untouched, error));
  EXPECT_TRUE(png_from_image(RImage()).empty());
}

TEST(PictureFiles, FormatsAreToldByContentAndOpaqueWithoutAlpha) {
  test::ScratchDir dir("bm32_files");
  // A bitmap whose alpha bytes are all 0 is made opaque.
  RImage plain = test::make_image(2, 2, 0x00336699);
  std::vector<uint8_t> bmp = encode_bmp(plain);
  TBitmap32 image;
  std::string error;
  ASSERT_TRUE(decode_image_file(bmp, image, error)) << error;
  EXPECT_EQ(image.pixel(1, 1), 0xFF336699u);

  // A PNG under a misleading name still reads as PNG, keeping its alpha; fully
  // transparent pixels show the loading canvas colour.
  RImage alpha_picture = test::make_image(2, 1, 0x80112233);
  alpha_picture.at(1, 0) = 0x00445566;
  TBitmap32 source(alpha_picture);
  ASSERT_TRUE(save_image_file(dir / "picture.png", source, error)) << error;
  std::filesystem::rename(dir / "picture.png", dir / "picture.bmp");
  ASSERT_TRUE(load_image_file(dir / "picture.bmp", image, &error)) << error;
  EXPECT_EQ(image.pixel(0, 0), 0x80112233u);
  EXPECT_EQ(image.pixel(1, 0), pixel_of_colour(0xFFFFFE, 0));

  EXPECT_FALSE(load_image_file(dir / "missing.png", image, &error));
  const std::vector<uint8_t> junk = {'B', 'M', 1, 2, 3};
  EXPECT_FALSE(decode_image_file(junk, image, error));
  EXPECT_FALSE(decode_image_file(std::vector<uint8_t>{1, 2, 3, 4}, image, error));
  EXPECT_EQ(image.pixel(0, 0), 0x80112233u);  // failures leave the image alone
}

}  // namespace
}  // namespace vn
