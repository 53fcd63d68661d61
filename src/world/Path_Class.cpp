#include "world/Path_Class.h"

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

}  // namespace vn
