#include "graphics/Sprite_Collision.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace vn {

namespace {

enum class Mapping { kUntransformed, kScaled, kRotated };

struct RBox {
  int left;
  int top;
  int right;
  int bottom;
  bool empty() const { return left > right || top > bottom; }
};

RBox intersect(const RBox& a, const RBox& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom)};
}

// Room coordinates beyond int cannot hold a box; clamping keeps the casts defined.
int clamp_to_int(double value) {
  if (std::isnan(value)) return 0;
  return int(std::clamp(value, -2147483648.0, 2147483647.0));
}

// A mapped coordinate names a cell when it lies in [0, size); NaN and infinities (a
// scale of 0) never do.
bool cell_index(double value, int size, int& index) {
  if (!(value >= 0 && value < double(size))) return false;
  index = int(value);
  return true;
}

// One placement made ready for many point tests.
class CProbe {
 public:
  explicit CProbe(const RMaskPlacement& placement)
      : mask_(placement.sprite ? placement.sprite->mask_of_frame(placement.frame) : nullptr),
        x_(placement.x),
        y_(placement.y),
        xscale_(placement.xscale),
        yscale_(placement.yscale),
        box_{placement.left, placement.top, placement.right, placement.bottom} {
    if (mask_) {
      xorigin_ = placement.sprite->xorigin;
      yorigin_ = placement.sprite->yorigin;
    }
    // Whole quarter turns get exact values, so that a sprite turned by 90 degrees
    // covers exactly the cells its picture shows and no neighbour by rounding.
    double turns = placement.angle / 90;
    if (std::isfinite(turns) && turns == std::floor(turns)) {
      static const double cosines[4] = {1, 0, -1, 0};
      int quarter = int(std::fmod(turns, 4.0) + 4) % 4;
      cos_ = cosines[quarter];
      sin_ = -cosines[(quarter + 3) % 4];
    } else {
      double r = -placement.angle * std::numbers::pi / 180;
      cos_ = std::cos(r);
      sin_ = std::sin(r);
    }
  }

  bool usable() const { return mask_ != nullptr && mask_->width > 0 && mask_->height > 0; }
  const RBox& box() const { return box_; }
  bool unscaled() const { return xscale_ == 1 && yscale_ == 1; }
  // Untransformed, room point (X, Y) is cell (X + shift_x, Y + shift_y).
  int64_t shift_x() const { return int64_t(xorigin_) - x_; }
  int64_t shift_y() const { return int64_t(yorigin_) - y_; }

  bool solid_cell(int64_t ix, int64_t iy) const {
    return ix >= 0 && iy >= 0 && ix < mask_->width && iy < mask_->height &&
           mask_->cell(int(ix), int(iy));
  }

  // The room points that can map into the mask at all: the box around the frame's
  // corners placed, scaled and turned, one pixel wider on every side for the rounding.
  RBox extent() const {
    double low_x = INFINITY, high_x = -INFINITY, low_y = INFINITY, high_y = -INFINITY;
    for (int corner = 0; corner < 4; ++corner) {
      double u = ((corner & 1) ? mask_->width : 0) - xorigin_;
      double v = ((corner & 2) ? mask_->height : 0) - yorigin_;
      double dx = cos_ * u * xscale_ - sin_ * v * yscale_;
      double dy = sin_ * u * xscale_ + cos_ * v * yscale_;
      low_x = std::min(low_x, dx);
      high_x = std::max(high_x, dx);
      low_y = std::min(low_y, dy);
      high_y = std::max(high_y, dy);
    }
    if (!std::isfinite(low_x + high_x + low_y + high_y)) return {0, 0, -1, -1};
    return {clamp_to_int(std::floor(x_ + low_x) - 1), clamp_to_int(std::floor(y_ + low_y) - 1),
            clamp_to_int(std::ceil(x_ + high_x) + 1), clamp_to_int(std::ceil(y_ + high_y) + 1)};
  }

  bool solid(double px, double py, Mapping mapping) const {
    double dx = px - x_;
    double dy = py - y_;
    double fx, fy;
    switch (mapping) {
      case Mapping::kUntransformed:
        return solid_cell(int64_t(dx) + xorigin_, int64_t(dy) + yorigin_);
      case Mapping::kScaled:
        fx = std::floor(dx / xscale_ + xorigin_);
        fy = std::floor(dy / yscale_ + yorigin_);
        break;
      default:
        fx = std::floor(xorigin_ + (dx * cos_ + dy * sin_) / xscale_);
        fy = std::floor(yorigin_ + (dy * cos_ - dx * sin_) / yscale_);
        break;
    }
    int ix, iy;
    return cell_index(fx, mask_->width, ix) && cell_index(fy, mask_->height, iy) &&
           mask_->cell(ix, iy);
  }

