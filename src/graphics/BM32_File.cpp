#include "graphics/BM32_File.h"

#include <algorithm>
#include <cstring>

#include "graphics/BM32_PNG.h"
#include "platform/Platform_FileIo.h"
#include "platform/Platform_Image.h"
#include "platform/Platform_ImageFormats.h"
#include "support/Support_Bmp.h"
#include "support/Support_Path.h"

namespace vn {

namespace {

constexpr uint32_t kLoadCanvas = pixel_of_colour(0xFFFFFE, 0);
constexpr uint32_t kGifCanvas = pixel_of_colour(32832);

enum class Format { kUnknown, kPng, kJpeg, kGif, kBmp };

Format format_of(std::span<const uint8_t> bytes) {
  static const uint8_t png[] = {137, 80, 78, 71, 13, 10, 26, 10};
  if (bytes.size() >= 8 && std::memcmp(bytes.data(), png, 8) == 0) return Format::kPng;
  if (bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) {
    return Format::kJpeg;
  }
  if (bytes.size() >= 6 && (std::memcmp(bytes.data(), "GIF87a", 6) == 0 ||
                            std::memcmp(bytes.data(), "GIF89a", 6) == 0)) {
    return Format::kGif;
  }
  if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M') return Format::kBmp;
  return Format::kUnknown;
}

TBitmap32 canvas_of(const RGifAnimation& animation, uint32_t pixel) {
  return TBitmap32(std::max(1, animation.width), std::max(1, animation.height), pixel);
}

void lay_over_canvas(RImage& picture) {
  bool any_alpha = std::any_of(picture.pixels.begin(), picture.pixels.end(),
                               [](uint32_t pixel) { return pixel >> 24 != 0; });
  for (uint32_t& pixel : picture.pixels) {
    if (!any_alpha) {
      pixel |= 0xFF000000u;
    } else if (pixel >> 24 == 0) {
      pixel = kLoadCanvas;
    }
  }
}

bool ends_with_png(const std::filesystem::path& path) {
  std::string name = path.filename().string();
  return name.size() >= 4 &&
         same_name_ignoring_case(std::string_view(name).substr(name.size() - 4), ".png");
}

}  // namespace

bool decode_image_file(std::span<const uint8_t> bytes, TBitmap32& image, std::string& error) {
  RImage picture;
  bool ok = false;
  switch (format_of(bytes)) {
    case Format::kPng:
      ok = decode_png(bytes, picture, error);
      break;
    case Format::kJpeg:
      ok = decode_jpeg(bytes, picture, error);
      break;
    case Format::kBmp:
      ok = decode_bmp(bytes, picture);
      if (!ok) error = "bad or unsupported BMP file";
      break;
    case Format::kGif: {
      RGifAnimation animation;
      ok = decode_gif(bytes, animation, error);
      if (ok) {
        // A GIF has no alpha channel: its transparent pixels show the canvas colour.
        TBitmap32 canvas = canvas_of(animation, kLoadCanvas | 0xFF000000u);
        const RGifFrame& first = animation.frames.front();
        draw_over(canvas, first.image, first.left, first.top);
        picture = std::move(canvas.image());
      }
      break;
    }
    case Format::kUnknown:
      error = "not a picture file of a known format";
      break;
  }
  if (!ok) {
    return false;
  }
  if (picture.empty()) {
    error = "the picture has no pixels";
    return false;
  }
  lay_over_canvas(picture);
  image = TBitmap32(std::move(picture));
  return true;
}

bool load_image_file(const std::filesystem::path& path, TBitmap32& image, std::string* error) {
  std::string reason;
  std::vector<uint8_t> bytes;
  bool ok = read_file(path, bytes, reason) && decode_image_file(bytes, image, reason);
  if (!ok && error) *error = path.string() + ": " + reason;
  return ok;
}

bool decode_gif_frames(std::span<const uint8_t> bytes, std::vector<TBitmap32>& frames,
                       std::string& error) {
  RGifAnimation animation;
  if (!decode_gif(bytes, animation, error)) {
    return false;
  }
  // Every frame is a whole copy of the canvas: all of them together are one picture's
  // worth at most.
  uint64_t canvas_pixels =
      uint64_t(std::max(1, animation.width)) * uint64_t(std::max(1, animation.height));
  if (canvas_pixels * animation.frames.size() > kMaxPicturePixels) {
    error = "the GIF animation is too large";
    return false;
  }
  TBitmap32 canvas = canvas_of(animation, kGifCanvas);
  std::vector<TBitmap32> result;
  result.reserve(animation.frames.size());
  for (const RGifFrame& frame : animation.frames) {
    draw_over(canvas, frame.image, frame.left, frame.top);
    result.push_back(canvas);
    if (frame.disposal != kGifDisposalNone) {
      std::fill(canvas.image().pixels.begin(), canvas.image().pixels.end(), kGifCanvas);
    }
  }
  frames = std::move(result);
  return true;
}

namespace {

bool save_as(const std::filesystem::path& path, const TBitmap32& image, bool png,
             std::string& error) {
  if (!image.has_pixels()) {
    error = "cannot save an image without pixels";
    return false;
  }
  std::vector<uint8_t> bytes = png ? png_from_image(image.image()) : encode_bmp(image.image());
  return write_file_atomic(path, bytes, error);
}

}  // namespace

bool save_image_file(const std::filesystem::path& path, const TBitmap32& image,
                     std::string& error) {
  return save_as(path, image, ends_with_png(path), error);
}

bool save_png_file(const std::filesystem::path& path, const TBitmap32& image, std::string& error) {
  return save_as(path, image, true, error);
}

}  // namespace vn
