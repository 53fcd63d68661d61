// The saved-game functions of scripts: game_save writes at once, game_load asks for the
// load after the step.
#pragma once

namespace vn {

void register_save_functions();

}  // namespace vn
