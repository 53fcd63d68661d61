// Drawing the current room: for each visible view (or the whole room) the background
// colour, the background layers, instances and tiles merged by depth, the foreground layers
// and the cursor sprite; then the window caption with the score, lives and health.
#pragma once

#include <functional>
#include <string>

namespace vn {

class CLiveRoom;

// What the caption shows besides the room caption (the show_ and caption_ variables).
struct RCaptionState {
  bool show_score = true;
  bool score_set = false;  // the game set show_score itself
  bool show_lives = false;
  bool show_health = false;
  std::string score_caption = "Score: ";
  std::string lives_caption = "Lives: ";
  std::string health_caption = "Health: ";
};
RCaptionState& caption_state();

// The room's window caption as it should read now.
std::string window_caption(const CLiveRoom& room, const std::string& application_title);

// The whole frame of the current room into the current target; the window caption (the
// room's, or the application title when it has none) is handed to set_caption.
void draw_room(const std::string& application_title,
               const std::function<void(const std::string&)>& set_caption);

// The region one frame shows: with views, the box from (0, 0) covering every visible port
// (at least 8 × 8); else the room.
struct RRegionSize {
  int width = 0;
  int height = 0;
};
RRegionSize room_region(const CLiveRoom& room);

void register_room_draw_variables();

}  // namespace vn
