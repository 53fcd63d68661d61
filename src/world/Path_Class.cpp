#include "world/Path_Class.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "support/Support_Record.h"

namespace vn {

constexpr int32_t kPathVersion = 530;

void CPath::read(CStream& stream) {
  *this = CPath();
  expect_version(stream, kPathVersion);
  kind = read_int(stream);
  closed = read_bool(stream);
  precision = read_int(stream);
  points.resize(read_count(stream, 24));
  for (RPathPoint& point : points) {
    point.x = read_real(stream);
    point.y = read_real(stream);
    point.speed = read_real(stream);
  }
}

void CPath::write(CStream& stream) const {
  write_int(stream, kPathVersion);
  write_int(stream, kind);
  write_bool(stream, closed);
  write_int(stream, precision);
  write_int(stream, int32_t(points.size()));
  for (const RPathPoint& point : points) {
    write_real(stream, point.x);
    write_real(stream, point.y);
    write_real(stream, point.speed);
  }
}

RPathPoint CPath::point(int index) const {
  if (index < 0 || size_t(index) >= points.size()) return {};
  return points[size_t(index)];
}

void CPath::insert_point(int index, double x, double y, double speed) {
  if (index < 0 || size_t(index) > points.size()) return;
  points.insert(points.begin() + index, RPathPoint{x, y, speed});
}

void CPath::change_point(int index, double x, double y, double speed) {
  if (index < 0 || size_t(index) >= points.size()) return;
  points[size_t(index)] = {x, y, speed};
}

void CPath::delete_point(int index) {
  if (index < 0 || size_t(index) >= points.size()) return;
  points.erase(points.begin() + index);
}

void CPath::set_precision(int value) { precision = std::clamp(value, 0, kPathMaxPrecision); }

void CPath::copy_from(const CPath& other) {
  kind = other.kind;
  closed = other.closed;
  precision = other.precision;
  points = other.points;
}

void CPath::append(const CPath& other) {
  std::vector<RPathPoint> added = other.points;
  points.insert(points.end(), added.begin(), added.end());
}

void CPath::reverse() { std::reverse(points.begin(), points.end()); }

namespace {

struct RCentre {
  double x = 0;
  double y = 0;
};

RCentre centre_of(const std::vector<RPathPoint>& points) {
  if (points.empty()) return {};
  auto [left, right] =
      std::minmax_element(points.begin(), points.end(),
                          [](const RPathPoint& a, const RPathPoint& b) { return a.x < b.x; });
  auto [top, bottom] =
      std::minmax_element(points.begin(), points.end(),
                          [](const RPathPoint& a, const RPathPoint& b) { return a.y < b.y; });
  return {(left->x + right->x) / 2, (top->y + bottom->y) / 2};
}

}  // namespace

void CPath::mirror() {
  RCentre centre = centre_of(points);
  for (RPathPoint& point : points) point.x = 2 * centre.x - point.x;
}

void CPath::flip() {
  RCentre centre = centre_of(points);
  for (RPathPoint& point : points) point.y = 2 * centre.y - point.y;
}

void CPath::rotate(double degrees) {
  RCentre centre = centre_of(points);
  double angle = degrees * std::numbers::pi / 180;
  double c = std::cos(angle);
  double s = std::sin(angle);
  for (RPathPoint& point : points) {
    double dx = point.x - centre.x;
    double dy = point.y - centre.y;
    // The screen's y grows downwards, so counter-clockwise takes +x towards -y.
    point.x = centre.x + c * dx + s * dy;
    point.y = centre.y - s * dx + c * dy;
  }
}

void CPath::scale(double xscale, double yscale) {
  RCentre centre = centre_of(points);
  for (RPathPoint& point : points) {
    point.x = centre.x + (point.x - centre.x) * xscale;
    point.y = centre.y + (point.y - centre.y) * yscale;
  }
}

void CPath::shift(double dx, double dy) {
  for (RPathPoint& point : points) {
    point.x += dx;
    point.y += dy;
  }
}

namespace {

RPathPoint middle(const RPathPoint& a, const RPathPoint& b) {
  return {(a.x + b.x) / 2, (a.y + b.y) / 2, (a.speed + b.speed) / 2};
}

double squared_distance(const RPathPoint& a, const RPathPoint& b) {
  return (a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y);
}

// The quadratic piece from a to b with control c, split at its middle; halves longer
// than 4 pixels are split again while depth remains.
void subdivide(std::vector<RPathPoint>& out, const RPathPoint& a, const RPathPoint& b,
               const RPathPoint& c, int depth) {
  if (depth <= 0) return;
  RPathPoint q{(a.x + 2 * c.x + b.x) / 4, (a.y + 2 * c.y + b.y) / 4,
               (a.speed + 2 * c.speed + b.speed) / 4};
  if (squared_distance(a, q) > 16) subdivide(out, a, q, middle(a, c), depth - 1);
  out.push_back(q);
  if (squared_distance(q, b) > 16) subdivide(out, q, b, middle(c, b), depth - 1);
}

std::vector<RPathPoint> smooth_curve(const std::vector<RPathPoint>& points, bool closed,
                                     int precision) {
  std::vector<RPathPoint> out;
  size_t n = points.size();
  if (n < 1) return out;
  if (!closed) out.push_back(points.front());
  size_t pieces = closed ? n : (n >= 3 ? n - 2 : 0);
  for (size_t i = 0; i < pieces; ++i) {
    const RPathPoint& p0 = points[i % n];
    const RPathPoint& p1 = points[(i + 1) % n];
    const RPathPoint& p2 = points[(i + 2) % n];
    subdivide(out, middle(p0, p1), middle(p1, p2), p1, precision);
  }
  if (closed) {
    if (!out.empty()) out.push_back(out.front());
  } else {
    out.push_back(points.back());
  }
  return out;
}

}  // namespace

const CPath::RDerived& CPath::derived() const {
  RDerived& d = cache_.value;
  // Comparing the points costs less than any use of the curve, and catches changes
  // made straight to the fields.
  if (d.built && d.kind == kind && d.closed == closed && d.precision == precision &&
      d.points == points) {
    return d;
  }
  d.built = true;
  d.kind = kind;
  d.closed = closed;
  d.precision = precision;
  d.points = points;
  std::vector<RPathPoint> followed;
  if (kind == kPathSmooth) {
    followed = smooth_curve(points, closed, std::clamp(precision, 0, kPathMaxPrecision));
  } else {
    followed = points;
    if (closed && !points.empty()) followed.push_back(points.front());
  }
  d.curve.clear();
  d.curve.reserve(followed.size());
  double distance = 0;
  for (size_t i = 0; i < followed.size(); ++i) {
    if (i > 0) {
      distance += std::sqrt(squared_distance(followed[i - 1], followed[i]));
    }
    d.curve.push_back({followed[i].x, followed[i].y, followed[i].speed, distance});
  }
  return d;
}

const std::vector<RCurvePoint>& CPath::curve() const { return derived().curve; }

double CPath::length() const {
  const std::vector<RCurvePoint>& c = curve();
  return c.empty() ? 0 : c.back().distance;
}

RPathPoint CPath::point_at(double position) const {
  const std::vector<RCurvePoint>& c = curve();
  if (c.empty()) return {};
  auto plain = [](const RCurvePoint& p) { return RPathPoint{p.x, p.y, p.speed}; };
  double total = c.back().distance;
  // NaN counts as the start.
  if (c.size() == 1 || total == 0 || !(position > 0)) return plain(c.front());
  if (position >= 1) return plain(c.back());
  double d = position * total;
  size_t i = 0;
  while (i + 2 < c.size() && c[i + 1].distance <= d) ++i;
  const RCurvePoint& a = c[i];
  const RCurvePoint& b = c[i + 1];
  if (b.distance == a.distance) return plain(a);
  double t = (d - a.distance) / (b.distance - a.distance);
  return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.speed + (b.speed - a.speed) * t};
}

RPathPlace place_on_path(const CPath& path, double position, double orientation, double scale,
                         double origin_x, double origin_y) {
  RPathPoint here = path.point_at(position);
  RPathPoint start = path.point_at(0);
  double px = here.x - start.x;
  double py = here.y - start.y;
  double a = orientation * std::numbers::pi / 180;
  double c = std::cos(a);
  double s = std::sin(a);
  return {(c * px + s * py) * scale + origin_x, (c * py - s * px) * scale + origin_y};
}

}  // namespace vn
