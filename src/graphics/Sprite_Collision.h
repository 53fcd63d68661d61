// Pixel-exact collision tests of sprite masks placed in the room.
#pragma once

#include "graphics/Sprite_Class.h"

namespace vn {

// Where an instance's mask lies, as the world hands it over: the sprite that gives the
// mask, the frame (the whole part of the image index, wrapped here), the position
// rounded to integers, the scales and the angle in degrees, and the instance's room
// bounding box (inclusive). The sprite's origin is the point of the frame placed at
// the position.
struct RMaskPlacement {
  const CSprite* sprite = nullptr;
  int frame = 0;
  int x = 0;
  int y = 0;
  double xscale = 1;
  double yscale = 1;
  double angle = 0;
  int left = 0;
  int top = 0;
  int right = -1;
  int bottom = -1;
};

// A room coordinate as a pixel: half to even, as the language rounds, held at the integer
// range (NaN gives 0).
int round_to_pixel(double value);

// The room box of a sprite's box placed at (x, y) with the scales and the angle
// (degrees), each side rounded to the nearest integer, ties to even. Without rotation
// the box scales about the origin, one pixel wide per unit, its sides swapped when a
// scale is negative; with rotation it takes the extremes of the turned box.
RPixelBox placed_box(const CSprite& sprite, double x, double y, double xscale, double yscale,
                     double angle);
// The placement of a sprite's mask as an instance gives it: the frame is the whole part
// of the image index, the position is rounded, the box is placed_box.
RMaskPlacement place_sprite(const CSprite* sprite, double image_index, double x, double y,
                            double xscale, double yscale, double angle);
// The same with the box already known (an instance keeps it).
RMaskPlacement place_sprite(const CSprite* sprite, double image_index, double x, double y,
                            double xscale, double yscale, double angle, const RPixelBox& box);

// A room point (X, Y) is mapped into the frame, (ox, oy) being the origin:
// - untransformed: (X - x + ox, Y - y + oy);
// - scaled: (floor((X - x) / xscale + ox), floor((Y - y) / yscale + oy));
// - rotated, with r = -angle in radians and (dx, dy) = (X - x, Y - y):
//   (floor(ox + (dx cos r + dy sin r) / xscale), floor(oy + (dy cos r - dx sin r) / yscale)).
// The point is solid when that cell lies in the mask and is set. A placement whose
// sprite is missing or has no frames is never solid.

// The point alone: rotated mapping when there is an angle, else scaled.
bool mask_meets_point(const RMaskPlacement& placement, int x, int y);
// Some point of the box within the rectangle (corners in any order) is solid: the
// untransformed mapping when both scales are 1 and there is no angle, else rotated.
bool mask_meets_rectangle(const RMaskPlacement& placement, int x1, int y1, int x2, int y2);
// As the rectangle, counting only the points of the ellipse inscribed in it:
// ((X - cx) / rx)² + ((Y - cy) / ry)² <= 1 with the centre and half sizes of the
// rectangle. A rectangle flat in either direction is tested as a rectangle.
bool mask_meets_ellipse(const RMaskPlacement& placement, int x1, int y1, int x2, int y2);
// A horizontal or vertical segment is tested as the rectangle it spans (corners
// rounded). A steeper one is walked one room row at a time over the rows it shares with
// the box, a flatter one column by column; every point visited uses the rotated
// mapping.
bool mask_meets_line(const RMaskPlacement& placement, double x1, double y1, double x2, double y2);
// Two placements meet when some room point of both boxes is solid in both masks. One
// mapping serves both: untransformed when all scales are 1 and neither has an angle,
// rotated when either has an angle, else scaled. Points are visited x outermost.
bool masks_meet(const RMaskPlacement& a, const RMaskPlacement& b);

}  // namespace vn
