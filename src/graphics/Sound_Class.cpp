#include "graphics/Sound_Class.h"

#include "support/Support_Record.h"

namespace vn {

constexpr int32_t kSoundVersion = 800;

void CSound::read(CStream& stream) {
  *this = CSound();
  expect_version(stream, kSoundVersion);
  kind = read_int(stream);
  file_type = read_string(stream);
  file_name = read_string(stream);
  has_data = read_bool(stream);
  if (has_data) {
    data = read_raw_block(stream).take_bytes();
  }
  effects = read_int(stream);
  volume = read_real(stream);
  pan = read_real(stream);
  preload = read_bool(stream);
}

void CSound::write(CStream& stream) const {
  write_int(stream, kSoundVersion);
  write_int(stream, kind);
  write_string(stream, file_type);
  write_string(stream, file_name);
  write_bool(stream, has_data);
  if (has_data) {
    write_raw_block(stream, data);
  }
  write_int(stream, effects);
  write_real(stream, volume);
  write_real(stream, pan);
  write_bool(stream, preload);
}

}  // namespace vn
