// Particles through the runner against plain OpenGL, headless.
//
//   bench_particles [SECONDS]
//
// One particle system with one emitter streaming 100 particles a step over an 800 × 600
// room, of a type that lives 500 steps: after 500 steps of warming up it holds 50,000
// particles, and every step 100 die and 100 are born. The type is the soft sphere shape at
// sizes 0.08 ... 0.16 (5 to 10 pixels), turning, circling slowly, its colour going through
// three colours and its alpha through three values over its life, so every particle's quad
// changes every step.
//
// A runner step is what the step cycle and room drawing do for the system: the update, then
// the frame cleared and the system drawn at its depth through the device's sprite batches.
// The plain program draws the same 50,000 quads (a snapshot of the last runner step: the
// same picture, filtering, blending and colours) with the corners uploaded into a buffer
// every frame, as moving particles need, and two triangles a quad from a static index
// buffer. Each runs in a window (and OpenGL context) of its own and waits for the GPU at the
// end of every frame.
//
// Both are measured in three rounds, runner then plain, and the best round of each counts.
// Prints steps per second of the runner (update and drawing), the update's cost per particle,
// the frames per second of the runner's drawing alone and of the plain program, how many
// sampled pixels of the two pictures agree (the two draw the same thing), and last
// "particles ratio R" with R = runner drawing / plain.
#include <epoxy/gl.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <vector>

#include "Plain_Gl.h"
#include "graphics/Graphics_Device.h"
#include "graphics/Particle_Form.h"
#include "graphics/Particle_Main.h"
#include "platform/Platform_GameWindow.h"
#include "platform/Platform_Render.h"
#include "platform/Platform_Video.h"
#include "runner/Runner_Library.h"
#include "script/Code_Function.h"
#include "script/Code_Value.h"
#include "script/Function_Math.h"

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr int kLife = 500;
constexpr int kStream = 100;
constexpr int kShape = 7;  // the sphere: soft-edged, as most effects are
constexpr double kPi = 3.14159265358979323846;

using Clock = std::chrono::steady_clock;

std::unique_ptr<vn::IGameWindow> make_window() { return ::bench::headless_window(kWidth, kHeight); }

bool call(const char* name, std::initializer_list<double> values, vn::RValue& result) {
  return ::bench::call_builtin(name, values, result);
}

// The system of the benchmark, made as a game's code would make it; -1 when a function is
// missing.
int make_system() {
  vn::RValue type;
  vn::RValue system;
  vn::RValue emitter;
  vn::RValue ignored;
  if (!call("part_type_create", {}, type)) return -1;
  const double t = vn::arguments::number(type);
  const double yellow = 0x00FFFF, orange = 0x0080FF, red = 0x0000FF;
  const bool made = call("part_type_shape", {t, kShape}, ignored) &&
                    call("part_type_size", {t, 0.08, 0.16, 0, 0}, ignored) &&
                    call("part_type_life", {t, kLife, kLife}, ignored) &&
                    call("part_type_speed", {t, 0.1, 0.5, 0, 0}, ignored) &&
                    call("part_type_direction", {t, 0, 360, 0.5, 0}, ignored) &&
                    call("part_type_orientation", {t, 0, 360, 1, 0, 0}, ignored) &&
                    call("part_type_color3", {t, yellow, orange, red}, ignored) &&
                    call("part_type_alpha3", {t, 1, 0.8, 0.2}, ignored) &&
                    call("part_system_create", {}, system) &&
                    call("part_emitter_create", {vn::arguments::number(system)}, emitter);
  if (!made) return -1;
  const double s = vn::arguments::number(system);
  const double e = vn::arguments::number(emitter);
  if (!call("part_emitter_region", {s, e, 0, kWidth, 0, kHeight, 0, 0}, ignored) ||
      !call("part_emitter_stream", {s, e, t, kStream}, ignored)) {
    return -1;
  }
  return vn::arguments::integer(system);
}

