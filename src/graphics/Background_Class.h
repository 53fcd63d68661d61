// A background: one image.
#pragma once

#include "graphics/BM32_Class.h"

namespace vn {

class CBackground {
 public:
  TBitmap32 image;

  // Background record: version 710, then one image record.
  void read(CStream& stream);
  void write(CStream& stream) const;

  bool operator==(const CBackground&) const = default;
};

}  // namespace vn
