#include "support/Support_Stream.h"

#include <zlib.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <random>

#include "support/Support_Bmp.h"

namespace vn {

static_assert(std::endian::native == std::endian::little,
              "the stored encodings are read by copying little-endian bytes");

void CStream::read(void* destination, size_t count) {
  if (count > remaining()) {
    throw StreamError("Stream read error");
  }
  // An empty block reads into an empty vector whose data() is null.
  if (count > 0) {
    std::memcpy(destination, bytes_.data() + position_, count);
  }
  position_ += count;
}

void CStream::skip(size_t count) {
  if (count > remaining()) {
    throw StreamError("Stream read error");
  }
  position_ += count;
}

void CStream::write(const void* source, size_t count) {
  if (position_ + count > bytes_.size()) {
    bytes_.resize(position_ + count);
  }
  if (count > 0) {
    std::memcpy(bytes_.data() + position_, source, count);
  }
  position_ += count;
}

size_t CStream::checked_count(int32_t count, size_t min_element_size) const {
  if (count < 0) {
    throw StreamError("Negative count");
  }
  if (min_element_size > 0 && size_t(count) > remaining() / min_element_size) {
    throw StreamError("Stream read error");
  }
  return size_t(count);
}

int32_t read_int(CStream& stream) {
  int32_t value;
  stream.read(&value, 4);
  return value;
}

double read_real(CStream& stream) {
  double value;
  stream.read(&value, 8);
  return value;
}

bool read_bool(CStream& stream) { return read_int(stream) > 0; }

std::string read_string(CStream& stream) {
  int32_t length = read_int(stream);
  if (length <= 0) {
    return {};
  }
  if (size_t(length) > stream.remaining()) {
    throw StreamError("Stream read error");
  }
  std::string text(size_t(length), '\0');
  stream.read(text.data(), text.size());
  return text;
}

void write_int(CStream& stream, int32_t value) { stream.write(&value, 4); }
void write_real(CStream& stream, double value) { stream.write(&value, 8); }
void write_bool(CStream& stream, bool value) { write_int(stream, value ? 1 : 0); }

void write_string(CStream& stream, std::string_view value) {
  write_int(stream, int32_t(value.size()));
  stream.write(value.data(), value.size());
}

// A block length must be non-negative and fit in what is left.
static size_t read_block_length(CStream& stream) {
  int32_t length = read_int(stream);
  if (length < 0 || size_t(length) > stream.remaining()) {
    throw StreamError("Stream read error");
  }
  return size_t(length);
}

CStream read_raw_block(CStream& stream) {
  size_t length = read_block_length(stream);
  std::vector<uint8_t> payload(length);
  stream.read(payload.data(), length);
  return CStream(std::move(payload));
}

CStream read_compressed_block(CStream& stream) {
  size_t length = read_block_length(stream);
  std::span<const uint8_t> compressed(stream.data() + stream.position(), length);
  CStream result(inflate_bytes(compressed));
  stream.skip(length);
  return result;
}

void write_raw_block(CStream& stream, std::span<const uint8_t> payload) {
  write_int(stream, int32_t(payload.size()));
  stream.write(payload);
}

void write_compressed_block(CStream& stream, std::span<const uint8_t> payload, int level) {
  std::vector<uint8_t> compressed = deflate_bytes(payload, level);
  write_raw_block(stream, compressed);
}

namespace {
constexpr size_t kChunk = 32768;

struct Inflater {
  z_stream z{};
  Inflater() {
    if (inflateInit(&z) != Z_OK) {
      throw StreamError("zlib could not start");
    }
  }
  ~Inflater() { inflateEnd(&z); }
};

struct Deflater {
  z_stream z{};
  explicit Deflater(int level) {
    if (deflateInit(&z, std::clamp(level, 0, 9)) != Z_OK) {
      throw StreamError("zlib could not start");
    }
  }
  ~Deflater() { deflateEnd(&z); }
};
}  // namespace

// Input is fed in chunks; output is drained through a fixed buffer until zlib leaves
// room in it, which means it has nothing more for that input.
std::vector<uint8_t> inflate_bytes(std::span<const uint8_t> compressed, size_t limit) {
  Inflater inflater;
  z_stream& z = inflater.z;
  std::vector<uint8_t> result;
  uint8_t buffer[kChunk];
  size_t offset = 0;
  bool ended = false;
  auto drain = [&](int flush) {
    do {
      z.next_out = buffer;
      z.avail_out = kChunk;
      int status = inflate(&z, flush);
      if (status == Z_NEED_DICT || status == Z_DATA_ERROR || status == Z_MEM_ERROR ||
          status == Z_STREAM_ERROR) {
        throw StreamError("Corrupt compressed data");
      }
      size_t produced = kChunk - z.avail_out;
      if (result.size() + produced > limit) {
        throw StreamError("Compressed data too large");
      }
      result.insert(result.end(), buffer, buffer + produced);
      if (status == Z_STREAM_END) {
        ended = true;
        return;
      }
      if (status == Z_BUF_ERROR && produced == 0) {
        return;  // no progress possible with this input
      }
    } while (z.avail_out == 0);
  };
  while (offset < compressed.size() && !ended) {
    size_t take = std::min(kChunk, compressed.size() - offset);
    z.next_in = const_cast<Bytef*>(compressed.data() + offset);
    z.avail_in = uInt(take);
    drain(Z_NO_FLUSH);
    offset += take - z.avail_in;
    if (z.avail_in != 0 && !ended) {
      throw StreamError("Corrupt compressed data");
    }
  }
  if (!ended) {
    z.next_in = nullptr;
    z.avail_in = 0;
    drain(Z_FINISH);
  }
  if (!ended) {
    throw StreamError("Truncated compressed data");
  }
  return result;
}

std::vector<uint8_t> deflate_bytes(std::span<const uint8_t> payload, int level) {
  Deflater deflater(level);
  z_stream& z = deflater.z;
  std::vector<uint8_t> result;
  uint8_t buffer[kChunk];
  size_t offset = 0;
  int flush;
  do {
    size_t take = std::min(kChunk, payload.size() - offset);
    z.next_in = const_cast<Bytef*>(payload.data() + offset);
    z.avail_in = uInt(take);
    offset += take;
    flush = offset >= payload.size() ? Z_FINISH : Z_NO_FLUSH;
    do {
      z.next_out = buffer;
      z.avail_out = kChunk;
      deflate(&z, flush);
      result.insert(result.end(), buffer, buffer + (kChunk - z.avail_out));
    } while (z.avail_out == 0);
  } while (flush != Z_FINISH);
  return result;
}

std::optional<RBitmapFile> read_bitmap(CStream& stream) {
  if (!read_bool(stream)) {
    return std::nullopt;
  }
  CStream block = read_compressed_block(stream);
  RBitmapFile bitmap;
  if (!decode_bmp(block.span(), bitmap.image)) {
    return std::nullopt;
  }
  bitmap.file = block.take_bytes();
  return bitmap;
}

void write_bitmap(CStream& stream, const std::optional<RBitmapFile>& bitmap) {
  write_bool(stream, bitmap.has_value());
  if (bitmap) {
    write_compressed_block(stream, bitmap->file);
  }
}

std::string to_hex(const CStream& stream) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(stream.size() * 2);
  for (uint8_t byte : stream.bytes()) {
    text.push_back(kDigits[byte >> 4]);
    text.push_back(kDigits[byte & 15]);
  }
  return text;
}

