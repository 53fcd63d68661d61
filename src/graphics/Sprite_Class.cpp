#include "graphics/Sprite_Class.h"

#include <algorithm>

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

void CSprite::set_masks(bool separate, int box_mode, int tolerance, int shape, int left, int top,
                        int right, int bottom) {
  separate_masks = separate;
  masks.clear();
  if (frames.empty()) {
    return;
  }
  auto build = [&](const TBitmap32& frame) {
    return TMask::build(frame.image(), tolerance, shape, box_mode, left, top, right, bottom);
  };
  if (separate) {
    for (const TBitmap32& frame : frames) masks.push_back(build(frame));
    return;
  }
  TMask shared = build(frames[0]);
  for (size_t i = 1; i < frames.size(); ++i) shared.merge(build(frames[i]), shape);
  masks.push_back(std::move(shared));
}

RPixelBox CSprite::bounding_box() const {
  if (frames.empty() || masks.empty()) {
    return {};
  }
  if (!separate_masks) {
    return masks[0].box();
  }
  RPixelBox box{frames[0].width() - 1, frames[0].height() - 1, 0, 0};
  for (const TMask& mask : masks) {
    box.left = std::min(box.left, mask.left);
    box.top = std::min(box.top, mask.top);
    box.right = std::max(box.right, mask.right);
    box.bottom = std::max(box.bottom, mask.bottom);
  }
  return box;
}

}  // namespace vn
