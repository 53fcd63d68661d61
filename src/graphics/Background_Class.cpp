#include "graphics/Background_Class.h"

#include <utility>

#include "graphics/BM32_File.h"
#include "graphics/Exported_File.h"
#include "support/Support_Record.h"

namespace vn {

constexpr int32_t kBackgroundVersion = 710;

void CBackground::read(CStream& stream) {
  *this = CBackground();
  expect_version(stream, kBackgroundVersion);
  image.read(stream);
}

void CBackground::write(CStream& stream) const {
  write_int(stream, kBackgroundVersion);
  image.write(stream);
}

bool CBackground::load_from_image_file(const std::filesystem::path& path, bool transparent,
                                       bool smooth) {
  clear();
  TBitmap32 picture;
  if (!load_image_file(path, picture)) {
    return false;
  }
  apply_load_flags(picture, transparent, smooth);
  image = std::move(picture);
  return true;
}

bool CBackground::load_from_exported_file(const std::filesystem::path& path) {
  clear();
  std::optional<CStream> stream = exported_file_stream(path);
  return stream && read_exported(*stream);
}

bool CBackground::read_exported(CStream& stream) {
  clear();
  TBitmap32 picture;
  try {
    CStream block;
    if (!open_exported_block(stream, kBackgroundVersion, block)) {
      return false;
    }
    read_bool(block);
    for (int i = 0; i < 6; ++i) read_int(block);
    if (!picture.read(block)) {
      return false;
    }
  } catch (const StreamError&) {
    return false;
  }
  bleed_colours(picture);
  image = std::move(picture);
  return true;
}

void CBackground::set_from_image(const TBitmap32& picture, bool transparent, bool smooth) {
  texture.reset();
  image = picture;
  apply_load_flags(image, transparent, smooth);
}

void CBackground::set_colour(int width, int height, uint32_t colour) {
  texture.reset();
  image = TBitmap32(width, height, pixel_of_colour(colour));
}

void CBackground::set_gradient(int width, int height, uint32_t first, uint32_t last,
                               bool vertical) {
  texture.reset();
  image = gradient_image(width, height, pixel_of_colour(first), pixel_of_colour(last), vertical);
}

}  // namespace vn
