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

// A script colour (red in the low byte, then green, then blue) as a pixel with the
// given alpha.
constexpr uint32_t pixel_of_colour(uint32_t colour, uint32_t alpha = 255) {
  return (alpha & 0xFF) << 24 | (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF);
}

// The largest picture made from a size alone (16384 × 16384); larger requests get an
// image without pixels rather than exhausting memory.
constexpr int64_t kMaxImagePixels = int64_t(1) << 28;

class TBitmap32 {
 public:
  TBitmap32() = default;
  explicit TBitmap32(RImage image) : image_(std::move(image)) {}
  // Every pixel set to the given one; a size below 1 in either direction, or above
  // kMaxImagePixels in all, gives an image without pixels.
  TBitmap32(int width, int height, uint32_t pixel = 0);

  int width() const { return image_.width; }
  int height() const { return image_.height; }
  const RImage& image() const { return image_; }
  RImage& image() { return image_; }
  RPixelBox bounding_box(int tolerance) const { return alpha_bounding_box(image_, tolerance); }
  // True when the image has pixels and its buffer holds all of them.
  bool has_pixels() const;

  // 0 outside the image.
  uint32_t pixel(int x, int y) const;
  // A width × height copy of the rectangle at (x, y); parts outside this image read 0.
  TBitmap32 part(int x, int y, int width, int height) const;
  // Stretched (or shrunk) to the new size, each pixel taken from the source pixel under
  // its centre. A size below 1 leaves an image without pixels.
  void resize(int width, int height);

  // Image record: version 800, width, height, then (when width × height > 0) a raw
  // block of width × height × 4 bytes, rows top to bottom, blue, green, red, alpha.
  // A wrong version or a block of the wrong size leaves the image empty and gives
  // false; it never fails the record that holds it.
  bool read(CStream& stream);
  void write(CStream& stream) const;

  bool operator==(const TBitmap32&) const = default;

 private:
  RImage image_;
};

// The operations applied to pictures as they are loaded. Colours are pixels
// (0xAARRGGBB); images without pixels are left alone.

// Every pixel whose red, green and blue (and alpha, with compare_alpha) each lie within
// the tolerance of the colour's takes the new colour's red, green and blue (and alpha,
// with set_alpha).
void replace_colour(TBitmap32& image, uint32_t colour, uint32_t new_colour, bool set_alpha,
                    bool compare_alpha, int tolerance);
// The colour of the bottom-left pixel is transparent: every pixel within the tolerance
// of it keeps its colour and gets alpha 0.
void make_transparent(TBitmap32& image, int tolerance);
// Every pixel of the 3 × 3 block around a fully transparent pixel that has alpha 32 or
// more loses 32. Done in place in row order, so a pixel lowered to 0 softens its own
// neighbours when its turn comes.
void smooth_edges(TBitmap32& image);
// A fully transparent pixel takes the red, green and blue of its first neighbour that
// is not fully transparent, tried left, right, above, below, so that filtering at the
// edges does not blend in a stray colour.
void bleed_colours(TBitmap32& image);
// Over the area both share: alpha = alpha × (red + green + blue of the mask) / 765.
void alpha_from_image(TBitmap32& image, const TBitmap32& mask);
// The steps of loading a picture: with transparent, make transparent (tolerance 0),
// smooth edges when smooth, then bleed colours; without it only the smoothing.
void apply_load_flags(TBitmap32& image, bool transparent, bool smooth);

// Copies the pixels of the picture that are not fully transparent onto the image, the
// picture's top-left corner at (x, y), cut to the image.
void draw_over(TBitmap32& image, const RImage& picture, int x, int y);

// Copies every pixel of the picture onto the image as it is, alpha included, the
// picture's top-left corner at (x, y), cut to the image.
void draw_copy(TBitmap32& image, const RImage& picture, int x, int y);

// A width × height picture running from colour first to colour last, left to right or
// (vertical) top to bottom; each channel is interpolated and rounded.
TBitmap32 gradient_image(int width, int height, uint32_t first, uint32_t last, bool vertical);

}  // namespace vn
