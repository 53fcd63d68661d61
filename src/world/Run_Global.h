// What the world reads of the game: its resource lists and counters (owned by the game
// data, set once when the game starts) and the settings the step cycle acts on.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "support/Support_Record.h"

namespace vn {

class CSprite;
class CBackground;
class CFont;
class CSound;
class CObject;
class CRoom;
class CTimeLine;
class CPath;
class CTrigger;

// The settings of the game that the world uses (copied from the settings record).
struct RWorldSettings {
  bool key_f1_help = true;
  bool key_esc_ends = true;
  bool key_f4_fullscreen = true;
  bool key_f5_f6_save_load = true;
  bool key_f9_screenshot = true;
  bool close_as_esc = true;
  bool freeze_unfocused = false;
  bool show_cursor = true;
};

struct RWorldResources {
  TResourceList<CSprite>* sprites = nullptr;
  TResourceList<CBackground>* backgrounds = nullptr;
  TResourceList<CFont>* fonts = nullptr;
  TResourceList<CSound>* sounds = nullptr;
  TResourceList<CObject>* objects = nullptr;
  TResourceList<CRoom>* rooms = nullptr;
  TResourceList<CTimeLine>* timelines = nullptr;
  TResourceList<CPath>* paths = nullptr;
  std::vector<std::unique_ptr<CTrigger>>* triggers = nullptr;
  std::vector<int32_t>* room_order = nullptr;
  std::vector<std::string>* library_init_code = nullptr;
  int32_t* last_instance_id = nullptr;
  int32_t* last_tile_id = nullptr;
  RWorldSettings settings;
};

// Never null members once a game is installed; tests install their own lists.
RWorldResources& world_resources();

// Lookups every part of the world uses; null or "<undefined>" when absent.
const CObject* object_at(int64_t index);
const CSprite* sprite_at(int64_t index);
const CBackground* background_at(int64_t index);
std::string object_name(int64_t index);
std::string room_name(int64_t index);
std::string timeline_name(int64_t index);
std::string trigger_name(int64_t index);
size_t object_count();

}  // namespace vn
