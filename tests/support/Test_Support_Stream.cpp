#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

#include "support/Support_Stream.h"

namespace vn {
namespace {

std::vector<uint8_t> random_bytes(size_t count, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> bytes(count);
  for (uint8_t& byte : bytes) byte = uint8_t(random());
  return bytes;
}

CStream stream_of(std::vector<uint8_t> bytes) { return CStream(std::move(bytes)); }

TEST(SupportStream, ScalarEncodings) {
  CStream stream;
  write_int(stream, -2);
  write_real(stream, 1.5);
  write_bool(stream, true);
  write_bool(stream, false);
  write_string(stream, "abc");
  write_string(stream, "");
  EXPECT_EQ(stream.bytes(),
            (std::vector<uint8_t>{0xFE, 0xFF, 0xFF, 0xFF,                        //
                                  0,    0,    0,    0,    0,   0,   0xF8, 0x3F,  //
                                  1,    0,    0,    0,    0,   0,   0,    0,     //
                                  3,    0,    0,    0,    'a', 'b', 'c',  0,    0, 0, 0}));
  stream.rewind();
  EXPECT_EQ(read_int(stream), -2);
  EXPECT_EQ(read_real(stream), 1.5);
  EXPECT_TRUE(read_bool(stream));
  EXPECT_FALSE(read_bool(stream));
  EXPECT_EQ(read_string(stream), "abc");
  EXPECT_EQ(read_string(stream), "");
  EXPECT_EQ(stream.remaining(), 0u);

  // A boolean is true when above zero.
  CStream booleans = stream_of({2, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF});
  EXPECT_TRUE(read_bool(booleans));
  EXPECT_FALSE(read_bool(booleans));

  // A negative string length reads as empty and consumes the length only.
  CStream negative = stream_of({0xFB, 0xFF, 0xFF, 0xFF, 'x'});
  EXPECT_EQ(read_string(negative), "");
  EXPECT_EQ(negative.position(), 4u);
}

TEST(SupportStream, ReadingPastTheEndRaises) {
  CStream three = stream_of({1, 2, 3});
  EXPECT_THROW(read_int(three), StreamError);
  CStream seven = stream_of({1, 2, 3, 4, 5, 6, 7});
  EXPECT_THROW(read_real(seven), StreamError);
  CStream short_string = stream_of({10, 0, 0, 0, 'a', 'b'});
  EXPECT_THROW(read_string(short_string), StreamError);
  CStream empty;
  EXPECT_THROW(read_bool(empty), StreamError);
  CStream sought = stream_of({1, 2, 3, 4});
  sought.seek(10);
  EXPECT_EQ(sought.remaining(), 0u);
  EXPECT_THROW(read_int(sought), StreamError);
  EXPECT_THROW(sought.skip(1), StreamError);
}

TEST(SupportStream, BlocksRoundTrip) {
  std::vector<uint8_t> payload = random_bytes(5000, 1);
  std::vector<uint8_t> zeros(100000, 0);
  CStream stream;
  write_raw_block(stream, payload);
  write_compressed_block(stream, payload);
  write_compressed_block(stream, zeros);
  write_raw_block(stream, {});
  write_compressed_block(stream, {});
  write_int(stream, 77);
  stream.rewind();
  EXPECT_EQ(read_raw_block(stream).bytes(), payload);
  EXPECT_EQ(read_compressed_block(stream).bytes(), payload);
  CStream inflated = read_compressed_block(stream);
  EXPECT_EQ(inflated.bytes(), zeros);
  EXPECT_EQ(inflated.position(), 0u);
  EXPECT_TRUE(read_raw_block(stream).bytes().empty());
  EXPECT_TRUE(read_compressed_block(stream).bytes().empty());
  EXPECT_EQ(read_int(stream), 77);
}

TEST(SupportStream, BadBlocksRaise) {
  // Lengths larger than what is left, or negative.
  CStream too_long = stream_of({9, 0, 0, 0, 1, 2, 3});
  EXPECT_THROW(read_raw_block(too_long), StreamError);
  CStream negative = stream_of({0xFF, 0xFF, 0xFF, 0xFF, 1, 2, 3});
  EXPECT_THROW(read_compressed_block(negative), StreamError);

  std::vector<uint8_t> compressed = deflate_bytes(random_bytes(20000, 2));
  ASSERT_GT(compressed.size(), 1000u);
  auto read_back = [](std::span<const uint8_t> bytes) {
    CStream stream;
    write_raw_block(stream, bytes);
    stream.rewind();
    return read_compressed_block(stream);
  };
  // Cut at several points, the stream is truncated.
  for (size_t size : {size_t(0), size_t(1), size_t(2), size_t(100), compressed.size() - 1}) {
    EXPECT_THROW(read_back(std::span(compressed).first(size)), StreamError) << size;
  }
  // Damage in the middle breaks the data or the checksum.
  std::vector<uint8_t> damaged = compressed;
  for (size_t i = 500; i < 510; ++i) damaged[i] ^= 0x5A;
  EXPECT_THROW(read_back(damaged), StreamError);
  // Noise is not a zlib stream.
  EXPECT_THROW(read_back(random_bytes(3000, 3)), StreamError);
  // Inflating beyond the limit stops instead of allocating.
  std::vector<uint8_t> bomb = deflate_bytes(std::vector<uint8_t>(1 << 20, 0));
  EXPECT_THROW(inflate_bytes(bomb, 1000), StreamError);
  EXPECT_EQ(inflate_bytes(bomb, 1 << 20).size(), size_t(1) << 20);
}

TEST(SupportStream, HexForm) {
  CStream empty;
  EXPECT_EQ(to_hex(empty), "");
  CStream stream;
  from_hex(stream, "0aFf");
  EXPECT_EQ(stream.bytes(), (std::vector<uint8_t>{0x0A, 0xFF}));
  EXPECT_EQ(stream.position(), 0u);
  EXPECT_EQ(to_hex(stream), "0AFF");
  from_hex(stream, "abc");  // the odd digit is ignored
  EXPECT_EQ(stream.bytes(), (std::vector<uint8_t>{0xAB}));
  EXPECT_THROW(from_hex(stream, "00g1"), ConversionError);
  EXPECT_THROW(from_hex(stream, " 1"), ConversionError);

  CStream random = stream_of(random_bytes(300, 4));
  CStream back;
  from_hex(back, to_hex(random));
  EXPECT_EQ(back.bytes(), random.bytes());
}

TEST(SupportStream, ScrambledBlockRoundTrips) {
  for (uint32_t seed : {0u, 1u, 12345u, 0xFFFFFFFFu}) {
    RScrambleKey key = make_scramble_key(seed);
    std::array<uint8_t, 256> sorted = key.table;
    std::sort(sorted.begin(), sorted.end());
    for (int i = 0; i < 256; ++i) ASSERT_EQ(sorted[size_t(i)], i);

    for (size_t size : {0, 1, 2, 255, 256, 257, 4099}) {
      std::vector<uint8_t> payload = random_bytes(size, seed + uint32_t(size));
      CStream stream;
      write_scrambled_block(stream, payload, key);
      write_int(stream, 99);
      stream.rewind();
      CStream block = read_scrambled_block(stream);
      EXPECT_EQ(block.bytes(), payload) << seed << " " << size;
      EXPECT_EQ(block.position(), 0u);
      EXPECT_EQ(read_int(stream), 99);
    }
  }
  // The same seed gives the same bytes.
  CStream first, second;
  write_scrambled_block(first, random_bytes(100, 5), make_scramble_key(7));
  write_scrambled_block(second, random_bytes(100, 5), make_scramble_key(7));
  EXPECT_EQ(first.bytes(), second.bytes());
}

// Layout and both passes worked by hand.
TEST(SupportStream, ScrambledBlockByHand) {
  std::array<uint8_t, 256> table;
  std::iota(table.begin(), table.end(), 0);
  table[0] = 2;
  table[1] = 0;
  table[2] = 1;  // so the inverse maps 2 to 0, 0 to 1 and 1 to 2
  auto stored = [&](std::vector<uint8_t> data) {
    CStream stream;
    write_int(stream, 1);  // one filler integer before the table
    write_int(stream, 2);  // two after
    write_int(stream, -1);
    stream.write(table.data(), table.size());
    write_int(stream, 5);
    write_int(stream, 6);
    write_raw_block(stream, data);
    stream.rewind();
    return stream;
  };
  // First pass, from the top: D2 = U[1] - D1 - 2 = 2 - 2 - 2 = 254 and
  // D1 = U[2] - D0 - 1 = 0 - 5 - 1 = 250. Second pass: i = 2 swaps with 2 - T[2] = 1;
  // i = 1 swaps with itself (T[1] = 0); i = 0 stays.
  CStream stream = stored({5, 2, 1});
  EXPECT_EQ(read_scrambled_block(stream).bytes(), (std::vector<uint8_t>{5, 254, 250}));
  EXPECT_EQ(stream.remaining(), 0u);
  // A single byte is never changed.
  CStream single = stored({77});
  EXPECT_EQ(read_scrambled_block(single).bytes(), std::vector<uint8_t>{77});
  // Filler counts that cannot be present raise instead of skipping.
  CStream broken = stream_of({0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0});
  EXPECT_THROW(read_scrambled_block(broken), StreamError);
  CStream cut = stored({1, 2, 3});
  cut.bytes().resize(cut.size() - 1);
  EXPECT_THROW(read_scrambled_block(cut), StreamError);
}

TEST(SupportStream, ScrambledRanges) {
  std::vector<uint8_t> all(256);
  std::iota(all.begin(), all.end(), 0);
  for (int32_t seed : {0, 1, 249, 250, 123456, -5}) {
    CStream stream(all);
    scramble_range(stream, seed, 0, 0);
    EXPECT_EQ(stream.bytes()[0], 0) << seed;
    std::vector<uint8_t> sorted = stream.bytes();
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, all) << seed;  // a substitution, nothing lost
    unscramble_range(stream, seed, 0, -1);
    EXPECT_EQ(stream.bytes(), all) << seed;
  }
  CStream scrambled(all);
  scramble_range(scrambled, 1000, 0, 0);
  EXPECT_NE(scrambled.bytes(), all);

  // A length of 0 runs from the start to the end; a positive length stops there.
  std::vector<uint8_t> data = random_bytes(1000, 6);
  CStream tail(data);
  scramble_range(tail, 42, 600, 0);
  EXPECT_TRUE(std::equal(data.begin(), data.begin() + 600, tail.bytes().begin()));
  CStream part(data);
  scramble_range(part, 42, 600, 100);
  EXPECT_TRUE(std::equal(tail.bytes().begin(), tail.bytes().begin() + 700, part.bytes().begin()));
  EXPECT_TRUE(std::equal(data.begin() + 700, data.end(), part.bytes().begin() + 700));
  unscramble_range(tail, 42, 600, 0);
  EXPECT_EQ(tail.bytes(), data);
  // A range beyond the end changes nothing.
  CStream beyond(data);
  unscramble_range(beyond, 42, 5000, 10);
  EXPECT_EQ(beyond.bytes(), data);
}

}  // namespace
}  // namespace vn
