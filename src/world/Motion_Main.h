// The per-step motion of instances: friction, gravity, path following and the move by
// hspeed and vspeed.
#pragma once

#include <cstdint>

namespace vn {

class CInstance;
class CPath;

constexpr int32_t kOtherEndOfPath = 8;

// The path the instance follows when it exists and has a positive length, else null.
const CPath* followed_path(const CInstance& instance);
// Starts following the path; a missing path, one of length 0 or a negative scale stops
// following instead. With absolute the instance is first put on the path's start.
void start_path(CInstance& instance, int32_t path, double speed, int32_t end_action,
                bool absolute, double scale = 1, double orientation = 0);
// One advance along the instance's path; true when an end was reached.
bool advance_path(CInstance& instance);
// Friction, gravity, path (with its end event) and the move, for one instance.
void move_instance(CInstance& instance);
// The motion of every instance of the current room, in room order.
void move_instances();

}  // namespace vn
