// A collision mask: one cell per pixel and its bounding box.
#pragma once

#include <cstdint>
#include <vector>

#include "support/Support_Stream.h"

namespace vn {

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

  // Mask record: version 800, width, height, the box as left, right, bottom, top,
  // then height × width booleans row by row from the top.
  void read(CStream& stream);
  void write(CStream& stream) const;

  bool operator==(const TMask&) const = default;
};

}  // namespace vn
