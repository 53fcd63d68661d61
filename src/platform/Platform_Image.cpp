#include "platform/Platform_Image.h"

#include <fcntl.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <system_error>

#include "platform/Platform_FileIo.h"

namespace vn {

namespace {

// Shared with the libpng callbacks. libpng leaves our frames by longjmp, so this and
// every local of the functions that call setjmp are plain data without destructors.
struct RPngContext {
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t offset = 0;
  std::vector<uint8_t>* output = nullptr;
  char message[200] = {};
};

void on_error(png_structp png, png_const_charp message) {
  auto* context = static_cast<RPngContext*>(png_get_error_ptr(png));
  std::snprintf(context->message, sizeof context->message, "%s", message);
  png_longjmp(png, 1);
}

void on_warning(png_structp, png_const_charp) {}

uint32_t big_endian32(const uint8_t* bytes) {
  return uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
}

// A header may declare any size, but only image data can fill it: true when the IDAT
// chunks, in file order, inflate to at least `needed` bytes. Counting first means a few
// bytes declaring a huge picture cost no more than those bytes, instead of an allocation
// of the whole picture. Checksums are left to libpng.
bool image_data_holds(std::span<const uint8_t> file, uint64_t needed) {
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) return false;
  uint8_t scratch[16384];
  uint64_t produced = 0;
  int status = Z_OK;
  size_t at = 8;
  while (produced < needed && status == Z_OK && file.size() - at >= 8) {
    const uint8_t* chunk = file.data() + at;
    const size_t length = big_endian32(chunk);
    if (std::memcmp(chunk + 4, "IEND", 4) == 0) break;
    // A chunk cut short by the end of the file still gives what it holds.
    const size_t present = std::min(length, file.size() - at - 8);
    if (std::memcmp(chunk + 4, "IDAT", 4) == 0) {
      stream.next_in = const_cast<Bytef*>(chunk + 8);
      stream.avail_in = uInt(present);
      while (stream.avail_in > 0 && produced < needed && status == Z_OK) {
        stream.next_out = scratch;
        stream.avail_out = sizeof scratch;
        status = inflate(&stream, Z_NO_FLUSH);
        produced += sizeof scratch - stream.avail_out;
      }
    }
    if (present < length) break;
    at += std::min(file.size() - at, 12 + length);
  }
  inflateEnd(&stream);
  return produced >= needed;
}

void on_read(png_structp png, png_bytep out, size_t count) {
  auto* context = static_cast<RPngContext*>(png_get_io_ptr(png));
  if (count > context->size - context->offset) {
    png_error(png, "the file is truncated");
  }
  std::memcpy(out, context->data + context->offset, count);
  context->offset += count;
}

void on_write(png_structp png, png_bytep data, size_t count) {
  auto* context = static_cast<RPngContext*>(png_get_io_ptr(png));
  bool failed = false;
  try {
    context->output->insert(context->output->end(), data, data + count);
  } catch (const std::bad_alloc&) {
    failed = true;
  }
  // Outside the handler: longjmp must not leave a catch block.
  if (failed) {
    png_error(png, "out of memory");
  }
}

void on_flush(png_structp) {}

struct RPngHeader {
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int bit_depth = 0;
  int colour_type = 0;
};

bool read_header(png_structp png, png_infop info, RPngHeader* header) {
  if (setjmp(png_jmpbuf(png))) {
    return false;
  }
  png_read_info(png, info);
  png_get_IHDR(png, info, &header->width, &header->height, &header->bit_depth, &header->colour_type,
               nullptr, nullptr, nullptr);
  return true;
}

// Every form becomes 8-bit blue, green, red, alpha: 0xAARRGGBB in memory.
bool read_pixels(png_structp png, png_infop info, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) {
    return false;
  }
  png_set_expand(png);
  png_set_scale_16(png);
  png_set_gray_to_rgb(png);
  png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
  png_set_bgr(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != size_t(png_get_image_width(png, info)) * 4) {
    png_error(png, "unexpected pixel layout");
  }
  png_read_image(png, rows);
  return true;
}

bool write_image(png_structp png, png_infop info, png_uint_32 width, png_uint_32 height,
                 png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) {
    return false;
  }
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_set_bgr(png);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  return true;
}