// The quads the runner drew for the system's particles, oldest first, corners round each
// (the type has no wiggles and is not turned with its motion).
std::vector<vn::RVertex> particle_quads(const vn::RParticleSystem& system) {
  std::vector<vn::RVertex> corners;
  corners.reserve(system.particles.size() * 4);
  constexpr double kHalf = vn::kShapePictureSize / 2.0;
  for (const vn::RParticle& p : system.particles) {
    const vn::RParticleType* type = vn::particle_type_at(p.type);
    if (type == nullptr) continue;
    const double xscale = p.size * type->xscale;
    const double yscale = p.size * type->yscale;
    const double c = std::cos(p.orientation * kPi / 180);
    const double s = std::sin(p.orientation * kPi / 180);
    const uint32_t color = vn::device_color(p.color, p.alpha);
    const double offsets[4][4] = {{-kHalf * xscale, -kHalf * yscale, 0, 0},
                                  {kHalf * xscale, -kHalf * yscale, 1, 0},
                                  {kHalf * xscale, kHalf * yscale, 1, 1},
                                  {-kHalf * xscale, kHalf * yscale, 0, 1}};
    for (const auto& o : offsets) {
      corners.push_back({float(p.x + system.x + o[0] * c + o[1] * s - 0.5),
                         float(p.y + system.y - o[0] * s + o[1] * c - 0.5), 0, color, float(o[2]),
                         float(o[3])});
    }
  }
  return corners;
}

struct RRunnerFigures {
  int steps = 0;
  double update_seconds = 0;
  double draw_seconds = 0;
  double particle_steps = 0;  // particles updated, summed over the steps
  size_t particles = 0;
  std::vector<vn::RVertex> quads;  // of the last step
  std::vector<uint32_t> picture;   // the last step's frame
};

// The system is made and warmed up in the first round (id -1) and goes on in the next.
bool runner_side(double seconds, int& id, RRunnerFigures& figures) {
  auto window = make_window();
  if (window->renderer() == nullptr) return false;
  vn::CGraphicsDevice& device = vn::graphics_device();
  device.create(window->renderer(), kWidth, kHeight, 4096, 4096);
  if (id < 0) {
    vn::register_game_library();
    vn::set_random_seed(20240);
    id = make_system();
    if (id >= 0) {
      for (int step = 0; step < kLife; ++step) vn::update_particle_systems();
    }
  }
  vn::RParticleSystem* system = id >= 0 ? vn::particle_system_at(id) : nullptr;
  if (system == nullptr) return false;
  figures.particles = system->particles.size();

  auto draw = [&] {
    device.clear(0xFF000000u);
    vn::draw_particle_systems_at(system->depth);
    device.get_pixel(0, 0);  // waits for the GPU
  };
  draw();  // makes the shape's texture and the shaders
  const auto start = Clock::now();
  while (figures.steps < 3 || ::bench::seconds_since(start) < seconds) {
    const size_t count = system->particles.size();
    const auto before_update = Clock::now();
    vn::update_particle_systems();
    const auto before_draw = Clock::now();
    draw();
    const auto after = Clock::now();
    figures.update_seconds += std::chrono::duration<double>(before_draw - before_update).count();
    figures.draw_seconds += std::chrono::duration<double>(after - before_draw).count();
    figures.particle_steps += double(count);
    ++figures.steps;
  }
  figures.quads = particle_quads(*system);
  if (auto back = device.read_back(0, 0, kWidth, kHeight)) {
    figures.picture.assign(back->image().pixels.begin(), back->image().pixels.end());
  }
  device.release();
  window.reset();
  vn::shutdown_video();
  return true;
}

