#include "world/Object_Main.h"

#include <algorithm>

#include "script/Code_Error.h"
#include "world/Event_Main.h"
#include "world/Instance_Class.h"
#include "world/Object_Class.h"
#include "world/Object_Lists.h"
#include "world/Run_Global.h"
#include "world/Run_Main.h"
#include "world/Trigger_Class.h"

namespace vn {

namespace {

// A parent chain that loops back on itself (a damaged game) is walked at most once per
// object.
size_t chain_limit() { return object_count() + 1; }

const CEvent* own_event(int32_t object, int32_t type, int32_t number) {
  CObject* found = world_resources().objects ? world_resources().objects->get(object) : nullptr;
  if (!found) return nullptr;
  const CEvent* event = found->find_event(type, number);
  return event && !event->actions.empty() ? event : nullptr;
}

RFoundEvent find_along_chain(int32_t object, int32_t type, int32_t number) {
  size_t limit = chain_limit();
  for (int32_t current = object; current >= 0 && object_at(current) && limit > 0; --limit) {
    if (const CEvent* event = own_event(current, type, number)) return {event, current};
    current = object_parent(current);
  }
  return {};
}

// Event numbers 0 to the bound are listed per type; collisions use the pairs instead.
int32_t event_bound(int32_t type) {
  switch (type) {
    case kEventAlarm:
      return 12;
    case kEventStep:
      return 16;
    case kEventKeyboard:
    case kEventMouse:
    case kEventOther:
    case kEventKeyPress:
    case kEventKeyRelease:
      return 128;
    case kEventTrigger:
      return world_resources().triggers ? int32_t(world_resources().triggers->size()) - 1 : -1;
    case kEventCollision:
      return -1;
    default:
      return 0;
  }
}

// Whether an object or an ancestor has any collision event, so that the pair search can
// pass over the objects that cannot take part.
bool chain_has_collision(int32_t object) {
  size_t limit = chain_limit();
  for (int32_t current = object; current >= 0 && limit > 0; --limit) {
    const CObject* found = object_at(current);
    if (!found) return false;
    for (const REventEntry& entry : found->events[kEventCollision]) {
      if (!entry.event.actions.empty()) return true;
    }
    current = found->parent_index;
  }
  return false;
}

std::string key_name(int32_t code) {
  switch (code) {
    case 0:
      return "<no key>";
    case 1:
      return "<any key>";
    case 8:
      return "<Backspace>";
    case 9:
      return "<Tab>";
    case 13:
      return "<Enter>";
    case 16:
      return "<Shift>";
    case 17:
      return "<Ctrl>";
    case 18:
      return "<Alt>";
    case 27:
      return "<Escape>";
    case 32:
      return "<Space>";
    case 33:
      return "<Page Up>";
    case 34:
      return "<Page Down>";
    case 35:
      return "<End>";
    case 36:
      return "<Home>";
    case 37:
      return "<Left>";
    case 38:
      return "<Up>";
    case 39:
      return "<Right>";
    case 40:
      return "<Down>";
    case 45:
      return "<Insert>";
    case 46:
      return "<Delete>";
    case 106:
      return "Keypad *";
    case 107:
      return "Keypad +";
    case 109:
      return "Keypad -";
    case 110:
      return "Keypad .";
    case 111:
      return "Keypad /";
    default:
      break;
  }
  if ((code >= 48 && code <= 57) || (code >= 65 && code <= 90)) {
    return std::string(1, char(code)) + "-key";
  }
  if (code >= 96 && code <= 105) return "Keypad " + std::to_string(code - 96);
  if (code >= 112 && code <= 123) return "F" + std::to_string(code - 111);
  return "<unknown>";
}

std::string mouse_name(int32_t number) {
  static const char* const kFixed[] = {"Left Button",     "Right Button",  "Middle Button",
                                       "No Button",       "Left Pressed",  "Right Pressed",
                                       "Middle Pressed",  "Left Released", "Right Released",
                                       "Middle Released", "Mouse Enter",   "Mouse Leave"};
  static const char* const kGlobal[] = {
      "Glob Left Button",   "Glob Right Button",   "Glob Middle Button",
      "Glob Left Pressed",  "Glob Right Pressed",  "Glob Middle Pressed",
      "Glob Left Released", "Glob Right Released", "Glob Middle Released"};
  static const char* const kDirections[] = {"Left", "Right", "Up", "Down"};
  if (number >= 0 && number <= 11) return kFixed[number];
  if (number >= 16 && number <= 19) return std::string("Joystick 1 ") + kDirections[number - 16];
  if (number >= 21 && number <= 28) return "Joystick 1 Button " + std::to_string(number - 20);
  if (number >= 31 && number <= 34) return std::string("Joystick 2 ") + kDirections[number - 31];
  if (number >= 36 && number <= 43) return "Joystick 2 Button " + std::to_string(number - 35);
  if (number >= 50 && number <= 58) return kGlobal[number - 50];
  if (number == 60) return "Mouse Wheel Up";
  if (number == 61) return "Mouse Wheel Down";
  return "<unknown>";
}

std::string other_name(int32_t number) {
  static const char* const kFixed[] = {
      "Outside Room", "Intersect Boundary", "Game Start",    "Game End",    "Room Start",
      "Room End",     "No More Lives",      "Animation End", "End Of Path", "No More Health"};
  if (number >= 0 && number <= 9) return kFixed[number];
  if (number >= 10 && number <= 25) return "User Defined " + std::to_string(number - 10);
  if (number == 30) return "Close Button";
  if (number >= 40 && number <= 47) return "Outside View " + std::to_string(number - 40);
  if (number >= 50 && number <= 57) return "Boundary View " + std::to_string(number - 50);
  return "<unknown>";
}

std::string step_name(int32_t number) {
  switch (number) {
    case 0:
      return "";
    case 1:
      return "Begin";
    case 2:
      return "End";
    default:
      return "<unknown>";
  }
}

}  // namespace

int32_t object_parent(int32_t object) {
  const CObject* found = object_at(object);
  if (!found || !object_at(found->parent_index)) return -1;
  return found->parent_index;
}

bool object_is_family(int32_t ancestor, int32_t descendant) {
  size_t limit = chain_limit();
  for (int32_t current = descendant; current >= 0 && limit > 0; --limit) {
    if (current == ancestor) return true;
    current = object_parent(current);
  }
  return false;
}

RFoundEvent find_event(int32_t object, int32_t type, int32_t number) {
  if (type < 0 || type >= kEventTypeCount) return {};
  RFoundEvent found = find_along_chain(object, type, number);
  if (found.event || type != kEventCollision || !object_at(number)) return found;
  // A collision event with an ancestor of the other object catches its descendants.
  size_t limit = chain_limit();
  for (int32_t ancestor = object_parent(number); ancestor >= 0 && limit > 0; --limit) {
    found = find_along_chain(object, type, ancestor);
    if (found.event) return found;
    ancestor = object_parent(ancestor);
  }
  return {};
}

bool has_event(int32_t object, int32_t type, int32_t number) {
  return find_event(object, type, number).event != nullptr;
}

void perform_found_event(CInstance* self, CInstance* other, const RFoundEvent& found, int32_t type,
                         int32_t number) {
  if (request_pending() || !found.event) return;
  REventContext& context = event_context();
  REventContext saved = context;
  context.event_type = type;
  context.event_number = number;
  context.event_object = found.object;
  context.event_action = 0;
  execute_actions(self, other, *found.event);
  event_context() = saved;
}

void perform_event(CInstance* self, CInstance* other, int32_t object, int32_t type,
                   int32_t number) {
  if (request_pending()) return;
  RFoundEvent found = find_event(object, type, number);
  if (found.event) perform_found_event(self, other, found, type, number);
}

void perform_event_self(CInstance* instance, CInstance* other, int32_t type, int32_t number) {
  if (!instance) return;
  perform_event(instance, other, instance->object_index, type, number);
}

void perform_event_all(int32_t type, int32_t number) {
  CLiveRoom* room = current_room();
  if (!room) return;
  size_t count = room->instances().size();
  for (size_t i = 0; i < count && !request_pending(); ++i) {
    if (i >= room->instances().size()) break;
    CInstance* instance = room->instances()[i].get();
    if (!instance->destroyed) perform_event_self(instance, instance, type, number);
  }
}

std::string event_name(int32_t type, int32_t number) {
  switch (type) {
    case kEventCreate:
      return "Create Event";
    case kEventDestroy:
      return "Destroy Event";
    case kEventAlarm:
      return "Alarm Event for alarm " + std::to_string(number);
    case kEventStep:
      return step_name(number) + " Step Event";
    case kEventCollision:
      return "Collision Event with object " + object_name(number);
    case kEventKeyboard:
      return "Keyboard Event for " + key_name(number) + " Key";
    case kEventMouse:
      return "Mouse Event for " + mouse_name(number);
    case kEventOther:
      return "Other Event: " + other_name(number);
    case kEventDraw:
      return "Draw Event";
    case kEventKeyPress:
      return "Key Press Event for " + key_name(number) + " Key";
    case kEventKeyRelease:
      return "Key Release Event for " + key_name(number) + " Key";
    case kEventTrigger: {
      const auto* triggers = world_resources().triggers;
      bool exists = triggers && number >= 0 && size_t(number) < triggers->size() &&
                    (*triggers)[size_t(number)] != nullptr;
      return "Trigger Event: " + (exists ? (*triggers)[size_t(number)]->name : "<Deleted>");
    }
    default:
      return "<Unknown Event>";
  }
}

void build_event_lists() {
  RWorldState& world = world_state();
  int32_t objects = int32_t(object_count());
  world.event_objects.assign(kEventTypeCount, {});
  world.event_handlers.assign(kEventTypeCount, {});
  for (int32_t type = 0; type < kEventTypeCount; ++type) {
    int32_t bound = event_bound(type);
    if (bound < 0) continue;
    auto& numbers = world.event_objects[size_t(type)];
    auto& handlers = world.event_handlers[size_t(type)];
    numbers.resize(size_t(bound) + 1);
    handlers.resize(size_t(bound) + 1);
    for (int32_t object = 0; object < objects; ++object) {
      const CObject* found_object = object_at(object);
      if (!found_object) continue;
      for (int32_t number = 0; number <= bound; ++number) {
        RFoundEvent found = find_event(object, type, number);
        if (!found.event) continue;
        numbers[size_t(number)].push_back(object);
        handlers[size_t(number)].push_back({object, found});
      }
    }
  }
  world.collision_pairs.clear();
  std::vector<bool> takes_part(static_cast<size_t>(objects));
  for (int32_t object = 0; object < objects; ++object) {
    takes_part[size_t(object)] = chain_has_collision(object);
  }
  for (int32_t i = 0; i < objects; ++i) {
    if (!object_at(i)) continue;
    for (int32_t j = i; j < objects; ++j) {
      if (!object_at(j) || (!takes_part[size_t(i)] && !takes_part[size_t(j)])) continue;
      if ((takes_part[size_t(i)] && has_event(i, kEventCollision, j)) ||
          (takes_part[size_t(j)] && has_event(j, kEventCollision, i))) {
        world.collision_pairs.emplace_back(i, j);
      }
    }
  }
  ++world.event_lists_generation;
}

const std::vector<RListedEvent>* listed_events(int32_t type, int32_t number) {
  const RWorldState& world = world_state();
  if (type < 0 || size_t(type) >= world.event_handlers.size() || number < 0) return nullptr;
  const auto& numbers = world.event_handlers[size_t(type)];
  return size_t(number) < numbers.size() ? &numbers[size_t(number)] : nullptr;
}

const RFoundEvent* listed_event(int32_t object, int32_t type, int32_t number) {
  const std::vector<RListedEvent>* list = listed_events(type, number);
  if (!list) return nullptr;
  auto at = std::lower_bound(
      list->begin(), list->end(), object,
      [](const RListedEvent& listed, int32_t wanted) { return listed.object < wanted; });
  return at != list->end() && at->object == object ? &at->found : nullptr;
}

void dispatch_event(int32_t type, int32_t number) {
  for_each_listed(type, number, [type, number](CInstance* instance, const RFoundEvent& found) {
    perform_found_event(instance, instance, found, type, number);
  });
}

}  // namespace vn
