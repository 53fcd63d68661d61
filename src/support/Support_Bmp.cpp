#include "support/Support_Bmp.h"

#include <algorithm>
#include <array>
#include <bit>
#include <new>

namespace vn {

// File layout: a 14-byte file header ("BM", file size, two reserved words, offset of the
// pixel data), an info header whose first four bytes give its size, optional colour masks,
// a palette, then the rows. Rows are padded to four bytes and stored bottom-up unless the
// height is negative. All numbers are little-endian.

namespace {

constexpr uint32_t kRgb = 0;
constexpr uint32_t kRle8 = 1;
constexpr uint32_t kRle4 = 2;
constexpr uint32_t kBitfields = 3;
constexpr uint32_t kAlphaBitfields = 6;

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kCoreHeaderSize = 12;
constexpr size_t kInfoHeaderSize = 40;
constexpr size_t kV4HeaderSize = 108;
constexpr size_t kV5HeaderSize = 124;

// Larger pictures are refused before anything is allocated: 8192 × 8192, the bound of
// every picture decoder (kMaxPicturePixels, above us in the platform layer).
constexpr uint64_t kMaxPixels = uint64_t(1) << 26;

// Run-length data can describe a huge blank picture in a few bytes. Real encoders write
// at most 255 pixels per two-byte run, so a picture far larger than that ratio allows
// is refused rather than allocated.
constexpr uint64_t kRlePixelsPerByte = 256;
constexpr uint64_t kRleFreePixels = uint64_t(1) << 16;

constexpr uint32_t kOpaque = 0xFF000000u;

uint16_t get16(std::span<const uint8_t> bytes, size_t offset) {
  return uint16_t(bytes[offset] | (bytes[offset + 1] << 8));
}

uint32_t get32(std::span<const uint8_t> bytes, size_t offset) {
  return uint32_t(bytes[offset]) | (uint32_t(bytes[offset + 1]) << 8) |
         (uint32_t(bytes[offset + 2]) << 16) | (uint32_t(bytes[offset + 3]) << 24);
}

void put16(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(uint8_t(value));
  out.push_back(uint8_t(value >> 8));
}

void put32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) {
    out.push_back(uint8_t(value >> shift));
  }
}

// Extracts one channel through a mask and scales it to 8 bits. A zero mask yields
// `missing` (used to make pictures without an alpha mask opaque).
class CChannel {
 public:
  CChannel(uint32_t mask, uint32_t missing) : mask_(mask), missing_(missing) {
    if (mask != 0) {
      shift_ = std::countr_zero(mask);
      width_ = 32 - std::countl_zero(mask >> shift_);
      maximum_ = (uint64_t(1) << width_) - 1;
    }
  }

  uint32_t operator()(uint32_t pixel) const {
    if (mask_ == 0) {
      return missing_;
    }
    uint32_t value = (pixel & mask_) >> shift_;
    if (width_ >= 8) {
      return value >> (width_ - 8);
    }
    return uint32_t((uint64_t(value) * 255 + maximum_ / 2) / maximum_);
  }

 private:
  uint32_t mask_;
  uint32_t missing_;
  int shift_ = 0;
  int width_ = 0;
  uint64_t maximum_ = 1;
};

struct RHeader {
  int64_t width = 0;
  int64_t height = 0;  // always positive here; see top_down
  bool top_down = false;
  int bits = 0;
  uint32_t compression = kRgb;
  uint32_t colours_used = 0;
  bool core = false;                // palette entries are 3 bytes instead of 4
  std::array<uint32_t, 4> masks{};  // red, green, blue, alpha
  bool has_masks = false;
  bool has_alpha_mask = false;
  size_t palette_offset = 0;
  size_t data_offset = 0;
};

