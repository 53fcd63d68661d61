// A 3D model through the runner against plain OpenGL, headless.
//
//   bench_model [SECONDS]
//
// The model is a rolling landscape of 250 × 200 cells, two triangles a cell: 100,000
// triangles, each vertex with its normal and a colour by height, built with
// d3d_model_primitive_begin / d3d_model_vertex_normal_color / d3d_model_primitive_end as
// triangle lists of 10,000 triangles (a list holds at most 32,000 vertices). A frame, in 3D
// mode with one white directional light and linear fog, seen in perspective from above one
// edge, is the frame cleared and d3d_model_draw.
//
// The plain program draws the same triangles from one static vertex buffer with a shader
// pair doing what the runner's does for that scene (per-vertex light, per-pixel fog by the
// view's depth, the same matrices), depth test on, in one draw call. Each runs in a window
// (and OpenGL context) of its own and waits for the GPU at the end of every frame. Both are
// measured in three rounds, runner then plain, and the best round of each counts.
//
// Prints frames per second of both, how many sampled pixels of the two pictures agree (the
// two draw the same thing), and last "model ratio R" with R = runner / plain.
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
#include "graphics/Graphics_Matrix.h"
#include "platform/Platform_GameWindow.h"
#include "platform/Platform_Render.h"
#include "platform/Platform_Video.h"
#include "runner/Runner_Library.h"
#include "script/Code_Function.h"
#include "script/Code_Value.h"

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr int kColumns = 250;
constexpr int kRows = 200;
constexpr int kRowsPerList = 20;  // 10,000 triangles, 30,000 vertices
constexpr double kCell = 8;
constexpr double kPi = 3.14159265358979323846;

// The scene: camera, light and fog as a game would set them.
constexpr vn::RVector3 kEye{1000, -500, 700};
constexpr vn::RVector3 kTarget{1000, 700, 0};
constexpr vn::RVector3 kUp{0, 0, 1};
constexpr double kFieldOfView = 60;
constexpr double kNear = 1;
constexpr double kFar = 5000;
constexpr double kLight[3] = {0.5, 0.3, -1};
constexpr int32_t kLightColor = 0xFFFFFF;
constexpr int32_t kFogColor = 0xC0A080;  // a script colour: blue-grey
constexpr double kFogStart = 600;
constexpr double kFogEnd = 2200;

using Clock = std::chrono::steady_clock;

std::unique_ptr<vn::IGameWindow> make_window() { return ::bench::headless_window(kWidth, kHeight); }

template <typename DrawFrame>
double frames_per_second(double seconds, DrawFrame&& draw_frame) {
  draw_frame();
  const auto start = Clock::now();
  int frames = 0;
  while (frames < 3 || ::bench::seconds_since(start) < seconds) {
    draw_frame();
    ++frames;
  }
  return frames / ::bench::seconds_since(start);
}

bool call(const char* name, std::initializer_list<double> values, vn::RValue& result) {
  return ::bench::call_builtin(name, values, result);
}

// --- The landscape ---

struct RPoint {
  double x, y, z, nx, ny, nz;
  int32_t color;
};

RPoint landscape_point(int column, int row) {
  const double x = column * kCell;
  const double y = row * kCell;
  const double z = 60 * std::sin(x / 90) * std::cos(y / 70) + 25 * std::sin((x + y) / 40);
  const double dx =
      60 / 90.0 * std::cos(x / 90) * std::cos(y / 70) + 25 / 40.0 * std::cos((x + y) / 40);
  const double dy =
      -60 / 70.0 * std::sin(x / 90) * std::sin(y / 70) + 25 / 40.0 * std::cos((x + y) / 40);
  const double length = std::sqrt(dx * dx + dy * dy + 1);
  const double h = (z + 85) / 170;  // 0 ... 1
  const int32_t red = int32_t(60 + 150 * h), green = int32_t(150 - 40 * h),
                blue = int32_t(50 + 30 * h);
  return {x, y, z, -dx / length, -dy / length, 1 / length, red | green << 8 | blue << 16};
}

// The triangle lists: every list's corners, three a triangle.
std::vector<std::vector<RPoint>> landscape_lists() {
  std::vector<std::vector<RPoint>> lists;
  for (int first = 0; first < kRows; first += kRowsPerList) {
    std::vector<RPoint>& list = lists.emplace_back();
    for (int row = first; row < first + kRowsPerList && row < kRows; ++row) {
      for (int column = 0; column < kColumns; ++column) {
        const RPoint a = landscape_point(column, row), b = landscape_point(column + 1, row);
        const RPoint c = landscape_point(column + 1, row + 1), d = landscape_point(column, row + 1);
        for (const RPoint* p : {&a, &b, &c, &a, &c, &d}) list.push_back(*p);
      }
    }
  }
  return lists;
}

