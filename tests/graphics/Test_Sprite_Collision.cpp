#include <gtest/gtest.h>

#include "Test_Games.h"
#include "graphics/Sprite_Collision.h"

namespace vn {
namespace {

// A one-frame sprite from rows of '#' (opaque) and '.', with a precise mask.
CSprite sprite_of(const std::vector<std::string>& rows, int xorigin = 0, int yorigin = 0) {
  RImage image = test::make_image(int(rows[0].size()), int(rows.size()), 0);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      if (rows[size_t(y)][size_t(x)] == '#') image.at(x, y) = 0xFFFFFFFF;
    }
  }
  CSprite sprite;
  sprite.set_from_image(TBitmap32(image), false, false, xorigin, yorigin);
  return sprite;
}

RMaskPlacement at(const CSprite& sprite, double x, double y, double xscale = 1, double yscale = 1,
                  double angle = 0, double image_index = 0) {
  return place_sprite(&sprite, image_index, x, y, xscale, yscale, angle);
}

TEST(SpriteCollision, SinglePixelsMeetOnlyAtTheSameRoundedPlace) {
  CSprite dot = sprite_of({"#"});
  EXPECT_TRUE(masks_meet(at(dot, 5, 5), at(dot, 5.4, 4.6)));
  EXPECT_FALSE(masks_meet(at(dot, 5, 5), at(dot, 6, 5)));
  EXPECT_FALSE(masks_meet(at(dot, 5, 5), at(dot, 5, 4)));
  // Ties round to even: 6.5 lies at 6.
  EXPECT_TRUE(masks_meet(at(dot, 6, 5), at(dot, 6.5, 5)));

  CSprite empty;
  RMaskPlacement none = place_sprite(&empty, 0, 5, 5, 1, 1, 0);
  EXPECT_FALSE(masks_meet(at(dot, 5, 5), none));
  EXPECT_FALSE(mask_meets_point(none, 5, 5));
  EXPECT_FALSE(mask_meets_point(place_sprite(nullptr, 0, 5, 5, 1, 1, 0), 5, 5));

  // A fully transparent frame has no solid cell: nothing ever meets it.
  CSprite clear = sprite_of({"...", "..."});
  EXPECT_FALSE(masks_meet(at(clear, 5, 5), at(clear, 5, 5)));
  EXPECT_FALSE(mask_meets_rectangle(at(clear, 5, 5), 0, 0, 20, 20));
}

TEST(SpriteCollision, QuarterTurnCoversTheTurnedPicture) {
  // A bar four pixels long, origin at its left end, turned 90 degrees counter-clockwise:
  // it points up from the origin.
  CSprite bar = sprite_of({"####"});
  RMaskPlacement turned = at(bar, 10, 10, 1, 1, 90);
  EXPECT_EQ((RPixelBox{turned.left, turned.top, turned.right, turned.bottom}),
            (RPixelBox{10, 7, 10, 10}));
  for (int y = 7; y <= 10; ++y) EXPECT_TRUE(mask_meets_point(turned, 10, y)) << y;
  EXPECT_FALSE(mask_meets_point(turned, 11, 10));
  EXPECT_FALSE(mask_meets_point(turned, 10, 6));

  CSprite dot = sprite_of({"#"});
  EXPECT_TRUE(masks_meet(turned, at(dot, 10, 8)));
  // Where the unturned bar would lie there is nothing.
  EXPECT_FALSE(masks_meet(turned, at(dot, 12, 10)));
  EXPECT_TRUE(masks_meet(at(bar, 10, 10), at(dot, 12, 10)));

  // Half a turn: the bar points left; 270 points down.
  EXPECT_TRUE(mask_meets_point(at(bar, 10, 10, 1, 1, 180), 7, 10));
  EXPECT_TRUE(mask_meets_point(at(bar, 10, 10, 1, 1, -90), 10, 13));
  EXPECT_FALSE(mask_meets_point(at(bar, 10, 10, 1, 1, 270), 10, 7));
}

TEST(SpriteCollision, ScalesStretchAndMirror) {
  CSprite corner = sprite_of({"..", ".#"});
  // Twice as wide: the solid cell covers room columns 12 and 13.
  RMaskPlacement wide = at(corner, 10, 10, 2, 1);
  EXPECT_TRUE(mask_meets_point(wide, 12, 11));
  EXPECT_TRUE(mask_meets_point(wide, 13, 11));
  EXPECT_FALSE(mask_meets_point(wide, 11, 11));
  EXPECT_FALSE(mask_meets_point(wide, 14, 11));
  // Mirrored: the cell lies left of the position.
  RMaskPlacement mirrored = at(corner, 10, 10, -1, 1);
  EXPECT_EQ(mirrored.left, 7);
  EXPECT_EQ(mirrored.right, 9);
  EXPECT_TRUE(mask_meets_point(mirrored, 9, 11));
  EXPECT_FALSE(mask_meets_point(mirrored, 10, 11));

  CSprite dot = sprite_of({"#"});
  EXPECT_TRUE(masks_meet(wide, at(dot, 13, 11)));
  EXPECT_FALSE(masks_meet(wide, at(dot, 11, 11)));
  // Scaled against scaled: both by 3, the dot's 3 × 3 block touches the corner's.
  RMaskPlacement big_corner = at(corner, 0, 0, 3, 3);
  EXPECT_TRUE(masks_meet(big_corner, at(dot, 5, 5, 3, 3)));
  EXPECT_FALSE(masks_meet(big_corner, at(dot, 6, 0, 3, 3)));
  // Huge scales are walked without building tables.
  EXPECT_TRUE(masks_meet(at(dot, 0, 0, 1e6, 1e6), at(dot, 3, 3, 1e6, 2e6)));
  // A scale of 0 shows nothing and must not fail.
  EXPECT_FALSE(mask_meets_point(at(dot, 5, 5, 0, 1), 5, 5));
}

