#include "graphics/BM32_Class.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace vn {

constexpr int32_t kImageVersion = 800;

RPixelBox alpha_bounding_box(const RImage& image, int tolerance) {
  RPixelBox box{image.width - 1, image.height - 1, 0, 0};
  if (image.empty()) {
    return box;
  }
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      if (int(image.at(x, y) >> 24) > tolerance) {
        box.left = std::min(box.left, x);
        box.top = std::min(box.top, y);
        box.right = std::max(box.right, x);
        box.bottom = std::max(box.bottom, y);
      }
    }
  }
  return box;
}

bool TBitmap32::read(CStream& stream) {
  image_ = RImage();
  if (read_int(stream) != kImageVersion) {
    return false;
  }
  int32_t width = read_int(stream);
  int32_t height = read_int(stream);
  int64_t count = int64_t(width) * int64_t(height);
  if (count <= 0) {
    image_.width = width;
    image_.height = height;
    return true;
  }
  CStream block = read_raw_block(stream);
  if (width <= 0 || height <= 0 || block.size() != uint64_t(count) * 4) {
    return false;
  }
  image_.width = width;
  image_.height = height;
  image_.pixels.resize(size_t(count));
  std::memcpy(image_.pixels.data(), block.data(), block.size());
  return true;
}

void TBitmap32::write(CStream& stream) const {
  write_int(stream, kImageVersion);
  write_int(stream, image_.width);
  write_int(stream, image_.height);
  if (int64_t(image_.width) * int64_t(image_.height) > 0) {
    write_raw_block(stream, std::span(reinterpret_cast<const uint8_t*>(image_.pixels.data()),
                                      image_.pixels.size() * 4));
  }
}

namespace {

// Images whose buffer is shorter than their size are treated as having no pixels, so
// that a malformed picture can never be read past its end.
bool usable(const RImage& image) {
  return !image.empty() && image.pixels.size() >= size_t(image.width) * size_t(image.height);
}

int channel(uint32_t pixel, int shift) { return int(pixel >> shift & 0xFF); }

bool within(uint32_t a, uint32_t b, int shift, int tolerance) {
  return std::abs(channel(a, shift) - channel(b, shift)) <= tolerance;
}

bool same_colour(uint32_t a, uint32_t b, int tolerance) {
  return within(a, b, 16, tolerance) && within(a, b, 8, tolerance) && within(a, b, 0, tolerance);
}

constexpr uint32_t kColourBits = 0x00FFFFFF;
constexpr uint32_t kAlphaBits = 0xFF000000;

}  // namespace

TBitmap32::TBitmap32(int width, int height, uint32_t pixel) {
  if (width > 0 && height > 0 && int64_t(width) * height <= kMaxImagePixels) {
    image_.width = width;
    image_.height = height;
    image_.pixels.assign(size_t(width) * size_t(height), pixel);
  }
}

bool TBitmap32::has_pixels() const { return usable(image_); }

uint32_t TBitmap32::pixel(int x, int y) const {
  if (!usable(image_) || x < 0 || y < 0 || x >= image_.width || y >= image_.height) {
    return 0;
  }
  return image_.at(x, y);
}

TBitmap32 TBitmap32::part(int x, int y, int width, int height) const {
  TBitmap32 result(width, height, 0);
  if (!result.has_pixels()) {
    return result;
  }
  for (int row = 0; row < height; ++row) {
    for (int column = 0; column < width; ++column) {
      result.image_.at(column, row) = pixel(int(int64_t(x) + column), int(int64_t(y) + row));
    }
  }
  return result;
}

void TBitmap32::resize(int width, int height) {
  TBitmap32 result(width, height, 0);
  if (result.has_pixels() && has_pixels()) {
    // The source pixel under the centre of target pixel t is (2t + 1) × source / (2 × target).
    for (int row = 0; row < height; ++row) {
      int source_row = int((2 * int64_t(row) + 1) * image_.height / (2 * int64_t(height)));
      for (int column = 0; column < width; ++column) {
        int source_column = int((2 * int64_t(column) + 1) * image_.width / (2 * int64_t(width)));
        result.image_.at(column, row) = image_.at(source_column, source_row);
      }
    }
  }
  *this = std::move(result);
}

void replace_colour(TBitmap32& image, uint32_t colour, uint32_t new_colour, bool set_alpha,
                    bool compare_alpha, int tolerance) {
  if (!image.has_pixels()) return;
  uint32_t keep = set_alpha ? 0 : kAlphaBits;
  uint32_t put = new_colour & ~keep;
  for (uint32_t& pixel : image.image().pixels) {
    if (same_colour(pixel, colour, tolerance) &&
        (!compare_alpha || within(pixel, colour, 24, tolerance))) {
      pixel = (pixel & keep) | put;
    }
  }
}

