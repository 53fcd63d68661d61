// The built-in functions of multiplayer sessions (mplay_). None reports an error: each
// returns failure (0, the empty string or the real 0) instead.
#pragma once

#include <array>
#include <cstdint>

namespace vn {

void register_net_functions();

// The game's 16-byte identifier: only copies of the same game find each other's sessions.
void set_net_game_identifier(const std::array<uint8_t, 16>& identifier);

// Serves the network between steps; the loop calls it once per pass.
void net_between_steps();

}  // namespace vn
