#include "graphics/Sprite_Class.h"

#include <algorithm>
#include <cstdint>

#include "graphics/BM32_File.h"
#include "graphics/Exported_File.h"
#include "platform/Platform_FileIo.h"
#include "support/Support_Path.h"
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

int CSprite::wrap_frame(int64_t index) const {
  if (frames.empty()) {
    return 0;
  }
  int64_t count = int64_t(frames.size());
  int64_t wrapped = index % count;
  return int(wrapped < 0 ? wrapped + count : wrapped);
}

const TMask* CSprite::mask_of_frame(int64_t index) const {
  if (frames.empty() || masks.empty()) {
    return nullptr;
  }
  if (!separate_masks) {
    return &masks[0];
  }
  // Separate masks always match the frames; the modulo only guards a stored sprite
  // whose counts disagree.
  return &masks[size_t(wrap_frame(index)) % masks.size()];
}

void CSprite::set_default_masks() {
  set_masks(false, kMaskBoxAutomatic, 0, kMaskPrecise, 0, 0, 0, 0);
}

namespace {

bool named_gif(const std::filesystem::path& path) {
  return same_name_ignoring_case(path.extension().string(), ".gif");
}

bool holds_gif(const std::vector<uint8_t>& bytes) {
  return bytes.size() >= 3 && bytes[0] == 'G' && bytes[1] == 'I' && bytes[2] == 'F';
}

TBitmap32 stretched_to(const TBitmap32& picture, int width, int height) {
  TBitmap32 frame = picture;
  if (frame.width() != width || frame.height() != height) frame.resize(width, height);
  return frame;
}

}  // namespace

bool CSprite::load_from_image_file(const std::filesystem::path& path, int frame_count,
                                   bool transparent, bool smooth, int x_origin, int y_origin) {
  clear();
  std::vector<uint8_t> bytes;
  std::string error;
  if (!read_file(path, bytes, error)) {
    return false;
  }
  std::vector<TBitmap32> loaded;
  if (named_gif(path) && holds_gif(bytes)) {
    if (!decode_gif_frames(bytes, loaded, error)) {
      return false;
    }
  } else {
    TBitmap32 picture;
    if (!decode_image_file(bytes, picture, error)) {
      return false;
    }
    int count = std::max(frame_count, 1);
    int frame_width = picture.width() / count;
    for (int i = 0; i < count; ++i) {
      loaded.push_back(picture.part(i * frame_width, 0, frame_width, picture.height()));
    }
  }
  for (TBitmap32& frame : loaded) apply_load_flags(frame, transparent, smooth);
  frames = std::move(loaded);
  xorigin = x_origin;
  yorigin = y_origin;
  set_default_masks();
  return true;
}

bool CSprite::load_from_exported_file(const std::filesystem::path& path) {
  clear();
  std::optional<CStream> stream = exported_file_stream(path);
  return stream && read_exported(*stream);
}

bool CSprite::read_exported(CStream& stream) {
  clear();
  CSprite result;
  int shape = 0, tolerance = 0, box_mode = 0, left = 0, right = 0, bottom = 0, top = 0;
  try {
    CStream block;
    if (!open_exported_block(stream, kSpriteVersion, block)) {
      return false;
    }
    result.xorigin = read_int(block);
    result.yorigin = read_int(block);
    size_t count = read_count(block, 12);
    result.frames.resize(count);
    for (TBitmap32& frame : result.frames) {
      if (!frame.read(block)) return false;
      if (frame.width() != result.frames[0].width() ||
          frame.height() != result.frames[0].height()) {
        return false;
      }
    }
    shape = read_int(block);
    tolerance = read_int(block);
    result.separate_masks = read_bool(block);
    box_mode = read_int(block);
    left = read_int(block);
    right = read_int(block);
    bottom = read_int(block);
    top = read_int(block);
  } catch (const StreamError&) {
    return false;
  } catch (const DataError&) {
    return false;
  }
  for (TBitmap32& frame : result.frames) bleed_colours(frame);
  result.set_masks(result.separate_masks, box_mode, tolerance, shape, left, top, right, bottom);
  *this = std::move(result);
  return true;
}

void CSprite::set_from_image(const TBitmap32& picture, bool transparent, bool smooth, int x_origin,
                             int y_origin) {
  clear();
  frames.push_back(picture);
  apply_load_flags(frames[0], transparent, smooth);
  xorigin = x_origin;
  yorigin = y_origin;
  set_default_masks();
}

void CSprite::add_frame(const TBitmap32& picture, bool transparent, bool smooth) {
  textures.reset();
  bool first = frames.empty();
  TBitmap32 frame = first ? picture : stretched_to(picture, width(), height());
  apply_load_flags(frame, transparent, smooth);
  frames.push_back(std::move(frame));
  if (first) {
    set_default_masks();
  } else if (separate_masks) {
    masks.push_back(
        TMask::build(frames.back().image(), 0, kMaskPrecise, kMaskBoxAutomatic, 0, 0, 0, 0));
  }
}

void CSprite::append_frames(const CSprite& other) {
  textures.reset();
  if (frames.empty()) {
    *this = other;
    return;
  }
  // The other sprite may be this one.
  std::vector<TBitmap32> added = other.frames;
  for (const TBitmap32& picture : added) add_frame(picture, false, false);
}

void CSprite::alpha_from(const CSprite& other) {
  textures.reset();
  if (other.frames.empty()) {
    return;
  }
  // The other sprite may be this one: take the sources before changing anything.
  std::vector<TBitmap32> sources = other.frames;
  for (size_t i = 0; i < frames.size(); ++i) {
    alpha_from_image(frames[i], sources[i % sources.size()]);
  }
}

TBitmap32 CSprite::strip() const {
  if (frames.empty()) return TBitmap32();
  int64_t total = int64_t(width()) * int64_t(frames.size());
  if (total > INT32_MAX) return TBitmap32();
  TBitmap32 out(int(total), height(), 0);
  for (size_t i = 0; i < frames.size(); ++i) {
    draw_copy(out, frames[i].image(), int(i) * width(), 0);
  }
  return out;
}

}  // namespace vn
