// The memory stream and the stored encodings of every game file, saved game and
// data-structure string: 32-bit little-endian integers, 64-bit reals, booleans as
// integers (true when > 0), strings with a 32-bit length prefix, raw and
// zlib-compressed blocks with a 32-bit length prefix, an optional embedded bitmap,
// a hexadecimal text form, and the two byte-scrambling steps of the game file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "support/Support_Image.h"

namespace vn {

// Raised by a read past the end of a stream, a bad length or a broken zlib stream.
// Loaders let it propagate; the start sequence reports it as corrupt data.
class StreamError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Raised by from_hex for a pair that is not hexadecimal.
class ConversionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A contiguous, growable, seekable byte buffer with a position.
class CStream {
 public:
  CStream() = default;
  explicit CStream(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}

  size_t size() const { return bytes_.size(); }
  size_t position() const { return position_; }
  // Bytes between the position and the end (0 when the position lies past the end).
  size_t remaining() const { return position_ < bytes_.size() ? bytes_.size() - position_ : 0; }
  // Moving past the end is allowed; the next read fails, the next write pads with zeros.
  void seek(size_t position) { position_ = position; }
  void rewind() { position_ = 0; }
  void clear() {
    bytes_.clear();
    position_ = 0;
  }

  const uint8_t* data() const { return bytes_.data(); }
  std::span<const uint8_t> span() const { return bytes_; }
  std::vector<uint8_t>& bytes() { return bytes_; }
  const std::vector<uint8_t>& bytes() const { return bytes_; }
  std::vector<uint8_t> take_bytes() {
    position_ = 0;
    return std::move(bytes_);
  }

  void read(void* destination, size_t count);
  void skip(size_t count);
  void write(const void* source, size_t count);
  void write(std::span<const uint8_t> source) { write(source.data(), source.size()); }

  // Checks that a stored count of elements of at least min_element_size bytes each
  // can be present at all, so that a corrupt count never turns into a huge allocation.
  size_t checked_count(int32_t count, size_t min_element_size) const;

 private:
  std::vector<uint8_t> bytes_;
  size_t position_ = 0;
};

int32_t read_int(CStream& stream);
double read_real(CStream& stream);
bool read_bool(CStream& stream);
std::string read_string(CStream& stream);

void write_int(CStream& stream, int32_t value);
void write_real(CStream& stream, double value);
void write_bool(CStream& stream, bool value);
void write_string(CStream& stream, std::string_view value);

// Blocks come back as new streams positioned at 0.
CStream read_raw_block(CStream& stream);
CStream read_compressed_block(CStream& stream);
void write_raw_block(CStream& stream, std::span<const uint8_t> payload);
void write_compressed_block(CStream& stream, std::span<const uint8_t> payload, int level = 9);

// zlib with the standard header. inflate_bytes raises StreamError for a broken stream
// or when the payload would exceed the limit.
constexpr size_t kMaxInflatedSize = size_t(1) << 30;
std::vector<uint8_t> inflate_bytes(std::span<const uint8_t> compressed,
                                   size_t limit = kMaxInflatedSize);
std::vector<uint8_t> deflate_bytes(std::span<const uint8_t> payload, int level = 9);

// An optional bitmap: a present flag, then a compressed Windows bitmap file.
// The stored file is kept as it was so that it can be written back unchanged.
struct RBitmapFile {
  std::vector<uint8_t> file;  // the BMP file image, with its file header
  RImage image;               // decoded
};
// None when the flag is false or when the bitmap does not decode.
std::optional<RBitmapFile> read_bitmap(CStream& stream);
void write_bitmap(CStream& stream, const std::optional<RBitmapFile>& bitmap);

std::string to_hex(const CStream& stream);
void from_hex(CStream& stream, std::string_view text);

// The main data block of the game file: a filler, a 256-byte permutation table, a
// second filler and the data. See read_scrambled_block for the exact steps.
struct RScrambleKey {
  std::vector<int32_t> filler_before;  // skipped before the table
  std::array<uint8_t, 256> table{};    // a permutation of 0 ... 255
  std::vector<int32_t> filler_after;   // skipped after the table
};
CStream read_scrambled_block(CStream& stream);
void write_scrambled_block(CStream& stream, std::span<const uint8_t> payload,
                           const RScrambleKey& key);
// A key made from a seed, so that packing the same game twice gives the same bytes.
RScrambleKey make_scramble_key(uint32_t seed);

// The seeded byte substitution of extension files: unscramble_range restores what
// scramble_range wrote with the same seed. A length <= 0 means up to the end.
void unscramble_range(CStream& stream, int32_t seed, int64_t start, int64_t length);
void scramble_range(CStream& stream, int32_t seed, int64_t start, int64_t length);

}  // namespace vn
