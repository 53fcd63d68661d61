#include "support/Support_Wav.h"

#include <array>
#include <bit>
#include <cerrno>
#include <cstring>
#include <limits>

namespace vn {

namespace {

constexpr size_t kHeaderSize = 44;

void put_u16(uint8_t* at, uint32_t value) {
  at[0] = uint8_t(value);
  at[1] = uint8_t(value >> 8);
}

void put_u32(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = uint8_t(value >> (8 * i));
}

// The canonical 44-byte header of a PCM file holding that many bytes of samples.
std::array<uint8_t, kHeaderSize> header(int channels, int rate, uint32_t data_bytes) {
  std::array<uint8_t, kHeaderSize> bytes{};
  std::memcpy(bytes.data(), "RIFF", 4);
  put_u32(bytes.data() + 4, uint32_t(36 + uint64_t(data_bytes)));
  std::memcpy(bytes.data() + 8, "WAVEfmt ", 8);
  put_u32(bytes.data() + 16, 16);
  put_u16(bytes.data() + 20, 1);  // PCM
  put_u16(bytes.data() + 22, uint32_t(channels));
  put_u32(bytes.data() + 24, uint32_t(rate));
  put_u32(bytes.data() + 28, uint32_t(rate * channels * 2));
  put_u16(bytes.data() + 32, uint32_t(channels * 2));
  put_u16(bytes.data() + 34, 16);
  std::memcpy(bytes.data() + 36, "data", 4);
  put_u32(bytes.data() + 40, data_bytes);
  return bytes;
}

}  // namespace

CWavWriter::~CWavWriter() {
  std::string ignored;
  close(ignored);
}

bool CWavWriter::open(const std::filesystem::path& path, int channels, int rate,
                      std::string& error) {
  close(error);
  error.clear();
  file_ = std::fopen(path.c_str(), "wb");
  if (file_ == nullptr) {
    error = path.string() + ": " + std::strerror(errno);
    return false;
  }
  path_ = path;
  channels_ = channels;
  frames_ = 0;
  failed_ = false;
  const auto bytes = header(channels, rate, 0);
  failed_ = std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size();
  rate_of_file_ = rate;
  return !failed_;
}

bool CWavWriter::write(const int16_t* samples, size_t frames) {
  if (file_ == nullptr || failed_) return false;
  const size_t count = frames * size_t(channels_);
  // Samples are little-endian in the file, as they are in memory here.
  static_assert(std::endian::native == std::endian::little);
  if (std::fwrite(samples, sizeof(int16_t), count, file_) != count) {
    failed_ = true;
    return false;
  }
  frames_ += frames;
  return true;
}

bool CWavWriter::close(std::string& error) {
  if (file_ == nullptr) return true;
  const uint64_t data_bytes = frames_ * uint64_t(channels_) * 2;
  if (data_bytes > std::numeric_limits<uint32_t>::max() - 36) {
    failed_ = true;
    error = path_.string() + ": more sound than a WAV file can hold";
  }
  if (!failed_) {
    const auto bytes = header(channels_, rate_of_file_, uint32_t(data_bytes));
    failed_ = std::fseek(file_, 0, SEEK_SET) != 0 ||
              std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size();
  }
  if (std::fclose(file_) != 0) failed_ = true;
  file_ = nullptr;
  if (failed_ && error.empty()) error = path_.string() + ": could not be written";
  return !failed_;
}

}  // namespace vn
