#include "world/Run_Global.h"

#include "graphics/Background_Class.h"
#include "graphics/Font_Class.h"
#include "graphics/Sprite_Class.h"
#include "world/Object_Class.h"
#include "world/Path_Class.h"
#include "world/Room_Class.h"
#include "world/TimeLine_Class.h"
#include "world/Trigger_Class.h"

namespace vn {

namespace {

constexpr const char* kUndefined = "<undefined>";

// Until a game is installed the world sees empty lists, so no lookup meets a null list.
struct REmptyResources {
  TResourceList<CSprite> sprites;
  TResourceList<CBackground> backgrounds;
  TResourceList<CFont> fonts;
  TResourceList<CObject> objects;
  TResourceList<CRoom> rooms;
  TResourceList<CTimeLine> timelines;
  TResourceList<CPath> paths;
  std::vector<std::unique_ptr<CTrigger>> triggers;
  std::vector<int32_t> room_order;
  std::vector<std::string> library_init_code;
  int32_t last_instance_id = 100000;
  int32_t last_tile_id = 10000000;
};

RWorldResources make_default_resources() {
  static REmptyResources empty;
  RWorldResources resources;
  resources.sprites = &empty.sprites;
  resources.backgrounds = &empty.backgrounds;
  resources.fonts = &empty.fonts;
  resources.objects = &empty.objects;
  resources.rooms = &empty.rooms;
  resources.timelines = &empty.timelines;
  resources.paths = &empty.paths;
  resources.triggers = &empty.triggers;
  resources.room_order = &empty.room_order;
  resources.library_init_code = &empty.library_init_code;
  resources.last_instance_id = &empty.last_instance_id;
  resources.last_tile_id = &empty.last_tile_id;
  return resources;
}

template <typename T>
std::string list_name(const TResourceList<T>* list, int64_t index) {
  if (!list || !list->exists(index)) return kUndefined;
  return list->names[size_t(index)];
}

}  // namespace

RWorldResources& world_resources() {
  static RWorldResources resources = make_default_resources();
  return resources;
}

const CObject* object_at(int64_t index) {
  const TResourceList<CObject>* objects = world_resources().objects;
  return objects ? objects->get(index) : nullptr;
}

const CSprite* sprite_at(int64_t index) {
  const TResourceList<CSprite>* sprites = world_resources().sprites;
  return sprites ? sprites->get(index) : nullptr;
}

const CBackground* background_at(int64_t index) {
  const TResourceList<CBackground>* backgrounds = world_resources().backgrounds;
  return backgrounds ? backgrounds->get(index) : nullptr;
}

std::string object_name(int64_t index) { return list_name(world_resources().objects, index); }

std::string room_name(int64_t index) { return list_name(world_resources().rooms, index); }

std::string timeline_name(int64_t index) { return list_name(world_resources().timelines, index); }

std::string trigger_name(int64_t index) {
  const std::vector<std::unique_ptr<CTrigger>>* triggers = world_resources().triggers;
  if (!triggers || index < 0 || size_t(index) >= triggers->size() || !(*triggers)[size_t(index)]) {
    return kUndefined;
  }
  return (*triggers)[size_t(index)]->name;
}

size_t object_count() {
  const TResourceList<CObject>* objects = world_resources().objects;
  return objects ? objects->size() : 0;
}

}  // namespace vn
