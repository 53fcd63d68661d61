#include "platform/Platform_ImageFormats.h"

// libjpeg's header needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on
#include <gif_lib.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <new>

namespace vn {

namespace {

// Below this many pixels a picture is decoded whatever its data; above it, only when the
// data could possibly describe it.
constexpr uint64_t kPixelsWithoutData = uint64_t(1) << 16;

// Huffman-coded JPEG data spends at least one bit on every 8 × 8 block of the
// full-size component, so a byte never stands for more than 512 pixels. (Arithmetic
// coding can do better only on blank pictures, which no game stores that way.)
constexpr uint64_t kJpegPixelsPerByte = 512;

// An LZW code of n bits stands for fewer than 2^n pixels, so a byte never stands for
// more than 8 × 4096 / 12 of them, in the widest (12-bit) codes.
constexpr uint64_t kLzwPixelsPerByte = 8 * 4096 / 12 + 1;

bool data_could_fill(uint64_t pixels, size_t bytes, uint64_t pixels_per_byte) {
  return pixels <= std::max(kPixelsWithoutData, uint64_t(bytes) * pixels_per_byte);
}

// ---- JPEG ----

// libjpeg leaves our frames by longjmp, so this and every local of the functions that
// call setjmp are plain data without destructors.
struct RJpegError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void on_jpeg_error(j_common_ptr info) {
  auto* error = reinterpret_cast<RJpegError*>(info->err);
  (*info->err->format_message)(info, error->message);
  std::longjmp(error->jump, 1);
}

// Warnings are ignored, except those after which libjpeg would go on inventing pixels
// (the data ends, a marker or a bad code cuts a scan short): a tiny file could then
// claim a huge picture.
void on_jpeg_message(j_common_ptr info, int level) {
  if (level >= 0) return;
  switch (info->err->msg_code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
      on_jpeg_error(info);
  }
}

bool create_jpeg(j_decompress_ptr info, RJpegError* error) {
  if (setjmp(error->jump)) {
    return false;
  }
  jpeg_create_decompress(info);
  return true;
}

bool read_jpeg_header(j_decompress_ptr info, RJpegError* error) {
  if (setjmp(error->jump)) {
    return false;
  }
  jpeg_read_header(info, TRUE);
  return true;
}

bool read_jpeg_rows(j_decompress_ptr info, RJpegError* error, uint8_t* out, bool cmyk) {
  if (setjmp(error->jump)) {
    return false;
  }
  info->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
  info->scale_num = 1;
  info->scale_denom = 1;
  jpeg_start_decompress(info);
  if (info->output_components != 4 || info->output_width != info->image_width ||
      info->output_height != info->image_height) {
    ERREXIT(info, JERR_CONVERSION_NOTIMPL);
  }
  const size_t pitch = size_t(info->output_width) * 4;
  while (info->output_scanline < info->output_height) {
    JSAMPROW row = out + size_t(info->output_scanline) * pitch;
    jpeg_read_scanlines(info, &row, 1);
  }
  // No jpeg_finish_decompress: every pixel is in, and what follows the last scan (a
  // missing end marker, trailing bytes) does not matter.
  return true;
}

struct RJpegGuard {
  jpeg_decompress_struct* info;
  ~RJpegGuard() { jpeg_destroy_decompress(info); }
};

// Adobe's CMYK files store the channels inverted; others store them plainly.
uint32_t pixel_from_cmyk(const uint8_t* source, bool inverted) {
  auto value = [&](int index) { return inverted ? source[index] : 255 - source[index]; };
  uint32_t k = uint32_t(value(3));
  uint32_t red = uint32_t(value(0)) * k / 255;
  uint32_t green = uint32_t(value(1)) * k / 255;
  uint32_t blue = uint32_t(value(2)) * k / 255;
  return 0xFF000000u | red << 16 | green << 8 | blue;
}

// ---- GIF ----

struct RGifInput {
  const uint8_t* data;
  size_t size;
  size_t offset;
};

int read_gif_bytes(GifFileType* gif, GifByteType* out, int count) {
  auto* input = static_cast<RGifInput*>(gif->UserData);
  size_t take = std::min(size_t(std::max(count, 0)), input->size - input->offset);
  std::memcpy(out, input->data + input->offset, take);
  input->offset += take;
  return int(take);
}

struct RGifGuard {
  GifFileType* gif;
  ~RGifGuard() {
    if (gif) DGifCloseFile(gif, nullptr);
  }
};

std::string gif_message(int code) {
  const char* text = GifErrorString(code);
  return text ? text : "unknown error " + std::to_string(code);
}

// Interlaced frames store rows 0, 8, 16 ... then 4, 12 ... then 2, 6 ... then 1, 3 ...
std::vector<int> row_order(int height, bool interlaced) {
  std::vector<int> order;
  order.reserve(size_t(height));
  if (!interlaced) {
    for (int row = 0; row < height; ++row) order.push_back(row);
    return order;
  }
  const int starts[4] = {0, 4, 2, 1};
  const int steps[4] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass) {
    for (int row = starts[pass]; row < height; row += steps[pass]) order.push_back(row);
  }
  return order;
}

// Reads one frame's rows into its image. False when the data ends inside the frame;
// the rows read until then stay.
bool read_gif_frame(GifFileType* gif, const GraphicsControlBlock& control, RGifFrame& frame) {
  const GifImageDesc& desc = gif->Image;
  const ColorMapObject* colours = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
  uint32_t palette[256];
  for (int i = 0; i < 256; ++i) {
    palette[i] = 0xFF000000u;
    if (colours && i < colours->ColorCount) {
      const GifColorType& colour = colours->Colors[i];
      palette[i] |= uint32_t(colour.Red) << 16 | uint32_t(colour.Green) << 8 | colour.Blue;
    }
  }
  if (control.TransparentColor >= 0 && control.TransparentColor < 256) {
    palette[control.TransparentColor] = 0;
  }
  std::vector<GifPixelType> line(size_t(desc.Width));
  for (int row : row_order(desc.Height, desc.Interlace)) {
    if (DGifGetLine(gif, line.data(), desc.Width) != GIF_OK) {
      return false;
    }
    uint32_t* out = frame.image.pixels.data() + size_t(row) * size_t(desc.Width);
    for (int x = 0; x < desc.Width; ++x) out[x] = palette[line[size_t(x)]];
  }
  return true;
}

// A frame's control block applies to the next image only.
void read_gif_extension(GifFileType* gif, GraphicsControlBlock& control, bool& ok) {
  int code = 0;
  GifByteType* block = nullptr;
  if (DGifGetExtension(gif, &code, &block) != GIF_OK) {
    ok = false;
    return;
  }
  if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] == 4) {
    DGifExtensionToGCB(4, block + 1, &control);
  }
  while (block) {
    if (DGifGetExtensionNext(gif, &block) != GIF_OK) {
      ok = false;
      return;
    }
  }
}

}  // namespace

