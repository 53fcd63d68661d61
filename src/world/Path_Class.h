// A path: its control points, how they are joined, and the curve instances follow.
#pragma once

#include <vector>

#include "support/Support_Stream.h"

namespace vn {

struct RPathPoint {
  double x = 0;
  double y = 0;
  double speed = 100;  // percent of the follower's path speed
  bool operator==(const RPathPoint&) const = default;
};

struct RCurvePoint {
  double x = 0;
  double y = 0;
  double speed = 100;
  double distance = 0;  // along the curve from its first point
};

constexpr int kPathStraight = 0;
constexpr int kPathSmooth = 1;
constexpr int kPathMaxPrecision = 8;

class CPath {
 public:
  // The stored fields are kept as read so that a game file survives unpack and pack
  // unchanged; the curve treats any kind but smooth as straight and clamps the
  // precision into 0 … 8. The setters below store the normalised values.
  int kind = kPathStraight;
  bool closed = true;
  int precision = 4;
  std::vector<RPathPoint> points;

  // Outside the list: (0, 0) at speed 100.
  RPathPoint point(int index) const;
  void add_point(double x, double y, double speed) { points.push_back({x, y, speed}); }
  // 0 <= index <= count; any other index changes nothing.
  void insert_point(int index, double x, double y, double speed);
  void change_point(int index, double x, double y, double speed);
  void delete_point(int index);
  void clear_points() { points.clear(); }
  void set_kind(int value) { kind = value == kPathSmooth ? kPathSmooth : kPathStraight; }
  void set_closed(bool value) { closed = value; }
  void set_precision(int value);
  void copy_from(const CPath& other);

  // Whole-path edits. Mirroring, flipping, turning and scaling work about the centre of
  // the box around the defined points.
  void append(const CPath& other);  // may be the path itself
  void reverse();
  void mirror();                // left to right
  void flip();                  // top to bottom
  void rotate(double degrees);  // counter-clockwise as seen on the screen
  void scale(double xscale, double yscale);
  void shift(double dx, double dy);

  // The points actually followed and their total length. Both follow every change of
  // the fields above, however it is made.
  const std::vector<RCurvePoint>& curve() const;
  double length() const;

  // The place at a fraction of the length (clamped to 0 … 1), interpolated between
  // curve points, speed alike. No curve gives (0, 0) at speed 100; a single point or
  // a length of 0 gives the first curve point.
  RPathPoint point_at(double position) const;

  void read(CStream& stream);
  void write(CStream& stream) const;

  bool operator==(const CPath& other) const {
    return kind == other.kind && closed == other.closed && precision == other.precision &&
           points == other.points;
  }

 private:
  struct RDerived {
    bool built = false;
    int kind = 0;
    bool closed = false;
    int precision = 0;
    std::vector<RPathPoint> points;
    std::vector<RCurvePoint> curve;
  };
  const RDerived& derived() const;
  // Derived data is a cache: a copy starts without it.
  struct RCache {
    RDerived value;
    RCache() = default;
    RCache(const RCache&) {}
    RCache& operator=(const RCache&) {
      value = RDerived();
      return *this;
    }
  };
  mutable RCache cache_;
};

// Where a follower stands at a path position: the curve point relative to the curve's
// start, turned by the orientation (degrees) and scaled, from the path's origin.
struct RPathPlace {
  double x = 0;
  double y = 0;
};
RPathPlace place_on_path(const CPath& path, double position, double orientation, double scale,
                         double origin_x, double origin_y);

}  // namespace vn
