#include "graphics/BM32_Color.h"

#include <algorithm>
#include <cmath>

namespace vn {

namespace {

// Components are whole numbers computed through fractions such as 128 / 255 × 255: a
// hair's breadth keeps their truncation from losing one to rounding.
constexpr double kTruncationSlack = 1e-9;

int64_t truncated(double value) { return int64_t(std::trunc(value + kTruncationSlack)); }

int64_t rounded(double value) {
  const double nearest = std::nearbyint(value);
  return nearest == nearest ? int64_t(nearest) : 0;
}

}  // namespace

int64_t make_color_rgb(int64_t red, int64_t green, int64_t blue) {
  return red + green * 256 + blue * 65536;
}

int64_t make_color_hsv(double hue, double saturation, double value) {
  double degrees = hue * 360 / 255;
  if (degrees == 360) degrees = 0;
  const double s = saturation / 255;
  const double v = value / 255;
  double r = v;
  double g = v;
  double b = v;
  if (s != 0) {
    const double sector = degrees / 60;
    const double whole = std::floor(sector);
    const double f = sector - whole;
    const double p = v * (1 - s);
    const double q = v * (1 - s * f);
    const double t = v * (1 - s * (1 - f));
    switch (int(whole) % 6) {
      case 0:
        r = v, g = t, b = p;
        break;
      case 1:
        r = q, g = v, b = p;
        break;
      case 2:
        r = p, g = v, b = t;
        break;
      case 3:
        r = p, g = q, b = v;
        break;
      case 4:
        r = t, g = p, b = v;
        break;
      default:
        r = v, g = p, b = q;
        break;
    }
  }
  return make_color_rgb(truncated(r * 255), truncated(g * 255), truncated(b * 255));
}

int32_t color_get_red(int32_t color) { return color % 256; }
int32_t color_get_green(int32_t color) { return color / 256 % 256; }
int32_t color_get_blue(int32_t color) { return color / 65536 % 256; }

int32_t color_get_hue(int32_t color) {
  const int r = color_get_red(color);
  const int g = color_get_green(color);
  const int b = color_get_blue(color);
  const int high = std::max({r, g, b});
  const int delta = high - std::min({r, g, b});
  if (delta == 0) return 0;
  double degrees = 0;
  if (r == high) {
    degrees = 60.0 * (g - b) / delta;
  } else if (g == high) {
    degrees = 120 + 60.0 * (b - r) / delta;
  } else {
    degrees = 240 + 60.0 * (r - g) / delta;
  }
  if (degrees < 0) degrees += 360;
  return int32_t(truncated(degrees * 255 / 360));
}

int32_t color_get_saturation(int32_t color) {
  const int r = color_get_red(color);
  const int g = color_get_green(color);
  const int b = color_get_blue(color);
  const int high = std::max({r, g, b});
  if (high == 0) return 0;
  return int32_t(truncated(double(high - std::min({r, g, b})) * 255 / high));
}

int32_t color_get_value(int32_t color) {
  return std::max({color_get_red(color), color_get_green(color), color_get_blue(color)});
}

int64_t merge_color(int32_t c1, int32_t c2, double amount) {
  auto mix = [amount](int32_t a, int32_t b) { return rounded((1 - amount) * a + amount * b); };
  return make_color_rgb(mix(color_get_red(c1), color_get_red(c2)),
                        mix(color_get_green(c1), color_get_green(c2)),
                        mix(color_get_blue(c1), color_get_blue(c2)));
}

}  // namespace vn
