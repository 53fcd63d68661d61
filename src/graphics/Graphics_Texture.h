// The texture table: every picture drawn lives as a texture of the renderer, addressed by
// its texture id, the index in this table (as sprite_get_texture and the others give them).
#pragma once

#include <cstdint>
#include <vector>

#include "graphics/BM32_Class.h"

namespace vn {

class IRenderer;

struct RTexture {
  uint32_t handle = 0;  // the renderer's
  int width = 0;        // the picture stored
  int height = 0;
  int texture_width = 0;  // allocated
  int texture_height = 0;
  bool render_target = false;
  bool used = false;
};

// Device creation gives the table its renderer and empties it; null leaves a table where
// nothing can be made (no OpenGL context).
void set_texture_renderer(IRenderer* renderer);
IRenderer* texture_renderer();

// The first unused id (or a new one) for a texture of that size; -1 when none can be made.
int texture_create(int width, int height, bool render_target);
// The picture into the texture, with the one-pixel border on the right and bottom when the
// texture is larger than the picture. False when the id or the size does not fit.
bool texture_upload(int id, const TBitmap32& picture);
// Create and upload; -1 (no slot kept) when either fails.
int texture_create_from_image(const TBitmap32& picture);
// A white picture whose alpha bytes are the given ones (font glyph sheets).
int texture_create_from_alpha(int width, int height, const std::vector<uint8_t>& alpha);
void texture_free(int id);
bool texture_exists(int id);
const RTexture* texture_at(int id);
// Picture size over texture size; 1 for an id that does not exist.
double texture_width_scale(int id);
double texture_height_scale(int id);
// The renderer's handle, 0 for an id that does not exist.
uint32_t texture_handle(int id);
// Counts device creations: ids from an older table mean nothing in a newer one.
uint64_t texture_table_generation();

// The texture ids of a resource's pictures. A copy starts with none (it makes its own),
// and the ids go back to the table when the owner goes or its pictures change (reset).
class CTextureSet {
 public:
  CTextureSet() = default;
  CTextureSet(const CTextureSet&) {}
  CTextureSet& operator=(const CTextureSet& other);
  CTextureSet(CTextureSet&& other) noexcept;
  CTextureSet& operator=(CTextureSet&& other) noexcept;
  ~CTextureSet() { reset(); }
  // Textures are not part of what a resource is.
  bool operator==(const CTextureSet&) const { return true; }

  // True while the ids belong to the current table.
  bool valid() const;
  const std::vector<int>& ids() const { return ids_; }
  void assign(std::vector<int> ids);
  void reset();

 private:
  std::vector<int> ids_;
  uint64_t generation_ = 0;
};

}  // namespace vn
