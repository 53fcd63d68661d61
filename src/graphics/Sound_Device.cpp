// The slot table and the rules of the kinds over the platform's audio voices. Every public
// call takes the device's lock: with a real output a small worker thread also runs here,
// refilling streams and moving fades on while OpenAL mixes in its own thread.
#include "graphics/Sound_Device.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>

#include "platform/Platform_Audio.h"

namespace vn {

namespace {

// A normal or 3D sound played more often than this while still playing restarts its oldest
// playing instead of taking more sources.
constexpr size_t kMaxVoicesPerSlot = 16;
// The loopback mixer moves gains and refills streams between blocks of this many frames.
constexpr size_t kMixBlockFrames = 256;

double millibels_to_gain(double millibels) { return std::pow(10.0, millibels / 2000.0); }

struct RSlot {
  bool used = false;
  int kind = kSoundNone;
  std::shared_ptr<CAudioSound> sound;
  std::vector<std::unique_ptr<CAudioVoice>> voices;
  size_t next_restart = 0;
  std::unique_ptr<CAudioEffects> effects;
  double level = 0;  // hundredths of a decibel now
  double fade_from = 0, fade_to = 0, fade_elapsed = 0, fade_seconds = 0;
  int pan = 0;  // hundredths of a decibel taken off the other side
  R3DSettings placement;
};

}  // namespace

struct CSoundDevice::RState {
  std::mutex mutex;
  bool open = false;
  AudioOutput output = AudioOutput::kLoopback;
  std::vector<RSlot> slots;
  std::filesystem::path search_directory;
  // The worker: fades and streams with a real output; with the loopback mixer as a
  // fall-back it also mixes in real time until someone renders the mix themselves.
  std::thread worker;
  std::condition_variable wake;
  bool stopping = false;
  bool rendered_by_caller = false;

  void apply_gains(RSlot& slot) {
    double left = 1, right = 1;
    if (slot.kind != kSoundMultimedia) {
      const double gain = millibels_to_gain(slot.level);
      left = right = gain;
      // A 3D sound's sides come from its place, not from a pan.
      const int pan = slot.kind == kSound3D ? 0 : slot.pan;
      if (pan > 0) left *= millibels_to_gain(-pan);
      if (pan < 0) right *= millibels_to_gain(pan);
    }
    for (auto& voice : slot.voices) voice->set_gains(left, right);
  }

  // Moves every fade on by seconds and lets streams take their next chunks.
  void advance(double seconds) {
    for (RSlot& slot : slots) {
      if (!slot.used) continue;
      if (slot.fade_seconds > 0) {
        slot.fade_elapsed = std::min(slot.fade_seconds, slot.fade_elapsed + seconds);
        const double done = slot.fade_elapsed / slot.fade_seconds;
        slot.level = slot.fade_from + (slot.fade_to - slot.fade_from) * done;
        if (done >= 1) slot.fade_seconds = 0;
        apply_gains(slot);
      }
      for (auto& voice : slot.voices) voice->update();
    }
  }

  void mix(int16_t* out, size_t frames) {
    while (frames > 0) {
      const size_t block = std::min(frames, kMixBlockFrames);
      for (RSlot& slot : slots)
        for (auto& voice : slot.voices) voice->update();
      audio_render(out, block);
      advance(double(block) / kAudioMixRate);
      out += 2 * block;
      frames -= block;
    }
  }

  void run_worker() {
    using clock = std::chrono::steady_clock;
    auto last = clock::now();
    std::vector<int16_t> scratch;
    std::unique_lock lock(mutex);
    while (!stopping) {
      wake.wait_for(lock, std::chrono::milliseconds(10));
      if (stopping) break;
      const auto now = clock::now();
      const double seconds = std::chrono::duration<double>(now - last).count();
      if (audio_is_loopback()) {
        if (rendered_by_caller) {
          last = now;
          continue;
        }
        const size_t frames = size_t(seconds * kAudioMixRate);
        if (frames == 0) continue;
        last += std::chrono::duration_cast<clock::duration>(
            std::chrono::duration<double>(double(frames) / kAudioMixRate));
        scratch.resize(frames * 2);
        mix(scratch.data(), frames);
      } else {
        last = now;
        advance(seconds);
      }
    }
  }

  RSlot* find(int slot) {
    if (slot < 0 || size_t(slot) >= slots.size() || !slots[size_t(slot)].used) return nullptr;
    return &slots[size_t(slot)];
  }

  void stop_slot(RSlot& slot) {
    for (auto& voice : slot.voices) voice->stop();
  }

