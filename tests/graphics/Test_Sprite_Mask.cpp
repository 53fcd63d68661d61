#include <gtest/gtest.h>

#include "Test_Games.h"
#include "graphics/Sprite_Class.h"
#include "graphics/Sprite_Mask.h"

namespace vn {
namespace {

// The cells as rows of '#' (solid) and '.', top row first.
std::vector<std::string> rows(const TMask& mask) {
  std::vector<std::string> out;
  for (int y = 0; y < mask.height; ++y) {
    std::string row;
    for (int x = 0; x < mask.width; ++x) row += mask.cell(x, y) ? '#' : '.';
    out.push_back(row);
  }
  return out;
}

// A picture from rows of alpha digits: '0' transparent ... '9' opaque, '.' transparent.
RImage picture(const std::vector<std::string>& alpha_rows) {
  RImage image = test::make_image(int(alpha_rows[0].size()), int(alpha_rows.size()), 0);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      char c = alpha_rows[size_t(y)][size_t(x)];
      uint32_t alpha = c == '.' ? 0 : c == '9' ? 255 : uint32_t(c - '0') * 28;
      image.at(x, y) = alpha << 24 | 0x123456;
    }
  }
  return image;
}

TEST(MaskBuild, ShapesOnAFiveByFiveBox) {
  RImage solid = test::make_image(5, 5, 0xFF000000);
  TMask ellipse = TMask::build(solid, 0, kMaskEllipse, kMaskBoxFull, 0, 0, 0, 0);
  // Centre (2, 2), radius 2.5: the corners stay out, the middle row is solid.
  EXPECT_EQ(rows(ellipse), (std::vector<std::string>{".###.", "#####", "#####", "#####", ".###."}));
  EXPECT_EQ(ellipse.box(), (RPixelBox{0, 0, 4, 4}));

  TMask diamond = TMask::build(solid, 0, kMaskDiamond, kMaskBoxFull, 0, 0, 0, 0);
  EXPECT_EQ(rows(diamond), (std::vector<std::string>{"..#..", ".###.", "#####", ".###.", "..#.."}));

  // Shapes fill their box whatever the pixels are.
  RImage clear = test::make_image(5, 5, 0);
  TMask rectangle = TMask::build(clear, 0, kMaskRectangle, kMaskBoxManual, 1, 1, 3, 2);
  EXPECT_EQ(rows(rectangle),
            (std::vector<std::string>{".....", ".###.", ".###.", ".....", "....."}));
}

TEST(MaskBuild, EllipseOnAnEvenBoxIsSymmetric) {
  TMask mask =
      TMask::build(test::make_image(4, 2, 0xFF000000), 0, kMaskEllipse, kMaskBoxFull, 0, 0, 0, 0);
  // Centre (1.5, 0.5), radii 2 and 1.
  EXPECT_EQ(rows(mask), (std::vector<std::string>{"####", "####"}));
  TMask square =
      TMask::build(test::make_image(4, 4, 0xFF000000), 0, kMaskEllipse, kMaskBoxFull, 0, 0, 0, 0);
  EXPECT_EQ(rows(square), (std::vector<std::string>{".##.", "####", "####", ".##."}));
}

TEST(MaskBuild, PreciseFollowsTheTolerance) {
  RImage image = picture({"....", ".39.", "..5.", "...."});
  TMask low = TMask::build(image, 0, kMaskPrecise, kMaskBoxAutomatic, 0, 0, 0, 0);
  EXPECT_EQ(rows(low), (std::vector<std::string>{"....", ".##.", "..#.", "...."}));
  EXPECT_EQ(low.box(), (RPixelBox{1, 1, 2, 2}));
  // Alpha 84 and 140 are not above 140: only the opaque pixel stays.
  TMask high = TMask::build(image, 140, kMaskPrecise, kMaskBoxAutomatic, 0, 0, 0, 0);
  EXPECT_EQ(rows(high), (std::vector<std::string>{"....", "..#.", "....", "...."}));
  EXPECT_EQ(high.box(), (RPixelBox{2, 1, 2, 1}));
  // The full box holds the whole image; precise cells are the same.
  TMask full = TMask::build(image, 0, kMaskPrecise, kMaskBoxFull, 0, 0, 0, 0);
  EXPECT_EQ(full.box(), (RPixelBox{0, 0, 3, 3}));
  EXPECT_EQ(full.cells, low.cells);
}

TEST(MaskBuild, ManualBoxIsCutToTheImageAndLimitsTheCells) {
  RImage image = test::make_image(4, 3, 0xFF000000);
  TMask mask = TMask::build(image, 0, kMaskPrecise, kMaskBoxManual, -5, 1, 10, 9);
  EXPECT_EQ(mask.box(), (RPixelBox{0, 1, 3, 2}));
  EXPECT_EQ(rows(mask), (std::vector<std::string>{"....", "####", "####"}));
  TMask rectangle = TMask::build(image, 0, kMaskRectangle, kMaskBoxManual, 2, -1, 2, 0);
  EXPECT_EQ(rows(rectangle), (std::vector<std::string>{"..#.", "....", "...."}));
}

