#include "runner/Runner_Library.h"

#include "graphics/Function_3D.h"
#include "graphics/Function_3D_Model.h"
#include "graphics/Function_CD.h"
#include "graphics/Function_Display.h"
#include "graphics/Function_Graphics.h"
#include "graphics/Function_Particles.h"
#include "graphics/Function_Resource.h"
#include "graphics/Function_Sound.h"
#include "graphics/Function_Surface.h"
#include "graphics/Function_Text.h"
#include "graphics/Room_Draw.h"
#include "library/Function_Data_Structures.h"
#include "library/Function_DateTime.h"
#include "library/Function_File.h"
#include "library/Function_Net.h"
#include "library/Input_Main.h"
#include "runner/Function_Dialog.h"
#include "runner/Function_Help.h"
#include "runner/Function_Message.h"
#include "runner/Function_Score.h"
#include "runner/Function_Splash.h"
#include "runner/Support_DLL.h"
#include "script/Code_Function.h"
#include "script/Script_Library.h"
#include "script/Variable_Main.h"
#include "world/Function_Action.h"
#include "world/Function_Interaction.h"
#include "world/Function_Motion.h"
#include "world/Function_Planning.h"
#include "world/Function_Resource_World.h"
#include "world/Function_Save.h"
#include "world/Function_Tile.h"
#include "world/Run_Room.h"
#include "world/Variable_World.h"

namespace vn {

namespace {

// A routine that registers built-ins, and the family they belong to.
struct RFamilyRoutine {
  std::string_view family;
  void (*register_family)();
};

constexpr RFamilyRoutine kFamilyRoutines[] = {
    {"language", register_script_library},
    {"data structures", register_data_structure_functions},
    {"date and time", register_datetime_functions},
    {"files", register_file_functions},
    {"input", register_input_functions},
    {"instances", register_world_variables},
    {"interaction", register_interaction_functions},
    {"motion", register_motion_functions},
    {"motion planning", register_planning_functions},
    {"rooms", register_room_variables},
    {"rooms", register_room_functions},
    {"events", register_event_functions},
    {"tiles", register_tile_functions},
    {"world resources", register_resource_world_functions},
    {"saved games", register_save_functions},
    {"room drawing", register_room_draw_variables},
    {"display and window", register_display_functions},
    {"drawing", register_graphics_functions},
    {"audio CD", register_cd_functions},
    {"fonts and text", register_text_functions},
    {"sound", register_sound_functions},
    {"resources", register_resource_graphics_functions},
    {"surfaces", register_surface_functions},
    {"forms", register_dialog_functions},
    {"forms", register_score_functions},
    {"forms", register_help_functions},
    {"forms", register_splash_functions},
    {"forms", register_message_functions},
    {"3D models", register_3d_model_functions},
    {"3D drawing", register_3d_functions},
    {"particles", register_particle_functions},
    {"external libraries", register_external_functions},
    {"multiplayer", register_net_functions},
    // Last: an action function is registered only when the family it forwards to is.
    {"actions", register_action_functions},
};

std::vector<RBuiltinFamily>& families() {
  static std::vector<RBuiltinFamily> instance;
  return instance;
}

}  // namespace

void register_game_library() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  for (const RFamilyRoutine& routine : kFamilyRoutines) {
    int32_t first_function = int32_t(builtin_function_count());
    int32_t first_variable = int32_t(builtin_variable_count());
    routine.register_family();
    RBuiltinFamily added{routine.family, first_function, int32_t(builtin_function_count()),
                         first_variable, int32_t(builtin_variable_count())};
    std::vector<RBuiltinFamily>& list = families();
    if (!list.empty() && list.back().name == added.name) {
      list.back().end_function = added.end_function;
      list.back().end_variable = added.end_variable;
    } else {
      list.push_back(added);
    }
  }
}

const std::vector<RBuiltinFamily>& builtin_families() { return families(); }

}  // namespace vn