bool read_header(std::span<const uint8_t> file, RHeader& header) {
  if (file.size() < kFileHeaderSize + 4 || file[0] != 'B' || file[1] != 'M') {
    return false;
  }
  header.data_offset = get32(file, 10);
  size_t header_size = get32(file, kFileHeaderSize);
  if (header_size > file.size() - kFileHeaderSize) {
    return false;
  }
  const size_t h = kFileHeaderSize;
  if (header_size == kCoreHeaderSize) {
    header.core = true;
    header.width = get16(file, h + 4);
    header.height = get16(file, h + 6);
    header.bits = get16(file, h + 10);
  } else if (header_size == kInfoHeaderSize || header_size == 52 || header_size == 56 ||
             header_size == kV4HeaderSize || header_size == kV5HeaderSize) {
    header.width = int32_t(get32(file, h + 4));
    int32_t height = int32_t(get32(file, h + 8));
    header.bits = get16(file, h + 14);
    header.compression = get32(file, h + 16);
    header.colours_used = get32(file, h + 32);
    header.top_down = height < 0;
    header.height = header.top_down ? -int64_t(height) : int64_t(height);
    // Larger headers carry the masks; the 40-byte one is followed by them instead.
    if (header_size >= 52) {
      for (size_t i = 0; i < 3; ++i) header.masks[i] = get32(file, h + 40 + 4 * i);
      header.has_masks = true;
    }
    if (header_size >= 56) {
      header.masks[3] = get32(file, h + 52);
      header.has_alpha_mask = true;
    }
  } else {
    return false;
  }
  size_t after_header = h + header_size;
  if (!header.has_masks &&
      (header.compression == kBitfields || header.compression == kAlphaBitfields)) {
    size_t count = header.compression == kAlphaBitfields ? 4 : 3;
    if (file.size() - after_header < 4 * count) {
      return false;
    }
    for (size_t i = 0; i < count; ++i) header.masks[i] = get32(file, after_header + 4 * i);
    header.has_masks = true;
    header.has_alpha_mask = count == 4;
    after_header += 4 * count;
  }
  header.palette_offset = after_header;
  if (header.data_offset < h + header_size || header.data_offset > file.size()) {
    return false;
  }
  if (header.width <= 0 || header.height <= 0 ||
      uint64_t(header.width) * uint64_t(header.height) > kMaxPixels) {
    return false;
  }
  switch (header.compression) {
    case kRgb:
      return header.bits == 1 || header.bits == 4 || header.bits == 8 || header.bits == 24 ||
             (!header.core && (header.bits == 16 || header.bits == 32));
    case kRle8:
      return header.bits == 8 && !header.top_down;
    case kRle4:
      return header.bits == 4 && !header.top_down;
    case kBitfields:
    case kAlphaBitfields:
      return header.bits == 16 || header.bits == 32;
    default:
      return false;
  }
}

// Entries missing from a short palette, and indices beyond it, read as opaque black.
bool read_palette(std::span<const uint8_t> file, const RHeader& header,
                  std::array<uint32_t, 256>& palette) {
  palette.fill(kOpaque);
  if (header.bits > 8) {
    return true;
  }
  size_t entry_size = header.core ? 3 : 4;
  size_t count = size_t(1) << header.bits;
  if (header.colours_used > 0 && header.colours_used < count) {
    count = header.colours_used;
  }
  // Some writers declare more entries than they store before the pixels.
  if (header.data_offset >= header.palette_offset) {
    count = std::min(count, (header.data_offset - header.palette_offset) / entry_size);
  } else {
    return false;
  }
  for (size_t i = 0; i < count; ++i) {
    size_t at = header.palette_offset + i * entry_size;
    palette[i] =
        kOpaque | (uint32_t(file[at + 2]) << 16) | (uint32_t(file[at + 1]) << 8) | file[at];
  }
  return true;
}

void decode_rows(std::span<const uint8_t> file, const RHeader& header,
                 const std::array<uint32_t, 256>& palette, size_t stride, RImage& image) {
  const int width = int(header.width);
  const int height = int(header.height);
  std::array<uint32_t, 4> masks = header.masks;
  bool use_alpha = header.has_alpha_mask;
  if (header.compression == kRgb) {
    if (header.bits == 16) {
      masks = {0x7C00, 0x03E0, 0x001F, 0};
    } else {
      masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0};
    }
    use_alpha = false;
  }
  CChannel red(masks[0], 0), green(masks[1], 0), blue(masks[2], 0);
  CChannel alpha(use_alpha ? masks[3] : 0, 255);
  for (int row = 0; row < height; ++row) {
    const uint8_t* in = file.data() + header.data_offset + size_t(row) * stride;
    int y = header.top_down ? row : height - 1 - row;
    uint32_t* out = image.pixels.data() + size_t(y) * size_t(width);
    switch (header.bits) {
      case 1:
        for (int x = 0; x < width; ++x) out[x] = palette[(in[x >> 3] >> (7 - (x & 7))) & 1];
        break;
      case 4:
        for (int x = 0; x < width; ++x) {
          out[x] = palette[(in[x >> 1] >> ((x & 1) ? 0 : 4)) & 15];
        }
        break;
      case 8:
        for (int x = 0; x < width; ++x) out[x] = palette[in[x]];
        break;
      case 24:
        for (int x = 0; x < width; ++x, in += 3) {
          out[x] = kOpaque | (uint32_t(in[2]) << 16) | (uint32_t(in[1]) << 8) | in[0];
        }
        break;
      case 16:
      case 32: {
        size_t step = size_t(header.bits / 8);
        for (int x = 0; x < width; ++x, in += step) {
          uint32_t value = step == 2 ? uint32_t(in[0] | (in[1] << 8))
                                     : uint32_t(in[0]) | (uint32_t(in[1]) << 8) |
                                           (uint32_t(in[2]) << 16) | (uint32_t(in[3]) << 24);
          out[x] = (alpha(value) << 24) | (red(value) << 16) | (green(value) << 8) | blue(value);
        }
        break;
      }
    }
  }
}

