#include "graphics/Sprite_Class.h"

#include "support/Support_Record.h"

namespace vn {

constexpr int32_t kSpriteVersion = 800;
// An image record is at least its version, width and height.
constexpr size_t kMinImageRecord = 12;

void CSprite::read(CStream& stream) {
  *this = CSprite();
  expect_version(stream, kSpriteVersion);
  xorigin = read_int(stream);
  yorigin = read_int(stream);
  size_t count = read_count(stream, kMinImageRecord);
  frames.resize(count);
  for (TBitmap32& frame : frames) {
    frame.read(stream);
  }
  separate_masks = read_bool(stream);
  if (count > 0) {
    masks.resize(separate_masks ? count : 1);
    for (TMask& mask : masks) {
      mask.read(stream);
    }
  }
}

void CSprite::write(CStream& stream) const {
  write_int(stream, kSpriteVersion);
  write_int(stream, xorigin);
  write_int(stream, yorigin);
  write_int(stream, int32_t(frames.size()));
  for (const TBitmap32& frame : frames) {
    frame.write(stream);
  }
  write_bool(stream, separate_masks);
  for (const TMask& mask : masks) {
    mask.write(stream);
  }
}

}  // namespace vn
