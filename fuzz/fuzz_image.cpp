// Any bytes either decode to a picture (and, for GIF files, to sprite frames) whose
// sizes match their pixels, or are refused with a reason. The same bytes are read as
// exported sprite and background files, which either load whole or leave nothing.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "graphics/BM32_File.h"
#include "graphics/Background_Class.h"
#include "graphics/Sprite_Class.h"

namespace {

bool whole(const vn::TBitmap32& image) {
  return image.has_pixels() &&
         image.image().pixels.size() == size_t(image.width()) * size_t(image.height());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const uint8_t> bytes(data, size);
  vn::TBitmap32 image;
  std::string error;
  if (vn::decode_image_file(bytes, image, error)) {
    if (!whole(image)) std::abort();
  } else if (error.empty()) {
    std::abort();
  }
  std::vector<vn::TBitmap32> frames;
  error.clear();
  if (vn::decode_gif_frames(bytes, frames, error)) {
    if (frames.empty()) std::abort();
    for (const vn::TBitmap32& frame : frames) {
      if (!whole(frame) || frame.width() != frames[0].width() ||
          frame.height() != frames[0].height()) {
        std::abort();
      }
    }
  } else if (error.empty()) {
    std::abort();
  }

  vn::CStream sprite_file(std::vector<uint8_t>(bytes.begin(), bytes.end()));
  vn::CSprite sprite;
  if (sprite.read_exported(sprite_file)) {
    size_t expected = sprite.frames.empty() ? 0 : sprite.separate_masks ? sprite.frames.size() : 1;
    if (sprite.masks.size() != expected) std::abort();
  } else if (!sprite.frames.empty()) {
    std::abort();
  }
  vn::CStream background_file(std::vector<uint8_t>(bytes.begin(), bytes.end()));
  vn::CBackground background;
  if (!background.read_exported(background_file) && background.width() != 0) std::abort();
  return 0;
}
