// Drawing through the runner against plain OpenGL, headless.
//
//   bench_draw sprites|shapes|text [SECONDS]
//
// sprites: a frame is 20,000 sprites from four 32 × 32 textures (5,000 of each, in order),
//   each turned, scaled, tinted and translucent, through draw_sprite_ext.
// shapes: 5,000 translucent filled rectangles of many sizes and colours, through
//   draw_rectangle_color.
// text: 2,000 draw_text calls of 20 characters each in the default font.
//
// The frames go into an 800 × 600 back buffer. The runner's frame calls the built-in
// function's own handler for every item, as a game's draw event would; the plain program
// draws the same quads from one vertex buffer prepared once, a draw call per texture. Each
// runs in a window (and OpenGL context) of its own, made the same way, and waits for the
// GPU at the end of every frame. Prints frames per second of both and, last,
// "WHAT ratio R" with R = runner / plain.
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

#include "Plain_Gl.h"
#include "graphics/Font_Class.h"
#include "graphics/Font_Main.h"
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
constexpr int kRectangles = 5000;
constexpr int kTexts = 2000;
constexpr int kTextLength = 20;
constexpr double kPi = 3.14159265358979323846;

using Arguments = std::array<vn::RValue, vn::kMaxArguments>;

// One call of a built-in function, with its arguments as a game's code hands them over.
struct RCall {
  vn::FunctionHandler handler = nullptr;
  int count = 0;
  Arguments arguments;
};

// What the plain program draws: triangles with one picture (none: untextured).
struct RPlainBatch {
  vn::TBitmap32 picture;
  std::vector<vn::RVertex> vertices;
};

// A benchmark: the runner's calls a frame and the plain program's batches, drawing the
// same quads.
struct RBench {
  std::vector<RCall> calls;
  std::vector<RPlainBatch> batches;
  std::string description;
};

vn::FunctionHandler handler_of(const char* name) {
  int32_t id = -1;
  if (!vn::find_function(name, id)) return nullptr;
  return vn::builtin_function(id)->handler;
}

std::unique_ptr<vn::IGameWindow> make_window() { return ::bench::headless_window(kWidth, kHeight); }

// Frames per second of draw_frame, run for about that many seconds after one frame of
// warming up.
template <typename DrawFrame>
double frames_per_second(double seconds, DrawFrame&& draw_frame) {
  draw_frame();
  const auto start = std::chrono::steady_clock::now();
  int frames = 0;
  while (frames < 3 || ::bench::seconds_since(start) < seconds) {
    draw_frame();
    ++frames;
  }
  return frames / ::bench::seconds_since(start);
}

// A quad's corners (top-left, top-right, bottom-right, bottom-left) as two triangles.
void add_quad(std::vector<vn::RVertex>& vertices, const vn::RVertex (&quad)[4]) {
  for (int corner : {0, 1, 2, 0, 2, 3}) vertices.push_back(quad[corner]);
}

// --- Sprites ---

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

vn::TResourceList<vn::CSprite>& bench_sprites() {
  static vn::TResourceList<vn::CSprite> list;
  if (list.items.empty()) {
    for (int i = 0; i < kTextures; ++i) {
      auto sprite = std::make_unique<vn::CSprite>();
      sprite->frames.push_back(texture_picture(i));
      sprite->xorigin = kTextureSize / 2;
      sprite->yorigin = kTextureSize / 2;
      list.add("sprite" + std::to_string(i), std::move(sprite));
    }
  }
  return list;
}

RBench sprites_bench() {
  RBench bench;
  bench.description =
      std::to_string(kSprites) + " sprites from " + std::to_string(kTextures) + " textures";
  vn::world_resources().sprites = &bench_sprites();
  const vn::FunctionHandler draw = handler_of("draw_sprite_ext");
  std::mt19937 random(12345);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  bench.batches.resize(kTextures);
  for (int i = 0; i < kTextures; ++i) bench.batches[size_t(i)].picture = texture_picture(i);
  for (int i = 0; i < kSprites; ++i) {
    const int sprite = i / (kSprites / kTextures);
    const double x = unit(random) * kWidth;
    const double y = unit(random) * kHeight;
    const double scale = 0.5 + unit(random);
    const double angle = unit(random) * 360;
    const int32_t colour = int32_t(random() & 0xFFFFFF) | 0x404040;
    const double alpha = 0.5 + unit(random) / 2;
    bench.calls.push_back(
        {draw, 9, {double(sprite), 0.0, x, y, scale, scale, angle, double(colour), alpha}});

    const double half = kTextureSize / 2.0 * scale;
    const double c = std::cos(angle * kPi / 180);
    const double n = std::sin(angle * kPi / 180);
    const uint32_t device_colour = vn::device_color(colour, alpha);
    const double corners[4][4] = {
        {-half, -half, 0, 0}, {half, -half, 1, 0}, {half, half, 1, 1}, {-half, half, 0, 1}};
    vn::RVertex quad[4];
    for (int k = 0; k < 4; ++k) {
      const double dx = corners[k][0];
      const double dy = corners[k][1];
      quad[k] = {float(x + dx * c + dy * n - 0.5),
                 float(y - dx * n + dy * c - 0.5),
                 0,
                 device_colour,
                 float(corners[k][2]),
                 float(corners[k][3])};
    }
    add_quad(bench.batches[size_t(sprite)].vertices, quad);
  }
  return bench;
}

