#include "runner/Function_Splash.h"

#include "runner/Runner_Splash.h"
#include "script/Code_Error.h"
#include "script/Code_Function.h"
#include "script/Code_Value.h"

namespace vn {

namespace {

using arguments::integer;
using arguments::number;
using arguments::rounded;
using arguments::text;

using Self = CInstanceBase*;
using Args = const RValue*;

// Rounded to the nearest integer first, so 0.5 is false and 0.6 true.
bool flag(const RValue& value) { return rounded(value) >= 1; }

void show(const RSplashRequest& request) {
  const std::string message = splash_form().show(request);
  if (!message.empty()) report_runtime_error(message, false);
}

// The older functions choose full screen (outside the game window) for their one showing.
void show_with_screen(RSplashRequest request, bool full) {
  RSplashSettings& settings = splash_settings();
  const RSplashSettings kept = settings;
  settings.fullscreen = full;
  if (full) settings.main = false;
  show(request);
  settings = kept;
}

RSplashRequest request(SplashKind kind, Args args) {
  RSplashRequest made;
  made.kind = kind;
  made.file = text(args[0]);
  return made;
}

void fn_splash_set_caption(Self, Self, int, Args args, RValue&) {
  splash_settings().caption = text(args[0]);
}
void fn_splash_set_size(Self, Self, int, Args args, RValue&) {
  splash_settings().width = integer(args[0]);
  splash_settings().height = integer(args[1]);
}
void fn_splash_set_position(Self, Self, int, Args args, RValue&) {
  splash_settings().left = integer(args[0]);
  splash_settings().top = integer(args[1]);
}
void fn_splash_set_color(Self, Self, int, Args args, RValue&) {
  splash_settings().color = integer(args[0]);
}
void fn_splash_set_scale(Self, Self, int, Args args, RValue&) {
  splash_settings().scale = number(args[0]);
}
// The settings that are one flag each.
template <bool RSplashSettings::*setting>
void fn_splash_set_flag(Self, Self, int, Args args, RValue&) {
  splash_settings().*setting = flag(args[0]);
}

void fn_splash_show_video(Self, Self, int, Args args, RValue&) {
  RSplashRequest made = request(SplashKind::video, args);
  made.loop = flag(args[1]);
  show(made);
}
// An image, a text or a web page, shown for a delay.
template <SplashKind kind>
void fn_splash_show_for(Self, Self, int, Args args, RValue&) {
  RSplashRequest made = request(kind, args);
  made.delay = integer(args[1]);
  show(made);
}

// show_image(file, full, delay)
void fn_show_image(Self, Self, int, Args args, RValue&) {
  RSplashRequest made = request(SplashKind::image, args);
  made.delay = integer(args[2]);
  show_with_screen(made, flag(args[1]));
}
// show_video(file, full, loop)
void fn_show_video(Self, Self, int, Args args, RValue&) {
  RSplashRequest made = request(SplashKind::video, args);
  made.loop = flag(args[2]);
  show_with_screen(made, flag(args[1]));
}
// show_text(file, full, background colour, delay)
void fn_show_text(Self, Self, int, Args args, RValue&) {
  RSplashRequest made = request(SplashKind::text, args);
  const auto color = uint32_t(integer(args[2]));
  made.text_background = (color & 0xFF) << 16 | (color & 0xFF00) | (color >> 16 & 0xFF);
  made.delay = integer(args[3]);
  show_with_screen(made, flag(args[1]));
}

}  // namespace

void register_splash_functions() {
  register_function("splash_set_caption", fn_splash_set_caption, 1);
  register_function("splash_set_fullscreen", fn_splash_set_flag<&RSplashSettings::fullscreen>, 1);
  register_function("splash_set_border", fn_splash_set_flag<&RSplashSettings::border>, 1);
  register_function("splash_set_size", fn_splash_set_size, 2);
  register_function("splash_set_position", fn_splash_set_position, 2);
  register_function("splash_set_adapt", fn_splash_set_flag<&RSplashSettings::adapt>, 1);
  register_function("splash_set_top", fn_splash_set_flag<&RSplashSettings::stay_on_top>, 1);
  register_function("splash_set_color", fn_splash_set_color, 1);
  register_function("splash_set_main", fn_splash_set_flag<&RSplashSettings::main>, 1);
  register_function("splash_set_scale", fn_splash_set_scale, 1);
  register_function("splash_set_cursor", fn_splash_set_flag<&RSplashSettings::cursor>, 1);
  register_function("splash_set_interrupt", fn_splash_set_flag<&RSplashSettings::interrupt>, 1);
  register_function("splash_set_stop_key", fn_splash_set_flag<&RSplashSettings::stop_key>, 1);
  register_function("splash_set_close_button", fn_splash_set_flag<&RSplashSettings::close_button>,
                    1);
  register_function("splash_set_stop_mouse", fn_splash_set_flag<&RSplashSettings::stop_mouse>, 1);
  register_function("splash_show_video", fn_splash_show_video, 2);
  register_function("splash_show_image", fn_splash_show_for<SplashKind::image>, 2);
  register_function("splash_show_text", fn_splash_show_for<SplashKind::text>, 2);
  register_function("splash_show_web", fn_splash_show_for<SplashKind::web>, 2);
  register_function("show_image", fn_show_image, 3);
  register_function("show_video", fn_show_video, 3);
  register_function("show_text", fn_show_text, 4);
}

}  // namespace vn
