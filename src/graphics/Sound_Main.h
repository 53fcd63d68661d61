// The sound list the game's scripts see: the game's own sounds, then those added at run
// time; and the sound system's start and end around a game.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "graphics/Sound_Class.h"

namespace vn {

// Null when the index names no sound.
CSound* sound_at(int64_t index);
// "<undefined>" when the index names no sound.
std::string sound_name(int64_t index);
// Appends a sound made at run time, named "__newsound" and its index; returns the index.
int add_sound(std::unique_ptr<CSound> sound);
// Stops and frees the sound and empties its slot; false when there is none.
bool delete_sound(int64_t index);

// Opens the sound device (the loopback mixer only when headless) with the global volume
// at 1; false when no output opened, and sounds then play nowhere.
bool start_sound_system(bool headless);
// Prepares every sound whose preload is set; false when that fails as a whole (a sound
// that cannot play is not a failure: it plays nothing).
bool prepare_sounds();
// Frees every sound's slot and its temporary file, and closes the device.
void end_sound_system();

}  // namespace vn
