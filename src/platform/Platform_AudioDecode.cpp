// Decoders from memory: libsndfile through its virtual I/O for sampled files, FluidSynth
// rendering a standard MIDI file with a General MIDI sound font.
#include <fluidsynth.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <mutex>

#include "platform/Platform_Audio.h"

namespace vn {

namespace {

int16_t to_sample(float value) {
  const float scaled = std::round(value * 32767.0f);
  return int16_t(std::clamp(scaled, -32768.0f, 32767.0f));
}

// --- libsndfile over a byte vector ---
struct RMemoryFile {
  RAudioBytes bytes;
  sf_count_t position = 0;
};

sf_count_t memory_length(void* user) {
  return sf_count_t(static_cast<RMemoryFile*>(user)->bytes->size());
}
sf_count_t memory_seek(sf_count_t offset, int whence, void* user) {
  auto* file = static_cast<RMemoryFile*>(user);
  const sf_count_t size = sf_count_t(file->bytes->size());
  sf_count_t target = offset;
  if (whence == SEEK_CUR) target = file->position + offset;
  if (whence == SEEK_END) target = size + offset;
  file->position = std::clamp<sf_count_t>(target, 0, size);
  return file->position;
}
sf_count_t memory_read(void* out, sf_count_t count, void* user) {
  auto* file = static_cast<RMemoryFile*>(user);
  const sf_count_t size = sf_count_t(file->bytes->size());
  const sf_count_t taken = std::clamp<sf_count_t>(size - file->position, 0, count);
  if (taken > 0) std::memcpy(out, file->bytes->data() + file->position, size_t(taken));
  file->position += taken;
  return taken;
}
sf_count_t memory_write(const void*, sf_count_t, void*) { return 0; }
sf_count_t memory_tell(void* user) { return static_cast<RMemoryFile*>(user)->position; }

class CSampledStream : public CAudioStream {
 public:
  explicit CSampledStream(const RAudioBytes& bytes) { memory_.bytes = bytes; }
  ~CSampledStream() override {
    if (file_) sf_close(file_);
  }
  bool open() {
    SF_VIRTUAL_IO io{memory_length, memory_seek, memory_read, memory_write, memory_tell};
    file_ = sf_open_virtual(&io, SFM_READ, &info_, &memory_);
    if (!file_) return false;
    if (info_.channels < 1 || info_.samplerate < 1 || info_.samplerate > 384000) return false;
    return true;
  }
  int rate() const override { return info_.samplerate; }
  double seconds() const override {
    if (info_.frames <= 0 || info_.frames >= SF_COUNT_MAX / 2) return -1;
    return double(info_.frames) / info_.samplerate;
  }
  size_t read(int16_t* out, size_t frames) override {
    const size_t channels = size_t(info_.channels);
    if (channels == 2) return size_t(std::max<sf_count_t>(0, sf_readf_short(file_, out, frames)));
    scratch_.resize(frames * channels);
    const sf_count_t got = std::max<sf_count_t>(0, sf_readf_short(file_, scratch_.data(), frames));
    for (sf_count_t i = 0; i < got; ++i) {
      const int16_t* frame = scratch_.data() + size_t(i) * channels;
      out[2 * i] = frame[0];
      out[2 * i + 1] = channels > 1 ? frame[1] : frame[0];
    }
    return size_t(got);
  }
  bool rewind() override { return sf_seek(file_, 0, SEEK_SET) == 0; }

