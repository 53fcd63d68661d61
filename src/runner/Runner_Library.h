// Every built-in function and variable a game can use, registered once at start by the
// runner and by the tools that run script text.
#pragma once

namespace vn {

// Safe to call more than once; only the first call registers.
void register_game_library();

}  // namespace vn