void make_transparent(TBitmap32& image, int tolerance) {
  if (!image.has_pixels()) return;
  uint32_t key = image.pixel(0, image.height() - 1);
  for (uint32_t& pixel : image.image().pixels) {
    if (same_colour(pixel, key, tolerance)) pixel &= kColourBits;
  }
}

void smooth_edges(TBitmap32& image) {
  if (!image.has_pixels()) return;
  RImage& pixels = image.image();
  for (int y = 0; y < pixels.height; ++y) {
    for (int x = 0; x < pixels.width; ++x) {
      if (pixels.at(x, y) >> 24 != 0) continue;
      for (int ny = std::max(0, y - 1); ny <= std::min(pixels.height - 1, y + 1); ++ny) {
        for (int nx = std::max(0, x - 1); nx <= std::min(pixels.width - 1, x + 1); ++nx) {
          uint32_t& near = pixels.at(nx, ny);
          if (near >> 24 >= 32) near -= uint32_t(32) << 24;
        }
      }
    }
  }
}

void bleed_colours(TBitmap32& image) {
  if (!image.has_pixels()) return;
  RImage& pixels = image.image();
  // Only fully transparent pixels change, and they stay so: no pixel changed here can
  // become the source of another.
  const int offsets[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
  for (int y = 0; y < pixels.height; ++y) {
    for (int x = 0; x < pixels.width; ++x) {
      uint32_t& pixel = pixels.at(x, y);
      if (pixel >> 24 != 0) continue;
      for (const auto& offset : offsets) {
        int nx = x + offset[0];
        int ny = y + offset[1];
        if (nx < 0 || ny < 0 || nx >= pixels.width || ny >= pixels.height) continue;
        uint32_t source = pixels.at(nx, ny);
        if (source >> 24 != 0) {
          pixel = source & kColourBits;
          break;
        }
      }
    }
  }
}

void alpha_from_image(TBitmap32& image, const TBitmap32& mask) {
  if (!image.has_pixels() || !mask.has_pixels()) return;
  int width = std::min(image.width(), mask.width());
  int height = std::min(image.height(), mask.height());
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint32_t source = mask.image().at(x, y);
      uint32_t sum = uint32_t(channel(source, 16) + channel(source, 8) + channel(source, 0));
      uint32_t& pixel = image.image().at(x, y);
      pixel = (pixel & kColourBits) | ((pixel >> 24) * sum / 765) << 24;
    }
  }
}

void apply_load_flags(TBitmap32& image, bool transparent, bool smooth) {
  if (transparent) make_transparent(image, 0);
  if (smooth) smooth_edges(image);
  if (transparent) bleed_colours(image);
}

namespace {

template <bool kSkipTransparent>
void copy_onto(TBitmap32& image, const RImage& picture, int x, int y) {
  if (!image.has_pixels() || !usable(picture)) return;
  int first_x = std::max(0, -x);
  int first_y = std::max(0, -y);
  int last_x = int(std::min<int64_t>(picture.width, int64_t(image.width()) - x));
  int last_y = int(std::min<int64_t>(picture.height, int64_t(image.height()) - y));
  for (int row = first_y; row < last_y; ++row) {
    for (int column = first_x; column < last_x; ++column) {
      uint32_t pixel = picture.at(column, row);
      if (!kSkipTransparent || pixel >> 24 != 0) image.image().at(column + x, row + y) = pixel;
    }
  }
}

}  // namespace

void draw_over(TBitmap32& image, const RImage& picture, int x, int y) {
  copy_onto<true>(image, picture, x, y);
}

void draw_copy(TBitmap32& image, const RImage& picture, int x, int y) {
  copy_onto<false>(image, picture, x, y);
}

TBitmap32 gradient_image(int width, int height, uint32_t first, uint32_t last, bool vertical) {
  TBitmap32 result(width, height, first);
  if (!result.has_pixels()) return result;
  int steps = (vertical ? height : width) - 1;
  auto blend = [&](int step) {
    uint32_t pixel = 0;
    for (int shift = 0; shift < 32; shift += 8) {
      double from = channel(first, shift);
      double to = channel(last, shift);
      double value = steps > 0 ? from + (to - from) * step / steps : from;
      pixel |= uint32_t(std::lround(value)) << shift;
    }
    return pixel;
  };
  std::vector<uint32_t> line(size_t(steps + 1));
  for (int step = 0; step <= steps; ++step) line[size_t(step)] = blend(step);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      result.image().at(x, y) = line[size_t(vertical ? y : x)];
    }
  }
  return result;
}

}  // namespace vn
