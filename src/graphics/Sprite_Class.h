// A sprite: its origin, its frames and their collision masks.
#pragma once

#include <vector>

#include "graphics/BM32_Class.h"
#include "graphics/Sprite_Mask.h"

namespace vn {

class CSprite {
 public:
  int xorigin = 0;
  int yorigin = 0;
  std::vector<TBitmap32> frames;
  bool separate_masks = false;
  // One mask per frame when separate_masks is set, else one shared by all frames;
  // none when there are no frames.
  std::vector<TMask> masks;

  // Sprite record: version 800, origin, frame count, the frames, the separate-masks
  // flag, then the masks.
  void read(CStream& stream);
  void write(CStream& stream) const;

  bool operator==(const CSprite&) const = default;
};

}  // namespace vn