struct RReadGuard {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~RReadGuard() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

struct RWriteGuard {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~RWriteGuard() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

int channels_of(int colour_type) {
  switch (colour_type) {
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      return 2;
    case PNG_COLOR_TYPE_RGB:
      return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA:
      return 4;
    default:
      return 1;  // grey and palette
  }
}

std::string system_message(int code) { return std::system_category().message(code); }

}  // namespace

bool decode_png(std::span<const uint8_t> file, RImage& image, std::string& error) {
  if (file.size() < 8 || png_sig_cmp(file.data(), 0, 8) != 0) {
    error = "not a PNG file";
    return false;
  }
  RPngContext context;
  context.data = file.data();
  context.size = file.size();
  RReadGuard guard;
  guard.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &context, on_error, on_warning);
  if (guard.png) guard.info = png_create_info_struct(guard.png);
  if (!guard.png || !guard.info) {
    error = "out of memory";
    return false;
  }
  png_set_read_fn(guard.png, &context, on_read);
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
  // Mutated inputs almost never carry valid checksums; without this the fuzzer would
  // never get past the first chunk.
  png_set_crc_action(guard.png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
#ifdef PNG_IGNORE_ADLER32
  png_set_option(guard.png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
#endif

  RPngHeader header;
  if (!read_header(guard.png, guard.info, &header)) {
    error = std::string("bad PNG file: ") + context.message;
    return false;
  }
  const uint64_t pixels = uint64_t(header.width) * header.height;
  if (pixels > kMaxPicturePixels) {
    error = "the PNG image is too large";
    return false;
  }
  // Every row is a filter byte and the packed pixels; interlacing only adds to that.
  const uint64_t row_bits =
      uint64_t(header.width) * uint64_t(channels_of(header.colour_type) * header.bit_depth);
  if (!image_data_holds(file, ((row_bits + 7) / 8 + 1) * header.height)) {
    error = "bad PNG file: the image data is incomplete";
    return false;
  }

  RImage result;
  std::vector<png_bytep> rows;
  try {
    result.pixels.resize(size_t(pixels));
    rows.resize(header.height);
  } catch (const std::bad_alloc&) {
    error = "out of memory for the PNG image";
    return false;
  }
  result.width = int(header.width);
  result.height = int(header.height);
  for (size_t y = 0; y < rows.size(); ++y) {
    rows[y] = reinterpret_cast<png_bytep>(result.pixels.data() + y * header.width);
  }
  if (!read_pixels(guard.png, guard.info, rows.data())) {
    error = std::string("bad PNG file: ") + context.message;
    return false;
  }
  image = std::move(result);
  return true;
}

bool load_png(const std::filesystem::path& path, RImage& image, std::string& error) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = "cannot open '" + path.string() + "': " + system_message(errno);
    return false;
  }
  std::vector<uint8_t> bytes;
  struct stat status {};
  bool ok = ::fstat(fd, &status) == 0;
  int code = errno;
  if (ok && S_ISREG(status.st_mode) && status.st_size > 0) {
    try {
      bytes.reserve(size_t(status.st_size));
    } catch (const std::bad_alloc&) {
      ::close(fd);
      error = "'" + path.string() + "' is too large";
      return false;
    }
  }
  uint8_t buffer[65536];
  while (ok) {
    ssize_t count = ::read(fd, buffer, sizeof buffer);
    if (count < 0) {
      if (errno == EINTR) continue;
      ok = false;
      code = errno;
    } else if (count == 0) {
      break;
    } else {
      bytes.insert(bytes.end(), buffer, buffer + count);
    }
  }
  ::close(fd);
  if (!ok) {
    error = "cannot read '" + path.string() + "': " + system_message(code);
    return false;
  }
  if (!decode_png(bytes, image, error)) {
    error = path.string() + ": " + error;
    return false;
  }
  return true;
}

std::vector<uint8_t> encode_png(const RImage& image) {
  if (image.empty() || image.pixels.size() < size_t(image.width) * size_t(image.height)) {
    return {};
  }
  std::vector<uint8_t> output;
  RPngContext context;
  context.output = &output;
  RWriteGuard guard;
  guard.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &context, on_error, on_warning);
  if (guard.png) guard.info = png_create_info_struct(guard.png);
  if (!guard.png || !guard.info) {
    return {};
  }
  png_set_write_fn(guard.png, &context, on_write, on_flush);
  std::vector<png_bytep> rows(size_t(image.height));
  for (size_t y = 0; y < rows.size(); ++y) {
    // libpng copies each row before transforming it; the pixels are never written.
    rows[y] = reinterpret_cast<png_bytep>(
        const_cast<uint32_t*>(image.pixels.data() + y * size_t(image.width)));
  }
  if (!write_image(guard.png, guard.info, png_uint_32(image.width), png_uint_32(image.height),
                   rows.data())) {
    return {};
  }
  return output;
}

bool save_png(const std::filesystem::path& path, const RImage& image, std::string& error) {
  if (image.empty()) {
    error = "cannot save an empty image";
    return false;
  }
  std::vector<uint8_t> bytes = encode_png(image);
  if (bytes.empty()) {
    error = "cannot encode the image as PNG";
    return false;
  }
  // Written beside the target and renamed over it, so a crash never leaves half a picture.
  if (write_file_atomic(path, bytes, error)) return true;
  error = "cannot write " + error;
  return false;
}

}  // namespace vn