  // The scaled mapping treats x and y apart: the cell column of every room column of a
  // range, -1 where there is none.
  std::vector<int> columns(int first, int last) const {
    return cells(first, last, x_, xorigin_, xscale_, mask_->width);
  }
  std::vector<int> rows(int first, int last) const {
    return cells(first, last, y_, yorigin_, yscale_, mask_->height);
  }

 private:
  static std::vector<int> cells(int first, int last, int position, int origin, double scale,
                                int size) {
    std::vector<int> out;
    out.reserve(size_t(int64_t(last) - first + 1));
    for (int64_t p = first; p <= last; ++p) {
      int index = -1;
      if (!cell_index(std::floor(double(p - position) / scale + origin), size, index)) index = -1;
      out.push_back(index);
    }
    return out;
  }

  const TMask* mask_;
  int x_;
  int y_;
  int xorigin_ = 0;
  int yorigin_ = 0;
  double xscale_;
  double yscale_;
  double cos_ = 1;
  double sin_ = 0;
  RBox box_;
};

Mapping single_mapping(const RMaskPlacement& placement) {
  return placement.xscale == 1 && placement.yscale == 1 && placement.angle == 0
             ? Mapping::kUntransformed
             : Mapping::kRotated;
}

// Every point of the box within the rectangle, optionally only those of the ellipse
// inscribed in the rectangle.
bool meets_area(const RMaskPlacement& placement, int x1, int y1, int x2, int y2, bool ellipse) {
  CProbe probe(placement);
  if (!probe.usable()) return false;
  RBox rectangle{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
  RBox area = intersect(intersect(probe.box(), probe.extent()), rectangle);
  if (area.empty()) return false;
  Mapping mapping = single_mapping(placement);
  double cx = (double(x1) + x2) / 2;
  double cy = (double(y1) + y2) / 2;
  double rx = (double(x2) - x1) / 2;
  double ry = (double(y2) - y1) / 2;
  for (int64_t x = area.left; x <= area.right; ++x) {
    for (int64_t y = area.top; y <= area.bottom; ++y) {
      if (ellipse) {
        double ex = (double(x) - cx) / rx;
        double ey = (double(y) - cy) / ry;
        if (ex * ex + ey * ey > 1) continue;
      }
      if (probe.solid(double(x), double(y), mapping)) return true;
    }
  }
  return false;
}

}  // namespace

int round_to_pixel(double value) { return clamp_to_int(std::nearbyint(value)); }

RPixelBox placed_box(const CSprite& sprite, double x, double y, double xscale, double yscale,
                     double angle) {
  RPixelBox box = sprite.bounding_box();
  double ox = sprite.xorigin;
  double oy = sprite.yorigin;
  RPixelBox out;
  if (angle == 0) {
    out.left = round_to_pixel((box.left - ox) * xscale + x);
    out.right = round_to_pixel((box.right - ox + 1) * xscale + x - 1);
    out.top = round_to_pixel((box.top - oy) * yscale + y);
    out.bottom = round_to_pixel((box.bottom - oy + 1) * yscale + y - 1);
    if (out.right < out.left) std::swap(out.left, out.right);
    if (out.bottom < out.top) std::swap(out.top, out.bottom);
    return out;
  }
  double x0 = (std::min(box.left, box.right) - ox) * xscale;
  double x1 = (std::max(box.left, box.right) - ox + 1) * xscale - 1;
  double y0 = (std::min(box.top, box.bottom) - oy) * yscale;
  double y1 = (std::max(box.top, box.bottom) - oy + 1) * yscale - 1;
  double r = angle * std::numbers::pi / 180;
  double c = std::cos(r);
  double s = std::sin(r);
  out.left = round_to_pixel(x + std::min(c * x0, c * x1) + std::min(s * y0, s * y1));
  out.right = round_to_pixel(x + std::max(c * x0, c * x1) + std::max(s * y0, s * y1));
  out.top = round_to_pixel(y + std::min(c * y0, c * y1) - std::max(s * x0, s * x1));
  out.bottom = round_to_pixel(y + std::max(c * y0, c * y1) - std::min(s * x0, s * x1));
  return out;
}

RMaskPlacement place_sprite(const CSprite* sprite, double image_index, double x, double y,
                            double xscale, double yscale, double angle) {
  RPixelBox box{0, 0, -1, -1};
  if (sprite) box = placed_box(*sprite, x, y, xscale, yscale, angle);
  return place_sprite(sprite, image_index, x, y, xscale, yscale, angle, box);
}

RMaskPlacement place_sprite(const CSprite* sprite, double image_index, double x, double y,
                            double xscale, double yscale, double angle, const RPixelBox& box) {
  RMaskPlacement placement;
  placement.sprite = sprite;
  double frame = std::floor(image_index);
  placement.frame = std::isfinite(frame) ? clamp_to_int(frame) : 0;
  placement.x = round_to_pixel(x);
  placement.y = round_to_pixel(y);
  placement.xscale = xscale;
  placement.yscale = yscale;
  placement.angle = angle;
  if (sprite) {
    placement.left = box.left;
    placement.top = box.top;
    placement.right = box.right;
    placement.bottom = box.bottom;
  }
  return placement;
}