static int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void from_hex(CStream& stream, std::string_view text) {
  stream.clear();
  std::vector<uint8_t>& bytes = stream.bytes();
  bytes.reserve(text.size() / 2);
  for (size_t i = 0; i + 1 < text.size(); i += 2) {
    int high = hex_digit(text[i]);
    int low = hex_digit(text[i + 1]);
    if (high < 0 || low < 0) {
      throw ConversionError("'$" + std::string(text.substr(i, 2)) +
                            "' is not a valid integer value");
    }
    bytes.push_back(uint8_t(high * 16 + low));
  }
  stream.rewind();
}

// Layout: integer A, integer B, A integers, the table T, B integers, integer N, N bytes.
// Restoring: with U the inverse of T, first D[i] = U[D[i]] - D[i-1] - i for i from N-1
// down to 1 (D[i-1] still the stored byte), then for i from N-1 down to 0 swap D[i]
// with D[max(0, i - T[i mod 256])]. Byte arithmetic is modulo 256.
CStream read_scrambled_block(CStream& stream) {
  int32_t before = read_int(stream);
  int32_t after = read_int(stream);
  stream.skip(stream.checked_count(before, 4) * 4);
  std::array<uint8_t, 256> table;
  stream.read(table.data(), 256);
  stream.skip(stream.checked_count(after, 4) * 4);
  std::array<uint8_t, 256> inverse{};
  for (int i = 0; i < 256; ++i) {
    inverse[table[size_t(i)]] = uint8_t(i);
  }
  CStream block = read_raw_block(stream);
  std::vector<uint8_t>& data = block.bytes();
  size_t n = data.size();
  for (size_t i = n; i-- > 1;) {
    data[i] = uint8_t(inverse[data[i]] - data[i - 1] - uint8_t(i));
  }
  for (size_t i = n; i-- > 0;) {
    size_t shift = table[i & 255];
    size_t j = i >= shift ? i - shift : 0;
    std::swap(data[i], data[j]);
  }
  block.rewind();
  return block;
}

