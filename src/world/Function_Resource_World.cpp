#include "world/Function_Resource_World.h"

#include <algorithm>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "script/Code_Error.h"
#include "script/Code_Exec.h"
#include "script/Code_Function.h"
#include "script/Code_Value.h"
#include "script/Script_Main.h"
#include "world/Action_Class.h"
#include "world/Event_Main.h"
#include "world/Object_Class.h"
#include "world/Object_Main.h"
#include "world/Path_Class.h"
#include "world/Room_Class.h"
#include "world/Room_Main.h"
#include "world/Run_Global.h"
#include "world/Run_Main.h"
#include "world/TimeLine_Class.h"
#include "world/TimeLine_Main.h"

namespace vn {

namespace {

using arguments::boolean;
using arguments::integer;
using arguments::number;
using arguments::text;

using Self = CInstanceBase*;
using Args = const RValue*;

// --- Storage that something may still be reading ---
//
// Events and moments are reached through plain references while they run: the action list
// being executed, the collision phase's events of the pair it walks, the dispatch lists.
// A change that would move or free such storage moves it here instead, where it stays
// until a step has been completed since; no such reference outlives the step it was
// taken in.

struct RRetired {
  int64_t step = 0;
  std::shared_ptr<void> kept;
};

// Never destroyed: what it keeps may hold compiled code, which must not outlive the
// interpreter's own tables at exit.
std::vector<RRetired>& retired() {
  static auto* list = new std::vector<RRetired>();
  return *list;
}

template <typename T>
void retire(T&& value) {
  retired().push_back(
      {world_state().step_counter, std::make_shared<std::decay_t<T>>(std::forward<T>(value))});
}

void release_retired() {
  const int64_t step = world_state().step_counter;
  std::erase_if(retired(), [step](const RRetired& entry) { return entry.step != step; });
}

// Makes room for one more element without moving the present ones: when the list is
// full, they are copied to a larger list and the old one is retired.
template <typename T>
void reserve_in_place(std::vector<T>& list) {
  if (list.size() < list.capacity()) return;
  std::vector<T> larger;
  larger.reserve(list.size() * 2 + 4);
  larger.insert(larger.end(), list.begin(), list.end());
  list.swap(larger);
  retire(std::move(larger));
}

// --- Lists ---

template <typename T>
T* item(TResourceList<T>* list, const RValue& index) {
  return list ? list->get(integer(index)) : nullptr;
}

template <typename T>
std::string name_of(TResourceList<T>* list, const RValue& index) {
  return list ? list->name_of(integer(index)) : "<undefined>";
}

// Appends a resource made at run time, named after its kind and id.
template <typename T>
int32_t append(TResourceList<T>& list, const char* kind, std::unique_ptr<T> value) {
  return list.add_new(kind, std::move(value));
}

TResourceList<CPath>* paths() { return world_resources().paths; }
TResourceList<CTimeLine>* timelines() { return world_resources().timelines; }
TResourceList<CObject>* objects() { return world_resources().objects; }
TResourceList<CRoom>* rooms() { return world_resources().rooms; }

// The error context of code compiled for an event or moment, restored afterwards.
class CContextScope {
 public:
  CContextScope(int object, int type, int number, int action) : saved_(event_context()) {
    REventContext& context = event_context();
    context.event_object = object;
    context.event_type = type;
    context.event_number = number;
    context.event_action = action;
  }
  ~CContextScope() { event_context() = saved_; }
  CContextScope(const CContextScope&) = delete;
  CContextScope& operator=(const CContextScope&) = delete;