double plain_fps(double seconds, const std::vector<vn::RVertex>& quads,
                 std::vector<uint32_t>& picture) {
  auto window = make_window();
  if (window->renderer() == nullptr) return 0;
  double fps = 0;
  {
    const ::bench::CPlainProgram program(::bench::kPixelVertexShader);
    glUniform2f(program.uniform("u_scale"), 2.0f / kWidth, 2.0f / kHeight);
    const std::vector<uint8_t>& alpha = vn::particle_shape_alpha(kShape);
    std::vector<uint32_t> pixels(alpha.size());
    for (size_t i = 0; i < alpha.size(); ++i) pixels[i] = uint32_t(alpha[i]) << 24 | 0xFFFFFFu;
    const GLuint texture =
        ::bench::plain_texture(vn::kShapePictureSize, vn::kShapePictureSize, pixels.data(), true);
    ::bench::CPlainQuadStream stream(quads.size() / 4);
    const ::bench::CPlainTarget target(kWidth, kHeight);

    uint8_t pixel[4];
    auto frame = [&] {
      glClearColor(0, 0, 0, 1);
      glClear(GL_COLOR_BUFFER_BIT);
      glBindTexture(GL_TEXTURE_2D, texture);
      stream.draw(quads);
      glReadPixels(0, 0, 1, 1, GL_BGRA, GL_UNSIGNED_BYTE, pixel);  // waits for the GPU
    };
    frame();
    const auto start = Clock::now();
    int frames = 0;
    while (frames < 3 || ::bench::seconds_since(start) < seconds) {
      frame();
      ++frames;
    }
    fps = frames / ::bench::seconds_since(start);
    picture.resize(size_t(kWidth) * kHeight);
    glReadPixels(0, 0, kWidth, kHeight, GL_BGRA, GL_UNSIGNED_BYTE, picture.data());
    glDeleteTextures(1, &texture);
  }
  window.reset();
  vn::shutdown_video();
  return fps;
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
  // Rounds of runner, then plain: the best of each counts, so a burst of other work on the
  // machine in one round does not decide the ratio.
  constexpr int kRounds = 3;
  int id = -1;
  RRunnerFigures runner;
  std::vector<uint32_t> plain_picture;
  double update_per_step = 1e30, update_per_particle = 1e30, draw_per_step = 1e30, plain = 0;
  for (int round = 0; round < kRounds; ++round) {
    runner = RRunnerFigures();
    if (!runner_side(seconds / kRounds, id, runner)) {
      std::fprintf(stderr, "bench_particles: no OpenGL context headless, or a function missing\n");
      return 1;
    }
    const double fps = plain_fps(seconds / kRounds, runner.quads, plain_picture);
    if (fps <= 0) {
      std::fprintf(stderr, "bench_particles: no OpenGL context headless for the plain program\n");
      return 1;
    }
    plain = std::max(plain, fps);
    update_per_step = std::min(update_per_step, runner.update_seconds / runner.steps);
    update_per_particle =
        std::min(update_per_particle, runner.update_seconds / runner.particle_steps);
    draw_per_step = std::min(draw_per_step, runner.draw_seconds / runner.steps);
  }
  const double drawing_fps = 1 / draw_per_step;
  std::printf(
      "particles runner %.2f steps/s (%zu live particles, %d born and %d dying a step, "
      "%d x %d, best of %d rounds)\n",
      1 / (update_per_step + draw_per_step), runner.particles, kStream, kStream, kWidth, kHeight,
      kRounds);
  std::printf("particles update %.2f ms a step, %.1f ns per particle per step\n",
              update_per_step * 1e3, update_per_particle * 1e9);
  std::printf("particles runner drawing %.2f fps (%.2f ms a step)\n", drawing_fps,
              draw_per_step * 1e3);
  std::printf("particles plain %.2f fps (the same %zu quads)\n", plain, runner.quads.size() / 4);
  std::printf("particles pictures alike at %.0f%% of the sampled pixels\n",
              100 * ::bench::alike_share(runner.picture, plain_picture, kWidth, kHeight));
  std::printf("particles ratio %.2f\n", drawing_fps / plain);
  return 0;
}