// --- The two programs ---

// The model is built in the first round (model -1) and drawn again in the next; the scene
// is set up in each, on its new device.
double runner_fps(double seconds, const std::vector<std::vector<RPoint>>& lists, double& model,
                  std::vector<uint32_t>& picture) {
  auto window = make_window();
  if (window->renderer() == nullptr) return 0;
  vn::register_game_library();
  vn::CGraphicsDevice& device = vn::graphics_device();
  device.create(window->renderer(), kWidth, kHeight, 4096, 4096);
  vn::RValue result;
  const bool set = call("d3d_start", {}, result) &&
                   call("d3d_set_projection_ext",
                        {kEye.x, kEye.y, kEye.z, kTarget.x, kTarget.y, kTarget.z, kUp.x, kUp.y,
                         kUp.z, kFieldOfView, double(kWidth) / kHeight, kNear, kFar},
                        result) &&
                   call("d3d_light_define_direction",
                        {0, kLight[0], kLight[1], kLight[2], kLightColor}, result) &&
                   call("d3d_light_enable", {0, 1}, result) &&
                   call("d3d_set_lighting", {1}, result) &&
                   call("d3d_set_fog", {1, kFogColor, kFogStart, kFogEnd}, result);
  if (!set) return 0;
  if (model < 0) {
    if (!call("d3d_model_create", {}, result)) return 0;
    model = vn::arguments::number(result);
    for (const std::vector<RPoint>& list : lists) {
      call("d3d_model_primitive_begin", {model, 4}, result);  // pr_trianglelist
      for (const RPoint& p : list) {
        call("d3d_model_vertex_normal_color",
             {model, p.x, p.y, p.z, p.nx, p.ny, p.nz, double(p.color), 1}, result);
      }
      call("d3d_model_primitive_end", {model}, result);
    }
  }
  const double m = model;
  int32_t draw_id = -1;
  if (!vn::find_function("d3d_model_draw", draw_id)) return 0;
  const vn::FunctionHandler draw = vn::builtin_function(draw_id)->handler;
  const std::array<vn::RValue, 5> arguments = {vn::RValue(m), vn::RValue(0.0), vn::RValue(0.0),
                                               vn::RValue(0.0), vn::RValue(-1.0)};
  const uint32_t background = vn::device_color(kFogColor, 1);
  const double fps = frames_per_second(seconds, [&] {
    device.clear(background);
    draw(nullptr, nullptr, 5, arguments.data(), result);
    device.get_pixel(0, 0);  // waits for the GPU
  });
  if (auto back = device.read_back(0, 0, kWidth, kHeight)) {
    picture.assign(back->image().pixels.begin(), back->image().pixels.end());
  }
  device.release();
  window.reset();
  vn::shutdown_video();
  return fps;
}

