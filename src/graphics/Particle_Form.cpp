#include "graphics/Particle_Form.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "graphics/Particle_Main.h"

namespace vn {

namespace {

constexpr int kSize = kShapePictureSize;
constexpr double kCentre = kSize / 2.0;
constexpr double kPi = std::numbers::pi;

double clamp01(double value) { return std::clamp(value, 0.0, 1.0); }

// A soft edge: 1 inside radius - width, 0 beyond radius.
double soft(double distance, double radius, double width) {
  return clamp01((radius - distance) / width);
}

// Noise that is the same on every run: lattice values from a hash, smoothly blended.
double lattice(int x, int y, int seed) {
  uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + uint32_t(seed) * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return double((h ^ (h >> 16)) & 0xFFFF) / 65535.0;
}

double smooth_noise(double x, double y, int seed) {
  const int x0 = int(std::floor(x));
  const int y0 = int(std::floor(y));
  const double fx = x - x0, fy = y - y0;
  const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
  const double top = lattice(x0, y0, seed) * (1 - sx) + lattice(x0 + 1, y0, seed) * sx;
  const double bottom = lattice(x0, y0 + 1, seed) * (1 - sx) + lattice(x0 + 1, y0 + 1, seed) * sx;
  return top * (1 - sy) + bottom * sy;
}

double fractal(double x, double y, int seed) {
  double sum = 0, weight = 0.5;
  for (int octave = 0; octave < 4; ++octave) {
    sum += weight * smooth_noise(x, y, seed + octave);
    x *= 2;
    y *= 2;
    weight /= 2;
  }
  return sum / 0.9375;
}

// The alpha (0 ... 1) of a shape at a pixel centre, relative to the picture centre, in
// pixels.
double shape_alpha(int shape, double dx, double dy) {
  const double r = std::hypot(dx, dy);
  const double angle = std::atan2(dy, dx);
  switch (shape) {
    case 0:  // pixel: a 2 × 2 dot
      return (std::abs(dx) < 1 && std::abs(dy) < 1) ? 1 : 0;
    case 1:  // disk
      return soft(r, 31, 1.5);
    case 2:  // square
      return (std::abs(dx) < 31 && std::abs(dy) < 31) ? 1 : 0;
    case 3:  // line: a thin bar across, fading at its ends
      return soft(std::abs(dy), 2, 1.5) * soft(std::abs(dx), 31, 6);
    case 4: {  // star: five soft points
      const double spike = std::pow(std::abs(std::cos(2.5 * (angle + kPi / 2))), 4);
      return soft(r, 10 + 21 * spike, 3);
    }
    case 5:  // circle: a thin ring
      return soft(std::abs(r - 28), 2, 1.5);
    case 6:  // ring: a wide soft band
      return std::pow(clamp01(1 - std::abs(r - 22) / 9), 1.5);
    case 7: {  // sphere: dense centre going off softly
      const double t = clamp01(1 - r / 31);
      return std::sqrt(t);
    }
    case 8: {  // flare: a bright core and a faint halo
      const double t = clamp01(1 - r / 31);
      return clamp01(t * t * 0.6 + std::pow(t, 8) * 1.4);
    }
    case 9: {  // spark: a small core with four thin rays
      const double rays = std::max(soft(std::abs(dx), 1.5, 1.5) * clamp01(1 - std::abs(dy) / 31),
                                   soft(std::abs(dy), 1.5, 1.5) * clamp01(1 - std::abs(dx) / 31));
      return clamp01(std::max(rays, soft(r, 5, 4)));
    }
    case 10: {  // explosion: a ragged fiery ball
      const double edge = 20 + 10 * fractal(std::cos(angle) * 2 + 3, std::sin(angle) * 2 + 3, 10);
      return soft(r, edge, 6) * (0.6 + 0.4 * fractal(dx / 8 + 10, dy / 8 + 10, 11));
    }
    case 11: {  // cloud: soft lumps
      const double body = clamp01(1 - r / 31);
      return clamp01(body * 1.6 * (0.35 + 0.65 * fractal(dx / 12 + 20, dy / 12 + 20, 21)));
    }
    case 12: {  // smoke: thinner, wispy
      const double body = clamp01(1 - r / 31);
      return clamp01(body * body * 1.4 * (0.2 + 0.8 * fractal(dx / 9 + 40, dy / 9 + 40, 41)));
    }
    case 13: {  // snow: a six-armed flake
      const double arm = std::abs(std::sin(3 * angle));
      const double across = r * arm;
      return std::max(soft(across, 1.6, 1.2) * soft(r, 29, 3), soft(r, 4, 2));
    }
  }
  return 0;
}

std::vector<uint8_t> make_picture(int shape) {
  std::vector<uint8_t> alpha(size_t(kSize) * kSize);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const double value = shape_alpha(shape, x + 0.5 - kCentre, y + 0.5 - kCentre);
      alpha[size_t(y) * kSize + x] = uint8_t(std::lround(clamp01(value) * 255));
    }
  }
  return alpha;
}

}  // namespace

const std::vector<uint8_t>& particle_shape_alpha(int shape) {
  static const std::array<std::vector<uint8_t>, kShapeCount> pictures = [] {
    std::array<std::vector<uint8_t>, kShapeCount> made;
    for (int i = 0; i < kShapeCount; ++i) made[size_t(i)] = make_picture(i);
    return made;
  }();
  return pictures[size_t(std::clamp(shape, 0, kShapeCount - 1))];
}

}  // namespace vn
