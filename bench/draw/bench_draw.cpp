// Sprites through the runner against plain OpenGL, headless.
//
//   bench_draw sprites [SECONDS]
//
// A frame is 20,000 sprites from four 32 × 32 textures (5,000 of each, in order), each
// turned, scaled, tinted and translucent, into an 800 × 600 back buffer. The runner's frame
// calls draw_sprite_ext's own handler for every sprite, as a game's draw event would; the
// plain program draws the same quads from one vertex buffer prepared once, four draw
// calls a frame. Each runs in a window (and OpenGL context) of its own, made the same way,
// and waits for the GPU at the end of every frame. Prints frames per second of both and,
// last, "sprites ratio R" with R = runner / plain.
#include <epoxy/gl.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Draw.h"
#include "graphics/Sprite_Class.h"
#include "platform/Platform_GameWindow.h"
#include "platform/Platform_Render.h"
#include "platform/Platform_Video.h"
#include "runner/Runner_Library.h"
#include "script/Code_Function.h"
#include "world/Run_Global.h"

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr int kSprites = 20000;
constexpr int kTextures = 4;
constexpr int kTextureSize = 32;
constexpr double kPi = 3.14159265358979323846;

struct RSprite {
  int sprite = 0;
  double x = 0;
  double y = 0;
  double scale = 1;
  double angle = 0;  // degrees
  int32_t colour = 0;
  double alpha = 1;
};

std::vector<RSprite> make_sprites() {
  std::mt19937 random(12345);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<RSprite> sprites(kSprites);
  for (int i = 0; i < kSprites; ++i) {
    RSprite& s = sprites[size_t(i)];
    s.sprite = i / (kSprites / kTextures);
    s.x = unit(random) * kWidth;
    s.y = unit(random) * kHeight;
    s.scale = 0.5 + unit(random);
    s.angle = unit(random) * 360;
    s.colour = int32_t(random() & 0xFFFFFF) | 0x404040;
    s.alpha = 0.5 + unit(random) / 2;
  }
  return sprites;
}

// A disk on a coloured ground, different for each texture.
vn::TBitmap32 texture_picture(int seed) {
  vn::TBitmap32 picture(kTextureSize, kTextureSize);
  for (int y = 0; y < kTextureSize; ++y) {
    for (int x = 0; x < kTextureSize; ++x) {
      const int dx = x - kTextureSize / 2;
      const int dy = y - kTextureSize / 2;
      const uint32_t alpha = dx * dx + dy * dy < 15 * 15 ? 255 : 0;
      picture.image().at(x, y) = alpha << 24 | uint32_t(255 - seed * 50) << 16 |
                                 uint32_t(y * 8) << 8 | uint32_t(x * 8 + seed * 60);
    }
  }
  return picture;
}

std::unique_ptr<vn::IGameWindow> make_window() {
  vn::set_headless(true);
  vn::RGameWindowSetup setup;
  setup.width = kWidth;
  setup.height = kHeight;
  return vn::create_game_window(setup);
}

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Frames per second of draw_frame, run for about that many seconds after one frame of
// warming up.
template <typename DrawFrame>
double frames_per_second(double seconds, DrawFrame&& draw_frame) {
  draw_frame();
  const auto start = std::chrono::steady_clock::now();
  int frames = 0;
  while (frames < 3 || seconds_since(start) < seconds) {
    draw_frame();
    ++frames;
  }
  return frames / seconds_since(start);
}

double runner_fps(const std::vector<RSprite>& sprites, double seconds) {
  auto window = make_window();
  if (window->renderer() == nullptr) return 0;
  vn::register_game_library();
  vn::TResourceList<vn::CSprite> list;
  for (int i = 0; i < kTextures; ++i) {
    auto sprite = std::make_unique<vn::CSprite>();
    sprite->frames.push_back(texture_picture(i));
    sprite->xorigin = kTextureSize / 2;
    sprite->yorigin = kTextureSize / 2;
    list.add("sprite" + std::to_string(i), std::move(sprite));
  }
  vn::world_resources().sprites = &list;
  vn::CGraphicsDevice& device = vn::graphics_device();
  device.create(window->renderer(), kWidth, kHeight, 4096, 4096);
  device.set_interpolation(false);
  int32_t id = -1;
  if (!vn::find_function("draw_sprite_ext", id)) return 0;
  const vn::FunctionHandler handler = vn::builtin_function(id)->handler;
  // The arguments as a game's code would hand them over.
  std::vector<std::array<vn::RValue, vn::kMaxArguments>> calls(sprites.size());
  for (size_t i = 0; i < sprites.size(); ++i) {
    const RSprite& s = sprites[i];
    calls[i] = {double(s.sprite), 0.0,    s.x, s.y, s.scale, s.scale, s.angle,
                double(s.colour), s.alpha};
  }
  const double fps = frames_per_second(seconds, [&] {
    device.clear(0xFF203040u);
    vn::RValue result;
    for (auto& arguments : calls) handler(nullptr, nullptr, 9, arguments.data(), result);
    device.get_pixel(0, 0);  // waits for the GPU
  });
  device.release();
  vn::world_resources().sprites = nullptr;
  list.items.clear();
  window.reset();
  vn::shutdown_video();
  return fps;
}

GLuint compile(GLenum kind, const char* source) {
  const GLuint shader = glCreateShader(kind);
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  return shader;
}