bool mask_meets_point(const RMaskPlacement& placement, int x, int y) {
  CProbe probe(placement);
  if (!probe.usable()) return false;
  Mapping mapping = placement.angle != 0 ? Mapping::kRotated : Mapping::kScaled;
  return probe.solid(x, y, mapping);
}

bool mask_meets_rectangle(const RMaskPlacement& placement, int x1, int y1, int x2, int y2) {
  return meets_area(placement, x1, y1, x2, y2, false);
}

bool mask_meets_ellipse(const RMaskPlacement& placement, int x1, int y1, int x2, int y2) {
  return meets_area(placement, x1, y1, x2, y2, x1 != x2 && y1 != y2);
}

bool mask_meets_line(const RMaskPlacement& placement, double x1, double y1, double x2, double y2) {
  if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2)) {
    return false;
  }
  if (x1 == x2 || y1 == y2) {
    return mask_meets_rectangle(placement, round_to_pixel(x1), round_to_pixel(y1),
                                round_to_pixel(x2), round_to_pixel(y2));
  }
  CProbe probe(placement);
  if (!probe.usable()) return false;
  RBox box = intersect(probe.box(), probe.extent());
  bool steep = std::abs(x2 - x1) < std::abs(y2 - y1);
  // Walk along the long axis from the end with the smaller coordinate on it.
  double a1 = steep ? y1 : x1, b1 = steep ? x1 : y1;
  double a2 = steep ? y2 : x2, b2 = steep ? x2 : y2;
  if (a2 < a1) {
    std::swap(a1, a2);
    std::swap(b1, b2);
  }
  double slope = (b2 - b1) / (a2 - a1);
  int64_t first = std::max(clamp_to_int(std::floor(a1)), steep ? box.top : box.left);
  int64_t last = std::min(clamp_to_int(std::floor(a2)), steep ? box.bottom : box.right);
  for (int64_t a = first; a <= last; ++a) {
    double b = b1 + (double(a) - a1) * slope;
    double px = steep ? b : double(a);
    double py = steep ? double(a) : b;
    if (probe.solid(px, py, Mapping::kRotated)) return true;
  }
  return false;
}

bool masks_meet(const RMaskPlacement& a, const RMaskPlacement& b) {
  CProbe first(a);
  CProbe second(b);
  if (!first.usable() || !second.usable()) return false;
  RBox area =
      intersect(intersect(first.box(), second.box()), intersect(first.extent(), second.extent()));
  if (area.empty()) return false;
  Mapping mapping = Mapping::kScaled;
  if (a.angle != 0 || b.angle != 0) {
    mapping = Mapping::kRotated;
  } else if (first.unscaled() && second.unscaled()) {
    mapping = Mapping::kUntransformed;
  }

  if (mapping == Mapping::kUntransformed) {
    int64_t ax = first.shift_x(), ay = first.shift_y();
    int64_t bx = second.shift_x(), by = second.shift_y();
    for (int64_t x = area.left; x <= area.right; ++x) {
      for (int64_t y = area.top; y <= area.bottom; ++y) {
        if (first.solid_cell(x + ax, y + ay) && second.solid_cell(x + bx, y + by)) return true;
      }
    }
    return false;
  }
  // Past this many rows or columns the tables below would cost more memory than the
  // walk is worth; such areas (scales in the thousands) are walked point by point.
  constexpr int64_t kMaxTable = int64_t(1) << 16;
  if (mapping == Mapping::kRotated || int64_t(area.right) - area.left >= kMaxTable ||
      int64_t(area.bottom) - area.top >= kMaxTable) {
    for (int64_t x = area.left; x <= area.right; ++x) {
      for (int64_t y = area.top; y <= area.bottom; ++y) {
        if (first.solid(double(x), double(y), mapping) &&
            second.solid(double(x), double(y), mapping)) {
          return true;
        }
      }
    }
    return false;
  }
  // Scaled, a room column maps to one cell column (and a row to one row), so the
  // mapping is done once per column and row instead of once per point.
  std::vector<int> columns_a = first.columns(area.left, area.right);
  std::vector<int> columns_b = second.columns(area.left, area.right);
  std::vector<int> rows_a = first.rows(area.top, area.bottom);
  std::vector<int> rows_b = second.rows(area.top, area.bottom);
  for (size_t i = 0; i < columns_a.size(); ++i) {
    if (columns_a[i] < 0 || columns_b[i] < 0) continue;
    for (size_t j = 0; j < rows_a.size(); ++j) {
      if (rows_a[j] >= 0 && rows_b[j] >= 0 && first.solid_cell(columns_a[i], rows_a[j]) &&
          second.solid_cell(columns_b[i], rows_b[j])) {
        return true;
      }
    }
  }
  return false;
}

}  // namespace vn
