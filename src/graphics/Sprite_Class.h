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

  // Rebuilds the masks from the frames (see TMask::build): one per frame when
  // separate, else one built from frame 0 with every further frame merged into it.
  void set_masks(bool separate, int box_mode, int tolerance, int shape, int left, int top,
                 int right, int bottom);
  // With separate masks the union of their boxes, grown from (width - 1, height - 1,
  // 0, 0) of frame 0; else the shared mask's box; (0, 0, 0, 0) without frames.
  RPixelBox bounding_box() const;

  // Sprite record: version 800, origin, frame count, the frames, the separate-masks
  // flag, then the masks.
  void read(CStream& stream);
  void write(CStream& stream) const;

  bool operator==(const CSprite&) const = default;
};

}  // namespace vn
