// Action lists: preparing actions after loading, running one action (with apply-to and
// relative), and executing a whole list with blocks, questions, else, repeat and exit.
#pragma once

#include <cstdint>
#include <string>

#include "world/Event_Class.h"

namespace vn {

class CInstance;

// Compiles code and expression arguments; false after the fatal compile error. An action
// prepared once stays so. Errors are reported through the event context, which the
// caller sets to the event's object (or time line), type and number; prepare_event sets
// the action number.
bool prepare_action(CAction& action);
bool prepare_event(CEvent& event);
// An argument of that kind is a text as it stands: kinds 1 and 15, and kind 2 unless it
// starts with a quote (then it is an expression, like every other kind).
bool argument_reads_as_text(int kind, const std::string& text);

// Every event of the object, or every moment of the time line, with the context set for
// each and restored afterwards; true for one that does not exist.
bool prepare_object_events(int32_t object_index);
bool prepare_timeline(int32_t timeline_index);
// Every object and every time line of the game, stopping at the first failure.
bool prepare_all_objects();
bool prepare_all_timelines();

// Runs the list from its first action; stops early when a room request is pending.
void execute_actions(CInstance* self, CInstance* other, const CEvent& event);

// The code texts of the action libraries, run once when the game starts.
void run_library_init_code();

}  // namespace vn