// --- Shapes ---

RBench shapes_bench() {
  RBench bench;
  bench.description = std::to_string(kRectangles) + " filled rectangles";
  const vn::FunctionHandler draw = handler_of("draw_rectangle_color");
  std::mt19937 random(54321);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  bench.batches.resize(1);
  bench.batches[0].picture = vn::TBitmap32(1, 1, 0xFFFFFFFFu);
  for (int i = 0; i < kRectangles; ++i) {
    const double x1 = std::floor(unit(random) * kWidth);
    const double y1 = std::floor(unit(random) * kHeight);
    const double x2 = x1 + std::floor(4 + unit(random) * 60);
    const double y2 = y1 + std::floor(4 + unit(random) * 40);
    const double colour = double(random() & 0xFFFFFF);
    bench.calls.push_back({draw, 9, {x1, y1, x2, y2, colour, colour, colour, colour, 0.0}});
    const uint32_t device_colour = vn::device_color(int32_t(colour), 0.75);
    const float left = float(x1 - 0.5);
    const float top = float(y1 - 0.5);
    const float right = float(x2 + 0.01 - 0.5);
    const float bottom = float(y2 + 0.01 - 0.5);
    const vn::RVertex quad[4] = {{left, top, 0, device_colour, 0, 0},
                                 {right, top, 0, device_colour, 0, 0},
                                 {right, bottom, 0, device_colour, 0, 0},
                                 {left, bottom, 0, device_colour, 0, 0}};
    add_quad(bench.batches[0].vertices, quad);
  }
  return bench;
}

// --- Text ---

RBench text_bench() {
  RBench bench;
  bench.description = std::to_string(kTexts) + " texts of " + std::to_string(kTextLength) +
                      " characters in the default font";
  const vn::FunctionHandler draw = handler_of("draw_text");
  const vn::CFont& font = vn::default_font();
  std::mt19937 random(777);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  bench.batches.resize(1);
  RPlainBatch& batch = bench.batches[0];
  batch.picture = vn::TBitmap32(std::max(font.sheet_width, 1), std::max(font.sheet_height, 1));
  for (int y = 0; y < font.sheet_height; ++y) {
    for (int x = 0; x < font.sheet_width; ++x) {
      const uint32_t alpha = font.sheet[size_t(y) * size_t(font.sheet_width) + size_t(x)];
      batch.picture.image().at(x, y) = alpha << 24 | 0xFFFFFFu;
    }
  }
  const double texture_width = font.sheet_width;
  const double texture_height = font.sheet_height;
  const uint32_t white = 0xFFFFFFFFu;
  for (int i = 0; i < kTexts; ++i) {
    std::string text;
    for (int k = 0; k < kTextLength; ++k) text += char('A' + (random() % 58));
    const double x = std::floor(unit(random) * (kWidth - 150));
    const double y = std::floor(unit(random) * (kHeight - 20));
    bench.calls.push_back({draw, 3, {x, y, vn::RValue(text)}});
    double pen = x;
    for (unsigned char c : text) {
      const vn::RGlyph& glyph = font.glyphs[c];
      const float left = float(pen + glyph.offset - 0.5);
      const float top = float(y - 0.5);
      const float right = left + float(glyph.width);
      const float bottom = top + float(glyph.height);
      const float u0 = float(glyph.x / texture_width);
      const float v0 = float(glyph.y / texture_height);
      const float u1 = float((glyph.x + glyph.width) / texture_width);
      const float v1 = float((glyph.y + glyph.height) / texture_height);
      const vn::RVertex quad[4] = {{left, top, 0, white, u0, v0},
                                   {right, top, 0, white, u1, v0},
                                   {right, bottom, 0, white, u1, v1},
                                   {left, bottom, 0, white, u0, v1}};
      add_quad(batch.vertices, quad);
      pen += glyph.shift;
    }
  }
  return bench;
}