double plain_fps(double seconds, const std::vector<std::vector<RPoint>>& lists,
                 std::vector<uint32_t>& picture) {
  auto window = make_window();
  if (window->renderer() == nullptr) return 0;
  std::vector<vn::RVertex3D> vertices;
  for (const std::vector<RPoint>& list : lists) {
    for (const RPoint& p : list) {
      vertices.push_back({float(p.x), float(p.y), float(p.z), float(p.nx), float(p.ny), float(p.nz),
                          vn::device_color(p.color, 1), 0, 0});
    }
  }
  double fps = 0;
  {
    // The device's conventions: row vectors, depth 0 ... 1, the picture's top row first and
    // pixel centres on whole coordinates.
    const ::bench::CPlainProgram program(R"(#version 330 core
layout(location = 0) in vec3 a_position;
layout(location = 1) in vec4 a_color;
layout(location = 3) in vec3 a_normal;
uniform mat4 u_transform;
uniform mat4 u_view;
uniform vec2 u_pixel;
uniform vec3 u_to_light;
uniform vec3 u_light_color;
out vec4 v_color;
out float v_view_z;
void main() {
  vec4 p = vec4(a_position, 1.0);
  vec4 c = u_transform * p;
  gl_Position = vec4(c.x + c.w * u_pixel.x, c.w * u_pixel.y - c.y, 2.0 * c.z - c.w, c.w);
  vec3 n = normalize(a_normal);
  v_color = vec4(min(a_color.rgb * u_light_color * max(dot(n, u_to_light), 0.0), vec3(1.0)),
                 a_color.a);
  v_view_z = (u_view * p).z;
})",
                                         R"(#version 330 core
in vec4 v_color;
in float v_view_z;
uniform vec2 u_fog;
uniform vec3 u_fog_color;
out vec4 o_color;
void main() {
  o_color = vec4(mix(u_fog_color, v_color.rgb, clamp((u_fog.x - v_view_z) * u_fog.y, 0.0, 1.0)),
                 v_color.a);
})");
    const vn::RMatrix view = vn::matrix_look_at_lh(kEye, kTarget, kUp);
    const vn::RMatrix projection = vn::matrix_perspective_fov_lh(
        kFieldOfView * kPi / 180, double(kWidth) / kHeight, kNear, kFar);
    const vn::RMatrix transform = vn::matrix_multiply(view, projection);
    glUniformMatrix4fv(program.uniform("u_transform"), 1, GL_FALSE, transform.data());
    glUniformMatrix4fv(program.uniform("u_view"), 1, GL_FALSE, view.data());
    glUniform2f(program.uniform("u_pixel"), 1.0f / kWidth, 1.0f / kHeight);
    const double length =
        std::sqrt(kLight[0] * kLight[0] + kLight[1] * kLight[1] + kLight[2] * kLight[2]);
    glUniform3f(program.uniform("u_to_light"), float(-kLight[0] / length),
                float(-kLight[1] / length), float(-kLight[2] / length));
    glUniform3f(program.uniform("u_light_color"), float(kLightColor & 0xFF) / 255.0f,
                float((kLightColor >> 8) & 0xFF) / 255.0f,
                float((kLightColor >> 16) & 0xFF) / 255.0f);
    glUniform2f(program.uniform("u_fog"), float(kFogEnd), float(1 / (kFogEnd - kFogStart)));
    glUniform3f(program.uniform("u_fog_color"), float(kFogColor & 0xFF) / 255.0f,
                float((kFogColor >> 8) & 0xFF) / 255.0f, float((kFogColor >> 16) & 0xFF) / 255.0f);
    const ::bench::CPlainVertices3D buffer(vertices);
    const ::bench::CPlainTarget target(kWidth, kHeight, true);
    const uint32_t background = vn::device_color(kFogColor, 1);

    uint8_t pixel[4];
    fps = frames_per_second(seconds, [&] {
      glClearColor(float((background >> 16) & 0xFF) / 255.0f,
                   float((background >> 8) & 0xFF) / 255.0f, float(background & 0xFF) / 255.0f,
                   1.0f);
      glClearDepth(1.0);
      glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
      glDrawArrays(GL_TRIANGLES, 0, GLsizei(vertices.size()));
      glReadPixels(0, 0, 1, 1, GL_BGRA, GL_UNSIGNED_BYTE, pixel);  // waits for the GPU
    });
    picture.resize(size_t(kWidth) * kHeight);
    glReadPixels(0, 0, kWidth, kHeight, GL_BGRA, GL_UNSIGNED_BYTE, picture.data());
  }
  window.reset();
  vn::shutdown_video();
  return fps;
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
  const std::vector<std::vector<RPoint>> lists = landscape_lists();
  size_t triangles = 0;
  for (const auto& list : lists) triangles += list.size() / 3;
  std::vector<uint32_t> runner_picture;
  std::vector<uint32_t> plain_picture;
  // Rounds of runner, then plain: the best of each counts, so a burst of other work on the
  // machine in one round does not decide the ratio.
  constexpr int kRounds = 3;
  double model = -1;
  double runner = 0;
  double plain = 0;
  for (int round = 0; round < kRounds; ++round) {
    const double runner_round = runner_fps(seconds / kRounds, lists, model, runner_picture);
    const double plain_round = plain_fps(seconds / kRounds, lists, plain_picture);
    if (runner_round <= 0 || plain_round <= 0) {
      std::fprintf(stderr, "bench_model: no OpenGL context headless, or a function missing\n");
      return 1;
    }
    runner = std::max(runner, runner_round);
    plain = std::max(plain, plain_round);
  }
  std::printf(
      "model runner %.2f fps (%zu triangles in %zu lists, one light, fog, %d x %d, best "
      "of %d rounds)\n",
      runner, triangles, lists.size(), kWidth, kHeight, kRounds);
  std::printf("model plain %.2f fps\n", plain);
  if (runner_picture.size() == plain_picture.size()) {
    std::printf("model pictures alike at %.0f%% of the sampled pixels\n",
                100 * ::bench::alike_share(runner_picture, plain_picture, kWidth, kHeight));
  }
  std::printf("model ratio %.2f\n", runner / plain);
  return 0;
}
