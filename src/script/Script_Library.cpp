#include "script/Script_Library.h"

#include "script/Code_Constant.h"
#include "script/Function_Math.h"
#include "script/Function_Misc.h"
#include "script/Variable_BuiltIn.h"

namespace vn {

void register_script_library() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  register_builtin_variables();
  reset_constants();
  register_math_functions();
  register_misc_functions();
}

}  // namespace vn
