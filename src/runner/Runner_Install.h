// Making a game the one the language and the world run.
#pragma once

namespace vn {

struct CGameData;

// Points the script calls, the resource names and the world's resource lists at the game
// (which must outlive its run), then installs the script world and the world's hooks.
// The world settings stay as they are: the runner takes the game's, tests keep defaults.
void install_game_resources(CGameData& game);

}  // namespace vn