TEST(MaskBuild, TransparentFrameWithAutomaticBoxHasNoSolidCells) {
  RImage clear = test::make_image(6, 4, 0x00FFFFFF);
  EXPECT_EQ(alpha_bounding_box(clear, 0), (RPixelBox{5, 3, 0, 0}));
  for (int shape : {kMaskPrecise, kMaskRectangle, kMaskEllipse, kMaskDiamond}) {
    TMask mask = TMask::build(clear, 0, shape, kMaskBoxAutomatic, 0, 0, 0, 0);
    EXPECT_EQ(mask.width, 6);
    EXPECT_EQ(mask.height, 4);
    EXPECT_EQ(mask.box(), (RPixelBox{5, 3, 0, 0})) << shape;
    EXPECT_EQ(std::count(mask.cells.begin(), mask.cells.end(), 1), 0) << shape;
  }
  TMask empty = TMask::build(RImage(), 0, kMaskRectangle, kMaskBoxFull, 0, 0, 0, 0);
  EXPECT_TRUE(empty.cells.empty());
}

TEST(SpriteMasks, SharedPreciseMaskIsTheUnionOfTheFrames) {
  CSprite sprite;
  sprite.frames = {TBitmap32(picture({"9...", "....", "...."})),
                   TBitmap32(picture({"....", "....", "..9."}))};
  sprite.set_masks(false, kMaskBoxAutomatic, 0, kMaskPrecise, 0, 0, 0, 0);
  ASSERT_EQ(sprite.masks.size(), 1u);
  EXPECT_FALSE(sprite.separate_masks);
  EXPECT_EQ(rows(sprite.masks[0]), (std::vector<std::string>{"#...", "....", "..#."}));
  EXPECT_EQ(sprite.bounding_box(), (RPixelBox{0, 0, 2, 2}));
}

TEST(SpriteMasks, SharedShapeMaskIsFilledAgainOverTheJoinedBox) {
  CSprite sprite;
  sprite.frames = {TBitmap32(picture({"9....", ".....", "....."})),
                   TBitmap32(picture({".....", ".....", "...9."}))};
  sprite.set_masks(false, kMaskBoxAutomatic, 0, kMaskRectangle, 0, 0, 0, 0);
  EXPECT_EQ(rows(sprite.masks[0]), (std::vector<std::string>{"####.", "####.", "####."}));

  // An ellipse over a wide frame and a tall one: the joined box's ellipse replaces both.
  sprite.frames = {TBitmap32(picture({".....", "99999", "....."})),
                   TBitmap32(picture({"..9..", "..9..", "..9.."}))};
  sprite.set_masks(false, kMaskBoxAutomatic, 0, kMaskEllipse, 0, 0, 0, 0);
  EXPECT_EQ(sprite.masks[0].box(), (RPixelBox{0, 0, 4, 2}));
  EXPECT_EQ(rows(sprite.masks[0]), (std::vector<std::string>{".###.", "#####", ".###."}));
}

TEST(SpriteMasks, MergingKeepsTheFirstSizeAndCutsTheFill) {
  CSprite sprite;
  sprite.frames = {TBitmap32(picture({"9.", ".."})), TBitmap32(picture({"...", "...", "..9"}))};
  sprite.set_masks(false, kMaskBoxAutomatic, 0, kMaskRectangle, 0, 0, 0, 0);
  EXPECT_EQ(sprite.masks[0].width, 2);
  EXPECT_EQ(sprite.masks[0].box(), (RPixelBox{0, 0, 2, 2}));
  EXPECT_EQ(rows(sprite.masks[0]), (std::vector<std::string>{"##", "##"}));
  sprite.set_masks(false, kMaskBoxAutomatic, 0, kMaskPrecise, 0, 0, 0, 0);
  EXPECT_EQ(rows(sprite.masks[0]), (std::vector<std::string>{"#.", ".."}));
}

TEST(SpriteMasks, SeparateMasksAndTheSpriteBox) {
  CSprite sprite;
  sprite.frames = {TBitmap32(picture({"....", ".9..", "...."})),
                   TBitmap32(picture({"....", "....", "...9"})),
                   TBitmap32(picture({"....", "....", "...."}))};
  sprite.set_masks(true, kMaskBoxAutomatic, 0, kMaskPrecise, 0, 0, 0, 0);
  ASSERT_EQ(sprite.masks.size(), 3u);
  EXPECT_TRUE(sprite.separate_masks);
  EXPECT_EQ(sprite.masks[0].box(), (RPixelBox{1, 1, 1, 1}));
  EXPECT_EQ(sprite.masks[1].box(), (RPixelBox{3, 2, 3, 2}));
  EXPECT_EQ(sprite.masks[2].box(), (RPixelBox{3, 2, 0, 0}));
  EXPECT_EQ(sprite.bounding_box(), (RPixelBox{1, 1, 3, 2}));

  CSprite none;
  none.set_masks(true, kMaskBoxFull, 0, kMaskRectangle, 0, 0, 0, 0);
  EXPECT_TRUE(none.masks.empty());
  EXPECT_EQ(none.bounding_box(), (RPixelBox{0, 0, 0, 0}));
}

}  // namespace
}  // namespace vn
