#include <gtest/gtest.h>

#include <cmath>

#include "world/Path_Class.h"

namespace vn {
namespace {

CPath path_of(std::vector<RPathPoint> points, int kind, bool closed) {
  CPath path;
  path.points = std::move(points);
  path.kind = kind;
  path.closed = closed;
  return path;
}

TEST(PathCurve, ClosedStraightPathLengthAndPositions) {
  CPath path = path_of({{0, 0, 100}, {100, 0, 50}, {100, 100, 100}}, kPathStraight, true);
  ASSERT_EQ(path.curve().size(), 4u);
  EXPECT_NEAR(path.length(), 200 + std::sqrt(20000.0), 1e-9);
  RPathPoint half = path.point_at(0.5);
  EXPECT_DOUBLE_EQ(half.x, 100);
  EXPECT_NEAR(half.y, path.length() / 2 - 100, 1e-9);
  // Speed is interpolated like the place.
  EXPECT_DOUBLE_EQ(path.point_at(50 / path.length()).speed, 75);
  RPathPoint end = path.point_at(1);
  EXPECT_EQ(end.x, 0);
  EXPECT_EQ(end.y, 0);
  // Out of range and NaN are clamped.
  EXPECT_EQ(path.point_at(-3).x, 0);
  EXPECT_EQ(path.point_at(7).x, 0);
  EXPECT_EQ(path.point_at(NAN).x, 0);

  path.set_closed(false);
  EXPECT_DOUBLE_EQ(path.length(), 200);
  EXPECT_DOUBLE_EQ(path.point_at(1).y, 100);
}

TEST(PathCurve, DegenerateCurves) {
  CPath none;
  EXPECT_EQ(none.length(), 0);
  EXPECT_EQ(none.point_at(0.5), (RPathPoint{0, 0, 100}));

  for (int kind : {kPathStraight, kPathSmooth}) {
    CPath single = path_of({{7, 8, 30}}, kind, kind == kPathStraight);
    EXPECT_EQ(single.length(), 0) << kind;
    EXPECT_EQ(single.point_at(0.7), (RPathPoint{7, 8, 30})) << kind;
  }
  // Points on top of each other: a length of 0 gives the first point.
  CPath same = path_of({{3, 3, 10}, {3, 3, 90}}, kPathStraight, false);
  EXPECT_EQ(same.point_at(0.5), (RPathPoint{3, 3, 10}));
}

TEST(PathCurve, SmoothOpenPathEndsAtItsEndsAndCutsTheCorner) {
  CPath path = path_of({{0, 0, 100}, {100, 0, 100}, {100, 100, 100}}, kPathSmooth, false);
  const std::vector<RCurvePoint>& curve = path.curve();
  ASSERT_GT(curve.size(), 3u);
  EXPECT_EQ(curve.front().x, 0);
  EXPECT_EQ(curve.front().y, 0);
  EXPECT_EQ(curve.back().x, 100);
  EXPECT_EQ(curve.back().y, 100);
  for (const RCurvePoint& point : curve) {
    EXPECT_FALSE(point.x == 100 && point.y == 0);
  }
  // The middle of the quadratic piece from (50, 0) to (100, 50) about the corner.
  bool has_middle = false;
  for (const RCurvePoint& point : curve) has_middle |= point.x == 87.5 && point.y == 12.5;
  EXPECT_TRUE(has_middle);
  EXPECT_LT(path.length(), 200);
  EXPECT_GT(path.length(), std::sqrt(20000.0));
  // Distances grow along the curve.
  for (size_t i = 1; i < curve.size(); ++i) EXPECT_GE(curve[i].distance, curve[i - 1].distance);

  // More precision, more points; closed curves end where they start.
  size_t coarse = curve.size();
  path.set_precision(8);
  EXPECT_GT(path.curve().size(), coarse);
  path.set_closed(true);
  EXPECT_EQ(path.curve().front().x, path.curve().back().x);
  EXPECT_EQ(path.curve().front().y, path.curve().back().y);
}

TEST(PathEditing, PointsKindAndPrecision) {
  CPath path;
  path.add_point(0, 0, 100);
  path.add_point(10, 0, 100);
  EXPECT_DOUBLE_EQ(path.length(), 20);  // closed by default
  path.insert_point(1, 5, 5, 50);
  path.insert_point(9, 1, 1, 1);  // past the end: nothing
  ASSERT_EQ(path.points.size(), 3u);
  EXPECT_EQ(path.point(1), (RPathPoint{5, 5, 50}));
  EXPECT_EQ(path.point(3), (RPathPoint{0, 0, 100}));
  EXPECT_EQ(path.point(-1), (RPathPoint{0, 0, 100}));
  path.change_point(2, 20, 0, 100);
  path.delete_point(1);
  path.delete_point(5);
  ASSERT_EQ(path.points.size(), 2u);
  EXPECT_DOUBLE_EQ(path.length(), 40);

  path.set_kind(7);
  EXPECT_EQ(path.kind, kPathStraight);
  path.set_kind(kPathSmooth);
  EXPECT_EQ(path.kind, kPathSmooth);
  path.set_precision(12);
  EXPECT_EQ(path.precision, 8);
  path.set_precision(-1);
  EXPECT_EQ(path.precision, 0);

  // Fields written straight (as the project reader does) are followed too.
  path.kind = kPathStraight;
  path.points[1].x = 30;
  EXPECT_DOUBLE_EQ(path.length(), 60);

  CPath copy;
  copy.copy_from(path);
  EXPECT_EQ(copy, path);
  EXPECT_DOUBLE_EQ(copy.length(), 60);
  path.clear_points();
  EXPECT_EQ(path.length(), 0);
  EXPECT_DOUBLE_EQ(copy.length(), 60);
}

TEST(PathEditing, RecordKeepsStoredValuesAndRebuilds) {
  CPath path = path_of({{0, 0, 100}, {0, 10, 100}}, 5, false);
  path.precision = 20;
  CStream stream;
  path.write(stream);
  stream.rewind();
  CPath read;
  read.read(stream);
  EXPECT_EQ(read, path);
  EXPECT_EQ(read.kind, 5);  // unknown kinds are followed as straight lines
  EXPECT_DOUBLE_EQ(read.length(), 10);
}

TEST(PathPlace, TurnedAndScaledFromTheOrigin) {
  CPath path = path_of({{50, 50, 100}, {60, 50, 100}}, kPathStraight, false);
  RPathPlace start = place_on_path(path, 0, 0, 1, 200, 300);
  EXPECT_DOUBLE_EQ(start.x, 200);
  EXPECT_DOUBLE_EQ(start.y, 300);
  RPathPlace end = place_on_path(path, 1, 0, 2, 200, 300);
  EXPECT_DOUBLE_EQ(end.x, 220);
  EXPECT_DOUBLE_EQ(end.y, 300);
  // Turned by 90 degrees, going right becomes going up.
  RPathPlace turned = place_on_path(path, 1, 90, 1, 0, 0);
  EXPECT_NEAR(turned.x, 0, 1e-12);
  EXPECT_NEAR(turned.y, -10, 1e-12);
}

}  // namespace
}  // namespace vn
