// 20,000 rotated, scaled, tinted sprites a frame from four 32 × 32 textures, grouped by
// texture, into an 800 × 600 back buffer, headless. Figures: frames per second of the
// renderer's draw() taking every sprite as its own four-vertex strip, and of plain OpenGL
// drawing the same quads from one static vertex buffer, four draw calls a frame, as
// triangle lists and as four corners a quad with indices. All wait for the GPU at the end
// of every frame.
//
// Each runs in a window (and OpenGL context) of its own, so neither sees the other's state.
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "Plain_Gl.h"
#include "platform/Platform_GameWindow.h"
#include "platform/Platform_Render.h"
#include "platform/Platform_Video.h"

namespace {

using vn::RVertex;

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr int kSprites = 20000;
constexpr int kTextures = 4;
constexpr int kTextureSize = 32;

// Sprites as strips of four corners, sorted by texture: kSprites / kTextures each.
std::vector<std::array<RVertex, 4>> make_sprites() {
  std::mt19937 random(12345);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);
  std::vector<std::array<RVertex, 4>> sprites(kSprites);
  for (auto& sprite : sprites) {
    const float x = unit(random) * kWidth;
    const float y = unit(random) * kHeight;
    const float angle = unit(random) * 6.2831853f;
    const float scale = 0.5f + unit(random);
    const uint32_t tint = 0xFF000000u | uint32_t(random() & 0xFFFFFF) | 0x404040u;
    const float half = kTextureSize * scale / 2;
    const float c = std::cos(angle) * half;
    const float s = std::sin(angle) * half;
    const float corners[4][2] = {{-1, -1}, {1, -1}, {-1, 1}, {1, 1}};
    for (int i = 0; i < 4; ++i) {
      const float cx = corners[i][0];
      const float cy = corners[i][1];
      sprite[size_t(i)] = {x + cx * c - cy * s, y + cx * s + cy * c, 0, tint,
                           (cx + 1) / 2,        (cy + 1) / 2};
    }
  }
  return sprites;
}

std::vector<uint8_t> texture_pixels(int seed) {
  std::vector<uint8_t> pixels(size_t(kTextureSize) * kTextureSize * 4);
  for (int y = 0; y < kTextureSize; ++y) {
    for (int x = 0; x < kTextureSize; ++x) {
      uint8_t* pixel = &pixels[size_t(y * kTextureSize + x) * 4];
      const int dx = x - kTextureSize / 2;
      const int dy = y - kTextureSize / 2;
      pixel[0] = uint8_t(x * 8 + seed * 60);
      pixel[1] = uint8_t(y * 8);
      pixel[2] = uint8_t(255 - seed * 50);
      pixel[3] = dx * dx + dy * dy < 15 * 15 ? 255 : 0;  // a disk
    }
  }
  return pixels;
}

// Room pixels to the device's clip space.
vn::RMatrix pixel_transform() {
  return {2.0f / kWidth, 0, 0, 0, 0, -2.0f / kHeight, 0, 0, 0, 0, 1, 0, -1, 1, 0, 1};
}

std::unique_ptr<vn::IGameWindow> make_window() { return ::bench::headless_window(kWidth, kHeight); }

