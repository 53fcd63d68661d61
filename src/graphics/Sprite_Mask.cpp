#include "graphics/Sprite_Mask.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "support/Support_Record.h"

namespace vn {

constexpr int32_t kMaskVersion = 800;

static bool inside(const RImage& image, int x, int y) {
  return x < image.width && y < image.height;
}

static int alpha(const RImage& image, int x, int y) { return int(image.at(x, y) >> 24); }

void TMask::read(CStream& stream) {
  *this = TMask();
  expect_version(stream, kMaskVersion);
  int32_t w = read_int(stream);
  int32_t h = read_int(stream);
  left = read_int(stream);
  right = read_int(stream);
  bottom = read_int(stream);
  top = read_int(stream);
  if (w < 0 || h < 0) {
    throw DataError("negative mask size");
  }
  int64_t count = int64_t(w) * int64_t(h);
  if (uint64_t(count) > stream.remaining() / 4) {
    throw StreamError("Stream read error");
  }
  width = w;
  height = h;
  cells.resize(size_t(count));
  const uint8_t* data = stream.data() + stream.position();
  for (size_t i = 0; i < cells.size(); ++i) {
    int32_t value;
    std::memcpy(&value, data + 4 * i, 4);
    cells[i] = value > 0 ? 1 : 0;
  }
  stream.skip(cells.size() * 4);
}

void TMask::write(CStream& stream) const {
  write_int(stream, kMaskVersion);
  write_int(stream, width);
  write_int(stream, height);
  write_int(stream, left);
  write_int(stream, right);
  write_int(stream, bottom);
  write_int(stream, top);
  std::vector<int32_t> values(cells.begin(), cells.end());
  stream.write(values.data(), values.size() * 4);
}

TMask TMask::build(const RImage& image, int tolerance, int shape, int box_mode, int left, int top,
                   int right, int bottom) {
  TMask mask;
  mask.width = std::max(0, image.width);
  mask.height = std::max(0, image.height);
  mask.cells.assign(size_t(mask.width) * size_t(mask.height), 0);
  RPixelBox box;
  if (box_mode == kMaskBoxFull) {
    box = {0, 0, image.width - 1, image.height - 1};
  } else if (box_mode == kMaskBoxManual) {
    box = {std::max(left, 0), std::max(top, 0), std::min(right, image.width - 1),
           std::min(bottom, image.height - 1)};
  } else {
    box = alpha_bounding_box(image, tolerance);
  }
  mask.left = box.left;
  mask.top = box.top;
  mask.right = box.right;
  mask.bottom = box.bottom;
  mask.fill(shape, &image, tolerance);
  return mask;
}

void TMask::merge(const TMask& other, int shape) {
  left = std::min(left, other.left);
  top = std::min(top, other.top);
  right = std::max(right, other.right);
  bottom = std::max(bottom, other.bottom);
  if (shape == kMaskRectangle || shape == kMaskEllipse || shape == kMaskDiamond) {
    fill(shape, nullptr, 0);
    return;
  }
  int common_width = std::min(width, other.width);
  int common_height = std::min(height, other.height);
  for (int y = 0; y < common_height; ++y) {
    for (int x = 0; x < common_width; ++x) {
      if (other.cell(x, y)) cells[size_t(y) * size_t(width) + size_t(x)] = 1;
    }
  }
}

void TMask::fill(int shape, const RImage* image, int tolerance) {
  // The centre may fall between pixels; the radii reach the outer edges of the box.
  double cx = (left + right) / 2.0;
  double cy = (top + bottom) / 2.0;
  double rx = cx - left + 0.5;
  double ry = cy - top + 0.5;
  int first_x = std::max(left, 0);
  int last_x = std::min(right, width - 1);
  int first_y = std::max(top, 0);
  int last_y = std::min(bottom, height - 1);
  for (int y = first_y; y <= last_y; ++y) {
    for (int x = first_x; x <= last_x; ++x) {
      bool solid;
      double dx = (x - cx) / rx;
      double dy = (y - cy) / ry;
      switch (shape) {
        case kMaskRectangle:
          solid = true;
          break;
        case kMaskEllipse:
          solid = rx > 0 && ry > 0 && dx * dx + dy * dy < 1;
          break;
        case kMaskDiamond:
          solid = rx > 0 && ry > 0 && std::abs(dx) + std::abs(dy) < 1;
          break;
        default:
          solid = image != nullptr && inside(*image, x, y) && alpha(*image, x, y) > tolerance;
          break;
      }
      cells[size_t(y) * size_t(width) + size_t(x)] = solid ? 1 : 0;
    }
  }
}

}  // namespace vn
