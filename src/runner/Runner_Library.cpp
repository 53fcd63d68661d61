#include "runner/Runner_Library.h"

#include "library/Function_Data_Structures.h"
#include "library/Function_DateTime.h"
#include "library/Function_File.h"
#include "script/Script_Library.h"

namespace vn {

void register_game_library() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  register_script_library();
  register_data_structure_functions();
  register_datetime_functions();
  register_file_functions();
}

}  // namespace vn
