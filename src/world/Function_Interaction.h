// The instance functions: creating, copying, changing and destroying instances, finding
// and counting them by an object argument, and deactivating and activating them.
//
// An object argument is -1 self, -2 other, -3 every instance, 100000 or more an instance
// id, and any other value an object index that also matches the object's descendants.
// Destroyed and deactivated instances never match. A search that finds nothing gives -4.
#pragma once

#include <cstdint>

namespace vn {

class CInstance;
class CInstanceBase;

// A new instance of the object in the current room, after its create event (with itself
// as other); its id, or -4 after reporting a missing object.
int32_t create_instance_with_event(int32_t object, double x, double y);
// The destroy event, then the mark. An instance whose destroy event destroys it again is
// only marked the second time.
void destroy_instance(CInstance* instance);
// The instance becomes one of the object, keeping its id and fields; reports a missing
// object.
void change_instance(CInstance* instance, int32_t object, bool perform_events);

// The first match that meets the instance when it is put at (x, y), which it is only for
// the test; null when none does.
CInstance* instance_at_place(CInstance& instance, CInstanceBase* other, int32_t object, double x,
                             double y);

// Registers instance_create ... instance_activate_region.
void register_interaction_functions();

}  // namespace vn
