// Action lists: preparing actions after loading, running one action (with apply-to and
// relative), and executing a whole list with blocks, questions, else, repeat and exit.
#pragma once

#include "world/Event_Class.h"

namespace vn {

class CInstance;

// Compiles code and expression arguments; false after the fatal compile error.
bool prepare_action(CAction& action);
bool prepare_event(CEvent& event);

// Runs the list from its first action; stops early when a room request is pending.
void execute_actions(CInstance* self, CInstance* other, const CEvent& event);

// The code texts of the action libraries, run once when the game starts.
void run_library_init_code();

}  // namespace vn
