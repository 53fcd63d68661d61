#include "graphics/Sound_Class.h"

#include <random>
#include <span>
#include <system_error>

#include "graphics/Sound_Device.h"
#include "platform/Platform_FileIo.h"
#include "script/Variable_BuiltIn.h"
#include "support/Support_Path.h"
#include "support/Support_Record.h"

namespace vn {

namespace fs = std::filesystem;

constexpr int32_t kSoundVersion = 800;

CSound::CSound(const CSound& other) { copy_record(other); }

CSound& CSound::operator=(const CSound& other) {
  if (this != &other) copy_record(other);
  return *this;
}

void CSound::copy_record(const CSound& other) {
  kind = other.kind;
  file_type = other.file_type;
  file_name = other.file_name;
  has_data = other.has_data;
  data = other.data;
  effects = other.effects;
  volume = other.volume;
  pan = other.pan;
  preload = other.preload;
}

bool CSound::operator==(const CSound& other) const {
  return kind == other.kind && file_type == other.file_type && file_name == other.file_name &&
         has_data == other.has_data && data == other.data && effects == other.effects &&
         volume == other.volume && pan == other.pan && preload == other.preload;
}

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

bool CSound::load_from_file(const std::string& name, int new_kind, bool new_preload) {
  std::vector<uint8_t> bytes;
  std::string error;
  if (name.empty() || !read_file(game_path(name), bytes, error)) return false;
  release();
  const size_t folder_end = name.find_last_of("\\/");
  file_name = folder_end == std::string::npos ? name : name.substr(folder_end + 1);
  const size_t dot = file_name.rfind('.');
  file_type = dot == std::string::npos ? std::string() : file_name.substr(dot);
  kind = new_kind;
  preload = new_preload;
  has_data = true;
  data = std::move(bytes);
  return true;
}

namespace {

// The file type goes into a file name of ours: anything but a plain extension is left out.
std::string safe_file_type(const std::string& file_type) {
  if (file_type.find_first_of(std::string("/\\:\0", 4)) != std::string::npos) return {};
  return file_type;
}

}  // namespace

// "a" + a number below 100000 + the file type, in the runner's temporary folder; numbers
// are drawn until the name is new.
bool CSound::write_temporary_file() {
  const std::string& folder = run_state().temp_directory;
  if (folder.empty()) return false;
  static std::mt19937 random{std::random_device()()};
  std::uniform_int_distribution<int> below(0, 99999);
  const std::string type = safe_file_type(file_type);
  fs::path path;
  std::error_code failure;
  int tries = 0;
  do {
    // A folder that full is not a temporary folder worth waiting on.
    if (++tries > 100000) return false;
    path = join_game_path(folder, "a" + std::to_string(below(random)) + type);
  } while (fs::exists(path, failure));
  std::string error;
  if (!write_file_atomic(path, std::span<const uint8_t>(data), error)) return false;
  temporary_file_ = path;
  has_data = false;
  data.clear();
  data.shrink_to_fit();
  return true;
}

bool CSound::prepare() {
  if (slot_ >= 0) return true;
  unplayable_ = true;
  CSoundDevice& device = sound_device();
  if (kind >= kSoundNormal && kind <= kSound3D && has_data) {
    slot_ = device.load_from_memory(data, file_type, kind);
    if (slot_ < 0) {
      kind = kSoundMultimedia;
    } else if (device.slot_kind(slot_) == kSoundMultimedia) {
      kind = kSoundMultimedia;
    }
  }
  if (kind == kSoundMultimedia && slot_ < 0) {
    if (has_data) write_temporary_file();
    if (!temporary_file_.empty()) slot_ = device.load_from_file(temporary_file_, kind);
  }
  if (slot_ < 0) return false;
  unplayable_ = false;
  if (effects > 0) device.set_effects(slot_, effects);
  device.set_volume(slot_, 0, volume);
  device.set_pan(slot_, pan);
  return true;
}

void CSound::unprepare() {
  unplayable_ = false;
  if (slot_ < 0) return;
  sound_device().free_slot(slot_);
  slot_ = -1;
}

int CSound::slot() {
  if (slot_ < 0 && !unplayable_) prepare();
  return slot_;
}

void CSound::release() {
  unprepare();
  if (temporary_file_.empty()) return;
  std::error_code ignored;
  fs::remove(temporary_file_, ignored);
  temporary_file_.clear();
}

}  // namespace vn
