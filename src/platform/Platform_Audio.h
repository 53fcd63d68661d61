// The audio output on OpenAL Soft: the system's default device or the loopback mixer (16-bit
// stereo at 44,100 Hz, mixed only when asked, for headless runs and tests), sound data
// decoded from memory (libsndfile for sampled files, FluidSynth for MIDI), voices that play
// it with exact per-side gains, EFX effects and 3D placement.
//
// Not thread-safe: one caller at a time (the sound device serialises its calls).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vn {

constexpr int kAudioMixRate = 44100;
// Files longer than this once decoded are streamed in chunks instead of decoded whole.
constexpr double kAudioStreamAboveSeconds = 10.0;

// Opens the default device, or only the loopback mixer; a default device that does not
// open falls back to the loopback mixer. False when nothing opened (why says what failed).
bool audio_open(bool loopback_only, std::string& why);
void audio_close();
bool audio_is_open();
bool audio_is_loopback();
// The context has ALC_EXT_EFX and effect slots could be made.
bool audio_has_effects();
// Mixes the next frames (two samples each) of the loopback mixer; silence otherwise.
void audio_render(int16_t* out, size_t frames);
// The listener's gain, applied after each source's own clamp, so it may exceed 1.
void audio_set_master_gain(double gain);
// Bytes of decoded samples held right now (whole sounds and queued stream chunks).
size_t audio_decoded_bytes();
// FluidSynth's tempo factor for MIDI voices started from now on and those playing.
void audio_set_midi_tempo(double factor);
double audio_midi_tempo();

// --- Decoding ---
// A source of 16-bit stereo frames (mono files are doubled onto both sides).
class CAudioStream {
 public:
  virtual ~CAudioStream() = default;
  virtual int rate() const = 0;
  // Decoded length in seconds; negative when it cannot be known (MIDI).
  virtual double seconds() const = 0;
  // Up to frames frames; fewer only at the end.
  virtual size_t read(int16_t* out, size_t frames) = 0;
  virtual bool rewind() = 0;
  virtual void set_tempo(double) {}
};

using RAudioBytes = std::shared_ptr<const std::vector<uint8_t>>;
// A standard MIDI file's header and first track chunk.
bool is_midi_file(const std::vector<uint8_t>& bytes);
// A stream over a file's bytes: libsndfile's formats (WAV, OGG/Vorbis, FLAC, MP3, ...) or a
// standard MIDI file. nullptr when no decoder takes the bytes.
std::unique_ptr<CAudioStream> open_audio_stream(const RAudioBytes& bytes);

enum class AudioFileFormat { kWav, kOggVorbis, kFlac, kMp3 };
// Interleaved 16-bit frames of 1 or 2 channels written as a file of that format; empty when
// the writer fails.
std::vector<uint8_t> encode_audio_file(const int16_t* samples, size_t frames, int channels,
                                       int rate, AudioFileFormat format);

// A sound's data ready to play: short files decoded whole into buffers, long ones and MIDI
// kept as bytes and streamed by each voice.
class CAudioSound {
 public:
  ~CAudioSound();
  bool streamed() const { return streamed_; }
  bool positional() const { return positional_; }

 private:
  friend std::shared_ptr<CAudioSound> audio_load_sound(std::vector<uint8_t> bytes, bool positional);
  friend class CAudioVoice;
  CAudioSound() = default;
  RAudioBytes bytes_;
  bool streamed_ = false;
  bool positional_ = false;  // one mono buffer for a 3D source, else a left and a right one
  unsigned buffers_[2] = {0, 0};
  size_t held_bytes_ = 0;
};
// nullptr when no decoder takes the bytes, or the output is not open.
std::shared_ptr<CAudioSound> audio_load_sound(std::vector<uint8_t> bytes, bool positional);

// --- Effects ---
// One chain of effect stages for a sound, each an EFX effect in an auxiliary slot that the
// sound's voices feed.
class CAudioEffects {
 public:
  CAudioEffects() = default;
  ~CAudioEffects();
  CAudioEffects(const CAudioEffects&) = delete;
  CAudioEffects& operator=(const CAudioEffects&) = delete;
  // Replaces the stages with those of the flags (the kEffect* values of the sound device).
  void set(int flags);
  int flags() const { return flags_; }
  // The parameters of the first stage of that effect, in the script functions' order.
  void set_parameters(int effect, const double* values, size_t count);

 private:
  friend class CAudioVoice;
  struct RStage {
    int effect = 0;
    unsigned effect_id = 0;
    unsigned slot_id = 0;
    bool replaces = false;  // heard instead of the dry signal rather than beside it
  };
  void clear();
  void apply_stage_gains();
  std::vector<RStage> stages_;
  std::vector<double> wet_;  // each stage's own level before the sharing of replacing ones
  int flags_ = 0;
};

struct R3DSettings {
  double position[3] = {0, 0, 0};
  double velocity[3] = {0, 0, 0};
  double minimum = 1;
  double maximum = 1e9;
  double direction[3] = {0, 0, 0};
  int inside_angle = 360;
  int outside_angle = 360;
  double outside_gain = 1;
};

// One playing of a sound: a left and a right source (or one 3D source), started together.
class CAudioVoice {
 public:
  explicit CAudioVoice(std::shared_ptr<CAudioSound> sound);
  ~CAudioVoice();
  CAudioVoice(const CAudioVoice&) = delete;
  CAudioVoice& operator=(const CAudioVoice&) = delete;
  bool valid() const { return sources_[0] != 0; }
  void start(bool loop);
  void stop();
  bool playing();
  // Queues the next chunks of a streamed voice; restarts one that ran dry.
  void update();
  // Linear gains of the left and right side (a 3D voice takes the mean).
  void set_gains(double left, double right);
  void attach_effects(const CAudioEffects* effects);
  void set_3d(const R3DSettings& settings);

 private:
  void queue_chunks();
  void release_stream_buffers();
  std::shared_ptr<CAudioSound> sound_;
  std::unique_ptr<CAudioStream> stream_;
  unsigned sources_[2] = {0, 0};
  std::vector<unsigned> free_buffers_;
  std::vector<unsigned> all_buffers_;
  bool loop_ = false;
  bool running_ = false;  // started and neither stopped nor at its end
  bool stream_done_ = false;
  size_t queued_bytes_ = 0;
};

}  // namespace vn
