#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "Test_Support.h"
#include "support/Support_Wav.h"

namespace vn::test {
namespace {

std::vector<uint8_t> bytes_of(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

uint32_t u32(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
         uint32_t(b[at + 3]) << 24;
}

// Blocks written one after another make one file whose header counts all of them.
TEST(WavWriter, HeaderCountsEverySampleWrittenInBlocks) {
  ScratchDir scratch("wav_writer");
  const auto path = scratch / "out.wav";
  CWavWriter writer;
  std::string error;
  ASSERT_TRUE(writer.open(path, 2, 44100, error)) << error;
  const int16_t first[] = {1, -1, 2, -2, 3, -3};
  const int16_t second[] = {32767, -32768};
  ASSERT_TRUE(writer.write(first, 3));
  ASSERT_TRUE(writer.write(second, 1));
  EXPECT_EQ(writer.frames_written(), 4u);
  ASSERT_TRUE(writer.close(error)) << error;

  const std::vector<uint8_t> b = bytes_of(path);
  ASSERT_EQ(b.size(), 44u + 16u);
  EXPECT_EQ(std::memcmp(b.data(), "RIFF", 4), 0);
  EXPECT_EQ(u32(b, 4), 36u + 16u);
  EXPECT_EQ(std::memcmp(b.data() + 8, "WAVEfmt ", 8), 0);
  EXPECT_EQ(b[20] | b[21] << 8, 1);   // PCM
  EXPECT_EQ(b[22] | b[23] << 8, 2);   // channels
  EXPECT_EQ(u32(b, 24), 44100u);      // rate
  EXPECT_EQ(u32(b, 28), 44100u * 4);  // bytes a second
  EXPECT_EQ(b[34] | b[35] << 8, 16);  // bits
  EXPECT_EQ(std::memcmp(b.data() + 36, "data", 4), 0);
  EXPECT_EQ(u32(b, 40), 16u);
  EXPECT_EQ(int16_t(b[44 + 12] | b[44 + 13] << 8), 32767);
  EXPECT_EQ(int16_t(b[44 + 14] | b[44 + 15] << 8), -32768);
}

TEST(WavWriter, AFileThatCannotBeMadeIsReported) {
  ScratchDir scratch("wav_writer_bad");
  CWavWriter writer;
  std::string error;
  EXPECT_FALSE(writer.open(scratch / "missing" / "out.wav", 2, 44100, error));
  EXPECT_NE(error.find("out.wav"), std::string::npos);
  const int16_t samples[] = {0, 0};
  EXPECT_FALSE(writer.write(samples, 1));
  EXPECT_TRUE(writer.close(error));  // nothing open: nothing to fail
}

}  // namespace
}  // namespace vn::test
