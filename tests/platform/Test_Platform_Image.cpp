#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "Test_Support.h"
#include "platform/Platform_Image.h"
#include "support/Support_Stream.h"

namespace vn {
namespace {

RImage random_image(int width, int height, uint32_t seed) {
  std::mt19937 random(seed);
  RImage image;
  image.width = width;
  image.height = height;
  image.pixels.resize(size_t(width) * size_t(height));
  for (uint32_t& pixel : image.pixels) pixel = random();
  return image;
}

uint32_t crc32_of(std::span<const uint8_t> bytes) {
  uint32_t crc = 0xFFFFFFFF;
  for (uint8_t byte : bytes) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
  }
  return ~crc;
}

void put_be32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(value >> shift));
}

void put_chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
  put_be32(out, uint32_t(data.size()));
  std::vector<uint8_t> body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  out.insert(out.end(), body.begin(), body.end());
  put_be32(out, crc32_of(body));
}

// A PNG file made by hand. `rows` holds the packed rows without filter bytes; for an
// interlaced file the pixels must be whole bytes (`pixel_bytes` each) and are split into
// the seven passes here.
struct RPngLayout {
  uint32_t width = 1;
  uint32_t height = 1;
  uint8_t bit_depth = 8;
  uint8_t colour_type = 6;
  bool interlaced = false;
  size_t pixel_bytes = 4;
  std::vector<uint8_t> rows{};
  std::vector<uint8_t> palette{};
  std::vector<uint8_t> transparency{};
};

