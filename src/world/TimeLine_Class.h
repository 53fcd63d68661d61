// A time line: moments (steps) with their actions, in stored order.
#pragma once

#include <vector>

#include "world/Event_Class.h"

namespace vn {

struct RMoment {
  int step = 0;
  CEvent event;
  bool operator==(const RMoment&) const = default;
};

class CTimeLine {
 public:
  std::vector<RMoment> moments;

  // Time line record: version 500, the moment count, then (step, event record) pairs.
  void read(CStream& stream, const RRecordContext& context);
  void write(CStream& stream) const;

  bool operator==(const CTimeLine&) const = default;
};

}  // namespace vn
