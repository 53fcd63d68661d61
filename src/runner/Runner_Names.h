// The game's resource names as the compiler resolves them: objects, sprites, sounds,
// backgrounds, paths, fonts, time lines, scripts, rooms, then trigger constant names.
#pragma once

namespace vn {

struct CGameData;

// Points the compiler's name lookup at the game (which must outlive the lookup).
void install_resource_constants(const CGameData& game);

}  // namespace vn