TEST(SpriteCollision, RoomBoxesUnderScaleAndRotation) {
  CSprite block = sprite_of({"####", "####"}, 2, 1);
  RPixelBox plain = placed_box(block, 10, 10, 1, 1, 0);
  EXPECT_EQ(plain, (RPixelBox{8, 9, 11, 10}));
  EXPECT_EQ(placed_box(block, 10, 10, 2, -1, 0), (RPixelBox{6, 8, 13, 11}));
  // A quarter turn swaps width and height about the origin.
  EXPECT_EQ(placed_box(block, 10, 10, 1, 1, 90), (RPixelBox{9, 9, 10, 12}));
  // 45 degrees: the box holds the turned corners.
  RPixelBox diagonal = placed_box(block, 0, 0, 1, 1, 45);
  EXPECT_EQ(diagonal, (RPixelBox{-2, -1, 1, 1}));

  // A separate-mask sprite's frame is taken from the image index, wrapped.
  CSprite frames = sprite_of({"#."});
  frames.add_frame(TBitmap32(test::make_image(2, 1, 0)), false, false);
  frames.frames[1].image().at(1, 0) = 0xFFFFFFFF;
  frames.set_masks(true, kMaskBoxFull, 0, kMaskPrecise, 0, 0, 0, 0);
  EXPECT_TRUE(mask_meets_point(at(frames, 0, 0, 1, 1, 0, -1.5), 0, 0));
  EXPECT_TRUE(mask_meets_point(at(frames, 0, 0, 1, 1, 0, -1), 1, 0));
  EXPECT_TRUE(mask_meets_point(at(frames, 0, 0, 1, 1, 0, 1.9), 1, 0));
  EXPECT_FALSE(mask_meets_point(at(frames, 0, 0, 1, 1, 0, 1.9), 0, 0));
}

TEST(SpriteCollision, RectanglesAndEllipses) {
  CSprite square = sprite_of({"#####", "#####", "#####", "#####", "#####"});
  RMaskPlacement placed = at(square, 10, 10);
  EXPECT_TRUE(mask_meets_rectangle(placed, 14, 14, 30, 30));
  EXPECT_TRUE(mask_meets_rectangle(placed, 30, 30, 14, 14));  // corners in any order
  EXPECT_FALSE(mask_meets_rectangle(placed, 15, 0, 30, 30));
  // The ellipse in (6, 6)-(10, 10) has its centre at (8, 8): the corner (10, 10) of the
  // square is outside it though the rectangle holds it.
  EXPECT_TRUE(mask_meets_rectangle(placed, 6, 6, 10, 10));
  EXPECT_FALSE(mask_meets_ellipse(placed, 6, 6, 10, 10));
  EXPECT_TRUE(mask_meets_ellipse(placed, 6, 8, 10, 12));
  // Flat ellipses are rectangles.
  EXPECT_TRUE(mask_meets_ellipse(placed, 0, 10, 10, 10));

  // Rotated, the rectangle test follows the turned picture.
  CSprite bar = sprite_of({"####"});
  EXPECT_TRUE(mask_meets_rectangle(at(bar, 10, 10, 1, 1, 90), 9, 6, 11, 7));
  EXPECT_FALSE(mask_meets_rectangle(at(bar, 10, 10, 1, 1, 90), 11, 9, 14, 11));
}

TEST(SpriteCollision, LinesWalkTheLongAxis) {
  CSprite ring = sprite_of({"...", ".#.", "..."});
  RMaskPlacement placed = at(ring, 10, 10);
  EXPECT_TRUE(mask_meets_line(placed, 0, 0, 20, 20));
  EXPECT_TRUE(mask_meets_line(placed, 20, 20, 0, 0));
  EXPECT_FALSE(mask_meets_line(placed, 0, 2, 20, 22));
  // Steep: walked row by row, x = 11 + row / 30 stays in column 11.
  EXPECT_TRUE(mask_meets_line(placed, 11, 0, 12, 30));
  EXPECT_FALSE(mask_meets_line(placed, 12, 0, 13, 30));
  // Horizontal and vertical lines are rectangles.
  EXPECT_TRUE(mask_meets_line(placed, 0, 11, 20, 11));
  EXPECT_FALSE(mask_meets_line(placed, 0, 12, 20, 12));
  EXPECT_TRUE(mask_meets_line(placed, 11, 30, 11, 0));
  // A line that ends before the box.
  EXPECT_FALSE(mask_meets_line(placed, 0, 0, 9, 9));
  EXPECT_FALSE(mask_meets_line(placed, 0, 0, NAN, 20));
  // Ends far beyond any integer still give the points near the mask.
  EXPECT_TRUE(mask_meets_line(placed, -1e300, 11.2, 1e300, 11.4));

  CSprite bar = sprite_of({"####"});
  EXPECT_TRUE(mask_meets_line(at(bar, 10, 10, 1, 1, 90), 5, 3, 15, 13));
  EXPECT_FALSE(mask_meets_line(at(bar, 10, 10, 1, 1, 90), 11, 9, 15, 13));
}

}  // namespace
}  // namespace vn
