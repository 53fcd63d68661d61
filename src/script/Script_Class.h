// A script resource: its source text, compiled when the game is prepared.
#pragma once

#include <string>

#include "support/Support_Stream.h"

namespace vn {

class CScript {
 public:
  std::string source;

  // Script record: version 800, then the source text.
  void read(CStream& stream);
  void write(CStream& stream) const;

  bool operator==(const CScript&) const = default;
};

}  // namespace vn
