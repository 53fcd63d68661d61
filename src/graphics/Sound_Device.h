// The sound device: sample slots holding decoded (or streamed) sounds, played by kind with
// the rules of each kind, with the volume, pan, global volume and tempo scales, effects and
// 3D settings. Mixing happens on the platform's audio device (or its loopback mixer when
// the run has no sound card or no display); every call works, silently, without one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace vn {

// Kinds of sounds: normal sounds overlap, background music plays one at a time (a new one
// replaces the one playing), 3D sounds overlap and take 3D settings, and multimedia sounds
// (what the decoders of the other kinds do not take) play one at a time without volume,
// pan, effects or 3D settings.
enum SoundKind : int {
  kSoundNone = -1,
  kSoundNormal = 0,
  kSoundBackground = 1,
  kSound3D = 2,
  kSoundMultimedia = 3
};

// Effect flags (se_chorus ... se_equalizer, and the two further ones games may set).
enum SoundEffect : int {
  kEffectChorus = 1,
  kEffectEcho = 2,
  kEffectFlanger = 4,
  kEffectGargle = 8,
  kEffectReverb = 16,
  kEffectCompressor = 32,
  kEffectEqualizer = 64,
  kEffectDistortion = 128,
  kEffectI3DL2Reverb = 256
};

// How the device was opened.
enum class AudioOutput {
  kDevice,    // the system's default output; the loopback mixer when none opens
  kLoopback,  // the loopback mixer only (headless runs, tests, --audio-out)
};

class CSoundDevice {
 public:
  // Opens the output and empties the slot table; false when no output opened at all (the
  // caller shows the message), and every later call then does nothing harmful.
  bool init(AudioOutput output);
  // Frees every slot and closes the output.
  void done();
  bool available() const;

  // --- Slots ---
  // A slot for the bytes of a sound file of that type (".wav", ".mid", ... with its dot):
  // decoded or streamed as its kind asks. A file the kind's decoders do not take makes the
  // slot multimedia (kind 3) when a decoder of any kind takes it; -1 when nothing does.
  int load_from_memory(const std::vector<uint8_t>& data, const std::string& file_type, int kind);
  // The same from a file (multimedia sounds are played from their file).
  int load_from_file(const std::filesystem::path& path, int kind);
  // The kind a slot ended up with; kSoundNone for a free or unknown slot.
  int slot_kind(int slot) const;
  // Stops the slot and frees it; its id is reused by the next load.
  void free_slot(int slot);
  void free_all();

  // --- Playing ---
  void play(int slot, bool loop);
  void stop(int slot);
  void stop_all();
  bool is_playing(int slot) const;

  // --- Scales (none applies to multimedia sounds) ---
  // Volume 0 ... 1 as round(v × 9600) − 9600 hundredths of a decibel, reached linearly in
  // that many hundredths of a decibel over duration_ms (0: at once).
  void set_volume(int slot, int duration_ms, double volume);
  // Pan −1 ... 1 as round(p × 10000) hundredths of a decibel taken off the other side.
  void set_pan(int slot, double pan);
  // round(g × 11000 − 10000) hundredths of a decibel, clamped to −10000 ... 1000.
  void set_global_volume(double volume);
  // Clamped to 0.01 ... 100; changes the speed of MIDI music.
  void set_tempo(double factor);
  // Where files a sound refers to are looked for.
  void set_search_directory(const std::filesystem::path& folder);

  // --- Effects ---
  // Replaces the chain with the flags' effects in their fixed order (0: none).
  void set_effects(int slot, int flags);
  // The parameters of one effect of the chain (one flag), in the order the script
  // functions take them; nothing when the slot's chain lacks that effect.
  void set_effect_parameters(int slot, int effect, const double* values, size_t count);

  // --- 3D (3D sounds only) ---
  void set_position(int slot, double x, double y, double z);
  void set_velocity(int slot, double x, double y, double z);
  // A negative minimum counts as 0.
  void set_distance(int slot, double minimum, double maximum);
  // Outside volume 0 ... 1 as round(v × 10000 − 10000) hundredths of a decibel.
  void set_cone(int slot, double x, double y, double z, int inside_angle, int outside_angle,
                double outside_volume);

  // --- The loopback mixer ---
  // Mixes the next frames of everything playing into 16-bit stereo at 44,100 Hz (two
  // samples a frame). Only when opened as kLoopback (or fallen back to it); silence
  // otherwise.
  void render(int16_t* out, size_t frames);

  CSoundDevice();
  ~CSoundDevice();
  CSoundDevice(const CSoundDevice&) = delete;
  CSoundDevice& operator=(const CSoundDevice&) = delete;

 private:
  struct RState;
  std::unique_ptr<RState> state_;
};

CSoundDevice& sound_device();

}  // namespace vn
