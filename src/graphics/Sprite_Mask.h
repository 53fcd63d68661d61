// A collision mask: one cell per pixel and its bounding box.
#pragma once

#include <cstdint>
#include <vector>

#include "graphics/BM32_Class.h"
#include "support/Support_Stream.h"

namespace vn {

enum MaskShape { kMaskPrecise = 0, kMaskRectangle = 1, kMaskEllipse = 2, kMaskDiamond = 3 };
enum MaskBoxMode { kMaskBoxAutomatic = 0, kMaskBoxFull = 1, kMaskBoxManual = 2 };

class TMask {
 public:
  int width = 0;
  int height = 0;
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  std::vector<uint8_t> cells;  // height rows of width cells, 1 = in the mask

  bool cell(int x, int y) const { return cells[size_t(y) * size_t(width) + size_t(x)] != 0; }
  RPixelBox box() const { return {left, top, right, bottom}; }

  // A mask as large as the image. Only cells inside the box are set: the automatic
  // box holds the pixels with alpha above the tolerance, the full box is the whole
  // image, a manual box is the given one cut to the image. Precise sets the pixels
  // with alpha above the tolerance; rectangle, ellipse and diamond fill that shape
  // into the box. Unknown shapes are precise, unknown box modes automatic.
  static TMask build(const RImage& image, int tolerance, int shape, int box_mode, int left, int top,
                     int right, int bottom);
  // Joins the mask of another frame built with the same settings: the box becomes the
  // union of both; precise masks OR their cells over the common size, the other shapes
  // are filled again over the joined box.
  void merge(const TMask& other, int shape);

  // Mask record: version 800, width, height, the box as left, right, bottom, top,
  // then height × width booleans row by row from the top.
  void read(CStream& stream);
  void write(CStream& stream) const;

  bool operator==(const TMask&) const = default;

 private:
  // Sets every cell of the box (cut to the mask) to the shape's test; the precise test
  // reads the image.
  void fill(int shape, const RImage* image, int tolerance);
};

}  // namespace vn