void renderer_draw(benchmark::State& state) {
  auto window = make_window();
  vn::IRenderer* renderer = window->renderer();
  if (renderer == nullptr) {
    state.SkipWithError("no OpenGL renderer");
    return;
  }
  const auto sprites = make_sprites();
  uint32_t textures[kTextures];
  for (int i = 0; i < kTextures; ++i) {
    textures[i] = renderer->create_texture(kTextureSize, kTextureSize, false);
    renderer->upload(textures[i], 0, 0, kTextureSize, kTextureSize, texture_pixels(i).data());
  }
  renderer->set_back_buffer_size(kWidth, kHeight);
  renderer->set_viewport({0, 0, kWidth, kHeight});
  renderer->set_transform(pixel_transform());
  renderer->set_states({});
  const size_t per_texture = sprites.size() / kTextures;
  for (auto _ : state) {
    renderer->set_texture(0);
    renderer->clear(0xFF203040, false);
    for (size_t i = 0; i < sprites.size(); ++i) {
      renderer->set_texture(textures[i / per_texture]);
      renderer->draw(vn::RPrimitive::triangle_strip, sprites[i].data(), 4);
    }
    renderer->flush();
    glFinish();
  }
  state.counters["fps"] =
      benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
  auto* gl = dynamic_cast<vn::IGlRenderer*>(renderer);
  if (gl != nullptr) {
    state.counters["draw_calls"] = double(gl->draw_calls()) / double(state.iterations());
  }
  window.reset();
  vn::shutdown_video();
}

void plain_gl(benchmark::State& state, bool indexed) {
  auto window = make_window();
  if (window->renderer() == nullptr) {
    state.SkipWithError("no OpenGL context");
    return;
  }
  const auto sprites = make_sprites();
  std::vector<RVertex> vertices;
  std::vector<uint32_t> indices;
  for (const auto& sprite : sprites) {
    if (indexed) {
      const uint32_t first = uint32_t(vertices.size());
      for (uint32_t corner : {0u, 1u, 2u, 2u, 1u, 3u}) indices.push_back(first + corner);
      vertices.insert(vertices.end(), sprite.begin(), sprite.end());
    } else {
      for (int corner : {0, 1, 2, 2, 1, 3}) vertices.push_back(sprite[size_t(corner)]);
    }
  }
  {
    const bench::CPlainProgram program(R"(#version 330 core
layout(location = 0) in vec3 a_position;
layout(location = 1) in vec4 a_color;
layout(location = 2) in vec2 a_uv;
uniform mat4 u_transform;
out vec4 v_color;
out vec2 v_uv;
void main() {
  vec4 c = u_transform * vec4(a_position, 1.0);
  gl_Position = vec4(c.x, -c.y, c.z, c.w);
  v_color = a_color;
  v_uv = a_uv;
})");
    const vn::RMatrix transform = pixel_transform();
    glUniformMatrix4fv(program.uniform("u_transform"), 1, GL_FALSE, transform.data());
    const bench::CPlainVertices buffers(vertices, indices);
    GLuint textures[kTextures];
    for (int i = 0; i < kTextures; ++i) {
      textures[i] = bench::plain_texture(kTextureSize, kTextureSize, texture_pixels(i).data());
    }
    const bench::CPlainTarget target(kWidth, kHeight);

    const GLsizei per_texture = GLsizei((indexed ? indices.size() : vertices.size()) / kTextures);
    for (auto _ : state) {
      glClearColor(0.25f, 0.19f, 0.125f, 1.0f);
      glClear(GL_COLOR_BUFFER_BIT);
      for (int i = 0; i < kTextures; ++i) {
        glBindTexture(GL_TEXTURE_2D, textures[i]);
        if (indexed) {
          glDrawElements(GL_TRIANGLES, per_texture, GL_UNSIGNED_INT,
                         reinterpret_cast<void*>(size_t(i) * size_t(per_texture) * 4));
        } else {
          glDrawArrays(GL_TRIANGLES, i * per_texture, per_texture);
        }
      }
      glFinish();
    }
    state.counters["fps"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
    glDeleteTextures(kTextures, textures);
  }
  window.reset();
  vn::shutdown_video();
}

}  // namespace

BENCHMARK(renderer_draw)->Unit(benchmark::kMillisecond)->UseRealTime();
void plain_gl_draw(benchmark::State& state) { plain_gl(state, false); }
void plain_gl_draw_indexed(benchmark::State& state) { plain_gl(state, true); }

BENCHMARK(plain_gl_draw)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(plain_gl_draw_indexed)->Unit(benchmark::kMillisecond)->UseRealTime();
