// Games built in code for the tests: every section and record kind with content.
#pragma once

#include <cstdint>
#include <vector>

#include "runner/Runner_Game.h"

namespace vn::test {

// A small game that touches every section and most record fields.
CGameData make_sample_game();

// A solid RGBA picture.
RImage make_image(int width, int height, uint32_t pixel);

// The game file of a game, placed after a fake runner of the given size as a
// standalone game would be.
std::vector<uint8_t> make_standalone(const CGameData& game, size_t runner_size = 150000);

}  // namespace vn::test
