// OpenAL Soft: device or loopback mixer, buffers, voices, EFX stages and 3D sources.
#define AL_ALEXT_PROTOTYPES
#include "platform/Platform_Audio.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <AL/efx-presets.h>
#include <AL/efx.h>

#include <algorithm>
#include <cmath>

namespace vn {

namespace {

// Enough effect sends for every stage of the longest chain (ten stages).
constexpr int kWantedSends = 10;
// A streamed voice keeps this many chunks queued on each source.
constexpr size_t kStreamChunkFrames = 8192;
constexpr size_t kStreamChunks = 4;

struct RAudioState {
  ALCdevice* device = nullptr;
  ALCcontext* context = nullptr;
  bool loopback = false;
  bool efx = false;
  int sends = 0;
  unsigned mute_filter = 0;  // silences the dry path of a voice whose chain replaces it
  size_t decoded_bytes = 0;
  double midi_tempo = 1;
  std::vector<CAudioVoice*> voices;
  std::vector<CAudioStream*> midi_streams;
  std::vector<float> mixed;
};

// Never destroyed: the sound device is a static too and may close the output after
// other statics are gone.
RAudioState& audio() {
  static RAudioState* state = new RAudioState();
  return *state;
}

void count_bytes(size_t add, size_t remove) {
  audio().decoded_bytes = audio().decoded_bytes + add - std::min(remove, audio().decoded_bytes);
}

bool create_context(ALCdevice* device, bool loopback) {
  RAudioState& state = audio();
  std::vector<ALCint> attributes;
  if (loopback) {
    // Float, turned into 16-bit samples here: the mixer's own 16-bit output adds dither,
    // which would put noise into silence and into every measured level.
    attributes.insert(attributes.end(),
                      {ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT,
                       ALC_FLOAT_SOFT, ALC_FREQUENCY, kAudioMixRate});
  }
  // Plain stereo: a head-related filter would colour the measured levels.
  attributes.insert(attributes.end(), {ALC_HRTF_SOFT, ALC_FALSE});
  const bool efx = alcIsExtensionPresent(device, "ALC_EXT_EFX");
  if (efx) attributes.insert(attributes.end(), {ALC_MAX_AUXILIARY_SENDS, kWantedSends});
  attributes.push_back(0);
  state.context = alcCreateContext(device, attributes.data());
  if (!state.context || !alcMakeContextCurrent(state.context)) {
    if (state.context) alcDestroyContext(state.context);
    state.context = nullptr;
    return false;
  }
  state.device = device;
  state.loopback = loopback;
  state.sends = 0;
  if (efx) alcGetIntegerv(device, ALC_MAX_AUXILIARY_SENDS, 1, &state.sends);
  state.efx = efx && state.sends > 0;
  if (state.efx) {
    alGetError();
    alGenFilters(1, &state.mute_filter);
    alFilteri(state.mute_filter, AL_FILTER_TYPE, AL_FILTER_LOWPASS);
    alFilterf(state.mute_filter, AL_LOWPASS_GAIN, 0.0f);
    if (alGetError() != AL_NO_ERROR) state.efx = false;
  }
  // The distance law of the games' 3D buffers: inverse distance, clamped to the minimum.
  alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
  return true;
}

ALuint make_buffer(const int16_t* samples, size_t frames, int channels, int rate) {
  ALuint buffer = 0;
  alGenBuffers(1, &buffer);
  if (alGetError() != AL_NO_ERROR) return 0;
  const size_t bytes = frames * size_t(channels) * 2;
  alBufferData(buffer, channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16, samples,
               ALsizei(bytes), rate);
  count_bytes(bytes, 0);
  return buffer;
}

// The left or right side of stereo frames as stereo frames with the other side silent, so
// that a direct-channel source plays it on that side only; or both sides' mean for 3D.
void split_side(const int16_t* stereo, size_t frames, int side, std::vector<int16_t>& out) {
  if (side == 2) {
    out.resize(frames);
    for (size_t i = 0; i < frames; ++i) out[i] = int16_t((stereo[2 * i] + stereo[2 * i + 1]) / 2);
    return;
  }
  out.assign(frames * 2, 0);
  for (size_t i = 0; i < frames; ++i) out[2 * i + side] = stereo[2 * i + side];
}

}  // namespace

// --- Output ---

bool audio_open(bool loopback_only, std::string& why) {
  audio_close();
  alcGetError(nullptr);
  if (!loopback_only) {
    if (ALCdevice* device = alcOpenDevice(nullptr)) {
      if (create_context(device, false)) return true;
      alcCloseDevice(device);
      why = "the default audio device has no usable context";
    } else {
      why = "no default audio device";
    }
  }
  if (!alcIsExtensionPresent(nullptr, "ALC_SOFT_loopback")) {
    why += why.empty() ? "no loopback mixer" : "; no loopback mixer";
    return false;
  }
  ALCdevice* device = alcLoopbackOpenDeviceSOFT(nullptr);
  if (!device) {
    why += why.empty() ? "the loopback mixer did not open" : "; the loopback mixer did not open";
    return false;
  }
  if (!alcIsRenderFormatSupportedSOFT(device, kAudioMixRate, ALC_STEREO_SOFT, ALC_FLOAT_SOFT) ||
      !create_context(device, true)) {
    alcCloseDevice(device);
    why += why.empty() ? "the loopback mixer has no float stereo"
                       : "; the loopback mixer has no float stereo";
    return false;
  }
  return true;
}

void audio_close() {
  RAudioState& state = audio();
  if (!state.context) return;
  if (state.mute_filter) alDeleteFilters(1, &state.mute_filter);
  state.mute_filter = 0;
  alcMakeContextCurrent(nullptr);
  alcDestroyContext(state.context);
  alcCloseDevice(state.device);
  state.context = nullptr;
  state.device = nullptr;
  state.loopback = false;
  state.efx = false;
}

bool audio_is_open() { return audio().context != nullptr; }
bool audio_is_loopback() { return audio().context && audio().loopback; }
bool audio_has_effects() { return audio().context && audio().efx; }

void audio_render(int16_t* out, size_t frames) {
  if (!audio_is_loopback()) {
    std::fill(out, out + frames * 2, int16_t(0));
    return;
  }
  std::vector<float>& mixed = audio().mixed;
  mixed.resize(frames * 2);
  alcRenderSamplesSOFT(audio().device, mixed.data(), ALCsizei(frames));
  for (size_t i = 0; i < frames * 2; ++i) {
    const float sample = std::round(mixed[i] * 32768.0f);
    out[i] = int16_t(std::clamp(sample, -32768.0f, 32767.0f));
  }
}

void audio_set_master_gain(double gain) {
  if (!audio_is_open()) return;
  alListenerf(AL_GAIN, float(std::max(0.0, gain)));
}

size_t audio_decoded_bytes() { return audio().decoded_bytes; }

void audio_set_midi_tempo(double factor) {
  audio().midi_tempo = factor;
  for (CAudioStream* stream : audio().midi_streams) stream->set_tempo(factor);
}
double audio_midi_tempo() { return audio().midi_tempo; }

// --- Sounds ---

CAudioSound::~CAudioSound() {
  if (!audio_is_open()) return;
  for (unsigned& buffer : buffers_) {
    if (buffer) alDeleteBuffers(1, &buffer);
    buffer = 0;
  }
  count_bytes(0, held_bytes_);
}

std::shared_ptr<CAudioSound> audio_load_sound(std::vector<uint8_t> bytes, bool positional) {
  if (!audio_is_open() || bytes.empty()) return nullptr;
  std::shared_ptr<CAudioSound> sound(new CAudioSound());
  sound->positional_ = positional;
  sound->bytes_ = std::make_shared<const std::vector<uint8_t>>(std::move(bytes));
  if (is_midi_file(*sound->bytes_)) {
    sound->streamed_ = true;
    return sound;
  }
  std::unique_ptr<CAudioStream> stream = open_audio_stream(sound->bytes_);
  if (!stream) return nullptr;
  const double seconds = stream->seconds();
  if (seconds < 0 || seconds > kAudioStreamAboveSeconds) {
    // A stream with nothing to play is no sound at all.
    int16_t probe[2 * 64];
    if (stream->read(probe, 64) == 0) return nullptr;
    sound->streamed_ = true;
    return sound;
  }
  std::vector<int16_t> frames;
  std::vector<int16_t> chunk(2 * kStreamChunkFrames);
  for (;;) {
    const size_t got = stream->read(chunk.data(), kStreamChunkFrames);
    if (got == 0) break;
    frames.insert(frames.end(), chunk.begin(), chunk.begin() + 2 * got);
    // A file that decodes to far more than it declared is cut where streaming would start.
    if (frames.size() / 2 > size_t(kAudioStreamAboveSeconds * 2 * stream->rate())) break;
  }
  const size_t count = frames.size() / 2;
  if (count == 0) return nullptr;
  alGetError();
  std::vector<int16_t> side;
  for (int i = 0; i < (positional ? 1 : 2); ++i) {
    split_side(frames.data(), count, positional ? 2 : i, side);
    sound->buffers_[i] = make_buffer(side.data(), count, positional ? 1 : 2, stream->rate());
    sound->held_bytes_ += count * (positional ? 2 : 4);
    if (!sound->buffers_[i]) return nullptr;
  }
  sound->bytes_.reset();
  return sound;
}

// --- Voices ---

CAudioVoice::CAudioVoice(std::shared_ptr<CAudioSound> sound) : sound_(std::move(sound)) {
  if (!audio_is_open() || !sound_) return;
  const int count = sound_->positional_ ? 1 : 2;
  alGetError();
  alGenSources(count, sources_);
  if (alGetError() != AL_NO_ERROR) {
    sources_[0] = sources_[1] = 0;
    return;
  }
  for (int i = 0; i < count; ++i) {
    if (sound_->positional_) continue;
    // Each side is its own source carrying one output channel unchanged.
    alSourcei(sources_[i], AL_DIRECT_CHANNELS_SOFT, AL_TRUE);
    alSourcei(sources_[i], AL_SOURCE_RELATIVE, AL_TRUE);
    alSource3f(sources_[i], AL_POSITION, 0, 0, 0);
    alSourcef(sources_[i], AL_ROLLOFF_FACTOR, 0);
  }
  if (sound_->streamed_) {
    stream_ = open_audio_stream(sound_->bytes_);
    if (!stream_) return;
    all_buffers_.resize(kStreamChunks * count);
    alGenBuffers(ALsizei(all_buffers_.size()), all_buffers_.data());
    if (alGetError() != AL_NO_ERROR) {
      all_buffers_.clear();
      stream_.reset();
      return;
    }
    free_buffers_ = all_buffers_;
    if (is_midi_file(*sound_->bytes_)) audio().midi_streams.push_back(stream_.get());
  } else {
    for (int i = 0; i < count; ++i) alSourcei(sources_[i], AL_BUFFER, ALint(sound_->buffers_[i]));
  }
  audio().voices.push_back(this);
}

CAudioVoice::~CAudioVoice() {
  std::erase(audio().voices, this);
  if (stream_) std::erase(audio().midi_streams, stream_.get());
  if (!audio_is_open() || !sources_[0]) return;
  const int count = sound_->positional_ ? 1 : 2;
  alSourceStopv(count, sources_);
  for (int i = 0; i < count; ++i) alSourcei(sources_[i], AL_BUFFER, 0);
  alDeleteSources(count, sources_);
  if (!all_buffers_.empty()) alDeleteBuffers(ALsizei(all_buffers_.size()), all_buffers_.data());
  count_bytes(0, queued_bytes_);
}

void CAudioVoice::release_stream_buffers() {
  const int count = sound_->positional_ ? 1 : 2;
  alSourceStopv(count, sources_);
  for (int i = 0; i < count; ++i) alSourcei(sources_[i], AL_BUFFER, 0);
  free_buffers_ = all_buffers_;
  count_bytes(0, queued_bytes_);
  queued_bytes_ = 0;
}

void CAudioVoice::queue_chunks() {
  const bool pair = !sound_->positional_;
  const size_t needed = pair ? 2 : 1;
  std::vector<int16_t> chunk(2 * kStreamChunkFrames);
  std::vector<int16_t> side;
  while (!stream_done_ && free_buffers_.size() >= needed) {
    size_t got = stream_->read(chunk.data(), kStreamChunkFrames);
    // A loop goes on from the start within the same chunk; a rewind that yields nothing
    // (an empty or broken file) ends it instead of spinning.
    while (loop_ && got < kStreamChunkFrames) {
      if (!stream_->rewind()) break;
      const size_t more = stream_->read(chunk.data() + 2 * got, kStreamChunkFrames - got);
      if (more == 0) break;
      got += more;
    }
    if (got == 0) {
      stream_done_ = true;
      break;
    }
    for (size_t i = 0; i < needed; ++i) {
      const ALuint buffer = free_buffers_.back();
      free_buffers_.pop_back();
      split_side(chunk.data(), got, pair ? int(i) : 2, side);
      const size_t bytes = got * (pair ? 4 : 2);
      alBufferData(buffer, pair ? AL_FORMAT_STEREO16 : AL_FORMAT_MONO16, side.data(),
                   ALsizei(bytes), stream_->rate());
      alSourceQueueBuffers(sources_[i], 1, &buffer);
      queued_bytes_ += bytes;
      count_bytes(bytes, 0);
    }
    if (got < kStreamChunkFrames && !loop_) stream_done_ = true;
  }
}

void CAudioVoice::start(bool loop) {
  if (!valid()) return;
  const int count = sound_->positional_ ? 1 : 2;
  loop_ = loop;
  if (sound_->streamed_) {
    if (!stream_) return;
    release_stream_buffers();
    stream_->rewind();
    stream_done_ = false;
    queue_chunks();
  } else {
    alSourceStopv(count, sources_);
    for (int i = 0; i < count; ++i) alSourcei(sources_[i], AL_LOOPING, loop ? AL_TRUE : AL_FALSE);
  }
  alSourcePlayv(count, sources_);
  running_ = true;
}

void CAudioVoice::stop() {
  if (!valid()) return;
  running_ = false;
  if (sound_->streamed_) {
    if (stream_) release_stream_buffers();
  } else {
    alSourceStopv(sound_->positional_ ? 1 : 2, sources_);
  }
}

bool CAudioVoice::playing() {
  if (!valid() || !running_) return false;
  ALint state = 0;
  alGetSourcei(sources_[0], AL_SOURCE_STATE, &state);
  if (state == AL_PLAYING) return true;
  // A stream that ran dry before its end is still playing: the next update restarts it.
  if (sound_->streamed_ && !stream_done_) return true;
  running_ = false;
  return false;
}

void CAudioVoice::update() {
  if (!valid() || !running_ || !sound_->streamed_ || !stream_) return;
  const int count = sound_->positional_ ? 1 : 2;
  for (int i = 0; i < count; ++i) {
    ALint processed = 0;
    alGetSourcei(sources_[i], AL_BUFFERS_PROCESSED, &processed);
    while (processed-- > 0) {
      ALuint buffer = 0;
      alSourceUnqueueBuffers(sources_[i], 1, &buffer);
      ALint size = 0;
      alGetBufferi(buffer, AL_SIZE, &size);
      queued_bytes_ -= std::min(queued_bytes_, size_t(size));
      count_bytes(0, size_t(size));
      free_buffers_.push_back(buffer);
    }
  }
  queue_chunks();
  ALint state = 0, queued = 0;
  alGetSourcei(sources_[0], AL_SOURCE_STATE, &state);
  alGetSourcei(sources_[0], AL_BUFFERS_QUEUED, &queued);
  if (state != AL_PLAYING && queued > 0) alSourcePlayv(count, sources_);
}

void CAudioVoice::set_gains(double left, double right) {
  if (!valid()) return;
  if (sound_->positional_) {
    alSourcef(sources_[0], AL_GAIN, float((left + right) / 2));
    return;
  }
  alSourcef(sources_[0], AL_GAIN, float(left));
  alSourcef(sources_[1], AL_GAIN, float(right));
}

void CAudioVoice::attach_effects(const CAudioEffects* effects) {
  if (!valid() || !audio_has_effects()) return;
  bool replaced = false;
  for (int i = 0; i < (sound_->positional_ ? 1 : 2); ++i) {
    for (int send = 0; send < audio().sends; ++send) {
      ALuint slot = AL_EFFECTSLOT_NULL;
      if (effects && size_t(send) < effects->stages_.size()) {
        slot = effects->stages_[send].slot_id;
        replaced = replaced || effects->stages_[send].replaces;
      }
      alSource3i(sources_[i], AL_AUXILIARY_SEND_FILTER, ALint(slot), send, AL_FILTER_NULL);
    }
    alSourcei(sources_[i], AL_DIRECT_FILTER, replaced ? ALint(audio().mute_filter) : 0);
  }
}

void CAudioVoice::set_3d(const R3DSettings& s) {
  if (!valid() || !sound_->positional_) return;
  const ALuint source = sources_[0];
  // The games' coordinates are left-handed (z into the screen); OpenAL's are right-handed.
  alSource3f(source, AL_POSITION, float(s.position[0]), float(s.position[1]),
             float(-s.position[2]));
  alSource3f(source, AL_VELOCITY, float(s.velocity[0]), float(s.velocity[1]),
             float(-s.velocity[2]));
  alSource3f(source, AL_DIRECTION, float(s.direction[0]), float(s.direction[1]),
             float(-s.direction[2]));
  alSourcef(source, AL_REFERENCE_DISTANCE, float(std::max(0.0, s.minimum)));
  alSourcef(source, AL_MAX_DISTANCE, float(std::max(s.minimum, s.maximum)));
  alSourcef(source, AL_CONE_INNER_ANGLE, float(std::clamp(s.inside_angle, 0, 360)));
  alSourcef(source, AL_CONE_OUTER_ANGLE, float(std::clamp(s.outside_angle, 0, 360)));
  alSourcef(source, AL_CONE_OUTER_GAIN, float(std::clamp(s.outside_gain, 0.0, 1.0)));
}

// --- Effects ---

namespace {

enum : int {
  kChorus = 1,
  kEcho = 2,
  kFlanger = 4,
  kGargle = 8,
  kReverb = 16,
  kCompressor = 32,
  kEqualizer = 64,
  kDistortion = 128,
  kI3DL2Reverb = 256
};

float clampf(double value, double low, double high) { return float(std::clamp(value, low, high)); }
double decibels_to_gain(double db) { return std::pow(10.0, db / 20.0); }

// Each effect's parameters as the script functions give them, with the values a fresh
// effect starts with, written onto the nearest EFX parameters. Returns the stage's wet level.
double write_parameters(ALuint effect, int kind, const double* given, size_t count) {
  static const std::vector<double> defaults_chorus = {50, 10, 25, 1.1, 1, 16, 3};
  static const std::vector<double> defaults_flanger = {50, 100, -50, 0.25, 1, 2, 2};
  static const std::vector<double> defaults_echo = {50, 50, 500, 500, 0};
  static const std::vector<double> defaults_gargle = {20, 0};
  static const std::vector<double> defaults_reverb = {0, 0, 1000, 0.001};
  static const std::vector<double> defaults_compressor = {0, 10, 200, -20, 3, 4};
  static const std::vector<double> defaults_equalizer = {8000, 12, 0};
  const std::vector<double>* defaults = nullptr;
  switch (kind) {
    case kChorus:
      defaults = &defaults_chorus;
      break;
    case kFlanger:
      defaults = &defaults_flanger;
      break;
    case kEcho:
      defaults = &defaults_echo;
      break;
    case kGargle:
      defaults = &defaults_gargle;
      break;
    case kReverb:
      defaults = &defaults_reverb;
      break;
    case kCompressor:
      defaults = &defaults_compressor;
      break;
    case kEqualizer:
      defaults = &defaults_equalizer;
      break;
    default:
      break;
  }
  std::vector<double> v = defaults ? *defaults : std::vector<double>{};
  for (size_t i = 0; i < std::min(count, v.size()); ++i) v[i] = given[i];
  switch (kind) {
    case kChorus:
    case kFlanger: {
      const bool chorus = kind == kChorus;
      // Waveform 0 is a triangle and 1 a sine for the games, the other way round in EFX;
      // phase 0 ... 4 stands for −180 ... 180 degrees.
      const ALint waveform = v[4] == 0 ? 1 : 0;
      alEffecti(effect, chorus ? AL_CHORUS_WAVEFORM : AL_FLANGER_WAVEFORM, waveform);
      alEffecti(effect, chorus ? AL_CHORUS_PHASE : AL_FLANGER_PHASE,
                ALint(std::clamp((v[6] - 2) * 90, -180.0, 180.0)));
      alEffectf(effect, chorus ? AL_CHORUS_RATE : AL_FLANGER_RATE, clampf(v[3], 0, 10));
      alEffectf(effect, chorus ? AL_CHORUS_DEPTH : AL_FLANGER_DEPTH, clampf(v[1] / 100, 0, 1));
      alEffectf(effect, chorus ? AL_CHORUS_FEEDBACK : AL_FLANGER_FEEDBACK,
                clampf(v[2] / 100, -1, 1));
      alEffectf(effect, chorus ? AL_CHORUS_DELAY : AL_FLANGER_DELAY,
                clampf(v[5] / 1000, 0, chorus ? 0.016 : 0.004));
      return std::clamp(v[0] / 100, 0.0, 1.0);
    }
    case kEcho:
      alEffectf(effect, AL_ECHO_DELAY, clampf(v[2] / 1000, 0, 0.207));
      alEffectf(effect, AL_ECHO_LRDELAY, clampf(v[3] / 1000, 0, 0.404));
      alEffectf(effect, AL_ECHO_FEEDBACK, clampf(v[1] / 100, 0, 0.99));
      alEffectf(effect, AL_ECHO_DAMPING, 0);
      alEffectf(effect, AL_ECHO_SPREAD, v[4] != 0 ? 1.0f : -1.0f);
      return std::clamp(v[0] / 100, 0.0, 1.0);
    case kGargle:
      alEffectf(effect, AL_RING_MODULATOR_FREQUENCY, clampf(v[0], 0, 8000));
      alEffectf(effect, AL_RING_MODULATOR_HIGHPASS_CUTOFF, 0);
      // A triangle is nearest to the sine; the square stays a square.
      alEffecti(effect, AL_RING_MODULATOR_WAVEFORM, v[1] != 0 ? 2 : 0);
      return 1;
    case kReverb:
      alEffectf(effect, AL_REVERB_DECAY_TIME, clampf(v[2] / 1000, 0.1, 20));
      alEffectf(effect, AL_REVERB_DECAY_HFRATIO, clampf(v[3], 0.2, 2));
      return std::min(
          1.0, decibels_to_gain(std::clamp(v[0], -96.0, 0.0) + std::clamp(v[1], -96.0, 0.0)));
    case kCompressor:
      alEffecti(effect, AL_COMPRESSOR_ONOFF, AL_TRUE);
      return std::min(1.0, decibels_to_gain(std::clamp(v[0], -60.0, 60.0)));
    case kEqualizer:
      // One peaking band: the mid one, centred and sized as asked within EFX's ranges.
      alEffectf(effect, AL_EQUALIZER_MID1_CENTER, clampf(v[0], 200, 3000));
      alEffectf(effect, AL_EQUALIZER_MID1_WIDTH, clampf(v[1] / 12, 0.01, 1));
      alEffectf(effect, AL_EQUALIZER_MID1_GAIN, clampf(decibels_to_gain(v[2]), 0.126, 7.943));
      for (ALenum band : {AL_EQUALIZER_LOW_GAIN, AL_EQUALIZER_MID2_GAIN, AL_EQUALIZER_HIGH_GAIN})
        alEffectf(effect, band, 1);
      return 1;
    case kDistortion:
      alEffectf(effect, AL_DISTORTION_EDGE, 0.15f);
      alEffectf(effect, AL_DISTORTION_GAIN, float(decibels_to_gain(-18)));
      alEffectf(effect, AL_DISTORTION_EQCENTER, 2400);
      alEffectf(effect, AL_DISTORTION_EQBANDWIDTH, 2400);
      alEffectf(effect, AL_DISTORTION_LOWPASS_CUTOFF, 8000);
      return 1;
    case kI3DL2Reverb:
      return 1;
    default:
      return 0;
  }
}

ALenum effect_type(int kind) {
  switch (kind) {
    case kChorus:
      return AL_EFFECT_CHORUS;
    case kEcho:
      return AL_EFFECT_ECHO;
    case kFlanger:
      return AL_EFFECT_FLANGER;
    case kGargle:
      return AL_EFFECT_RING_MODULATOR;
    case kReverb:
      return AL_EFFECT_REVERB;
    case kCompressor:
      return AL_EFFECT_COMPRESSOR;
    case kEqualizer:
      return AL_EFFECT_EQUALIZER;
    case kDistortion:
      return AL_EFFECT_DISTORTION;
    case kI3DL2Reverb:
      return AL_EFFECT_EAXREVERB;
    default:
      return AL_EFFECT_NULL;
  }
}

// Effects that give the processed signal in place of the input; the others add a wet
// signal beside it.
bool replaces_signal(int kind) {
  return kind == kGargle || kind == kCompressor || kind == kEqualizer || kind == kDistortion;
}

}  // namespace

CAudioEffects::~CAudioEffects() { clear(); }

void CAudioEffects::clear() {
  if (audio_has_effects()) {
    for (RStage& stage : stages_) {
      alDeleteAuxiliaryEffectSlots(1, &stage.slot_id);
      alDeleteEffects(1, &stage.effect_id);
    }
  }
  stages_.clear();
  wet_.clear();
  flags_ = 0;
}

void CAudioEffects::set(int flags) {
  clear();
  flags_ = flags;
  if (!audio_has_effects() || flags <= 0) return;
  // The fixed order of the chain, the equalizer twice.
  static const int kOrder[] = {kChorus, kEcho,       kFlanger,   kGargle,     kEqualizer,
                               kReverb, kCompressor, kEqualizer, kDistortion, kI3DL2Reverb};
  for (int kind : kOrder) {
    if (!(flags & kind) || int(stages_.size()) >= audio().sends) continue;
    RStage stage;
    stage.effect = kind;
    stage.replaces = replaces_signal(kind);
    alGetError();
    alGenEffects(1, &stage.effect_id);
    alEffecti(stage.effect_id, AL_EFFECT_TYPE, effect_type(kind));
    if (alGetError() != AL_NO_ERROR && kind == kI3DL2Reverb) {
      alEffecti(stage.effect_id, AL_EFFECT_TYPE, AL_EFFECT_REVERB);
    }
    alGenAuxiliaryEffectSlots(1, &stage.slot_id);
    if (alGetError() != AL_NO_ERROR) {
      if (stage.effect_id) alDeleteEffects(1, &stage.effect_id);
      continue;
    }
    wet_.push_back(write_parameters(stage.effect_id, kind, nullptr, 0));
    alAuxiliaryEffectSloti(stage.slot_id, AL_EFFECTSLOT_EFFECT, ALint(stage.effect_id));
    stages_.push_back(stage);
  }
  apply_stage_gains();
}

// The stages run side by side: the replacing ones share the place of the dry signal, so
// two of them (the doubled equalizer) sum to one signal, not to twice the level.
void CAudioEffects::apply_stage_gains() {
  const size_t replacing =
      std::count_if(stages_.begin(), stages_.end(), [](const RStage& s) { return s.replaces; });
  for (size_t i = 0; i < stages_.size(); ++i) {
    double gain = wet_[i];
    if (stages_[i].replaces) gain /= double(replacing);
    alAuxiliaryEffectSlotf(stages_[i].slot_id, AL_EFFECTSLOT_GAIN, clampf(gain, 0, 1));
  }
}

void CAudioEffects::set_parameters(int effect, const double* values, size_t count) {
  for (size_t i = 0; i < stages_.size(); ++i) {
    if (stages_[i].effect != effect) continue;
    wet_[i] = write_parameters(stages_[i].effect_id, effect, values, count);
    // A slot holds a copy of its effect's parameters: give it the new ones.
    alAuxiliaryEffectSloti(stages_[i].slot_id, AL_EFFECTSLOT_EFFECT, ALint(stages_[i].effect_id));
    apply_stage_gains();
    return;
  }
}

}  // namespace vn
