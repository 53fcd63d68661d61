#include <gtest/gtest.h>

#include <cstring>

#include "Test_Games.h"
#include "graphics/Background_Class.h"
#include "graphics/Font_Class.h"
#include "graphics/Sprite_Class.h"
#include "support/Support_Record.h"

namespace vn {
namespace {

int count_ints(const std::vector<uint8_t>& bytes, int32_t value) {
  int count = 0;
  for (size_t i = 0; i + 4 <= bytes.size(); i += 4) {
    int32_t stored;
    std::memcpy(&stored, bytes.data() + i, 4);
    count += stored == value;
  }
  return count;
}

TEST(SpriteRecord, MaskRecordsFollowTheFrames) {
  CSprite none;
  none.separate_masks = true;
  CStream stream;
  none.write(stream);
  // version, origin, count 0, the flag: nothing after it.
  EXPECT_EQ(stream.size(), 20u);
  stream.rewind();
  CSprite read;
  read.read(stream);
  EXPECT_TRUE(read.masks.empty());
  EXPECT_EQ(stream.remaining(), 0u);

  CSprite shared;
  TMask mask;
  mask.width = 1;
  mask.height = 1;
  mask.cells = {1};
  for (int i = 0; i < 3; ++i) shared.frames.emplace_back(test::make_image(1, 1, 0xFFFFFFFF));
  shared.masks = {mask};
  CStream three;
  shared.write(three);
  // Three image records and exactly one mask record carry the version 800 (and the
  // sprite's own version).
  EXPECT_EQ(count_ints(three.bytes(), 800), 1 + 3 + 1);
  three.rewind();
  read.read(three);
  EXPECT_EQ(read, shared);
}

TEST(SpriteRecord, BadImageRecordsLeaveEmptyImages) {
  // Wrong version: the image is empty and nothing more is consumed.
  CStream wrong;
  write_int(wrong, 799);
  wrong.rewind();
  TBitmap32 image(test::make_image(2, 2, 1));
  image.read(wrong);
  EXPECT_EQ(image.width(), 0);
  EXPECT_EQ(wrong.position(), 4u);

  // A pixel block of the wrong size.
  CStream short_block;
  write_int(short_block, 800);
  write_int(short_block, 2);
  write_int(short_block, 2);
  write_raw_block(short_block, std::vector<uint8_t>(15));
  short_block.rewind();
  image.read(short_block);
  EXPECT_EQ(image.width(), 0);
  EXPECT_EQ(short_block.remaining(), 0u);

  // A size with no pixels has no block at all.
  CStream flat;
  TBitmap32(RImage{5, 0, {}}).write(flat);
  EXPECT_EQ(flat.size(), 12u);
}

TEST(SpriteRecord, MaskBoxIsStoredLeftRightBottomTop) {
  TMask mask;
  mask.width = 2;
  mask.height = 1;
  mask.left = 1;
  mask.top = 2;
  mask.right = 3;
  mask.bottom = 4;
  mask.cells = {0, 1};
  CStream stream;
  mask.write(stream);
  stream.seek(12);
  EXPECT_EQ(read_int(stream), 1);
  EXPECT_EQ(read_int(stream), 3);
  EXPECT_EQ(read_int(stream), 4);
  EXPECT_EQ(read_int(stream), 2);
  // Cells are booleans: anything above 0 is set.
  stream.bytes()[28] = 2;
  stream.bytes()[35] = 0x80;  // negative: not set
  stream.rewind();
  TMask read;
  read.read(stream);
  EXPECT_EQ(read.cells, (std::vector<uint8_t>{1, 0}));
}

TEST(SpriteRecord, OtherRecordsCheckTheirVersion) {
  CStream background;
  write_int(background, 800);
  background.rewind();
  CBackground read_background;
  EXPECT_THROW(read_background.read(background), DataError);

  CFont font;
  font.sheet_width = 2;
  font.sheet_height = 2;
  font.sheet = {1, 2, 3};
  CStream stream;
  font.write(stream);
  stream.rewind();
  CFont read_font;
  EXPECT_THROW(read_font.read(stream), DataError);
}

}  // namespace
}  // namespace vn