// Run-length data: pairs (count, index) repeat an index; (0, 0) ends a line, (0, 1) ends
// the picture, (0, 2, dx, dy) moves the pen, (0, n >= 3) is followed by n literal indices
// padded to an even number of bytes. In the 4-bit form each byte holds two indices, high
// nibble first. Pixels never written keep palette entry 0. Data that stops between
// commands ends the picture; a command cut short is corrupt.
bool decode_rle(std::span<const uint8_t> file, const RHeader& header,
                const std::array<uint32_t, 256>& palette, RImage& image) {
  const bool four = header.bits == 4;
  const int64_t width = header.width;
  const int64_t height = header.height;
  const uint8_t* data = file.data() + header.data_offset;
  const size_t size = file.size() - header.data_offset;
  int64_t x = 0;
  int64_t row = 0;  // counted from the bottom
  auto put = [&](uint8_t index) {
    if (x < width && row < height) {
      image.pixels[size_t(height - 1 - row) * size_t(width) + size_t(x)] = palette[index];
    }
    ++x;
  };
  auto nibble = [](uint8_t byte, int i) { return uint8_t((i & 1) ? byte & 15 : byte >> 4); };
  size_t at = 0;
  while (at + 2 <= size && row < height) {
    uint8_t count = data[at];
    uint8_t value = data[at + 1];
    at += 2;
    if (count > 0) {
      for (int i = 0; i < count; ++i) {
        put(four ? nibble(value, i) : value);
      }
    } else if (value == 0) {
      x = 0;
      ++row;
    } else if (value == 1) {
      break;
    } else if (value == 2) {
      if (size - at < 2) {
        return false;
      }
      x += data[at];
      row += data[at + 1];
      at += 2;
    } else {
      size_t bytes = four ? (size_t(value) + 1) / 2 : size_t(value);
      size_t padded = (bytes + 1) & ~size_t(1);
      if (size - at < bytes) {
        return false;
      }
      for (int i = 0; i < value; ++i) {
        put(four ? nibble(data[at + size_t(i / 2)], i) : data[at + size_t(i)]);
      }
      at += std::min(padded, size - at);
    }
  }
  return true;
}

bool allocate(RImage& image, size_t count, uint32_t fill) {
  try {
    image.pixels.assign(count, fill);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

}  // namespace

bool decode_bmp(std::span<const uint8_t> file, RImage& image) {
  RHeader header;
  if (!read_header(file, header)) {
    return false;
  }
  std::array<uint32_t, 256> palette;
  if (!read_palette(file, header, palette)) {
    return false;
  }
  const uint64_t pixels = uint64_t(header.width) * uint64_t(header.height);
  const size_t available = file.size() - header.data_offset;
  RImage result;
  if (header.compression == kRle8 || header.compression == kRle4) {
    if (pixels > std::max(kRleFreePixels, uint64_t(available) * kRlePixelsPerByte)) {
      return false;
    }
    result.width = int(header.width);
    result.height = int(header.height);
    if (!allocate(result, size_t(pixels), palette[0]) ||
        !decode_rle(file, header, palette, result)) {
      return false;
    }
  } else {
    const uint64_t row_bits = uint64_t(header.width) * uint64_t(header.bits);
    const uint64_t stride = (row_bits + 31) / 32 * 4;
    // The last row may lack its padding.
    const uint64_t needed = stride * uint64_t(header.height - 1) + (row_bits + 7) / 8;
    if (needed > available) {
      return false;
    }
    result.width = int(header.width);
    result.height = int(header.height);
    if (!allocate(result, size_t(pixels), 0)) {
      return false;
    }
    decode_rows(file, header, palette, size_t(stride), result);
  }
  image = std::move(result);
  return true;
}

// BITMAPV4HEADER with explicit masks: viewers that ignore alpha still read the colours,
// and the alpha mask brings the channel back for us.
std::vector<uint8_t> encode_bmp(const RImage& image) {
  const uint32_t width = image.empty() ? 0 : uint32_t(image.width);
  const uint32_t height = image.empty() ? 0 : uint32_t(image.height);
  const size_t count = size_t(width) * height;
  const uint32_t data_size = uint32_t(count * 4);
  const uint32_t data_offset = uint32_t(kFileHeaderSize + kV4HeaderSize);
  std::vector<uint8_t> out;
  out.reserve(data_offset + data_size);
  out.push_back('B');
  out.push_back('M');
  put32(out, data_offset + data_size);
  put32(out, 0);
  put32(out, data_offset);
  put32(out, uint32_t(kV4HeaderSize));
  put32(out, width);
  put32(out, height);
  put16(out, 1);
  put16(out, 32);
  put32(out, kBitfields);
  put32(out, data_size);
  put32(out, 2835);  // 72 dots per inch, in dots per metre
  put32(out, 2835);
  put32(out, 0);
  put32(out, 0);
  put32(out, 0x00FF0000);
  put32(out, 0x0000FF00);
  put32(out, 0x000000FF);
  put32(out, 0xFF000000);
  put32(out, 0x73524742);               // colour space "sRGB"
  out.resize(out.size() + 36 + 12, 0);  // end points and gamma, unused for sRGB
  for (uint32_t row = height; row-- > 0;) {
    for (uint32_t x = 0; x < width; ++x) {
      size_t index = size_t(row) * width + x;
      put32(out, index < image.pixels.size() ? image.pixels[index] : 0);
    }
  }
  return out;
}

}  // namespace vn
