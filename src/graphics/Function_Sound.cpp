#include "graphics/Function_Sound.h"

#include <algorithm>
#include <array>
#include <memory>

#include "graphics/Sound_Device.h"
#include "graphics/Sound_Main.h"
#include "script/Code_Error.h"
#include "script/Code_Function.h"
#include "script/Code_Value.h"
#include "support/Support_Path.h"

namespace vn {

namespace {

using arguments::boolean;
using arguments::integer;
using arguments::number;
using arguments::text;

using Self = CInstanceBase*;
using Args = const RValue*;

// The slot of the sound an argument names, -1 when it cannot play; an index that names
// no sound is reported.
int slot_of(const RValue& argument) {
  CSound* sound = sound_at(integer(argument));
  if (sound == nullptr) {
    report_runtime_error("Sound does not exist.", false);
    return -1;
  }
  return sound->slot();
}

// --- Playing ---

void fn_sound_play(Self, Self, int, Args args, RValue&) {
  const int slot = slot_of(args[0]);
  if (slot >= 0) sound_device().play(slot, false);
}

void fn_sound_loop(Self, Self, int, Args args, RValue&) {
  const int slot = slot_of(args[0]);
  if (slot >= 0) sound_device().play(slot, true);
}

void fn_sound_stop(Self, Self, int, Args args, RValue&) {
  const int slot = slot_of(args[0]);
  if (slot >= 0) sound_device().stop(slot);
}

void fn_sound_stop_all(Self, Self, int, Args, RValue&) { sound_device().stop_all(); }

// Silent for a sound that does not exist: games poll it.
void fn_sound_isplaying(Self, Self, int, Args args, RValue& result) {
  CSound* sound = sound_at(integer(args[0]));
  const int slot = sound ? sound->slot() : -1;
  result.real = slot >= 0 && sound_device().is_playing(slot) ? 1 : 0;
}

// --- Scales ---

void fn_sound_volume(Self, Self, int, Args args, RValue&) {
  const int slot = slot_of(args[0]);
  if (slot >= 0) sound_device().set_volume(slot, 0, number(args[1]));
}

void fn_sound_fade(Self, Self, int, Args args, RValue&) {
  const int slot = slot_of(args[0]);
  if (slot >= 0) sound_device().set_volume(slot, std::max(integer(args[2]), 0), number(args[1]));
}

void fn_sound_pan(Self, Self, int, Args args, RValue&) {
  const int slot = slot_of(args[0]);
  if (slot >= 0) sound_device().set_pan(slot, number(args[1]));
}

void fn_sound_background_tempo(Self, Self, int, Args args, RValue&) {
  sound_device().set_tempo(number(args[0]));
}

void fn_sound_global_volume(Self, Self, int, Args args, RValue&) {
  sound_device().set_global_volume(number(args[0]));
}

void fn_sound_set_search_directory(Self, Self, int, Args args, RValue&) {
  sound_device().set_search_directory(game_path(text(args[0])));
}

// --- Effects ---

void fn_sound_effect_set(Self, Self, int, Args args, RValue&) {
  const int slot = slot_of(args[0]);
  if (slot >= 0) sound_device().set_effects(slot, integer(args[1]));
}

// The effect's parameters in the order the function takes them; the positions named in
// Whole are integers, rounded as the game's integer arguments are.
template <int Effect, size_t Count, size_t... Whole>
void fn_sound_effect(Self, Self, int, Args args, RValue&) {
  const int slot = slot_of(args[0]);
  if (slot < 0) return;
  std::array<double, Count> values;
  for (size_t i = 0; i < Count; ++i) values[i] = number(args[i + 1]);
  ((values[Whole] = integer(args[Whole + 1])), ...);
  sound_device().set_effect_parameters(slot, Effect, values.data(), Count);
}

// --- 3D ---

void fn_sound_3d_set_sound_position(Self, Self, int, Args args, RValue&) {
  const int slot = slot_of(args[0]);
  if (slot >= 0)
    sound_device().set_position(slot, number(args[1]), number(args[2]), number(args[3]));
}

void fn_sound_3d_set_sound_velocity(Self, Self, int, Args args, RValue&) {
  const int slot = slot_of(args[0]);
  if (slot >= 0)
    sound_device().set_velocity(slot, number(args[1]), number(args[2]), number(args[3]));
}

void fn_sound_3d_set_sound_distance(Self, Self, int, Args args, RValue&) {
  const int slot = slot_of(args[0]);
  if (slot >= 0) sound_device().set_distance(slot, std::max(number(args[1]), 0.0), number(args[2]));
}

void fn_sound_3d_set_sound_cone(Self, Self, int, Args args, RValue&) {
  const int slot = slot_of(args[0]);
  if (slot < 0) return;
  sound_device().set_cone(slot, number(args[1]), number(args[2]), number(args[3]), integer(args[4]),
                          integer(args[5]), number(args[6]));
}

// --- Sound resources ---

void fn_sound_exists(Self, Self, int, Args args, RValue& result) {
  result.real = sound_at(integer(args[0])) ? 1 : 0;
}

void fn_sound_get_name(Self, Self, int, Args args, RValue& result) {
  result.set_string(sound_name(integer(args[0])));
}

void fn_sound_get_kind(Self, Self, int, Args args, RValue& result) {
  const CSound* sound = sound_at(integer(args[0]));
  result.real = sound ? sound->kind : -1;
}

void fn_sound_get_preload(Self, Self, int, Args args, RValue& result) {
  const CSound* sound = sound_at(integer(args[0]));
  result.real = sound ? (sound->preload ? 1 : 0) : -1;
}

void fn_sound_discard(Self, Self, int, Args args, RValue&) {
  if (CSound* sound = sound_at(integer(args[0]))) sound->unprepare();
}

void fn_sound_restore(Self, Self, int, Args args, RValue&) {
  if (CSound* sound = sound_at(integer(args[0]))) sound->prepare();
}

// File name, kind, preload: a file that cannot be read adds nothing and gives -1.
void fn_sound_add(Self, Self, int, Args args, RValue& result) {
  auto sound = std::make_unique<CSound>();
  if (!sound->load_from_file(text(args[0]), integer(args[1]), boolean(args[2]))) {
    result.real = -1;
    return;
  }
  CSound* added = sound.get();
  result.real = add_sound(std::move(sound));
  if (added->preload) added->prepare();
}

void fn_sound_replace(Self, Self, int, Args args, RValue& result) {
  CSound* sound = sound_at(integer(args[0]));
  if (sound == nullptr) {
    report_runtime_error("Trying to replace non-existing sound.", false);
    return;
  }
  if (!sound->load_from_file(text(args[1]), integer(args[2]), boolean(args[3]))) return;
  if (sound->preload) sound->prepare();
  result.real = 1;
}

void fn_sound_delete(Self, Self, int, Args args, RValue&) {
  if (!delete_sound(integer(args[0]))) {
    report_runtime_error("Trying to delete non-existing sound.", false);
  }
}

}  // namespace

void register_sound_functions() {
  register_function("sound_play", fn_sound_play, 1);
  register_function("sound_loop", fn_sound_loop, 1);
  register_function("sound_stop", fn_sound_stop, 1);
  register_function("sound_stop_all", fn_sound_stop_all, 0);
  register_function("sound_isplaying", fn_sound_isplaying, 1);
  register_function("sound_volume", fn_sound_volume, 2);
  register_function("sound_fade", fn_sound_fade, 3);
  register_function("sound_pan", fn_sound_pan, 2);
  register_function("sound_background_tempo", fn_sound_background_tempo, 1);
  register_function("sound_global_volume", fn_sound_global_volume, 1);
  register_function("sound_set_search_directory", fn_sound_set_search_directory, 1);
  register_function("sound_effect_set", fn_sound_effect_set, 2);
  // Wet/dry mix, depth, feedback, frequency, waveform, delay, phase.
  register_function("sound_effect_chorus", fn_sound_effect<kEffectChorus, 7, 4, 6>, 8);
  // Gain, attack, release, threshold, ratio, pre-delay.
  register_function("sound_effect_compressor", fn_sound_effect<kEffectCompressor, 6>, 7);
  // Wet/dry mix, feedback, left delay, right delay, pan delay.
  register_function("sound_effect_echo", fn_sound_effect<kEffectEcho, 5, 4>, 6);
  register_function("sound_effect_flanger", fn_sound_effect<kEffectFlanger, 7, 4, 6>, 8);
  // Rate in hertz, wave shape.
  register_function("sound_effect_gargle", fn_sound_effect<kEffectGargle, 2, 0, 1>, 3);
  // Centre, bandwidth, gain.
  register_function("sound_effect_equalizer", fn_sound_effect<kEffectEqualizer, 3>, 4);
  // Input gain, reverb mix, reverb time, high-frequency time ratio.
  register_function("sound_effect_reverb", fn_sound_effect<kEffectReverb, 4>, 5);
  register_function("sound_3d_set_sound_position", fn_sound_3d_set_sound_position, 4);
  register_function("sound_3d_set_sound_velocity", fn_sound_3d_set_sound_velocity, 4);
  register_function("sound_3d_set_sound_distance", fn_sound_3d_set_sound_distance, 3);
  register_function("sound_3d_set_sound_cone", fn_sound_3d_set_sound_cone, 7);
  register_function("sound_exists", fn_sound_exists, 1);
  register_function("sound_get_name", fn_sound_get_name, 1);
  register_function("sound_name", fn_sound_get_name, 1);
  register_function("sound_get_kind", fn_sound_get_kind, 1);
  register_function("sound_get_preload", fn_sound_get_preload, 1);
  register_function("sound_discard", fn_sound_discard, 1);
  register_function("sound_restore", fn_sound_restore, 1);
  register_function("sound_add", fn_sound_add, 3);
  register_function("sound_replace", fn_sound_replace, 4);
  register_function("sound_delete", fn_sound_delete, 1);
}

}  // namespace vn