std::vector<uint8_t> build_png(const RPngLayout& layout) {
  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  put_be32(header, layout.width);
  put_be32(header, layout.height);
  header.insert(header.end(),
                {layout.bit_depth, layout.colour_type, 0, 0, uint8_t(layout.interlaced)});
  put_chunk(out, "IHDR", header);
  if (!layout.palette.empty()) put_chunk(out, "PLTE", layout.palette);
  if (!layout.transparency.empty()) put_chunk(out, "tRNS", layout.transparency);
  std::vector<uint8_t> filtered;
  if (!layout.interlaced) {
    size_t row_size = layout.height ? layout.rows.size() / layout.height : 0;
    for (size_t y = 0; y < layout.height; ++y) {
      filtered.push_back(0);
      filtered.insert(filtered.end(), layout.rows.begin() + long(y * row_size),
                      layout.rows.begin() + long((y + 1) * row_size));
    }
  } else {
    const uint32_t passes[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                   {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    for (const auto& [x0, y0, dx, dy] : passes) {
      if (x0 >= layout.width) continue;
      for (uint32_t y = y0; y < layout.height; y += dy) {
        filtered.push_back(0);
        for (uint32_t x = x0; x < layout.width; x += dx) {
          size_t at = (size_t(y) * layout.width + x) * layout.pixel_bytes;
          filtered.insert(filtered.end(), layout.rows.begin() + long(at),
                          layout.rows.begin() + long(at + layout.pixel_bytes));
        }
      }
    }
  }
  put_chunk(out, "IDAT", deflate_bytes(filtered));
  put_chunk(out, "IEND", {});
  return out;
}

RImage decode_ok(const std::vector<uint8_t>& file) {
  RImage image;
  std::string error;
  EXPECT_TRUE(decode_png(file, image, error)) << error;
  return image;
}

TEST(PlatformImage, EncodeDecodeRoundTrip) {
  for (auto [width, height] : {std::pair{1, 1}, {3, 7}, {17, 5}, {640, 3}}) {
    RImage image = random_image(width, height, uint32_t(width * 100 + height));
    std::vector<uint8_t> file = encode_png(image);
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(decode_ok(file), image) << width << "x" << height;
  }
  EXPECT_TRUE(encode_png(RImage{}).empty());
  // Pixels that do not fill the stated size are refused rather than read past.
  EXPECT_TRUE(encode_png(RImage{.width = 4, .height = 4, .pixels = {1, 2, 3}}).empty());
}

TEST(PlatformImage, SaveAndLoadFiles) {
  test::ScratchDir scratch("platform_image");
  RImage image = random_image(13, 11, 9);
  std::string error;
  ASSERT_TRUE(save_png(scratch / "picture.png", image, error)) << error;
  RImage second = random_image(2, 2, 10);
  ASSERT_TRUE(save_png(scratch / "picture.png", second, error)) << error;  // replaces it
  // Only the finished file remains: the temporary one was renamed over it.
  size_t entries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(scratch.path())) {
    EXPECT_EQ(entry.path().filename(), "picture.png");
    ++entries;
  }
  EXPECT_EQ(entries, 1u);
  RImage loaded;
  ASSERT_TRUE(load_png(scratch / "picture.png", loaded, error)) << error;
  EXPECT_EQ(loaded, second);

  EXPECT_FALSE(load_png(scratch / "missing.png", loaded, error));
  EXPECT_NE(error.find("missing.png"), std::string::npos) << error;
  EXPECT_FALSE(load_png(scratch.path(), loaded, error));
  EXPECT_FALSE(save_png(scratch / "no_folder" / "x.png", image, error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(save_png(scratch / "empty.png", RImage{}, error));
  EXPECT_EQ(loaded, second);
}

TEST(PlatformImage, EveryFormBecomesEightBitArgb) {
  // Grey, 8 and 1 bits.
  EXPECT_EQ(decode_ok(build_png({.width = 2, .colour_type = 0, .rows = {0x00, 0x80}})).pixels,
            (std::vector<uint32_t>{0xFF000000, 0xFF808080}));
  EXPECT_EQ(
      decode_ok(build_png({.width = 3, .bit_depth = 1, .colour_type = 0, .rows = {0b10100000}}))
          .pixels,
      (std::vector<uint32_t>{0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF}));
  // Two-bit palette with transparency for the first two entries.
  EXPECT_EQ(decode_ok(build_png({.width = 3,
                                 .bit_depth = 2,
                                 .colour_type = 3,
                                 .rows = {0b00011000},
                                 .palette = {255, 0, 0, 0, 255, 0, 0, 0, 255},
                                 .transparency = {0x00, 0x80}}))
                .pixels,
            (std::vector<uint32_t>{0x00FF0000, 0x8000FF00, 0xFF0000FF}));
  // Sixteen-bit colour is scaled to eight.
  EXPECT_EQ(decode_ok(build_png({.bit_depth = 16,
                                 .colour_type = 2,
                                 .rows = {0xFF, 0xFF, 0x80, 0x80, 0x00, 0x00}}))
                .pixels,
            std::vector<uint32_t>{0xFFFF8000});
  // Grey with alpha.
  EXPECT_EQ(decode_ok(build_png({.colour_type = 4, .rows = {0x40, 0x20}})).pixels,
            std::vector<uint32_t>{0x20404040});
  // Colour with a transparent colour key.
  EXPECT_EQ(decode_ok(build_png({.width = 2,
                                 .colour_type = 2,
                                 .rows = {1, 2, 3, 4, 5, 6},
                                 .transparency = {0, 1, 0, 2, 0, 3}}))
                .pixels,
            (std::vector<uint32_t>{0x00010203, 0xFF040506}));
  // Interlaced colour with alpha, over sizes that leave some passes empty.
  for (uint32_t size : {1u, 2u, 5u, 9u}) {
    RImage expected = random_image(int(size), int(size + 1), size);
    std::vector<uint8_t> rgba;
    for (uint32_t pixel : expected.pixels) {
      rgba.insert(rgba.end(), {uint8_t(pixel >> 16), uint8_t(pixel >> 8), uint8_t(pixel),
                               uint8_t(pixel >> 24)});
    }
    EXPECT_EQ(
        decode_ok(build_png({.width = size, .height = size + 1, .interlaced = true, .rows = rgba})),
        expected)
        << size;
  }
}

TEST(PlatformImage, CorruptFilesAreRefused) {
  std::vector<uint8_t> good = encode_png(random_image(20, 20, 3));
  ASSERT_GT(good.size(), 200u);
  RImage image{.width = 1, .height = 1, .pixels = {42}};
  const RImage untouched = image;
  std::string error;

  auto refused = [&](const std::vector<uint8_t>& file) {
    error.clear();
    bool decoded = decode_png(file, image, error);
    return !decoded && !error.empty();
  };
  EXPECT_TRUE(refused({}));
  EXPECT_TRUE(refused({'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'}));
  for (size_t size : {size_t(8), size_t(20), size_t(40), good.size() / 2, good.size() - 13}) {
    EXPECT_TRUE(refused(std::vector<uint8_t>(good.begin(), good.begin() + long(size)))) << size;
  }
  // A damaged byte inside the image data fails its checksum.
  std::vector<uint8_t> damaged = good;
  damaged[good.size() / 2] ^= 0x10;
  EXPECT_TRUE(refused(damaged));
  // Sizes too large for the cap, or for the data that follows, fail before allocating.
  EXPECT_TRUE(refused(build_png({.width = 100000, .height = 100000, .rows = {}})));
  EXPECT_TRUE(refused(build_png({.width = 16000, .height = 16000, .colour_type = 0, .rows = {}})));
  // An unknown colour type, and a palette image without a palette.
  EXPECT_TRUE(refused(build_png({.colour_type = 5, .rows = {0, 0, 0}})));
  EXPECT_TRUE(refused(build_png({.colour_type = 3, .rows = {0}})));
  EXPECT_EQ(image, untouched);
}

TEST(PlatformImage, DeclaredSizeMustBeBackedByImageData) {
  RImage image{.width = 1, .height = 1, .pixels = {42}};
  const RImage untouched = image;
  std::string error;
  // A one-bit picture of 8192 × 8192 needs 8 MiB of rows, and its image data here
  // holds 64 KiB that do not compress: refused before its 256 MiB of pixels are
  // allocated, where libpng would only find out row by row.
  std::vector<uint8_t> noise(65536);
  std::mt19937 random(7);
  for (uint8_t& byte : noise) byte = uint8_t(random());
  std::vector<uint8_t> short_data =
      build_png({.width = 8192, .height = 8192, .bit_depth = 1, .colour_type = 0, .rows = {}});
  // Swap the empty image data for the noise, stored without compression.
  std::vector<uint8_t> file(short_data.begin(), short_data.begin() + 33);
  put_chunk(file, "IDAT", deflate_bytes(noise, 0));
  put_chunk(file, "IEND", {});
  EXPECT_FALSE(decode_png(file, image, error));
  EXPECT_EQ(error, "bad PNG file: the image data is incomplete");
  // Beyond the bound on any picture, whatever the data.
  EXPECT_FALSE(decode_png(
      build_png({.width = 8192, .height = 8193, .bit_depth = 1, .colour_type = 0, .rows = {}}),
      image, error));
  EXPECT_EQ(error, "the PNG image is too large");
  EXPECT_EQ(image, untouched);

  // The most compressible real picture still loads: 2048 × 2048 blank one-bit rows
  // deflate about a thousand to one.
  std::vector<uint8_t> blank = build_png({.width = 2048,
                                          .height = 2048,
                                          .bit_depth = 1,
                                          .colour_type = 0,
                                          .rows = std::vector<uint8_t>(2048 / 8 * 2048, 0)});
  ASSERT_LT(blank.size(), 1024u);
  RImage decoded = decode_ok(blank);
  EXPECT_EQ(decoded.width, 2048);
  EXPECT_EQ(decoded.pixels.size(), size_t(2048) * 2048);
  EXPECT_EQ(decoded.pixels.back(), 0xFF000000u);
}

}  // namespace
}  // namespace vn