// --- The two programs ---

double runner_fps(const std::string& what, double seconds, std::string& description) {
  auto window = make_window();
  if (window->renderer() == nullptr) return 0;
  vn::register_game_library();
  vn::CGraphicsDevice& device = vn::graphics_device();
  device.create(window->renderer(), kWidth, kHeight, 4096, 4096);
  device.set_interpolation(false);
  const RBench bench = what == "sprites"  ? sprites_bench()
                       : what == "shapes" ? shapes_bench()
                                          : text_bench();
  description = bench.description;
  vn::set_draw_color(0xFFFFFF);
  vn::set_draw_alpha(what == "shapes" ? 0.75 : 1.0);
  for (const RCall& call : bench.calls) {
    if (call.handler == nullptr) return 0;
  }
  std::vector<RCall> calls = bench.calls;
  const double fps = frames_per_second(seconds, [&] {
    device.clear(0xFF203040u);
    vn::RValue result;
    for (RCall& call : calls)
      call.handler(nullptr, nullptr, call.count, call.arguments.data(), result);
    device.get_pixel(0, 0);  // waits for the GPU
  });
  device.release();
  window.reset();
  vn::shutdown_video();
  return fps;
}

double plain_fps(const std::string& what, double seconds) {
  auto window = make_window();
  if (window->renderer() == nullptr) return 0;
  // The batches are made with a device of their own (fonts build their sheets without one,
  // but the same calls are made as on the runner's side).
  const RBench bench = what == "sprites"  ? sprites_bench()
                       : what == "shapes" ? shapes_bench()
                                          : text_bench();
  std::vector<vn::RVertex> vertices;
  std::vector<std::pair<GLint, GLsizei>> ranges;
  for (const RPlainBatch& batch : bench.batches) {
    ranges.emplace_back(GLint(vertices.size()), GLsizei(batch.vertices.size()));
    vertices.insert(vertices.end(), batch.vertices.begin(), batch.vertices.end());
  }
  double fps = 0;
  {
    const ::bench::CPlainProgram program(::bench::kPixelVertexShader);
    glUniform2f(program.uniform("u_scale"), 2.0f / kWidth, 2.0f / kHeight);
    const ::bench::CPlainVertices buffers(vertices, {});
    std::vector<GLuint> textures;
    for (const RPlainBatch& batch : bench.batches) {
      const vn::TBitmap32& picture = batch.picture;
      textures.push_back(
          ::bench::plain_texture(picture.width(), picture.height(), picture.image().pixels.data()));
    }
    const ::bench::CPlainTarget target(kWidth, kHeight);

    uint8_t pixel[4];
    fps = frames_per_second(seconds, [&] {
      glClearColor(0.25f, 0.19f, 0.125f, 1.0f);
      glClear(GL_COLOR_BUFFER_BIT);
      for (size_t i = 0; i < textures.size(); ++i) {
        glBindTexture(GL_TEXTURE_2D, textures[i]);
        glDrawArrays(GL_TRIANGLES, ranges[i].first, ranges[i].second);
      }
      glReadPixels(0, 0, 1, 1, GL_BGRA, GL_UNSIGNED_BYTE, pixel);  // waits for the GPU
    });
    glDeleteTextures(GLsizei(textures.size()), textures.data());
  }
  window.reset();
  vn::shutdown_video();
  return fps;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string what = argc > 1 ? argv[1] : "sprites";
  const double seconds = argc > 2 ? std::atof(argv[2]) : 3.0;
  if (what != "sprites" && what != "shapes" && what != "text") {
    std::fprintf(stderr, "bench_draw: unknown benchmark \"%s\" (sprites, shapes or text)\n",
                 what.c_str());
    return 2;
  }
  std::string description;
  const double runner = runner_fps(what, seconds, description);
  const double plain = plain_fps(what, seconds);
  if (runner <= 0 || plain <= 0) {
    std::fprintf(stderr, "bench_draw: no OpenGL context headless, or a function missing\n");
    return 1;
  }
  std::printf("%s runner %.2f fps (%s, %d x %d)\n", what.c_str(), runner, description.c_str(),
              kWidth, kHeight);
  std::printf("%s plain %.2f fps\n", what.c_str(), plain);
  std::printf("%s ratio %.2f\n", what.c_str(), runner / plain);
  return 0;
}
