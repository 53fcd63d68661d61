// Room transitions: the last frame of the room being left and the first frame of the next
// are kept in two surfaces, then shown merging into each other over transition_steps + 1
// presented frames, by one of the 21 built-in kinds or by a function the game defined.
#pragma once

#include <cstdint>
#include <string>

namespace vn {

constexpr int kBuiltinTransitions = 21;
constexpr int kMaxTransitionIndex = 999999;

// When a room ends on a room change with a transition kind (and frames are drawn
// automatically): the room is drawn into the first surface. Nothing otherwise.
void capture_transition_frame();
// After the new room's first frame was drawn into the back buffer: that frame goes into
// the second surface and the transition's frames are drawn and presented one after the
// other, each at the screen's refresh. Both surfaces are freed. Without a captured frame
// nothing happens.
void play_transition(int kind);
// A transition has been captured and not yet played.
bool transition_pending();

// One frame of a built-in kind (1 ... 21; any other draws nothing) into the current
// target: the old and new frames are textures of width × height, fraction runs from 0 to
// 1, steps is the number of frames after the first (the interlaced kinds count strips by
// it).
void draw_transition_frame(int kind, int old_texture, int new_texture, int width, int height,
                           double fraction, int steps);

// transition_define: the name must name a function a call could reach. False for an
// index outside 1 ... 999999 or a name that names nothing.
bool define_transition(int64_t index, const std::string& function_name);
// A built-in kind or a defined index.
bool transition_exists(int64_t index);
// Forgets every defined transition (a new game).
void clear_transitions();

}  // namespace vn