  void free(RSlot& slot) {
    slot.voices.clear();
    slot.effects.reset();
    slot.sound.reset();
    slot = RSlot{};
  }
};

CSoundDevice::CSoundDevice() : state_(std::make_unique<RState>()) {}
CSoundDevice::~CSoundDevice() { done(); }

bool CSoundDevice::init(AudioOutput output) {
  done();
  std::string why;
  std::lock_guard lock(state_->mutex);
  state_->output = output;
  state_->open = audio_open(output == AudioOutput::kLoopback, why);
  state_->rendered_by_caller = false;
  if (state_->open && output == AudioOutput::kDevice) {
    state_->stopping = false;
    state_->worker = std::thread([this] { state_->run_worker(); });
  }
  return state_->open;
}

void CSoundDevice::done() {
  if (state_->worker.joinable()) {
    {
      std::lock_guard lock(state_->mutex);
      state_->stopping = true;
    }
    state_->wake.notify_all();
    state_->worker.join();
  }
  std::lock_guard lock(state_->mutex);
  for (RSlot& slot : state_->slots) state_->free(slot);
  state_->slots.clear();
  if (state_->open) audio_close();
  state_->open = false;
}

bool CSoundDevice::available() const { return state_->open; }

int CSoundDevice::load_from_memory(const std::vector<uint8_t>& data, const std::string& file_type,
                                   int kind) {
  (void)file_type;  // the decoders know a file by its content, whatever its name says
  std::lock_guard lock(state_->mutex);
  if (!state_->open || kind < kSoundNormal || kind > kSoundMultimedia) return -1;
  // Every kind takes the same decoders, so a file that one kind refuses no kind takes.
  std::shared_ptr<CAudioSound> sound = audio_load_sound(data, kind == kSound3D);
  if (!sound) return -1;
  auto& slots = state_->slots;
  auto free_slot = std::find_if(slots.begin(), slots.end(), [](const RSlot& s) { return !s.used; });
  if (free_slot == slots.end()) free_slot = slots.insert(slots.end(), RSlot{});
  free_slot->used = true;
  free_slot->kind = kind;
  free_slot->sound = std::move(sound);
  return int(free_slot - slots.begin());
}

int CSoundDevice::load_from_file(const std::filesystem::path& path, int kind) {
  std::filesystem::path file = path;
  std::error_code error;
  if (file.is_relative() && !std::filesystem::exists(file, error)) {
    std::lock_guard lock(state_->mutex);
    if (!state_->search_directory.empty()) file = state_->search_directory / path;
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) return -1;
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
  return load_from_memory(bytes, file.extension().string(), kind);
}

int CSoundDevice::slot_kind(int slot) const {
  std::lock_guard lock(state_->mutex);
  const RSlot* found = state_->find(slot);
  return found ? found->kind : kSoundNone;
}

void CSoundDevice::free_slot(int slot) {
  std::lock_guard lock(state_->mutex);
  if (RSlot* found = state_->find(slot)) state_->free(*found);
}

void CSoundDevice::free_all() {
  std::lock_guard lock(state_->mutex);
  for (RSlot& slot : state_->slots) state_->free(slot);
}

void CSoundDevice::play(int slot, bool loop) {
  std::lock_guard lock(state_->mutex);
  RSlot* found = state_->find(slot);
  if (!found) return;
  // Background music and multimedia sounds play one at a time within their kind.
  const bool alone = found->kind == kSoundBackground || found->kind == kSoundMultimedia;
  if (alone) {
    for (RSlot& other : state_->slots)
      if (other.used && other.kind == found->kind) state_->stop_slot(other);
  }
  CAudioVoice* voice = nullptr;
  for (auto& candidate : found->voices) {
    if (alone || !candidate->playing()) {
      voice = candidate.get();
      break;
    }
  }
  if (!voice && found->voices.size() >= kMaxVoicesPerSlot) {
    voice = found->voices[found->next_restart % found->voices.size()].get();
    ++found->next_restart;
  }
  if (!voice) {
    auto made = std::make_unique<CAudioVoice>(found->sound);
    if (!made->valid()) return;
    voice = made.get();
    found->voices.push_back(std::move(made));
    if (found->effects) voice->attach_effects(found->effects.get());
    if (found->kind == kSound3D) voice->set_3d(found->placement);
  }
  state_->apply_gains(*found);
  voice->start(loop);
}

void CSoundDevice::stop(int slot) {
  std::lock_guard lock(state_->mutex);
  if (RSlot* found = state_->find(slot)) state_->stop_slot(*found);
}

void CSoundDevice::stop_all() {
  std::lock_guard lock(state_->mutex);
  for (RSlot& slot : state_->slots)
    if (slot.used) state_->stop_slot(slot);
}

bool CSoundDevice::is_playing(int slot) const {
  std::lock_guard lock(state_->mutex);
  RSlot* found = state_->find(slot);
  if (!found) return false;
  return std::any_of(found->voices.begin(), found->voices.end(),
                     [](const auto& voice) { return voice->playing(); });
}

void CSoundDevice::set_volume(int slot, int duration_ms, double volume) {
  std::lock_guard lock(state_->mutex);
  RSlot* found = state_->find(slot);
  if (!found || found->kind == kSoundMultimedia) return;
  const double target = std::round(std::clamp(volume, 0.0, 1.0) * 9600) - 9600;
  if (duration_ms <= 0) {
    found->level = target;
    found->fade_seconds = 0;
  } else {
    found->fade_from = found->level;
    found->fade_to = target;
    found->fade_elapsed = 0;
    found->fade_seconds = duration_ms / 1000.0;
  }
  state_->apply_gains(*found);
}

void CSoundDevice::set_pan(int slot, double pan) {
  std::lock_guard lock(state_->mutex);
  RSlot* found = state_->find(slot);
  if (!found || found->kind == kSoundMultimedia) return;
  found->pan = int(std::round(std::clamp(pan, -1.0, 1.0) * 10000));
  state_->apply_gains(*found);
}

void CSoundDevice::set_global_volume(double volume) {
  std::lock_guard lock(state_->mutex);
  const double millibels = std::clamp(std::round(volume * 11000 - 10000), -10000.0, 1000.0);
  audio_set_master_gain(millibels_to_gain(millibels));
}

void CSoundDevice::set_tempo(double factor) {
  std::lock_guard lock(state_->mutex);
  audio_set_midi_tempo(std::clamp(factor, 0.01, 100.0));
}

void CSoundDevice::set_search_directory(const std::filesystem::path& folder) {
  std::lock_guard lock(state_->mutex);
  state_->search_directory = folder;
}

void CSoundDevice::set_effects(int slot, int flags) {
  std::lock_guard lock(state_->mutex);
  RSlot* found = state_->find(slot);
  if (!found || found->kind == kSoundMultimedia) return;
  if (!found->effects) found->effects = std::make_unique<CAudioEffects>();
  // The mixer refuses to delete a stage a source still feeds: detach them first.
  for (auto& voice : found->voices) voice->attach_effects(nullptr);
  found->effects->set(flags);
  for (auto& voice : found->voices) voice->attach_effects(found->effects.get());
}

void CSoundDevice::set_effect_parameters(int slot, int effect, const double* values, size_t count) {
  std::lock_guard lock(state_->mutex);
  RSlot* found = state_->find(slot);
  if (!found || !found->effects || found->kind == kSoundMultimedia) return;
  found->effects->set_parameters(effect, values, count);
}

void CSoundDevice::set_position(int slot, double x, double y, double z) {
  std::lock_guard lock(state_->mutex);
  RSlot* found = state_->find(slot);
  if (!found || found->kind != kSound3D) return;
  found->placement.position[0] = x;
  found->placement.position[1] = y;
  found->placement.position[2] = z;
  for (auto& voice : found->voices) voice->set_3d(found->placement);
}

void CSoundDevice::set_velocity(int slot, double x, double y, double z) {
  std::lock_guard lock(state_->mutex);
  RSlot* found = state_->find(slot);
  if (!found || found->kind != kSound3D) return;
  found->placement.velocity[0] = x;
  found->placement.velocity[1] = y;
  found->placement.velocity[2] = z;
  for (auto& voice : found->voices) voice->set_3d(found->placement);
}

void CSoundDevice::set_distance(int slot, double minimum, double maximum) {
  std::lock_guard lock(state_->mutex);
  RSlot* found = state_->find(slot);
  if (!found || found->kind != kSound3D) return;
  found->placement.minimum = std::max(0.0, minimum);
  found->placement.maximum = maximum;
  for (auto& voice : found->voices) voice->set_3d(found->placement);
}

void CSoundDevice::set_cone(int slot, double x, double y, double z, int inside_angle,
                            int outside_angle, double outside_volume) {
  std::lock_guard lock(state_->mutex);
  RSlot* found = state_->find(slot);
  if (!found || found->kind != kSound3D) return;
  found->placement.direction[0] = x;
  found->placement.direction[1] = y;
  found->placement.direction[2] = z;
  found->placement.inside_angle = inside_angle;
  found->placement.outside_angle = outside_angle;
  found->placement.outside_gain = millibels_to_gain(std::round(outside_volume * 10000 - 10000));
  for (auto& voice : found->voices) voice->set_3d(found->placement);
}

void CSoundDevice::render(int16_t* out, size_t frames) {
  std::lock_guard lock(state_->mutex);
  if (!state_->open || !audio_is_loopback()) {
    std::fill(out, out + 2 * frames, int16_t(0));
    return;
  }
  state_->rendered_by_caller = true;
  state_->mix(out, frames);
}

CSoundDevice& sound_device() {
  static CSoundDevice device;
  return device;
}

}  // namespace vn
