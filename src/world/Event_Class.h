// An event of an object or a time-line moment: its list of actions.
#pragma once

#include <vector>

#include "world/Action_Class.h"

namespace vn {

class CEvent {
 public:
  std::vector<CAction> actions;

  // Event record: version 400, the action count, the actions.
  void read(CStream& stream, const RRecordContext& context);
  void write(CStream& stream) const;

  bool operator==(const CEvent&) const = default;
};

}  // namespace vn
