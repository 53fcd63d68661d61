#include "runner/Runner_Library.h"

#include "library/Function_Data_Structures.h"
#include "library/Function_DateTime.h"
#include "library/Function_File.h"
#include "library/Input_Main.h"
#include "script/Script_Library.h"
#include "world/Function_Action.h"
#include "world/Function_Interaction.h"
#include "world/Function_Motion.h"
#include "world/Run_Room.h"
#include "world/Variable_World.h"

namespace vn {

void register_game_library() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  register_script_library();
  register_data_structure_functions();
  register_datetime_functions();
  register_file_functions();
  register_input_functions();
  register_world_variables();
  register_interaction_functions();
  register_motion_functions();
  register_room_variables();
  register_room_functions();
  register_event_functions();
  // Last: an action function is registered only when the family it forwards to is.
  register_action_functions();
}

}  // namespace vn
