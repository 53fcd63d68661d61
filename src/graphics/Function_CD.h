// The audio CD functions of the game's scripts (cd_init ... cd_close_door) and MCI_command,
// all talking to the one "cdaudio" command device.
#pragma once

namespace vn {

void register_cd_functions();

}  // namespace vn
