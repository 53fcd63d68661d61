// A sound resource as stored: the file it was made from and how it plays.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/Support_Stream.h"

namespace vn {

class CSound {
 public:
  int kind = 0;
  std::string file_type;  // the extension, with its dot
  std::string file_name;
  bool has_data = false;
  std::vector<uint8_t> data;  // the whole sound file
  int effects = 0;            // bit set of the se_ constants
  double volume = 1.0;
  double pan = 0.0;
  bool preload = true;

  void read(CStream& stream);
  void write(CStream& stream) const;

  bool operator==(const CSound&) const = default;
};

}  // namespace vn
