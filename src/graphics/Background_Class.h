// A background: one image.
#pragma once

#include <cstdint>
#include <filesystem>

#include "graphics/BM32_Class.h"
#include "graphics/Graphics_Texture.h"

namespace vn {

class CBackground {
 public:
  TBitmap32 image;
  // The picture's texture, made when first drawn (or at the start of the game). Whatever
  // changes the picture resets it.
  mutable CTextureSet texture;

  int width() const { return image.width(); }
  int height() const { return image.height(); }

  void clear() {
    image = TBitmap32();
    texture.reset();
  }
  // A picture file with the load flags (see apply_load_flags). On failure the
  // background is left without a picture.
  bool load_from_image_file(const std::filesystem::path& path, bool transparent, bool smooth);
  // An exported background file (see read_exported). On failure the background is left
  // without a picture.
  bool load_from_exported_file(const std::filesystem::path& path);
  // Exported background: int 1234321, then one compressed block holding version 710, a
  // boolean and six integers that are not used, then the picture as an image record,
  // whose transparent pixels take the colours of their neighbours.
  bool read_exported(CStream& stream);
  void set_from_image(const TBitmap32& picture, bool transparent, bool smooth);
  // Colours here are script colours; the pictures are opaque.
  void set_colour(int width, int height, uint32_t colour);
  void set_gradient(int width, int height, uint32_t first, uint32_t last, bool vertical);
  // See alpha_from_image.
  void alpha_from(const CBackground& other) {
    alpha_from_image(image, other.image);
    texture.reset();
  }

  // Background record: version 710, then one image record.
  void read(CStream& stream);
  void write(CStream& stream) const;

  bool operator==(const CBackground&) const = default;
};

}  // namespace vn