bool decode_jpeg(std::span<const uint8_t> file, RImage& image, std::string& error) {
  if (file.size() < 3 || file[0] != 0xFF || file[1] != 0xD8 || file[2] != 0xFF) {
    error = "not a JPEG file";
    return false;
  }
  jpeg_decompress_struct info;
  RJpegError failure;
  std::memset(&failure, 0, sizeof failure);
  info.err = jpeg_std_error(&failure.manager);
  failure.manager.error_exit = on_jpeg_error;
  failure.manager.emit_message = on_jpeg_message;
  if (!create_jpeg(&info, &failure)) {
    error = std::string("cannot read JPEG files: ") + failure.message;
    return false;
  }
  RJpegGuard guard{&info};
  jpeg_mem_src(&info, file.data(), (unsigned long)file.size());
  if (!read_jpeg_header(&info, &failure)) {
    error = std::string("bad JPEG file: ") + failure.message;
    return false;
  }
  uint64_t pixels = uint64_t(info.image_width) * info.image_height;
  if (pixels == 0 || pixels > kMaxPicturePixels) {
    error = "the JPEG image is too large";
    return false;
  }
  if (!data_could_fill(pixels, file.size(), kJpegPixelsPerByte)) {
    error = "bad JPEG file: the image data is incomplete";
    return false;
  }
  bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  RImage result;
  try {
    result.pixels.resize(size_t(pixels));
  } catch (const std::bad_alloc&) {
    error = "out of memory for the JPEG image";
    return false;
  }
  result.width = int(info.image_width);
  result.height = int(info.image_height);
  uint8_t* bytes = reinterpret_cast<uint8_t*>(result.pixels.data());
  if (!read_jpeg_rows(&info, &failure, bytes, cmyk)) {
    error = std::string("bad JPEG file: ") + failure.message;
    return false;
  }
  if (cmyk) {
    // Converted in place: each pixel's four bytes are read before they are written.
    for (uint32_t& pixel : result.pixels) {
      uint8_t source[4];
      std::memcpy(source, &pixel, 4);
      pixel = pixel_from_cmyk(source, info.saw_Adobe_marker);
    }
  }
  image = std::move(result);
  return true;
}

