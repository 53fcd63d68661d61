#include "world/TimeLine_Class.h"

namespace vn {

constexpr int32_t kTimeLineVersion = 500;

void CTimeLine::read(CStream& stream, const RRecordContext& context) {
  *this = CTimeLine();
  expect_version(stream, kTimeLineVersion);
  // A moment is its step and at least an event's version and count.
  moments.resize(read_count(stream, 12));
  for (RMoment& moment : moments) {
    moment.step = read_int(stream);
    moment.event.read(stream, context);
  }
}

void CTimeLine::write(CStream& stream) const {
  write_int(stream, kTimeLineVersion);
  write_int(stream, int32_t(moments.size()));
  for (const RMoment& moment : moments) {
    write_int(stream, moment.step);
    moment.event.write(stream);
  }
}

}  // namespace vn