 private:
  REventContext saved_;
};

// A code action as the action library makes it, compiled at once; false after the
// compile error was reported.
constexpr int kCodeLibrary = 1;
constexpr int kCodeActionId = 603;
constexpr int kCodeArgumentKind = 1;

bool compiled_code_action(const std::string& code, CAction& action) {
  action.library_id = kCodeLibrary;
  action.action_id = kCodeActionId;
  action.kind = kActionCode;
  action.uses_apply_to = true;
  action.execution = kExecuteCode;
  action.argument_count = 1;
  action.argument_kinds = {kCodeArgumentKind};
  action.argument_texts = {code};
  return prepare_action(action);
}

// Appends without moving the action that may be running in the same list.
void append_action(CEvent& event, CAction action) {
  reserve_in_place(event.actions);
  event.actions.push_back(std::move(action));
}

// --- Paths ---

void fn_path_exists(Self, Self, int, Args args, RValue& result) {
  result = RValue(item(paths(), args[0]) ? 1.0 : 0.0);
}

void fn_path_name(Self, Self, int, Args args, RValue& result) {
  result = RValue(name_of(paths(), args[0]));
}

// path_get_length and its kind: -1 for a path that does not exist.
template <double (*Read)(const CPath&)>
void fn_path_get(Self, Self, int, Args args, RValue& result) {
  const CPath* path = item(paths(), args[0]);
  result = RValue(path ? Read(*path) : -1.0);
}

double path_length(const CPath& path) { return path.length(); }
double path_kind(const CPath& path) { return path.kind; }
double path_closed(const CPath& path) { return path.closed ? 1 : 0; }
double path_precision(const CPath& path) { return path.precision; }
double path_number(const CPath& path) { return double(path.points.size()); }

// path_get_point_x and its kind: the defined point n.
template <double RPathPoint::*Field>
void fn_path_get_point(Self, Self, int, Args args, RValue& result) {
  const CPath* path = item(paths(), args[0]);
  result = RValue(path ? path->point(integer(args[1])).*Field : -1.0);
}

// path_get_x and its kind: the place at a fraction of the length.
template <double RPathPoint::*Field>
void fn_path_get_at(Self, Self, int, Args args, RValue& result) {
  const CPath* path = item(paths(), args[0]);
  result = RValue(path ? path->point_at(number(args[1])).*Field : -1.0);
}

void fn_path_set_kind(Self, Self, int, Args args, RValue&) {
  if (CPath* path = item(paths(), args[0])) path->set_kind(integer(args[1]));
}

void fn_path_set_closed(Self, Self, int, Args args, RValue&) {
  if (CPath* path = item(paths(), args[0])) path->set_closed(boolean(args[1]));
}

void fn_path_set_precision(Self, Self, int, Args args, RValue&) {
  if (CPath* path = item(paths(), args[0])) path->set_precision(integer(args[1]));
}

void fn_path_add(Self, Self, int, Args, RValue& result) {
  if (TResourceList<CPath>* list = paths()) {
    result = RValue(double(append(*list, "__newpath", std::make_unique<CPath>())));
  }
}

void fn_path_duplicate(Self, Self, int, Args args, RValue& result) {
  result = RValue(-1.0);
  const CPath* source = item(paths(), args[0]);
  if (!source) {
    report_runtime_error("Trying to duplicate non-existing path.", false);
    return;
  }
  auto copy = std::make_unique<CPath>();
  copy->copy_from(*source);
  result = RValue(double(append(*paths(), "__newpath", std::move(copy))));
}

void fn_path_assign(Self, Self, int, Args args, RValue&) {
  TResourceList<CPath>* list = paths();
  if (!list || !list->assign(integer(args[0]), integer(args[1]),
                             [](CPath& to, const CPath& from) { to.copy_from(from); })) {
    report_runtime_error("Error assigning a path.", false);
  }
}

void fn_path_append(Self, Self, int, Args args, RValue&) {
  CPath* path = item(paths(), args[0]);
  if (!path) {
    report_runtime_error("Appending to non-existing path.", false);
    return;
  }
  const CPath* source = item(paths(), args[1]);
  if (!source) {
    report_runtime_error("Appending a non-existing path.", false);
    return;
  }
  path->append(*source);
}

// Instances following the path look it up by index each step and find nothing.
void fn_path_delete(Self, Self, int, Args args, RValue&) {
  TResourceList<CPath>* list = paths();
  if (!list || !list->remove(integer(args[0]))) {
    report_runtime_error("Trying to delete non-existing path.", false);
  }
}

void fn_path_add_point(Self, Self, int, Args args, RValue&) {
  if (CPath* path = item(paths(), args[0])) {
    path->add_point(number(args[1]), number(args[2]), number(args[3]));
  }
}

void fn_path_insert_point(Self, Self, int, Args args, RValue&) {
  if (CPath* path = item(paths(), args[0])) {
    path->insert_point(integer(args[1]), number(args[2]), number(args[3]), number(args[4]));
  }
}

void fn_path_change_point(Self, Self, int, Args args, RValue&) {
  if (CPath* path = item(paths(), args[0])) {
    path->change_point(integer(args[1]), number(args[2]), number(args[3]), number(args[4]));
  }
}

void fn_path_delete_point(Self, Self, int, Args args, RValue&) {
  if (CPath* path = item(paths(), args[0])) path->delete_point(integer(args[1]));
}

void fn_path_clear_points(Self, Self, int, Args args, RValue&) {
  if (CPath* path = item(paths(), args[0])) path->clear_points();
}

void fn_path_reverse(Self, Self, int, Args args, RValue&) {
  if (CPath* path = item(paths(), args[0])) path->reverse();
}

void fn_path_mirror(Self, Self, int, Args args, RValue&) {
  if (CPath* path = item(paths(), args[0])) path->mirror();
}

void fn_path_flip(Self, Self, int, Args args, RValue&) {
  if (CPath* path = item(paths(), args[0])) path->flip();
}

void fn_path_rotate(Self, Self, int, Args args, RValue&) {
  if (CPath* path = item(paths(), args[0])) path->rotate(number(args[1]));
}

void fn_path_scale(Self, Self, int, Args args, RValue&) {
  if (CPath* path = item(paths(), args[0])) path->scale(number(args[1]), number(args[2]));
}

void fn_path_shift(Self, Self, int, Args args, RValue&) {
  if (CPath* path = item(paths(), args[0])) path->shift(number(args[1]), number(args[2]));
}

// --- Scripts ---

void fn_script_exists(Self, Self, int, Args args, RValue& result) {
  result = RValue(script_exists(integer(args[0])) ? 1.0 : 0.0);
}

void fn_script_name(Self, Self, int, Args args, RValue& result) {
  result = RValue(script_name(integer(args[0])));
}

void fn_script_get_text(Self, Self, int, Args args, RValue& result) {
  const CScript* script = script_get(integer(args[0]));
  result = RValue(script ? script->source : std::string());
}

// At most 15 arguments after the id reach the script.
void fn_script_execute(Self self, Self other, int argc, Args args, RValue& result) {
  const int32_t index = integer(args[0]);
  if (!script_get(index)) {
    report_runtime_error("Trying to execute non-existing script.", false);
    return;
  }
  const int count = std::clamp(argc - 1, 0, kMaxArguments - 1);
  RValue passed[kMaxArguments - 1];
  for (int i = 0; i < count; ++i) passed[i] = args[i + 1];
  if (!call_script(index, self, other, count, passed, result)) {
    report_runtime_error(last_error_message(), false);
    clear_error_flag();
  }
}

// --- Time lines ---

void fn_timeline_exists(Self, Self, int, Args args, RValue& result) {
  result = RValue(item(timelines(), args[0]) ? 1.0 : 0.0);
}

void fn_timeline_name(Self, Self, int, Args args, RValue& result) {
  result = RValue(name_of(timelines(), args[0]));
}

void fn_timeline_add(Self, Self, int, Args, RValue& result) {
  if (TResourceList<CTimeLine>* list = timelines()) {
    result = RValue(double(append(*list, "__newtimeline", std::make_unique<CTimeLine>())));
  }
}

void fn_timeline_delete(Self, Self, int, Args args, RValue&) {
  release_retired();
  TResourceList<CTimeLine>* list = timelines();
  if (!item(list, args[0])) {
    report_runtime_error("Trying to delete non-existing timeline.", false);
    return;
  }
  size_t at = size_t(integer(args[0]));
  retire(std::move(list->items[at]));
  list->names[at].clear();
}

// Before moments are inserted or removed: a running moment keeps its place.
void keep_running_moments(CTimeLine& timeline) {
  if (!moment_running(timeline)) return;
  std::vector<RMoment> copy = timeline.moments;
  timeline.moments.swap(copy);
  retire(std::move(copy));
}

void fn_timeline_clear(Self, Self, int, Args args, RValue&) {
  release_retired();
  CTimeLine* timeline = item(timelines(), args[0]);
  if (!timeline) return;
  keep_running_moments(*timeline);
  timeline->moments.clear();
}

void fn_timeline_moment_clear(Self, Self, int, Args args, RValue&) {
  release_retired();
  CTimeLine* timeline = item(timelines(), args[0]);
  if (!timeline) return;
  keep_running_moments(*timeline);
  moment_clear(*timeline, integer(args[1]));
}

void fn_timeline_moment_add(Self, Self, int, Args args, RValue&) {
  release_retired();
  const int32_t index = integer(args[0]);
  CTimeLine* timeline = item(timelines(), args[0]);
  if (!timeline) return;
  const int32_t step = integer(args[1]);
  auto at = std::find_if(timeline->moments.begin(), timeline->moments.end(),
                         [step](const RMoment& moment) { return moment.step == step; });
  size_t position = at == timeline->moments.end() ? 0 : at->event.actions.size();
  CAction action;
  {
    CContextScope scope(index, kEventTimeLine, step, int(position));
    if (!compiled_code_action(text(args[2]), action)) return;
  }
  if (at == timeline->moments.end()) keep_running_moments(*timeline);
  append_action(moment_add(*timeline, step), std::move(action));
}

// --- Objects ---

// The dispatch lists and the rooms' family lists follow the objects' events and parents.
void objects_changed(bool parents_changed) {
  build_event_lists();
  if (!parents_changed) return;
  for (const std::unique_ptr<CLiveRoom>& room : world_state().live_rooms) {
    if (room) room->rebuild_lists();
  }
  if (CLiveRoom* room = world_state().current) {
    // The current room is in the list above unless the tests installed it by hand.
    bool listed = std::any_of(world_state().live_rooms.begin(), world_state().live_rooms.end(),
                              [room](const auto& live) { return live.get() == room; });
    if (!listed) room->rebuild_lists();
  }
}

void fn_object_exists(Self, Self, int, Args args, RValue& result) {
  result = RValue(item(objects(), args[0]) ? 1.0 : 0.0);
}

void fn_object_name(Self, Self, int, Args args, RValue& result) {
  result = RValue(name_of(objects(), args[0]));
}

template <auto Field>
void fn_object_get(Self, Self, int, Args args, RValue& result) {
  const CObject* object = item(objects(), args[0]);
  result = RValue(object ? double(object->*Field) : -1.0);
}

template <int CObject::*Field>
void fn_object_set_integer(Self, Self, int, Args args, RValue&) {
  if (CObject* object = item(objects(), args[0])) object->*Field = integer(args[1]);
}

template <bool CObject::*Field>
void fn_object_set_flag(Self, Self, int, Args args, RValue&) {
  if (CObject* object = item(objects(), args[0])) object->*Field = boolean(args[1]);
}

// Whether ancestor lies on the parent chain above object; a chain that loops is walked
// at most once around.
bool is_ancestor(int32_t object, int32_t ancestor) {
  size_t limit = object_count() + 1;
  const CObject* found = object_at(object);
  for (int32_t current = found ? found->parent_index : -1; limit > 0; --limit) {
    const CObject* next = object_at(current);
    if (!next) return false;
    if (current == ancestor) return true;
    current = next->parent_index;
  }
  return false;
}

void fn_object_is_ancestor(Self, Self, int, Args args, RValue& result) {
  const int32_t object = integer(args[0]);
  if (!object_at(object)) {
    result = RValue(-1.0);
    return;
  }
  result = RValue(is_ancestor(object, integer(args[1])) ? 1.0 : 0.0);
}

void fn_object_set_parent(Self, Self, int, Args args, RValue&) {
  release_retired();
  const int32_t index = integer(args[0]);
  CObject* object = item(objects(), args[0]);
  if (!object) return;
  int32_t parent = integer(args[1]);
  if (parent < 0) {
    parent = -1;
  } else if (!object_at(parent)) {
    report_runtime_error("Setting a non-existing parent.", false);
    return;
  } else if (parent == index || is_ancestor(parent, index)) {
    report_runtime_error("Creating a cycle in the parent relation.", false);
    return;
  }
  object->parent_index = parent;
  objects_changed(true);
}

void fn_object_add(Self, Self, int, Args, RValue& result) {
  if (TResourceList<CObject>* list = objects()) {
    result = RValue(double(append(*list, "__newobject", std::make_unique<CObject>())));
  }
}

// The object's events may be running or held by the collision phase: the object is kept
// until the step is over. Its instances stay, without an object.
void fn_object_delete(Self, Self, int, Args args, RValue&) {
  release_retired();
  TResourceList<CObject>* list = objects();
  if (!item(list, args[0])) {
    report_runtime_error("Trying to delete non-existing object.", false);
    return;
  }
  size_t at = size_t(integer(args[0]));
  retire(std::move(list->items[at]));
  list->names[at].clear();
  objects_changed(true);
}

bool event_type_valid(int32_t type) { return type >= 0 && type < kEventTypeCount; }

void fn_object_event_clear(Self, Self, int, Args args, RValue&) {
  release_retired();
  CObject* object = item(objects(), args[0]);
  if (!object || !event_type_valid(integer(args[1]))) return;
  CEvent* event = object->find_event(integer(args[1]), integer(args[2]));
  if (!event) return;
  // The list may be running: its actions stay alive, and the run finds the list empty.
  retire(std::move(event->actions));
  event->actions = {};
  objects_changed(false);
}

void fn_object_event_add(Self, Self, int, Args args, RValue&) {
  release_retired();
  const int32_t index = integer(args[0]);
  CObject* object = item(objects(), args[0]);
  const int32_t type = integer(args[1]);
  const int32_t number_ = integer(args[2]);
  if (!object || !event_type_valid(type)) return;
  CEvent* existing = object->find_event(type, number_);
  CAction action;
  {
    CContextScope scope(index, type, number_, existing ? int(existing->actions.size()) : 0);
    if (!compiled_code_action(text(args[3]), action)) return;
  }
  if (!existing) reserve_in_place(object->events[size_t(type)]);
  append_action(object->event(type, number_), std::move(action));
  object->last_event_type = std::max(object->last_event_type, type);
  objects_changed(false);
}

// --- Rooms ---

void fn_room_exists(Self, Self, int, Args args, RValue& result) {
  result = RValue(item(rooms(), args[0]) ? 1.0 : 0.0);
}

void fn_room_name(Self, Self, int, Args args, RValue& result) {
  result = RValue(name_of(rooms(), args[0]));
}

void fn_room_set_width(Self, Self, int, Args args, RValue&) {
  if (CRoom* room = item(rooms(), args[0])) room->width = integer(args[1]);
}

void fn_room_set_height(Self, Self, int, Args args, RValue&) {
  if (CRoom* room = item(rooms(), args[0])) room->height = integer(args[1]);
}

void fn_room_set_caption(Self, Self, int, Args args, RValue&) {
  if (CRoom* room = item(rooms(), args[0])) room->caption = text(args[1]);
}

void fn_room_set_persistent(Self, Self, int, Args args, RValue&) {
  if (CRoom* room = item(rooms(), args[0])) room->persistent = boolean(args[1]);
}

void fn_room_set_code(Self, Self, int, Args args, RValue&) {
  if (CRoom* room = item(rooms(), args[0])) room->creation_code = text(args[1]);
}

void fn_room_set_background_color(Self, Self, int, Args args, RValue&) {
  CRoom* room = item(rooms(), args[0]);
  if (!room) return;
  room->background_color = integer(args[1]);
  room->show_background_color = boolean(args[2]);
}

void fn_room_set_background(Self, Self, int, Args args, RValue&) {
  CRoom* room = item(rooms(), args[0]);
  const int32_t layer = integer(args[1]);
  if (!room || layer < 0 || layer >= kRoomLayerCount) return;
  CBack& back = room->backgrounds[size_t(layer)];
  back.visible = boolean(args[2]);
  back.foreground = boolean(args[3]);
  back.background_index = integer(args[4]);
  back.x = number(args[5]);
  back.y = number(args[6]);
  back.tile_horizontal = boolean(args[7]);
  back.tile_vertical = boolean(args[8]);
  back.hspeed = number(args[9]);
  back.vspeed = number(args[10]);
  back.alpha = number(args[11]);
  back.xscale = 1;
  back.yscale = 1;
}

void fn_room_set_view(Self, Self, int, Args args, RValue&) {
  CRoom* room = item(rooms(), args[0]);
  const int32_t number_ = integer(args[1]);
  if (!room || number_ < 0 || number_ >= kRoomViewCount) return;
  CView& view = room->views[size_t(number_)];
  view.visible = boolean(args[2]);
  view.view_x = integer(args[3]);
  view.view_y = integer(args[4]);
  view.view_width = integer(args[5]);
  view.view_height = integer(args[6]);
  view.port_x = integer(args[7]);
  view.port_y = integer(args[8]);
  view.port_width = integer(args[9]);
  view.port_height = integer(args[10]);
  view.hborder = integer(args[11]);
  view.vborder = integer(args[12]);
  view.hspeed = integer(args[13]);
  view.vspeed = integer(args[14]);
  view.follow = integer(args[15]);
}

void fn_room_set_view_enabled(Self, Self, int, Args args, RValue&) {
  if (CRoom* room = item(rooms(), args[0])) room->views_enabled = boolean(args[1]);
}

// Rooms made at run time are not in the room order: room_goto reaches them, the next and
// previous room functions do not.
void fn_room_add(Self, Self, int, Args, RValue& result) {
  if (TResourceList<CRoom>* list = rooms()) {
    result = RValue(double(append(*list, "__newroom", std::make_unique<CRoom>())));
  }
}

void fn_room_duplicate(Self, Self, int, Args args, RValue& result) {
  result = RValue(-1.0);
  const CRoom* source = item(rooms(), args[0]);
  if (!source) {
    report_runtime_error("Trying to duplicate non-existing room.", false);
    return;
  }
  result = RValue(double(append(*rooms(), "__newroom", std::make_unique<CRoom>(*source))));
}

void fn_room_assign(Self, Self, int, Args args, RValue&) {
  TResourceList<CRoom>* list = rooms();
  if (!list || !list->assign(integer(args[0]), integer(args[1]),
                             [](CRoom& to, const CRoom& from) { to = from; })) {
    report_runtime_error("Error assigning a room.", false);
  }
}

int32_t next_id(int32_t* counter, int32_t& spare) {
  if (!counter) counter = &spare;
  return ++*counter;
}

void fn_room_instance_add(Self, Self, int, Args args, RValue& result) {
  static int32_t spare_counter = 100000;
  CRoom* room = item(rooms(), args[0]);
  if (!room) return;
  RRoomInstance added;
  added.x = integer(args[1]);
  added.y = integer(args[2]);
  added.object_index = integer(args[3]);
  added.id = next_id(world_resources().last_instance_id, spare_counter);
  room->instances.push_back(added);
  result = RValue(double(added.id));
}

void fn_room_instance_clear(Self, Self, int, Args args, RValue&) {
  if (CRoom* room = item(rooms(), args[0])) room->instances.clear();
}

// room_tile_add and room_tile_add_ext: the fields both share, then the id.
void add_room_tile(Args args, bool extended, RValue& result) {
  static int32_t spare_counter = 10000000;
  CRoom* room = item(rooms(), args[0]);
  if (!room) return;
  if (!background_at(integer(args[1]))) {
    report_runtime_error("Background does not exist.", false);
    return;
  }
  RRoomTile tile;
  tile.background_index = integer(args[1]);
  tile.left = integer(args[2]);
  tile.top = integer(args[3]);
  tile.width = integer(args[4]);
  tile.height = integer(args[5]);
  tile.x = integer(args[6]);
  tile.y = integer(args[7]);
  tile.depth = integer(args[8]);
  if (extended) {
    tile.xscale = number(args[9]);
    tile.yscale = number(args[10]);
    tile.alpha = number(args[11]);
  }
  tile.id = next_id(world_resources().last_tile_id, spare_counter);
  room->tiles.push_back(tile);
  result = RValue(double(tile.id));
}

void fn_room_tile_add(Self, Self, int, Args args, RValue& result) {
  add_room_tile(args, false, result);
}

void fn_room_tile_add_ext(Self, Self, int, Args args, RValue& result) {
  add_room_tile(args, true, result);
}

void fn_room_tile_clear(Self, Self, int, Args args, RValue&) {
  if (CRoom* room = item(rooms(), args[0])) room->tiles.clear();
}

}  // namespace

void register_resource_world_functions() {
  register_function("path_exists", fn_path_exists, 1);
  register_function("path_name", fn_path_name, 1);
  register_function("path_get_name", fn_path_name, 1);
  register_function("path_get_length", fn_path_get<path_length>, 1);
  register_function("path_get_kind", fn_path_get<path_kind>, 1);
  register_function("path_get_closed", fn_path_get<path_closed>, 1);
  register_function("path_get_precision", fn_path_get<path_precision>, 1);
  register_function("path_get_number", fn_path_get<path_number>, 1);
  register_function("path_get_point_x", fn_path_get_point<&RPathPoint::x>, 2);
  register_function("path_get_point_y", fn_path_get_point<&RPathPoint::y>, 2);
  register_function("path_get_point_speed", fn_path_get_point<&RPathPoint::speed>, 2);
  register_function("path_get_x", fn_path_get_at<&RPathPoint::x>, 2);
  register_function("path_get_y", fn_path_get_at<&RPathPoint::y>, 2);
  register_function("path_get_speed", fn_path_get_at<&RPathPoint::speed>, 2);
  register_function("path_set_kind", fn_path_set_kind, 2);
  register_function("path_set_closed", fn_path_set_closed, 2);
  register_function("path_set_precision", fn_path_set_precision, 2);
  register_function("path_add", fn_path_add, 0);
  register_function("path_duplicate", fn_path_duplicate, 1);
  register_function("path_assign", fn_path_assign, 2);
  register_function("path_append", fn_path_append, 2);
  register_function("path_delete", fn_path_delete, 1);
  register_function("path_add_point", fn_path_add_point, 4);
  register_function("path_insert_point", fn_path_insert_point, 5);
  register_function("path_change_point", fn_path_change_point, 5);
  register_function("path_delete_point", fn_path_delete_point, 2);
  register_function("path_clear_points", fn_path_clear_points, 1);
  register_function("path_reverse", fn_path_reverse, 1);
  register_function("path_mirror", fn_path_mirror, 1);
  register_function("path_flip", fn_path_flip, 1);
  register_function("path_rotate", fn_path_rotate, 2);
  register_function("path_scale", fn_path_scale, 3);
  register_function("path_shift", fn_path_shift, 3);

  register_function("script_exists", fn_script_exists, 1);
  register_function("script_name", fn_script_name, 1);
  register_function("script_get_name", fn_script_name, 1);
  register_function("script_get_text", fn_script_get_text, 1);
  register_function("script_execute", fn_script_execute, kVariableArguments);

  register_function("timeline_exists", fn_timeline_exists, 1);
  register_function("timeline_name", fn_timeline_name, 1);
  register_function("timeline_get_name", fn_timeline_name, 1);
  register_function("timeline_add", fn_timeline_add, 0);
  register_function("timeline_delete", fn_timeline_delete, 1);
  register_function("timeline_clear", fn_timeline_clear, 1);
  register_function("timeline_moment_clear", fn_timeline_moment_clear, 2);
  register_function("timeline_moment_add", fn_timeline_moment_add, 3);

  register_function("object_exists", fn_object_exists, 1);
  register_function("object_name", fn_object_name, 1);
  register_function("object_get_name", fn_object_name, 1);
  register_function("object_get_sprite", fn_object_get<&CObject::sprite_index>, 1);
  register_function("object_get_solid", fn_object_get<&CObject::solid>, 1);
  register_function("object_get_visible", fn_object_get<&CObject::visible>, 1);
  register_function("object_get_depth", fn_object_get<&CObject::depth>, 1);
  register_function("object_get_persistent", fn_object_get<&CObject::persistent>, 1);
  register_function("object_get_mask", fn_object_get<&CObject::mask_index>, 1);
  register_function("object_get_parent", fn_object_get<&CObject::parent_index>, 1);
  register_function("object_is_ancestor", fn_object_is_ancestor, 2);
  register_function("object_set_sprite", fn_object_set_integer<&CObject::sprite_index>, 2);
  register_function("object_set_solid", fn_object_set_flag<&CObject::solid>, 2);
  register_function("object_set_visible", fn_object_set_flag<&CObject::visible>, 2);
  register_function("object_set_depth", fn_object_set_integer<&CObject::depth>, 2);
  register_function("object_set_persistent", fn_object_set_flag<&CObject::persistent>, 2);
  register_function("object_set_mask", fn_object_set_integer<&CObject::mask_index>, 2);
  register_function("object_set_parent", fn_object_set_parent, 2);
  register_function("object_add", fn_object_add, 0);
  register_function("object_delete", fn_object_delete, 1);
  register_function("object_event_clear", fn_object_event_clear, 3);
  register_function("object_event_add", fn_object_event_add, 4);

  register_function("room_exists", fn_room_exists, 1);
  register_function("room_name", fn_room_name, 1);
  register_function("room_get_name", fn_room_name, 1);
  register_function("room_set_width", fn_room_set_width, 2);
  register_function("room_set_height", fn_room_set_height, 2);
  register_function("room_set_caption", fn_room_set_caption, 2);
  register_function("room_set_persistent", fn_room_set_persistent, 2);
  register_function("room_set_code", fn_room_set_code, 2);
  register_function("room_set_background_color", fn_room_set_background_color, 3);
  register_function("room_set_background", fn_room_set_background, 12);
  register_function("room_set_view", fn_room_set_view, 16);
  register_function("room_set_view_enabled", fn_room_set_view_enabled, 2);
  register_function("room_add", fn_room_add, 0);
  register_function("room_duplicate", fn_room_duplicate, 1);
  register_function("room_assign", fn_room_assign, 2);
  register_function("room_instance_add", fn_room_instance_add, 4);
  register_function("room_instance_clear", fn_room_instance_clear, 1);
  register_function("room_tile_add", fn_room_tile_add, 9);
  register_function("room_tile_add_ext", fn_room_tile_add_ext, 12);
  register_function("room_tile_clear", fn_room_tile_clear, 1);
}

}  // namespace vn
