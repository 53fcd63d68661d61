// Colour arithmetic of the game's scripts. A script colour is 0x00BBGGRR (red in the low
// byte); hue, saturation and value run 0 ... 255 like the components.
#pragma once

#include <cstdint>

namespace vn {

// r + g × 256 + b × 65536: components are not clamped, so 300 spills into green.
int64_t make_color_rgb(int64_t red, int64_t green, int64_t blue);
// Hue 0 ... 255 stands for 0 ... 360 degrees; each component is truncated.
int64_t make_color_hsv(double hue, double saturation, double value);

// The components as the games took them apart: truncating division and remainder, so a
// negative colour gives negative components.
int32_t color_get_red(int32_t color);
int32_t color_get_green(int32_t color);
int32_t color_get_blue(int32_t color);
// Hue 0 ... 255 (a grey has hue 0), saturation and value 0 ... 255, truncated.
int32_t color_get_hue(int32_t color);
int32_t color_get_saturation(int32_t color);
int32_t color_get_value(int32_t color);

// Each component amount of the way from c1 to c2, rounded half to even; the amount is not
// clamped.
int64_t merge_color(int32_t c1, int32_t c2, double amount);

}  // namespace vn
