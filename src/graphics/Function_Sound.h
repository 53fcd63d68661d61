// The sound functions of the game's scripts (playing, volumes, effects, 3D settings) and
// the sound resource functions.
#pragma once

namespace vn {

void register_sound_functions();

}  // namespace vn