// The exact inverse of read_scrambled_block: undo the swaps in the opposite order,
// then encode upwards so that each stored byte depends on the stored byte before it.
void write_scrambled_block(CStream& stream, std::span<const uint8_t> payload,
                           const RScrambleKey& key) {
  write_int(stream, int32_t(key.filler_before.size()));
  write_int(stream, int32_t(key.filler_after.size()));
  for (int32_t value : key.filler_before) write_int(stream, value);
  stream.write(key.table.data(), 256);
  for (int32_t value : key.filler_after) write_int(stream, value);
  std::vector<uint8_t> data(payload.begin(), payload.end());
  size_t n = data.size();
  for (size_t i = 0; i < n; ++i) {
    size_t shift = key.table[i & 255];
    size_t j = i >= shift ? i - shift : 0;
    std::swap(data[i], data[j]);
  }
  for (size_t i = 1; i < n; ++i) {
    data[i] = key.table[uint8_t(data[i] + data[i - 1] + uint8_t(i))];
  }
  write_raw_block(stream, data);
}

RScrambleKey make_scramble_key(uint32_t seed) {
  std::mt19937 random(seed);
  RScrambleKey key;
  key.filler_before.resize(random() % 300 + 20);
  key.filler_after.resize(random() % 300 + 20);
  for (int32_t& value : key.filler_before) value = int32_t(random());
  for (int32_t& value : key.filler_after) value = int32_t(random());
  for (int i = 0; i < 256; ++i) key.table[size_t(i)] = uint8_t(i);
  // Fisher-Yates with our own draw, so the table does not depend on the library's
  // distribution code.
  for (int i = 255; i > 0; --i) {
    int j = int(random() % uint32_t(i + 1));
    std::swap(key.table[size_t(i)], key.table[size_t(j)]);
  }
  return key;
}

namespace {
// Constants shared by the runner and the packer: parameters from the seed divided
// by kDivisor, and kRounds neighbour swaps that never move entry 0.
constexpr uint32_t kDivisor = 250;
constexpr uint32_t kOffset = 6;
constexpr uint32_t kModulus = 254;
constexpr uint32_t kRounds = 10000;

struct SubstitutionTables {
  std::array<uint8_t, 256> forward;
  std::array<uint8_t, 256> inverse;
};

SubstitutionTables build_substitution(int32_t seed) {
  uint32_t s = uint32_t(seed);
  uint32_t a = s % kDivisor + kOffset;
  uint32_t b = (s / kDivisor) % 256;
  SubstitutionTables t;
  for (int i = 0; i < 256; ++i) {
    t.forward[size_t(i)] = uint8_t(i);
    t.inverse[size_t(i)] = uint8_t(i);
  }
  for (uint32_t k = 1; k <= kRounds; ++k) {
    uint32_t j = (k * a + b) % kModulus + 1;
    std::swap(t.forward[j], t.forward[j + 1]);
  }
  for (int i = 1; i < 256; ++i) {
    t.inverse[t.forward[size_t(i)]] = uint8_t(i);
  }
  return t;
}

void substitute(CStream& stream, const std::array<uint8_t, 256>& table, int64_t start,
                int64_t length) {
  int64_t size = int64_t(stream.size());
  if (start < 0) start = 0;
  if (start >= size) return;
  if (length <= 0 || length > size - start) length = size - start;
  int64_t end = start + length;
  std::vector<uint8_t>& bytes = stream.bytes();
  for (int64_t i = start; i < end; ++i) {
    bytes[size_t(i)] = table[bytes[size_t(i)]];
  }
}
}  // namespace

void unscramble_range(CStream& stream, int32_t seed, int64_t start, int64_t length) {
  substitute(stream, build_substitution(seed).inverse, start, length);
}

void scramble_range(CStream& stream, int32_t seed, int64_t start, int64_t length) {
  substitute(stream, build_substitution(seed).forward, start, length);
}

}  // namespace vn
