#include "graphics/Graphics_Texture.h"

#include <algorithm>

#include "platform/Platform_Render.h"

namespace vn {

namespace {

struct RTextureTable {
  IRenderer* renderer = nullptr;
  std::vector<RTexture> entries;
  uint64_t generation = 1;
};

RTextureTable& table() {
  static RTextureTable instance;
  return instance;
}

RTexture* entry(int id) {
  RTextureTable& t = table();
  if (id < 0 || size_t(id) >= t.entries.size() || !t.entries[size_t(id)].used) return nullptr;
  return &t.entries[size_t(id)];
}

}  // namespace

void set_texture_renderer(IRenderer* renderer) {
  RTextureTable& t = table();
  t.renderer = renderer;
  t.entries.clear();
  ++t.generation;
}

IRenderer* texture_renderer() { return table().renderer; }

uint64_t texture_table_generation() { return table().generation; }

int texture_create(int width, int height, bool render_target) {
  RTextureTable& t = table();
  if (t.renderer == nullptr || width < 1 || height < 1) return -1;
  const uint32_t handle = t.renderer->create_texture(width, height, render_target);
  if (handle == 0) return -1;
  auto free_slot = std::find_if(t.entries.begin(), t.entries.end(),
                                [](const RTexture& texture) { return !texture.used; });
  if (free_slot == t.entries.end()) free_slot = t.entries.insert(t.entries.end(), RTexture());
  // The renderer makes textures of exactly the size asked for.
  *free_slot = RTexture{handle, width, height, width, height, render_target, true};
  return int(free_slot - t.entries.begin());
}

bool texture_upload(int id, const TBitmap32& picture) {
  RTexture* texture = entry(id);
  RTextureTable& t = table();
  if (texture == nullptr || t.renderer == nullptr || !picture.has_pixels()) return false;
  const int width = picture.width();
  const int height = picture.height();
  if (width > texture->texture_width || height > texture->texture_height) return false;
  const int copy_width = std::min(width + 1, texture->texture_width);
  const int copy_height = std::min(height + 1, texture->texture_height);
  const auto* pixels = reinterpret_cast<const uint8_t*>(picture.image().pixels.data());
  if (copy_width == width && copy_height == height) {
    return t.renderer->upload(texture->handle, 0, 0, width, height, pixels);
  }
  // A border repeating the last column and row keeps filtering from blending in texels
  // the picture does not have.
  std::vector<uint32_t> bordered(size_t(copy_width) * size_t(copy_height));
  for (int y = 0; y < copy_height; ++y) {
    const int source_y = std::min(y, height - 1);
    for (int x = 0; x < copy_width; ++x) {
      bordered[size_t(y) * size_t(copy_width) + size_t(x)] =
          picture.image().pixels[size_t(source_y) * size_t(width) + size_t(std::min(x, width - 1))];
    }
  }
  return t.renderer->upload(texture->handle, 0, 0, copy_width, copy_height,
                            reinterpret_cast<const uint8_t*>(bordered.data()));
}

int texture_create_from_image(const TBitmap32& picture) {
  if (!picture.has_pixels()) return -1;
  const int id = texture_create(picture.width(), picture.height(), false);
  if (id < 0) return -1;
  if (!texture_upload(id, picture)) {
    texture_free(id);
    return -1;
  }
  return id;
}

int texture_create_from_alpha(int width, int height, const std::vector<uint8_t>& alpha) {
  if (width < 1 || height < 1 || alpha.size() < size_t(width) * size_t(height)) return -1;
  TBitmap32 picture(width, height);
  if (!picture.has_pixels()) return -1;
  for (size_t i = 0; i < size_t(width) * size_t(height); ++i) {
    picture.image().pixels[i] = uint32_t(alpha[i]) << 24 | 0xFFFFFF;
  }
  return texture_create_from_image(picture);
}

void texture_free(int id) {
  RTexture* texture = entry(id);
  if (texture == nullptr) return;
  if (table().renderer != nullptr) table().renderer->free_texture(texture->handle);
  *texture = RTexture();
}

bool texture_exists(int id) { return entry(id) != nullptr; }

const RTexture* texture_at(int id) { return entry(id); }

double texture_width_scale(int id) {
  const RTexture* texture = entry(id);
  return texture ? double(texture->width) / texture->texture_width : 1.0;
}

double texture_height_scale(int id) {
  const RTexture* texture = entry(id);
  return texture ? double(texture->height) / texture->texture_height : 1.0;
}

uint32_t texture_handle(int id) {
  const RTexture* texture = entry(id);
  return texture ? texture->handle : 0;
}

CTextureSet& CTextureSet::operator=(const CTextureSet& other) {
  if (this != &other) reset();
  return *this;
}

CTextureSet::CTextureSet(CTextureSet&& other) noexcept
    : ids_(std::move(other.ids_)), generation_(other.generation_) {
  other.ids_.clear();
}

CTextureSet& CTextureSet::operator=(CTextureSet&& other) noexcept {
  if (this != &other) {
    reset();
    ids_ = std::move(other.ids_);
    generation_ = other.generation_;
    other.ids_.clear();
  }
  return *this;
}

bool CTextureSet::valid() const { return generation_ == table().generation; }

void CTextureSet::assign(std::vector<int> ids) {
  reset();
  ids_ = std::move(ids);
  generation_ = table().generation;
}

void CTextureSet::reset() {
  if (valid()) {
    for (int id : ids_) texture_free(id);
  }
  ids_.clear();
  generation_ = 0;
}

}  // namespace vn
