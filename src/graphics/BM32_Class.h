// The runner's 32-bit image.
#pragma once

#include "support/Support_Image.h"
#include "support/Support_Stream.h"

namespace vn {

// An inclusive rectangle of pixels; right < left or bottom < top holds no pixel.
struct RPixelBox {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  bool operator==(const RPixelBox&) const = default;
};

// The smallest box holding every pixel whose alpha is above the tolerance. It grows
// from (width - 1, height - 1, 0, 0), so a picture without such pixels gives that
// inverted box.
RPixelBox alpha_bounding_box(const RImage& image, int tolerance);

class TBitmap32 {
 public:
  TBitmap32() = default;
  explicit TBitmap32(RImage image) : image_(std::move(image)) {}

  int width() const { return image_.width; }
  int height() const { return image_.height; }
  const RImage& image() const { return image_; }
  RImage& image() { return image_; }
  RPixelBox bounding_box(int tolerance) const { return alpha_bounding_box(image_, tolerance); }

  // Image record: version 800, width, height, then (when width × height > 0) a raw
  // block of width × height × 4 bytes, rows top to bottom, blue, green, red, alpha.
  // A wrong version or a block of the wrong size leaves the image empty; it never
  // fails the record that holds it.
  void read(CStream& stream);
  void write(CStream& stream) const;

  bool operator==(const TBitmap32&) const = default;

 private:
  RImage image_;
};

}  // namespace vn
