// A WAV file of 16-bit PCM written as it is produced: the header's sizes are filled in when
// the file is closed, so a recording of any length never has to be held in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace vn {

class CWavWriter {
 public:
  CWavWriter() = default;
  ~CWavWriter();
  CWavWriter(const CWavWriter&) = delete;
  CWavWriter& operator=(const CWavWriter&) = delete;

  // Creates (or replaces) the file; false with the reason when it cannot be written.
  bool open(const std::filesystem::path& path, int channels, int rate, std::string& error);
  // Frames of interleaved samples, one per channel.
  bool write(const int16_t* samples, size_t frames);
  // Fills in the sizes and closes; false with the reason when anything failed on the way.
  bool close(std::string& error);

  bool is_open() const { return file_ != nullptr; }
  uint64_t frames_written() const { return frames_; }

 private:
  std::FILE* file_ = nullptr;
  std::filesystem::path path_;
  int channels_ = 2;
  int rate_of_file_ = 44100;
  uint64_t frames_ = 0;
  bool failed_ = false;
};

}  // namespace vn
