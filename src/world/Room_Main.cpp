#include "world/Room_Main.h"

#include <algorithm>

#include "world/Object_Class.h"
#include "world/Run_Global.h"

namespace vn {

namespace {

const std::vector<CInstance*> kNoInstances;

RTile live_tile(const RRoomTile& stored) {
  RTile tile;
  tile.x = stored.x;
  tile.y = stored.y;
  tile.background_index = stored.background_index;
  tile.left = stored.left;
  tile.top = stored.top;
  tile.width = stored.width;
  tile.height = stored.height;
  tile.depth = stored.depth;
  tile.id = stored.id;
  tile.xscale = stored.xscale;
  tile.yscale = stored.yscale;
  tile.alpha = stored.alpha;
  return tile;
}

// The object followed by its ancestors, nearest first. The walk stops at a parent that
// names no object, and at an object met before, so a cycle of parents (which the object
// functions can make at run time) cannot loop.
template <typename Visit>
void for_each_family_member(int32_t object, Visit visit) {
  static std::vector<int32_t> chain;
  chain.clear();
  for (int32_t current = object; current >= 0;) {
    if (std::find(chain.begin(), chain.end(), current) != chain.end()) break;
    chain.push_back(current);
    visit(current);
    const CObject* found = object_at(current);
    if (!found || !object_at(found->parent_index)) break;
    current = found->parent_index;
  }
}

template <typename List>
void ensure_slot(List& lists, int32_t object) {
  if (size_t(object) >= lists.size()) lists.resize(size_t(object) + 1);
}

}  // namespace

CLiveRoom::CLiveRoom(int32_t room_index, const CRoom* room_template) : index(room_index) {
  size_t objects = object_count();
  own_lists_.resize(objects);
  family_lists_.resize(objects);
  if (!room_template) return;
  caption = room_template->caption;
  width = room_template->width;
  height = room_template->height;
  speed = room_template->speed;
  persistent = room_template->persistent;
  background_color = room_template->background_color;
  show_background_color = room_template->show_background_color;
  creation_code = room_template->creation_code;
  backgrounds = room_template->backgrounds;
  views_enabled = room_template->views_enabled;
  views = room_template->views;
  tiles.reserve(room_template->tiles.size());
  for (const RRoomTile& stored : room_template->tiles) tiles.push_back(live_tile(stored));
  instances_.reserve(room_template->instances.size());
  for (const RRoomInstance& stored : room_template->instances) {
    auto instance = std::make_unique<CInstance>(stored.id, stored.object_index, stored.x, stored.y);
    instance->creation_code = stored.creation_code;
    add_instance(std::move(instance));
  }
  template_instances = instances_.size();
}

CInstance* CLiveRoom::add_instance(std::unique_ptr<CInstance> instance) {
  CInstance* added = instance.get();
  instances_.push_back(std::move(instance));
  link(added);
  return added;
}

CInstance* CLiveRoom::create_instance(int32_t object, double x, double y) {
  static int32_t spare_counter = 100000;
  int32_t* counter = world_resources().last_instance_id;
  if (!counter) counter = &spare_counter;
  ++*counter;
  return add_instance(std::make_unique<CInstance>(*counter, object, x, y));
}

// An index beyond the object list (a damaged room record) gets no lists: growing them to
// it could exhaust memory, and no event or search can name such an object anyway.
void CLiveRoom::link(CInstance* instance) {
  int32_t object = instance->object_index;
  if (object < 0 || size_t(object) >= object_count()) return;
  ensure_slot(own_lists_, object);
  own_lists_[size_t(object)].push_back(instance);
  for_each_family_member(object, [&](int32_t member) {
    ensure_slot(family_lists_, member);
    family_lists_[size_t(member)].push_back(instance);
  });
}

const std::vector<CInstance*>& CLiveRoom::own_list(int32_t object) const {
  if (object < 0 || size_t(object) >= own_lists_.size()) return kNoInstances;
  return own_lists_[size_t(object)];
}

const std::vector<CInstance*>& CLiveRoom::family_list(int32_t object) const {
  if (object < 0 || size_t(object) >= family_lists_.size()) return kNoInstances;
  return family_lists_[size_t(object)];
}

// Two remembered positions are tried first; on a miss the older one is dropped and the
// array is searched from its end, where the latest of several instances sharing an id (a
// changed or carried instance replacing a destroyed one) sits.
CInstance* CLiveRoom::find_instance(int32_t id) {
  size_t count = instances_.size();
  for (size_t position : cache_) {
    if (position < count) {
      CInstance* candidate = instances_[position].get();
      if (candidate->id == id && !candidate->destroyed) return candidate;
    }
  }
  for (size_t position = count; position-- > 0;) {
    CInstance* candidate = instances_[position].get();
    if (candidate->id == id && !candidate->destroyed) {
      cache_[1] = cache_[0];
      cache_[0] = position;
      return candidate;
    }
  }
  return nullptr;
}

void CLiveRoom::purge() {
  auto kept = std::stable_partition(instances_.begin(), instances_.end(),
                                    [](const auto& instance) { return !instance->destroyed; });
  if (kept == instances_.end()) return;
  instances_.erase(kept, instances_.end());
  rebuild_lists();
}

void CLiveRoom::apply_deactivation() {
  auto stays = [](const auto& instance) { return !instance->deactivated; };
  auto leaving = std::stable_partition(instances_.begin(), instances_.end(), stays);
  std::vector<std::unique_ptr<CInstance>> moved_out(std::make_move_iterator(leaving),
                                                    std::make_move_iterator(instances_.end()));
  instances_.erase(leaving, instances_.end());

  auto returning =
      std::stable_partition(deactivated_.begin(), deactivated_.end(),
                            [](const auto& instance) { return instance->deactivated; });
  instances_.insert(instances_.end(), std::make_move_iterator(returning),
                    std::make_move_iterator(deactivated_.end()));
  deactivated_.erase(returning, deactivated_.end());

  deactivated_.insert(deactivated_.end(), std::make_move_iterator(moved_out.begin()),
                      std::make_move_iterator(moved_out.end()));
  rebuild_lists();
}

void CLiveRoom::rebuild_lists() {
  for (auto& list : own_lists_) list.clear();
  for (auto& list : family_lists_) list.clear();
  for (const auto& instance : instances_) link(instance.get());
}

// An insertion sort that moves an instance before its neighbour only when its depth is
// strictly greater: equal depths keep their order, and the usual case (already sorted, or
// nearly) costs one pass.
void CLiveRoom::sort_by_depth() {
  for (size_t i = 1; i < instances_.size(); ++i) {
    if (!(instances_[i]->depth > instances_[i - 1]->depth)) continue;
    std::unique_ptr<CInstance> moving = std::move(instances_[i]);
    size_t j = i;
    for (; j > 0 && moving->depth > instances_[j - 1]->depth; --j) {
      instances_[j] = std::move(instances_[j - 1]);
    }
    instances_[j] = std::move(moving);
  }
}

}  // namespace vn