 private:
  RMemoryFile memory_;
  SF_INFO info_{};
  SNDFILE* file_ = nullptr;
  std::vector<int16_t> scratch_;
};

// --- FluidSynth ---
std::filesystem::path sound_font() {
  for (const char* candidate :
       {"/usr/share/sounds/sf2/TimGM6mb.sf2", "/usr/share/sounds/sf2/default-GM.sf2"}) {
    std::error_code error;
    if (std::filesystem::exists(candidate, error)) return candidate;
  }
  return {};
}

void quiet_fluidsynth() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (int level : {FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
      fluid_set_log_function(level, nullptr, nullptr);
  });
}

// The player is driven by the synthesiser's own sample count, so what it renders depends
// only on how many frames were asked for: no timer thread, no wall clock.
class CMidiStream : public CAudioStream {
 public:
  CMidiStream(const RAudioBytes& bytes, double tempo) : bytes_(bytes), tempo_(tempo) {}
  ~CMidiStream() override {
    drop_player();
    if (synth_) delete_fluid_synth(synth_);
    if (settings_) delete_fluid_settings(settings_);
  }
  bool open() {
    quiet_fluidsynth();
    const std::filesystem::path font = sound_font();
    if (font.empty()) return false;
    settings_ = new_fluid_settings();
    if (!settings_) return false;
    fluid_settings_setnum(settings_, "synth.sample-rate", kAudioMixRate);
    fluid_settings_setint(settings_, "synth.cpu-cores", 1);
    fluid_settings_setnum(settings_, "synth.gain", 0.5);
    fluid_settings_setstr(settings_, "player.timing-source", "sample");
    synth_ = new_fluid_synth(settings_);
    if (!synth_ || fluid_synth_sfload(synth_, font.c_str(), 1) == FLUID_FAILED) return false;
    return start_player();
  }
  int rate() const override { return kAudioMixRate; }
  double seconds() const override { return -1; }
  size_t read(int16_t* out, size_t frames) override {
    if (!player_) return 0;
    // The player never says it is done on its own clock: the song ends at its last tick,
    // and the notes still sounding then are rendered until they die away.
    const int total = fluid_player_get_total_ticks(player_);
    const bool ended = fluid_player_get_status(player_) != FLUID_PLAYER_PLAYING ||
                       (total > 0 && fluid_player_get_current_tick(player_) >= total);
    if (ended && (silent_ || tail_frames_ >= size_t(kAudioMixRate))) return 0;
    left_.resize(frames);
    right_.resize(frames);
    if (fluid_synth_write_float(synth_, int(frames), left_.data(), 0, 1, right_.data(), 0, 1) !=
        FLUID_OK)
      return 0;
    int peak = 0;
    for (size_t i = 0; i < frames; ++i) {
      out[2 * i] = to_sample(left_[i]);
      out[2 * i + 1] = to_sample(right_[i]);
      peak = std::max({peak, std::abs(int(out[2 * i])), std::abs(int(out[2 * i + 1]))});
    }
    if (ended) {
      tail_frames_ += frames;
      silent_ = peak <= 1;
    }
    return frames;
  }
  bool rewind() override {
    tail_frames_ = 0;
    silent_ = false;
    drop_player();
    fluid_synth_system_reset(synth_);
    return start_player();
  }
  void set_tempo(double factor) override {
    tempo_ = factor;
    if (player_) fluid_player_set_tempo(player_, FLUID_PLAYER_TEMPO_INTERNAL, tempo_);
  }

 private:
  bool start_player() {
    player_ = new_fluid_player(synth_);
    if (!player_) return false;
    if (fluid_player_add_mem(player_, bytes_->data(), bytes_->size()) != FLUID_OK) return false;
    fluid_player_set_tempo(player_, FLUID_PLAYER_TEMPO_INTERNAL, tempo_);
    return fluid_player_play(player_) == FLUID_OK;
  }
  void drop_player() {
    if (!player_) return;
    fluid_player_stop(player_);
    delete_fluid_player(player_);
    player_ = nullptr;
  }
  RAudioBytes bytes_;
  double tempo_;
  fluid_settings_t* settings_ = nullptr;
  fluid_synth_t* synth_ = nullptr;
  fluid_player_t* player_ = nullptr;
  std::vector<float> left_, right_;
  size_t tail_frames_ = 0;
  bool silent_ = false;
};

}  // namespace

