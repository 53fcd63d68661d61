// A trigger: a named condition checked at a given moment of every step.
#pragma once

#include <string>

#include "support/Support_Stream.h"

namespace vn {

class CTrigger {
 public:
  std::string name;
  std::string condition;  // script text
  int moment = 0;         // where in the step the condition is checked
  std::string constant_name;

  // Trigger record, version 800.
  void read(CStream& stream);
  void write(CStream& stream) const;

  bool operator==(const CTrigger&) const = default;
};

}  // namespace vn
