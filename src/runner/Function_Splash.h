// The built-in functions of splashes: their settings, the four kinds of splash, and the
// older functions that show a picture, a video or a text with settings of their own.
#pragma once

namespace vn {

void register_splash_functions();

}  // namespace vn