// A standard MIDI file: its header chunk of six bytes, then a track chunk.
bool is_midi_file(const std::vector<uint8_t>& bytes) {
  if (bytes.size() < 22 || std::memcmp(bytes.data(), "MThd", 4) != 0) return false;
  const uint32_t length =
      (uint32_t(bytes[4]) << 24) | (uint32_t(bytes[5]) << 16) | (bytes[6] << 8) | bytes[7];
  if (length < 6 || bytes.size() < 8 + size_t(length) + 8) return false;
  return std::memcmp(bytes.data() + 8 + length, "MTrk", 4) == 0;
}

std::unique_ptr<CAudioStream> open_audio_stream(const RAudioBytes& bytes) {
  if (!bytes || bytes->empty()) return nullptr;
  if (is_midi_file(*bytes)) {
    auto midi = std::make_unique<CMidiStream>(bytes, audio_midi_tempo());
    if (midi->open()) return midi;
    return nullptr;
  }
  auto sampled = std::make_unique<CSampledStream>(bytes);
  if (sampled->open()) return sampled;
  return nullptr;
}

namespace {
struct RGrowingFile {
  std::vector<uint8_t> bytes;
  sf_count_t position = 0;
};
sf_count_t growing_length(void* user) {
  return sf_count_t(static_cast<RGrowingFile*>(user)->bytes.size());
}
sf_count_t growing_seek(sf_count_t offset, int whence, void* user) {
  auto* file = static_cast<RGrowingFile*>(user);
  sf_count_t target = offset;
  if (whence == SEEK_CUR) target = file->position + offset;
  if (whence == SEEK_END) target = sf_count_t(file->bytes.size()) + offset;
  file->position = std::max<sf_count_t>(0, target);
  return file->position;
}
sf_count_t growing_read(void* out, sf_count_t count, void* user) {
  auto* file = static_cast<RGrowingFile*>(user);
  const sf_count_t size = sf_count_t(file->bytes.size());
  const sf_count_t taken = std::clamp<sf_count_t>(size - file->position, 0, count);
  if (taken > 0) std::memcpy(out, file->bytes.data() + file->position, size_t(taken));
  file->position += taken;
  return taken;
}
sf_count_t growing_write(const void* data, sf_count_t count, void* user) {
  auto* file = static_cast<RGrowingFile*>(user);
  const size_t end = size_t(file->position + count);
  if (file->bytes.size() < end) file->bytes.resize(end);
  std::memcpy(file->bytes.data() + file->position, data, size_t(count));
  file->position += count;
  return count;
}
sf_count_t growing_tell(void* user) { return static_cast<RGrowingFile*>(user)->position; }
}  // namespace

std::vector<uint8_t> encode_audio_file(const int16_t* samples, size_t frames, int channels,
                                       int rate, AudioFileFormat format) {
  SF_INFO info{};
  info.channels = channels;
  info.samplerate = rate;
  switch (format) {
    case AudioFileFormat::kWav:
      info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
      break;
    case AudioFileFormat::kOggVorbis:
      info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
      break;
    case AudioFileFormat::kFlac:
      info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
      break;
    case AudioFileFormat::kMp3:
      info.format = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;
      break;
  }
  RGrowingFile file;
  SF_VIRTUAL_IO io{growing_length, growing_seek, growing_read, growing_write, growing_tell};
  SNDFILE* out = sf_open_virtual(&io, SFM_WRITE, &info, &file);
  if (!out) return {};
  // In small pieces: the Vorbis encoder takes a whole write on its stack at once.
  bool written = true;
  for (size_t done = 0; written && done < frames; done += 4096) {
    const sf_count_t piece = sf_count_t(std::min<size_t>(4096, frames - done));
    written = sf_writef_short(out, samples + done * size_t(channels), piece) == piece;
  }
  sf_close(out);
  if (!written) return {};
  return std::move(file.bytes);
}

}  // namespace vn
