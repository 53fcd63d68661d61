// A sprite: its origin, its frames and their collision masks.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "graphics/BM32_Class.h"
#include "graphics/Graphics_Texture.h"
#include "graphics/Sprite_Mask.h"

namespace vn {

class CSprite {
 public:
  int xorigin = 0;
  int yorigin = 0;
  // All of the same size.
  std::vector<TBitmap32> frames;
  bool separate_masks = false;
  // One mask per frame when separate_masks is set, else one shared by all frames;
  // none when there are no frames.
  std::vector<TMask> masks;
  // The frames' textures, made when first drawn (or at the start of the game). Whatever
  // changes the frames resets them.
  mutable CTextureSet textures;

  // Frame 0's size; 1 × 1 without frames.
  int width() const { return frames.empty() ? 1 : frames[0].width(); }
  int height() const { return frames.empty() ? 1 : frames[0].height(); }
  // Any frame index, negative ones too, taken modulo the frame count; 0 without frames.
  int wrap_frame(int64_t index) const;
  // The mask collisions use for a frame index (wrapped); none without frames.
  const TMask* mask_of_frame(int64_t index) const;

  // Rebuilds the masks from the frames (see TMask::build): one per frame when
  // separate, else one built from frame 0 with every further frame merged into it.
  void set_masks(bool separate, int box_mode, int tolerance, int shape, int left, int top,
                 int right, int bottom);
  // The masks a picture loaded at run time gets: one shared, precise, automatic box,
  // tolerance 0.
  void set_default_masks();
  // With separate masks the union of their boxes, grown from (width - 1, height - 1,
  // 0, 0) of frame 0; else the shared mask's box; (0, 0, 0, 0) without frames.
  RPixelBox bounding_box() const;

  void clear() { *this = CSprite(); }
  // A picture file cut into frame_count frames side by side (at least one), each
  // width div frame_count wide. A file named ".gif" (any case) that holds a GIF gives
  // one frame per GIF frame instead, whatever the count. Each frame then gets the load
  // flags (see apply_load_flags), the origin is set and the default masks are built.
  // On failure the sprite is left without frames.
  bool load_from_image_file(const std::filesystem::path& path, int frame_count, bool transparent,
                            bool smooth, int xorigin, int yorigin);
  // An exported sprite file (see read_exported). On failure the sprite is left without
  // frames.
  bool load_from_exported_file(const std::filesystem::path& path);
  // Exported sprite: int 1234321, then one compressed block holding version 800, the
  // origin, the frame count, the frames as image records, then shape, tolerance,
  // separate masks (boolean), box mode and the box as left, right, bottom, top, from
  // which the masks are built. Transparent pixels of the frames take the colours of
  // their neighbours. A wrong number, a bad frame or frames of different sizes fail.
  bool read_exported(CStream& stream);

  // One frame from a picture, with the load flags, the origin and the default masks.
  void set_from_image(const TBitmap32& picture, bool transparent, bool smooth, int xorigin,
                      int yorigin);
  // Appends a picture as a frame, stretched to the sprite's size when there are frames
  // already, then given the load flags. A shared mask stays as it is; with separate
  // masks the new frame gets a precise mask of its own. The first frame of a sprite
  // without frames gets the default masks.
  void add_frame(const TBitmap32& picture, bool transparent, bool smooth);
  // Appends every frame of another sprite, stretched to this sprite's size; masks as
  // for add_frame. A sprite without frames becomes a copy of the other one.
  void append_frames(const CSprite& other);
  // Frame i takes its alpha from the other sprite's frame i mod its count (see
  // alpha_from_image); nothing when the other has no frames.
  void alpha_from(const CSprite& other);

  // Every frame side by side, frame i at x = i × width; no pixels without frames.
  TBitmap32 strip() const;

  // Sprite record: version 800, origin, frame count, the frames, the separate-masks
  // flag, then the masks.
  void read(CStream& stream);
  void write(CStream& stream) const;

  bool operator==(const CSprite&) const = default;
};

}  // namespace vn
