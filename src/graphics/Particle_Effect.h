// The ready-made effects of effect_create_below / effect_create_above: twelve kinds in three
// sizes, timed so that they last the same real time whatever the room speed.
#pragma once

#include <cstdint>

namespace vn {

// Kinds 0 ... 11 (others do nothing), size 0 small, 1 medium, 2 large (others count as
// medium), a script colour.
void effect_create(bool above, int kind, double x, double y, int size, int32_t color);
// The particles of both effect systems go.
void effect_clear();

// The factor times and speeds are scaled by: 1 at or below 30 steps per second, otherwise
// 30 over the room speed (or over the frame rate when the game runs well below it).
double effect_time_factor(int room_speed, int frame_rate);

}  // namespace vn
