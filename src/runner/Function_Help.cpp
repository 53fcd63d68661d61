#include "runner/Function_Help.h"

#include "runner/Help_Main.h"
#include "script/Code_Function.h"
#include "script/Code_Value.h"

namespace vn {

namespace {

using Self = CInstanceBase*;
using Args = const RValue*;

void fn_show_info(Self, Self, int, Args, RValue&) { help_form().show(); }

void fn_load_info(Self, Self, int, Args args, RValue& result) {
  result = help_form().load_text(arguments::text(args[0])) ? 1.0 : 0.0;
}

}  // namespace

void register_help_functions() {
  register_function("show_info", fn_show_info, 0);
  register_function("load_info", fn_load_info, 1);
}

}  // namespace vn
