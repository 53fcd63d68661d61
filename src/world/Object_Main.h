// Events of objects: finding an event along the parent chain (with the collision rule),
// performing it on an instance, the display names of events, and the event-dispatch
// lists the step cycle walks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vn {

class CEvent;
class CInstance;

enum EventType : int32_t {
  kEventCreate = 0,
  kEventDestroy = 1,
  kEventAlarm = 2,
  kEventStep = 3,
  kEventCollision = 4,
  kEventKeyboard = 5,
  kEventMouse = 6,
  kEventOther = 7,
  kEventDraw = 8,
  kEventKeyPress = 9,
  kEventKeyRelease = 10,
  kEventTrigger = 11,
  kEventTimeLine = 100000,  // the event type of a time-line moment in the context
};

struct RFoundEvent {
  const CEvent* event = nullptr;
  int32_t object = -1;  // where it was found
};

// An entry of an event object list: the object whose instances receive the event, and
// where along its parent chain the event was found.
struct RListedEvent {
  int32_t object = -1;
  RFoundEvent found;
};

// The first object of o's parent chain whose event (type, number) exists and is not
// empty; for collision events also the other object's ancestors.
RFoundEvent find_event(int32_t object, int32_t type, int32_t number);
bool has_event(int32_t object, int32_t type, int32_t number);
// The parent of an object, -1 when it has none or does not exist.
int32_t object_parent(int32_t object);
// True when object is ancestor or equal to descendant.
bool object_is_family(int32_t ancestor, int32_t descendant);

// Nothing while a request is pending; otherwise runs the event's actions with the event
// context set to (found object, type, number) and restored afterwards.
void perform_event(CInstance* self, CInstance* other, int32_t object, int32_t type,
                   int32_t number);
void perform_event_self(CInstance* instance, CInstance* other, int32_t type, int32_t number);
// Every instance of the room in array order, not destroyed, as self and other.
void perform_event_all(int32_t type, int32_t number);

// "Create Event", "Alarm Event for alarm 3", "Keyboard Event for <Left> Key", ...
std::string event_name(int32_t type, int32_t number);

// --- Dispatch through the event object lists (no search) ---

// The list of (type, number), null beyond its bound; ascending object order.
const std::vector<RListedEvent>* listed_events(int32_t type, int32_t number);
// The entry of an object in that list, or null when the object does not have the event.
const RFoundEvent* listed_event(int32_t object, int32_t type, int32_t number);
// Runs a found event with the context saved, set and restored; nothing while a request
// is pending.
void perform_found_event(CInstance* self, CInstance* other, const RFoundEvent& found, int32_t type,
                         int32_t number);
// The event for every instance that has it: object by object, each object's own
// instances in room order, destroyed ones skipped; each instance is self and other.
void dispatch_event(int32_t type, int32_t number);

}  // namespace vn