// The quads the runner draws for these sprites, as triangle lists, texture by texture.
std::vector<vn::RVertex> plain_vertices(const std::vector<RSprite>& sprites) {
  std::vector<vn::RVertex> vertices;
  vertices.reserve(sprites.size() * 6);
  for (const RSprite& s : sprites) {
    const double half = kTextureSize / 2.0 * s.scale;
    const double c = std::cos(s.angle * kPi / 180);
    const double n = std::sin(s.angle * kPi / 180);
    const uint32_t colour = vn::device_color(s.colour, s.alpha);
    const double corners[4][4] = {
        {-half, -half, 0, 0}, {half, -half, 1, 0}, {half, half, 1, 1}, {-half, half, 0, 1}};
    vn::RVertex quad[4];
    for (int i = 0; i < 4; ++i) {
      const double dx = corners[i][0];
      const double dy = corners[i][1];
      quad[i] = {float(s.x + dx * c + dy * n - 0.5),
                 float(s.y - dx * n + dy * c - 0.5),
                 0,
                 colour,
                 float(corners[i][2]),
                 float(corners[i][3])};
    }
    for (int corner : {0, 1, 2, 0, 2, 3}) vertices.push_back(quad[corner]);
  }
  return vertices;
}

double plain_fps(const std::vector<RSprite>& sprites, double seconds) {
  auto window = make_window();
  if (window->renderer() == nullptr) return 0;
  const std::vector<vn::RVertex> vertices = plain_vertices(sprites);
  const GLuint vertex = compile(GL_VERTEX_SHADER, R"(#version 330 core
layout(location = 0) in vec3 a_position;
layout(location = 1) in vec4 a_color;
layout(location = 2) in vec2 a_uv;
uniform vec2 u_scale;
out vec4 v_color;
out vec2 v_uv;
void main() {
  gl_Position = vec4((a_position.x + 0.5) * u_scale.x - 1.0, (a_position.y + 0.5) * u_scale.y - 1.0,
                     0.0, 1.0);
  v_color = a_color;
  v_uv = a_uv;
})");
  const GLuint fragment = compile(GL_FRAGMENT_SHADER, R"(#version 330 core
in vec4 v_color;
in vec2 v_uv;
uniform sampler2D u_texture;
out vec4 o_color;
void main() { o_color = texture(u_texture, v_uv) * v_color; })");
  const GLuint program = glCreateProgram();
  glAttachShader(program, vertex);
  glAttachShader(program, fragment);
  glLinkProgram(program);
  glUseProgram(program);
  glUniform2f(glGetUniformLocation(program, "u_scale"), 2.0f / kWidth, 2.0f / kHeight);
  glUniform1i(glGetUniformLocation(program, "u_texture"), 0);

  GLuint array = 0;
  GLuint buffer = 0;
  glGenVertexArrays(1, &array);
  glBindVertexArray(array);
  glGenBuffers(1, &buffer);
  glBindBuffer(GL_ARRAY_BUFFER, buffer);
  glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(vertices.size() * sizeof(vn::RVertex)), vertices.data(),
               GL_STATIC_DRAW);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(vn::RVertex), nullptr);
  glEnableVertexAttribArray(1);
  glVertexAttribPointer(1, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(vn::RVertex),
                        reinterpret_cast<void*>(offsetof(vn::RVertex, color)));
  glEnableVertexAttribArray(2);
  glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, sizeof(vn::RVertex),
                        reinterpret_cast<void*>(offsetof(vn::RVertex, u)));

  GLuint textures[kTextures];
  glGenTextures(kTextures, textures);
  for (int i = 0; i < kTextures; ++i) {
    glBindTexture(GL_TEXTURE_2D, textures[i]);
    const vn::TBitmap32 picture = texture_picture(i);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kTextureSize, kTextureSize, 0, GL_BGRA,
                 GL_UNSIGNED_BYTE, picture.image().pixels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  }
  GLuint target = 0;
  GLuint framebuffer = 0;
  glGenTextures(1, &target);
  glBindTexture(GL_TEXTURE_2D, target);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kWidth, kHeight, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  glGenFramebuffers(1, &framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, target, 0);
  glViewport(0, 0, kWidth, kHeight);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);

  const GLsizei per_texture = GLsizei(vertices.size() / kTextures);
  uint8_t pixel[4];
  const double fps = frames_per_second(seconds, [&] {
    glClearColor(0.25f, 0.19f, 0.125f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    for (int i = 0; i < kTextures; ++i) {
      glBindTexture(GL_TEXTURE_2D, textures[i]);
      glDrawArrays(GL_TRIANGLES, i * per_texture, per_texture);
    }
    glReadPixels(0, 0, 1, 1, GL_BGRA, GL_UNSIGNED_BYTE, pixel);  // waits for the GPU
  });

  glDeleteFramebuffers(1, &framebuffer);
  glDeleteTextures(1, &target);
  glDeleteTextures(kTextures, textures);
  glDeleteBuffers(1, &buffer);
  glDeleteVertexArrays(1, &array);
  glDeleteProgram(program);
  glDeleteShader(vertex);
  glDeleteShader(fragment);
  window.reset();
  vn::shutdown_video();
  return fps;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string what = argc > 1 ? argv[1] : "sprites";
  const double seconds = argc > 2 ? std::atof(argv[2]) : 3.0;
  if (what != "sprites") {
    std::fprintf(stderr, "bench_draw: unknown benchmark \"%s\" (sprites)\n", what.c_str());
    return 2;
  }
  const std::vector<RSprite> sprites = make_sprites();
  const double runner = runner_fps(sprites, seconds);
  const double plain = plain_fps(sprites, seconds);
  if (runner <= 0 || plain <= 0) {
    std::fprintf(stderr, "bench_draw: no OpenGL context headless\n");
    return 1;
  }
  std::printf("sprites runner %.2f fps (%d sprites from %d textures, %d x %d)\n", runner, kSprites,
              kTextures, kWidth, kHeight);
  std::printf("sprites plain %.2f fps\n", plain);
  std::printf("sprites ratio %.2f\n", runner / plain);
  return 0;
}
