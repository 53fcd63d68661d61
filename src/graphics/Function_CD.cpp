#include "graphics/Function_CD.h"

#include "script/Code_Function.h"
#include "script/Code_Value.h"
#include "support/Support_CD.h"

namespace vn {

namespace {

using Self = CInstanceBase*;
using Args = const RValue*;
using arguments::rounded;

CCdAudio audio() { return CCdAudio(cd_device()); }

double truth(bool value) { return value ? 1.0 : 0.0; }

struct RFamilyFunction {
  const char* name;
  FunctionHandler handler;
  int argument_count;
};

const RFamilyFunction kFunctions[] = {
    {"cd_init", [](Self, Self, int, Args, RValue&) { audio().init(); }, 0},
    {"cd_present", [](Self, Self, int, Args, RValue& r) { r = truth(audio().present()); }, 0},
    {"cd_number", [](Self, Self, int, Args, RValue& r) { r = double(audio().number()); }, 0},
    {"cd_playing", [](Self, Self, int, Args, RValue& r) { r = truth(audio().playing()); }, 0},
    {"cd_paused", [](Self, Self, int, Args, RValue& r) { r = truth(audio().paused()); }, 0},
    {"cd_track", [](Self, Self, int, Args, RValue& r) { r = double(audio().track()); }, 0},
    {"cd_length", [](Self, Self, int, Args, RValue& r) { r = double(audio().length()); }, 0},
    {"cd_track_length",
     [](Self, Self, int, Args a, RValue& r) { r = double(audio().track_length(rounded(a[0]))); },
     1},
    {"cd_position", [](Self, Self, int, Args, RValue& r) { r = double(audio().position()); }, 0},
    {"cd_track_position",
     [](Self, Self, int, Args, RValue& r) { r = double(audio().track_position()); }, 0},
    {"cd_play",
     [](Self, Self, int, Args a, RValue&) { audio().play(rounded(a[0]), rounded(a[1])); }, 2},
    {"cd_stop", [](Self, Self, int, Args, RValue&) { audio().stop(); }, 0},
    {"cd_pause", [](Self, Self, int, Args, RValue&) { audio().pause(); }, 0},
    {"cd_resume", [](Self, Self, int, Args, RValue&) { audio().resume(); }, 0},
    {"cd_set_position",
     [](Self, Self, int, Args a, RValue&) { audio().set_position(rounded(a[0])); }, 1},
    {"cd_set_track_position",
     [](Self, Self, int, Args a, RValue&) { audio().set_track_position(rounded(a[0])); }, 1},
    {"cd_open_door", [](Self, Self, int, Args, RValue&) { audio().open_door(); }, 0},
    {"cd_close_door", [](Self, Self, int, Args, RValue&) { audio().close_door(); }, 0},
    // The reply of any command to the device, as text.
    {"MCI_command",
     [](Self, Self, int, Args a, RValue& r) {
       r = RValue(cd_device().send(arguments::text(a[0])));
     },
     1},
};

}  // namespace

void register_cd_functions() {
  for (const RFamilyFunction& function : kFunctions) {
    register_function(function.name, function.handler, function.argument_count);
  }
}

}  // namespace vn
