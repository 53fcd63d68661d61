// The high-score functions of scripts: the table's operations, its form and its display
// settings, and draw_highscore, which draws the table into the room with the game's font.
#pragma once

namespace vn {

void register_score_functions();

}  // namespace vn
