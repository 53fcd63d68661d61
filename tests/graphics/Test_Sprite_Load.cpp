#include <gif_lib.h>
#include <gtest/gtest.h>

#include "Test_Games.h"
#include "Test_Support.h"
#include "graphics/BM32_File.h"
#include "graphics/Background_Class.h"
#include "graphics/Sprite_Class.h"
#include "platform/Platform_FileIo.h"

namespace vn {
namespace {

struct RTestFrame {
  int left, top, width, height;
  std::vector<uint8_t> indices;
  int disposal;
  int transparent = NO_TRANSPARENT_COLOR;
};

int append_bytes(GifFileType* gif, const GifByteType* data, int count) {
  auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
  out->insert(out->end(), data, data + count);
  return count;
}

// Palette: 0 black, 1 red, 2 green, 3 blue.
std::vector<uint8_t> make_gif(int width, int height, const std::vector<RTestFrame>& frames) {
  std::vector<uint8_t> out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, append_bytes, &error);
  EXPECT_NE(gif, nullptr);
  GifColorType colours[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
  ColorMapObject* map = GifMakeMapObject(4, colours);
  EGifSetGifVersion(gif, true);
  EXPECT_EQ(EGifPutScreenDesc(gif, width, height, 2, 0, map), GIF_OK);
  for (const RTestFrame& frame : frames) {
    GraphicsControlBlock control{frame.disposal, false, 10, frame.transparent};
    GifByteType extension[4];
    EGifGCBToExtension(&control, extension);
    EXPECT_EQ(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension), GIF_OK);
    EXPECT_EQ(
        EGifPutImageDesc(gif, frame.left, frame.top, frame.width, frame.height, false, nullptr),
        GIF_OK);
    std::vector<GifPixelType> row(size_t(frame.width));
    for (int y = 0; y < frame.height; ++y) {
      for (int x = 0; x < frame.width; ++x) {
        row[size_t(x)] = frame.indices[size_t(y * frame.width + x)];
      }
      EXPECT_EQ(EGifPutLine(gif, row.data(), frame.width), GIF_OK);
    }
  }
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return out;
}

constexpr uint32_t kCanvas = 0xFF408000;  // the colour 32832
constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kGreen = 0xFF00FF00;
constexpr uint32_t kBlue = 0xFF0000FF;

TEST(GifFrames, EachFrameAtItsPlaceWithItsDisposal) {
  std::vector<uint8_t> gif =
      make_gif(3, 2,
               {// 2 × 1 at (1, 0), index 0 transparent, kept for the next frame.
                {1, 0, 2, 1, {0, 1}, DISPOSE_DO_NOT, 0},
                // 1 × 1 at (0, 1) over the first; the canvas is cleared after it.
                {0, 1, 1, 1, {2}, DISPOSE_BACKGROUND},
                {2, 1, 1, 1, {3}, DISPOSAL_UNSPECIFIED}});
  std::vector<TBitmap32> frames;
  std::string error;
  ASSERT_TRUE(decode_gif_frames(gif, frames, error)) << error;
  ASSERT_EQ(frames.size(), 3u);
  for (const TBitmap32& frame : frames) {
    EXPECT_EQ(frame.width(), 3);
    EXPECT_EQ(frame.height(), 2);
  }
  EXPECT_EQ(frames[0].image().pixels,
            (std::vector<uint32_t>{kCanvas, kCanvas, kRed, kCanvas, kCanvas, kCanvas}));
  EXPECT_EQ(frames[1].image().pixels,
            (std::vector<uint32_t>{kCanvas, kCanvas, kRed, kGreen, kCanvas, kCanvas}));
  EXPECT_EQ(frames[2].image().pixels,
            (std::vector<uint32_t>{kCanvas, kCanvas, kCanvas, kCanvas, kCanvas, kBlue}));

  // As a plain picture a GIF is its first frame.
  TBitmap32 first;
  ASSERT_TRUE(decode_image_file(gif, first, error)) << error;
  EXPECT_EQ(first.pixel(2, 0), kRed);
  EXPECT_EQ(first.pixel(1, 0), pixel_of_colour(0xFFFFFE));

  // Cut short inside the last frame: the frames before it still count.
  std::vector<uint8_t> cut(gif.begin(), gif.end() - 6);
  EXPECT_TRUE(decode_gif_frames(cut, frames, error));
  std::vector<uint8_t> header_only(gif.begin(), gif.begin() + 13);
  EXPECT_FALSE(decode_gif_frames(header_only, frames, error));

  // A tiny file claiming a huge screen is refused rather than given a huge canvas.
  std::vector<uint8_t> huge = make_gif(65535, 65535, {{0, 0, 1, 1, {1}, DISPOSE_DO_NOT}});
  EXPECT_FALSE(decode_gif_frames(huge, frames, error));
  EXPECT_FALSE(decode_image_file(huge, first, error));
  EXPECT_EQ(first.pixel(2, 0), kRed);
}

TEST(SpriteLoad, GifNameGivesEveryFrameAndIgnoresTheCount) {
  test::ScratchDir dir("sprite_gif");
  std::vector<uint8_t> gif =
      make_gif(2, 1, {{0, 0, 2, 1, {1, 2}, DISPOSE_DO_NOT}, {0, 0, 1, 1, {3}, DISPOSE_DO_NOT}});
  std::string error;
  ASSERT_TRUE(write_file_atomic(dir / "walk.GIF", gif, error)) << error;
  CSprite sprite;
  ASSERT_TRUE(sprite.load_from_image_file(dir / "walk.GIF", 5, false, false, 1, 0));
  ASSERT_EQ(sprite.frames.size(), 2u);
  EXPECT_EQ(sprite.frames[1].pixel(0, 0), kBlue);
  EXPECT_EQ(sprite.frames[1].pixel(1, 0), kGreen);
  EXPECT_EQ(sprite.xorigin, 1);
  ASSERT_EQ(sprite.masks.size(), 1u);
  EXPECT_FALSE(sprite.separate_masks);
}

TEST(SpriteLoad, StripIsCutIntoFramesAndFlagsApplied) {
  test::ScratchDir dir("sprite_strip");
  RImage strip = test::make_image(96, 4, kRed);
  for (int y = 0; y < 4; ++y) strip.at(0, y) = strip.at(40, y) = kGreen;
  strip.at(0, 3) = 0xFFFF00FF;  // the key colour, bottom left
  strip.at(32, 3) = 0xFFFF00FF;
  std::string error;
  ASSERT_TRUE(save_image_file(dir / "strip.png", TBitmap32(strip), error)) << error;

  CSprite three;
  ASSERT_TRUE(three.load_from_image_file(dir / "strip.png", 3, true, false, 16, 2));
  ASSERT_EQ(three.frames.size(), 3u);
  EXPECT_EQ(three.width(), 32);
  EXPECT_EQ(three.frames[1].pixel(8, 0), kGreen);
  // Each frame takes its own bottom-left pixel as the key: frame 0 and 1 lose their
  // magenta corner (taking the colour on its right), frame 2's red corner keys all its
  // red.
  EXPECT_EQ(three.frames[0].pixel(0, 3), 0x00FF0000u);
  EXPECT_EQ(three.frames[1].pixel(0, 3) >> 24, 0u);
  EXPECT_EQ(three.frames[2].pixel(5, 1) >> 24, 0u);
  EXPECT_EQ(three.bounding_box(), (RPixelBox{0, 0, 31, 3}));

  CSprite one;
  ASSERT_TRUE(one.load_from_image_file(dir / "strip.png", 0, false, false, 0, 0));
  ASSERT_EQ(one.frames.size(), 1u);
  EXPECT_EQ(one.width(), 96);

  CSprite missing = three;
  EXPECT_FALSE(missing.load_from_image_file(dir / "none.png", 1, false, false, 0, 0));
  EXPECT_TRUE(missing.frames.empty());
  EXPECT_TRUE(missing.masks.empty());
}

TEST(SpriteLoad, ExportedFilesBuildTheirMasks) {
  CStream inner;
  write_int(inner, 800);
  write_int(inner, 3);  // origin
  write_int(inner, 4);
  write_int(inner, 2);  // frames
  RImage picture = test::make_image(4, 4, 0);
  picture.at(1, 1) = kRed;
  TBitmap32(picture).write(inner);
  picture.at(2, 3) = kBlue;
  TBitmap32(picture).write(inner);
  write_int(inner, kMaskRectangle);
  write_int(inner, 0);      // tolerance
  write_bool(inner, true);  // separate masks
  write_int(inner, kMaskBoxAutomatic);
  for (int side = 0; side < 4; ++side) write_int(inner, 0);
  CStream file;
  write_int(file, kExportedFileMagic);
  write_compressed_block(file, inner.bytes());
  file.rewind();

  CSprite sprite;
  ASSERT_TRUE(sprite.read_exported(file));
  EXPECT_EQ(sprite.xorigin, 3);
  ASSERT_EQ(sprite.masks.size(), 2u);
  EXPECT_EQ(sprite.masks[1].box(), (RPixelBox{1, 1, 2, 3}));
  EXPECT_TRUE(sprite.masks[1].cell(2, 1));
  EXPECT_EQ(sprite.bounding_box(), (RPixelBox{1, 1, 2, 3}));
  // Transparent pixels took the colours of their neighbours.
  EXPECT_EQ(sprite.frames[0].pixel(0, 1), 0x00FF0000u);

  // A wrong leading number, or a block cut short, fails and leaves no frames.
  CStream wrong;
  write_int(wrong, 1234320);
  wrong.rewind();
  EXPECT_FALSE(sprite.read_exported(wrong));
  EXPECT_TRUE(sprite.frames.empty());
  CStream cut;
  write_int(cut, kExportedFileMagic);
  write_compressed_block(cut, std::vector<uint8_t>(inner.bytes().begin(), inner.bytes().end() - 4));
  cut.rewind();
  EXPECT_FALSE(sprite.read_exported(cut));

  CStream background_inner;
  write_int(background_inner, 710);
  write_bool(background_inner, true);
  for (int i = 0; i < 6; ++i) write_int(background_inner, 99);
  TBitmap32(test::make_image(2, 3, kGreen)).write(background_inner);
  CStream background_file;
  write_int(background_file, kExportedFileMagic);
  write_compressed_block(background_file, background_inner.bytes());
  background_file.rewind();
  CBackground background;
  ASSERT_TRUE(background.read_exported(background_file));
  EXPECT_EQ(background.width(), 2);
  EXPECT_EQ(background.height(), 3);
}

TEST(SpriteFrames, AddAppendAlphaAndWrap) {
  CSprite sprite;
  sprite.set_from_image(TBitmap32(test::make_image(2, 2, kRed)), false, false, 1, 1);
  sprite.add_frame(TBitmap32(test::make_image(4, 1, kGreen)), false, false);
  ASSERT_EQ(sprite.frames.size(), 2u);
  EXPECT_EQ(sprite.frames[1].width(), 2);
  EXPECT_EQ(sprite.frames[1].height(), 2);
  sprite.append_frames(sprite);
  EXPECT_EQ(sprite.frames.size(), 4u);
  EXPECT_EQ(sprite.wrap_frame(-1), 3);
  EXPECT_EQ(sprite.wrap_frame(9), 1);

  CSprite mask_source;
  RImage grey = test::make_image(2, 2, 0xFF808080);
  mask_source.set_from_image(TBitmap32(grey), false, false, 0, 0);
  sprite.alpha_from(mask_source);
  for (const TBitmap32& frame : sprite.frames) EXPECT_EQ(frame.pixel(1, 1) >> 24, 128u);

  // The strip keeps each frame's pixels as they are, alpha included.
  CSprite two;
  two.set_from_image(TBitmap32(test::make_image(2, 1, 0x10FF0000)), false, false, 0, 0);
  two.add_frame(TBitmap32(test::make_image(2, 1, kBlue)), false, false);
  TBitmap32 strip = two.strip();
  EXPECT_EQ(strip.image().pixels, (std::vector<uint32_t>{0x10FF0000, 0x10FF0000, kBlue, kBlue}));
  EXPECT_FALSE(CSprite().strip().has_pixels());

  // Saving picks the format by the name, unless PNG is asked for.
  test::ScratchDir dir("sprite_save");
  std::string error;
  ASSERT_TRUE(save_image_file(dir / "a.BMP", strip, error)) << error;
  ASSERT_TRUE(save_png_file(dir / "b.bmp", strip, error)) << error;
  std::vector<uint8_t> bmp, png;
  ASSERT_TRUE(read_file(dir / "a.BMP", bmp, error));
  ASSERT_TRUE(read_file(dir / "b.bmp", png, error));
  EXPECT_EQ(bmp[0], 'B');
  EXPECT_EQ(png[1], 'P');
  TBitmap32 back;
  ASSERT_TRUE(load_image_file(dir / "b.bmp", back, &error)) << error;
  EXPECT_EQ(back, strip);
  EXPECT_FALSE(save_png_file(dir / "c.png", TBitmap32(), error));

  CBackground background;
  background.set_gradient(3, 1, 0x000000, 0x0000FF, false);
  EXPECT_EQ(background.image.pixel(1, 0), 0xFF800000u);  // red is the low byte
  background.set_colour(2, 2, 0xFF0000);
  EXPECT_EQ(background.image.pixel(0, 0), kBlue);
}

}  // namespace
}  // namespace vn