bool decode_gif(std::span<const uint8_t> file, RGifAnimation& animation, std::string& error) {
  if (file.size() < 6 || std::memcmp(file.data(), "GIF", 3) != 0) {
    error = "not a GIF file";
    return false;
  }
  RGifInput input{file.data(), file.size(), 0};
  int code = 0;
  RGifGuard guard{DGifOpen(&input, read_gif_bytes, &code)};
  if (!guard.gif) {
    error = "bad GIF file: " + gif_message(code);
    return false;
  }
  GifFileType* gif = guard.gif;
  RGifAnimation result;
  result.width = std::max(0, int(gif->SWidth));
  result.height = std::max(0, int(gif->SHeight));
  // The canvas is drawn and copied whole for every frame, so it is held to what the
  // file's frames could cover.
  const uint64_t canvas = uint64_t(result.width) * uint64_t(result.height);
  if (canvas > kMaxPicturePixels) {
    error = "the GIF image is too large";
    return false;
  }
  if (!data_could_fill(canvas, file.size(), kLzwPixelsPerByte)) {
    error = "bad GIF file: the screen is larger than its images could fill";
    return false;
  }
  GraphicsControlBlock control{kGifDisposalUnspecified, false, 0, NO_TRANSPARENT_COLOR};
  uint64_t total_pixels = 0;
  bool ok = true;
  while (ok) {
    GifRecordType record;
    if (DGifGetRecordType(gif, &record) != GIF_OK) break;
    if (record == TERMINATE_RECORD_TYPE) break;
    if (record == EXTENSION_RECORD_TYPE) {
      read_gif_extension(gif, control, ok);
      continue;
    }
    if (record != IMAGE_DESC_RECORD_TYPE) continue;
    if (DGifGetImageDesc(gif) != GIF_OK) break;
    const GifImageDesc& desc = gif->Image;
    uint64_t pixels = uint64_t(std::max(0, desc.Width)) * uint64_t(std::max(0, desc.Height));
    // Empty frames count as one pixel so that their number is bounded too.
    total_pixels += std::max<uint64_t>(pixels, 1);
    if (total_pixels > kMaxPicturePixels) {
      error = "the GIF image is too large";
      return false;
    }
    // A frame larger than the rest of the file could describe is cut short for sure, and
    // nearly all of it would be rows never read: reading stops before it.
    if (!data_could_fill(pixels, input.size - input.offset, kLzwPixelsPerByte)) {
      gif->Error = D_GIF_ERR_EOF_TOO_SOON;
      break;
    }
    RGifFrame frame;
    frame.left = desc.Left;
    frame.top = desc.Top;
    frame.disposal = control.DisposalMode;
    frame.delay = control.DelayTime;
    if (pixels > 0) {
      try {
        frame.image.pixels.assign(size_t(pixels), 0);
      } catch (const std::bad_alloc&) {
        error = "out of memory for the GIF image";
        return false;
      }
      frame.image.width = desc.Width;
      frame.image.height = desc.Height;
      ok = read_gif_frame(gif, control, frame);
    }
    result.frames.push_back(std::move(frame));
    control = GraphicsControlBlock{kGifDisposalUnspecified, false, 0, NO_TRANSPARENT_COLOR};
  }
  if (result.frames.empty()) {
    error = "bad GIF file: " + (gif->Error ? gif_message(gif->Error) : std::string("no image"));
    return false;
  }
  animation = std::move(result);
  return true;
}

}  // namespace vn
