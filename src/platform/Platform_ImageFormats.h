// JPEG files through libjpeg and GIF files through giflib. Pictures arrive as 8-bit
// 0xAARRGGBB pixels like every other decoder's.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/Platform_Image.h"
#include "support/Support_Image.h"

namespace vn {

// Opaque pixels; grey and CMYK files are converted. Pictures above kMaxPicturePixels,
// or larger than their data could describe, are refused before anything is decoded;
// data that ends or breaks off inside a scan fails rather than being made up. On
// failure the image is untouched and error holds the reason.
bool decode_jpeg(std::span<const uint8_t> file, RImage& image, std::string& error);

// GIF disposal methods: what happens to a frame's area before the next frame is drawn.
enum GifDisposal {
  kGifDisposalUnspecified = 0,
  kGifDisposalNone = 1,  // the frame stays
  kGifDisposalBackground = 2,
  kGifDisposalPrevious = 3,
};

struct RGifFrame {
  int left = 0;  // the frame's place on the canvas
  int top = 0;
  RImage image;  // opaque pixels, alpha 0 where the frame is transparent
  int disposal = kGifDisposalUnspecified;
  int delay = 0;  // hundredths of a second
};

struct RGifAnimation {
  int width = 0;  // the canvas (the logical screen); may be 0
  int height = 0;
  std::vector<RGifFrame> frames;
};

// Every frame in file order, interlaced ones put back in row order. When the data ends
// early, reading stops there: a frame cut short keeps its rows not yet read
// transparent, and the file still counts when it gave at least one frame. A frame
// larger than the rest of the file could describe stops reading the same way, before
// it. A canvas above kMaxPicturePixels, or larger than the whole file could describe,
// is refused. On failure the animation is untouched and error holds the reason.
bool decode_gif(std::span<const uint8_t> file, RGifAnimation& animation, std::string& error);

}  // namespace vn
