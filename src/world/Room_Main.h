// The live copy of a room: its settings, layers and views as the game changes them, its
// instances (active and deactivated) with their per-object lists, and its tiles. Also the
// room start and end sequences and how views follow an instance.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "world/Instance_Class.h"
#include "world/Room_Class.h"

namespace vn {

struct RTile {
  double x = 0;
  double y = 0;
  int32_t background_index = -1;
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
  double depth = 0;
  int32_t id = 0;
  double xscale = 1;
  double yscale = 1;
  int32_t blend = 0xFFFFFF;
  double alpha = 1;
  bool visible = true;
};

class CLiveRoom {
 public:
  // A live copy of the template (null: an empty room with the defaults). Instances of the
  // template are created with their stored ids and keep their creation code.
  CLiveRoom(int32_t index, const CRoom* room_template);

  int32_t index = 0;
  std::string caption;
  int32_t width = 640;
  int32_t height = 480;
  int32_t speed = 30;
  bool persistent = false;
  int32_t background_color = 0xC0C0C0;
  bool show_background_color = true;
  std::string creation_code;
  std::array<CBack, kRoomLayerCount> backgrounds{};
  bool views_enabled = false;
  std::array<CView, kRoomViewCount> views{};
  std::vector<RTile> tiles;
  int32_t last_tile_found = -1;
  // The entries before this position came from the template (for creation code).
  size_t template_instances = 0;

  // --- The instance store ---
  // Active instances in creation order; destroyed ones stay until purge.
  const std::vector<std::unique_ptr<CInstance>>& instances() const { return instances_; }
  const std::vector<std::unique_ptr<CInstance>>& deactivated() const { return deactivated_; }
  // Appends to the array, its own list and the lists of its object and ancestors.
  CInstance* add_instance(std::unique_ptr<CInstance> instance);
  // A new instance of the object with the next id from the game's counter.
  CInstance* create_instance(int32_t object, double x, double y);
  // The instances whose object is that object (dispatch), and those of the object or a
  // descendant (functions taking an object); empty for an index without instances.
  const std::vector<CInstance*>& own_list(int32_t object) const;
  const std::vector<CInstance*>& family_list(int32_t object) const;
  // The active instance with that id that is not destroyed, through a two-entry cache.
  CInstance* find_instance(int32_t id);
  // Removes and frees the destroyed instances, keeping the order of the rest.
  void purge();
  // Moves instances marked deactivated out of the array and unmarked ones back.
  void apply_deactivation();
  void rebuild_lists();
  // Sorts instances by non-increasing depth, keeping the order of equal depths.
  void sort_by_depth();

 private:
  // Appends the instance to its own list and to the family lists of its object and every
  // ancestor.
  void link(CInstance* instance);

  std::vector<std::unique_ptr<CInstance>> instances_;
  std::vector<std::unique_ptr<CInstance>> deactivated_;
  // A deque, so that a list reached through own_list or family_list stays the same object
  // while instances of new objects are added during a dispatch over it.
  std::deque<std::vector<CInstance*>> own_lists_;
  std::deque<std::vector<CInstance*>> family_lists_;
  size_t cache_[2] = {0, 0};
};

// The room being played, or null before the game starts.
CLiveRoom* current_room();

// Room start and end as the step cycle runs them.
void start_room(int32_t index, bool game_start);
void end_room(bool game_end);
// Moves the visible views towards their followed instances.
void follow_views(CLiveRoom& room);

}  // namespace vn
