// A path: its control points and how they are joined.
#pragma once

#include <vector>

#include "support/Support_Stream.h"

namespace vn {

struct RPathPoint {
  double x = 0;
  double y = 0;
  double speed = 100;
  bool operator==(const RPathPoint&) const = default;
};

class CPath {
 public:
  int kind = 0;  // 0 straight lines, 1 smooth curve
  bool closed = true;
  int precision = 4;
  std::vector<RPathPoint> points;

  void read(CStream& stream);
  void write(CStream& stream) const;

  bool operator==(const CPath&) const = default;
};

}  // namespace vn
