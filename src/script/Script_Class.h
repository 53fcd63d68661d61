// A script resource: its source text, compiled when the game is prepared.
#pragma once

#include <memory>
#include <string>

#include "script/Code_Main.h"
#include "support/Support_Stream.h"

namespace vn {

class CScript {
 public:
  std::string source;
  std::unique_ptr<CCode> code;  // made when the scripts are compiled

  // Script record: version 800, then the source text.
  void read(CStream& stream);
  void write(CStream& stream) const;

  // Scripts are the same when their texts are.
  bool operator==(const CScript& other) const { return source == other.source; }
};

}  // namespace vn
