// The renderer on a real OpenGL context: headless, the offscreen driver's EGL on Mesa's
// software rasteriser, every result read back from the GPU.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/Platform_GameWindow.h"
#include "platform/Platform_Render.h"
#include "platform/Platform_Video.h"

namespace vn {
namespace {

constexpr int kSize = 16;

// Room pixels (x right, y down) to the device's clip space (y up, top row at +1).
RMatrix pixel_transform(int width, int height) {
  return {2.0f / float(width), 0, 0, 0, 0, -2.0f / float(height), 0, 0, 0, 0, 1, 0, -1, 1, 0, 1};
}

RVertex vertex(float x, float y, uint32_t color, float u = 0, float v = 0, float z = 0) {
  return {x, y, z, color, u, v};
}

// A strip wound clockwise on the screen, as sprites are drawn.
std::array<RVertex, 4> quad(float x0, float y0, float x1, float y1, uint32_t color, float u0 = 0,
                            float v0 = 0, float u1 = 1, float v1 = 1, float z = 0) {
  return {vertex(x0, y0, color, u0, v0, z), vertex(x1, y0, color, u1, v0, z),
          vertex(x0, y1, color, u0, v1, z), vertex(x1, y1, color, u1, v1, z)};
}

// B, G, R, A bytes to 0xAARRGGBB.
std::vector<uint32_t> as_colors(const std::vector<uint8_t>& bytes) {
  std::vector<uint32_t> colors(bytes.size() / 4);
  for (size_t i = 0; i < colors.size(); ++i) {
    colors[i] = uint32_t(bytes[i * 4]) | uint32_t(bytes[i * 4 + 1]) << 8 |
                uint32_t(bytes[i * 4 + 2]) << 16 | uint32_t(bytes[i * 4 + 3]) << 24;
  }
  return colors;
}

std::vector<uint8_t> as_bytes(const std::vector<uint32_t>& colors) {
  std::vector<uint8_t> bytes(colors.size() * 4);
  for (size_t i = 0; i < colors.size(); ++i) {
    for (int k = 0; k < 4; ++k) bytes[i * 4 + size_t(k)] = uint8_t(colors[i] >> (8 * k));
  }
  return bytes;
}

class RendererTest : public testing::Test {
 protected:
  void SetUp() override {
    set_headless(true);
    RGameWindowSetup setup;
    setup.width = 32;
    setup.height = 24;
    window_ = create_game_window(setup);
    renderer_ = dynamic_cast<IGlRenderer*>(window_->renderer());
    ASSERT_NE(renderer_, nullptr) << "no OpenGL renderer headless";
    renderer_->set_back_buffer_size(kSize, kSize);
    renderer_->set_viewport({0, 0, kSize, kSize});
    renderer_->set_transform(pixel_transform(kSize, kSize));
    renderer_->clear(0xFF000000, true);
  }
  void TearDown() override {
    window_.reset();
    shutdown_video();
  }

  // The whole current target as 0xAARRGGBB, row by row from the top.
  std::vector<uint32_t> target_pixels(int width = kSize, int height = kSize) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(renderer_->read_pixels({0, 0, width, height}, bytes));
    return as_colors(bytes);
  }
  uint32_t pixel(int x, int y) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(renderer_->read_pixels({x, y, 1, 1}, bytes));
    return as_colors(bytes).at(0);
  }
  uint32_t texture(int width, int height, const std::vector<uint32_t>& colors,
                   bool render_target = false) {
    const uint32_t made = renderer_->create_texture(width, height, render_target);
    EXPECT_NE(made, 0u);
    EXPECT_TRUE(renderer_->upload(made, 0, 0, width, height, as_bytes(colors).data()));
    return made;
  }
  void draw_quad(const std::array<RVertex, 4>& corners) {
    renderer_->draw(RPrimitive::triangle_strip, corners.data(), corners.size());
  }

  std::unique_ptr<IGameWindow> window_;
  IGlRenderer* renderer_ = nullptr;
};

// Pixel centres lie at whole coordinates: a texture drawn from half a pixel before its
// place puts every texel on exactly one pixel, whatever the filtering.
TEST_F(RendererTest, TexelsLandOnTheirPixelsWithNearestAndLinearFiltering) {
  std::vector<uint32_t> texels(16);
  for (size_t i = 0; i < texels.size(); ++i) texels[i] = 0xFF000000 | uint32_t(i * 16 + 5) << 8;
  const uint32_t picture = texture(4, 4, texels);
  for (bool linear : {false, true}) {
    SCOPED_TRACE(linear ? "linear" : "nearest");
    renderer_->clear(0xFF000000, false);
    RRenderStates states;
    states.interpolation = linear;
    renderer_->set_states(states);
    renderer_->set_texture(picture);
    draw_quad(quad(5 - 0.5f, 3 - 0.5f, 5 + 3.5f, 3 + 3.5f, 0xFFFFFFFF));
    const std::vector<uint32_t> pixels = target_pixels();
    for (int y = 0; y < kSize; ++y) {
      for (int x = 0; x < kSize; ++x) {
        const bool inside = x >= 5 && x < 9 && y >= 3 && y < 7;
        const uint32_t expected = inside ? texels[size_t((y - 3) * 4 + x - 5)] : 0xFF000000;
        ASSERT_EQ(pixels[size_t(y * kSize + x)], expected) << x << ", " << y;
      }
    }
  }
}

TEST_F(RendererTest, AFilledQuadCoversThePixelsWhoseCentresItHolds) {
  draw_quad(quad(0, 0, 10.01f, 10.01f, 0xFFFF0000));
  const std::vector<uint32_t> pixels = target_pixels();
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      EXPECT_EQ(pixels[size_t(y * kSize + x)], x <= 10 && y <= 10 ? 0xFFFF0000 : 0xFF000000)
          << x << ", " << y;
    }
  }
}

// Blending one / zero shows what the fragment stage made, alpha included.
TEST_F(RendererTest, TextureModulatedByTheVertexColourOrSelectedAlone) {
  const uint32_t picture = texture(1, 1, {0xC8FF6432});
  RRenderStates states;
  states.blend_source = kBlendOne;
  states.blend_dest = kBlendZero;
  renderer_->set_states(states);
  renderer_->set_texture(picture);
  draw_quad(quad(-0.5f, -0.5f, 0.5f, 0.5f, 0x80FF8000));
  states.texture_blending = false;
  renderer_->set_states(states);
  draw_quad(quad(0.5f, -0.5f, 1.5f, 0.5f, 0x80FF8000));
  renderer_->set_texture(0);
  draw_quad(quad(1.5f, -0.5f, 2.5f, 0.5f, 0x80FF8000));
  const uint32_t modulated = pixel(0, 0);
  // 0xC8 × 0x80, 0xFF × 0xFF, 0x64 × 0x80, 0x32 × 0
  EXPECT_NEAR(int(modulated >> 24), 0xC8 * 0x80 / 255, 1);
  EXPECT_EQ(int(modulated >> 16 & 0xFF), 0xFF);
  EXPECT_NEAR(int(modulated >> 8 & 0xFF), 0x64 * 0x80 / 255, 1);
  EXPECT_EQ(int(modulated & 0xFF), 0);
  EXPECT_EQ(pixel(1, 0), 0xC8FF6432u);
  EXPECT_EQ(pixel(2, 0), 0x80FF8000u);
}

// Each pair of factors by its arithmetic on a known source over a known destination.
TEST_F(RendererTest, BlendFactorsMixSourceAndDestination) {
  struct RCase {
    int source;
    int dest;
    const char* name;
  };
  const RCase cases[] = {
      {5, 6, "normal"},
      {5, 2, "add"},
      {5, 4, "max"},
      {1, 4, "subtract"},
      {9, 1, "dest colour"},
      {7, 8, "dest alpha"},
      {11, 2, "alpha saturate"},
      {0, 99, "out of range counts as normal"},
  };
  const double source[4] = {0.8, 0.4, 0.2, 0.6};  // r g b a
  const double dest[4] = {0.2, 0.6, 1.0, 0.4};
  auto factor = [&](int number, int channel, bool for_source) -> double {
    switch (number) {
      case 1:
        return 0;
      case 2:
        return 1;
      case 3:
        return source[channel];
      case 4:
        return 1 - source[channel];
      case 5:
        return source[3];
      case 6:
        return 1 - source[3];
      case 7:
        return dest[3];
      case 8:
        return 1 - dest[3];
      case 9:
        return dest[channel];
      case 10:
        return 1 - dest[channel];
      case 11:
        return channel == 3 ? 1 : std::min(source[3], 1 - dest[3]);
      default:
        return for_source ? source[3] : 1 - source[3];
    }
  };
  auto to_color = [](const double rgba[4]) {
    return uint32_t(std::lround(rgba[3] * 255)) << 24 | uint32_t(std::lround(rgba[0] * 255)) << 16 |
           uint32_t(std::lround(rgba[1] * 255)) << 8 | uint32_t(std::lround(rgba[2] * 255));
  };
  for (const RCase& blend : cases) {
    SCOPED_TRACE(blend.name);
    renderer_->set_states({});
    renderer_->clear(to_color(dest), false);
    RRenderStates states;
    states.blend_source = blend.source;
    states.blend_dest = blend.dest;
    renderer_->set_states(states);
    draw_quad(quad(0, 0, 4, 4, to_color(source)));
    const uint32_t result = pixel(1, 1);
    const int shifts[4] = {16, 8, 0, 24};
    for (int channel = 0; channel < 4; ++channel) {
      const double expected = std::clamp(source[channel] * factor(blend.source, channel, true) +
                                             dest[channel] * factor(blend.dest, channel, false),
                                         0.0, 1.0);
      EXPECT_NEAR(int(result >> shifts[channel] & 0xFF), expected * 255, 1.5)
          << "channel " << channel;
    }
  }
}

TEST_F(RendererTest, TextureCoordinatesClampOrRepeat) {
  const uint32_t picture = texture(2, 1, {0xFFFF0000, 0xFF0000FF});
  renderer_->set_texture(picture);
  for (bool repeat : {false, true}) {
    RRenderStates states;
    states.repeat = repeat;
    renderer_->set_states(states);
    draw_quad(
        quad(-0.5f, repeat ? 0.5f : -0.5f, 7.5f, repeat ? 1.5f : 0.5f, 0xFFFFFFFF, 0, 0, 4, 1));
  }
  // Four times the picture's width over eight pixels: one texel a pixel.
  for (int x = 0; x < 8; ++x) {
    EXPECT_EQ(pixel(x, 0), x == 0 ? 0xFFFF0000u : 0xFF0000FFu) << "clamped " << x;
    EXPECT_EQ(pixel(x, 1), x % 2 == 0 ? 0xFFFF0000u : 0xFF0000FFu) << "repeated " << x;
  }
}

// What is drawn at the top of a target is at the top when the target is drawn as a texture,
// and read back first.
TEST_F(RendererTest, RenderTargetsAreDrawnAndReadUpright) {
  const uint32_t target = renderer_->create_texture(4, 4, true);
  ASSERT_NE(target, 0u);
  EXPECT_FALSE(renderer_->set_target(texture(1, 1, {0xFFFFFFFF})));  // not a target
  ASSERT_TRUE(renderer_->set_target(target));
  EXPECT_EQ(renderer_->target(), target);
  renderer_->set_viewport({0, 0, 4, 4});
  renderer_->set_transform(pixel_transform(4, 4));
  renderer_->clear(0xFF0000FF, false);
  draw_quad(quad(-0.5f, -0.5f, 3.5f, 0.5f, 0xFFFF0000));
  std::vector<uint8_t> row;
  ASSERT_TRUE(renderer_->read_pixels({0, 0, 4, 1}, row));
  EXPECT_EQ(as_colors(row), std::vector<uint32_t>(4, 0xFFFF0000));
  EXPECT_FALSE(renderer_->read_pixels({2, 2, 4, 4}, row));  // reaches outside the target
  EXPECT_EQ(target_pixels(4, 4).back(), 0xFF0000FFu);

  ASSERT_TRUE(renderer_->set_target(0));
  renderer_->set_viewport({0, 0, kSize, kSize});
  renderer_->set_transform(pixel_transform(kSize, kSize));
  renderer_->set_texture(target);
  draw_quad(quad(-0.5f, -0.5f, 3.5f, 3.5f, 0xFFFFFFFF));
  EXPECT_EQ(pixel(2, 0), 0xFFFF0000u);
  EXPECT_EQ(pixel(2, 1), 0xFF0000FFu);
  EXPECT_EQ(pixel(2, 3), 0xFF0000FFu);
}

TEST_F(RendererTest, ClearFillsTheViewportAlone) {
  renderer_->set_viewport({2, 3, 4, 5});
  renderer_->clear(0x80102030, false);
  const std::vector<uint32_t> pixels = target_pixels();
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      const bool inside = x >= 2 && x < 6 && y >= 3 && y < 8;
      EXPECT_EQ(pixels[size_t(y * kSize + x)], inside ? 0x80102030u : 0xFF000000u)
          << x << ", " << y;
    }
  }
}

TEST_F(RendererTest, CullingDropsTrianglesWoundCounterClockwiseOnScreen) {
  RRenderStates states;
  states.culling = true;
  renderer_->set_states(states);
  const RVertex clockwise[] = {vertex(0, 0, 0xFFFF0000), vertex(6, 0, 0xFFFF0000),
                               vertex(0, 6, 0xFFFF0000)};
  const RVertex counter_clockwise[] = {vertex(8, 0, 0xFF00FF00), vertex(8, 6, 0xFF00FF00),
                                       vertex(14, 0, 0xFF00FF00)};
  renderer_->draw(RPrimitive::triangles, clockwise, 3);
  renderer_->draw(RPrimitive::triangles, counter_clockwise, 3);
  // A strip's second triangle is wound the other way round and still counts as clockwise.
  draw_quad(quad(0, 8, 6, 14, 0xFF0000FF));
  EXPECT_EQ(pixel(1, 1), 0xFFFF0000u);
  EXPECT_EQ(pixel(9, 1), 0xFF000000u);
  EXPECT_EQ(pixel(1, 9), 0xFF0000FFu);
  EXPECT_EQ(pixel(5, 13), 0xFF0000FFu);
  states.culling = false;
  renderer_->set_states(states);
  renderer_->draw(RPrimitive::triangles, counter_clockwise, 3);
  EXPECT_EQ(pixel(9, 1), 0xFF00FF00u);
}

// Nearer wins whatever the order; a fragment without alpha leaves no depth behind.
TEST_F(RendererTest, DepthTestAndAlphaTest) {
  RRenderStates states;
  states.depth = true;
  renderer_->set_states(states);
  draw_quad(quad(0, 0, 8, 8, 0xFFFF0000, 0, 0, 1, 1, 0.5f));
  draw_quad(quad(0, 0, 8, 8, 0xFF0000FF, 0, 0, 1, 1, 0.7f));
  EXPECT_EQ(pixel(3, 3), 0xFFFF0000u);
  draw_quad(quad(8, 0, 16, 8, 0x00FFFFFF, 0, 0, 1, 1, 0.1f));
  draw_quad(quad(8, 0, 16, 8, 0xFF00FF00, 0, 0, 1, 1, 0.3f));
  EXPECT_EQ(pixel(11, 3), 0xFF00FF00u);
  renderer_->clear(0xFF000000, true);
  draw_quad(quad(0, 0, 8, 8, 0xFF0000FF, 0, 0, 1, 1, 0.7f));
  EXPECT_EQ(pixel(3, 3), 0xFF0000FFu);
}

// The same scene drawn with a flush after every draw and as batches; the batches break only
// where the target, states, texture or class of primitive change.
TEST_F(RendererTest, BatchesDrawWhatSingleDrawsDrawInFewerCalls) {
  const uint32_t first = texture(2, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF});
  const uint32_t second = texture(1, 1, {0x80FFFF00});
  auto scene = [&](bool flush_each) {
    renderer_->set_texture(0);
    renderer_->set_states({});
    renderer_->clear(0xFF000000, false);
    auto after = [&] {
      if (flush_each) renderer_->flush();
    };
    renderer_->set_texture(first);
    for (int i = 0; i < 4; ++i) {
      const float x = float(i * 3);
      draw_quad(quad(x, 0, x + 3, 3, 0xFFFFFFFF));
      after();
      renderer_->set_texture(first);  // the same again breaks nothing
      renderer_->set_states({});
      const RVertex fan[] = {vertex(x, 4, 0xFF808080, 0, 0), vertex(x + 3, 4, 0xFF808080, 1, 0),
                             vertex(x + 3, 7, 0xFF808080, 1, 1), vertex(x, 7, 0xFF808080, 0, 1)};
      renderer_->draw(RPrimitive::triangle_fan, fan, 4);
      after();
    }
    renderer_->set_texture(second);
    const RVertex triangles[] = {vertex(0, 8, 0xFFFFFFFF), vertex(16, 8, 0xFFFFFFFF),
                                 vertex(0, 16, 0xFFFFFFFF)};
    renderer_->draw(RPrimitive::triangles, triangles, 3);
    after();
    renderer_->set_texture(0);
    const RVertex strip[] = {vertex(0, 12, 0xFFFF00FF), vertex(6, 12, 0xFFFF00FF),
                             vertex(6, 14, 0xFFFF00FF)};
    renderer_->draw(RPrimitive::line_strip, strip, 3);
    after();
    const RVertex points[] = {vertex(15, 15, 0xFF00FFFF), vertex(14, 15, 0xFF00FFFF)};
    renderer_->draw(RPrimitive::points, points, 2);
    after();
    return target_pixels();
  };
  const int64_t before_single = renderer_->draw_calls();
  const std::vector<uint32_t> single = scene(true);
  const int64_t single_calls = renderer_->draw_calls() - before_single;
  const int64_t before_batched = renderer_->draw_calls();
  const std::vector<uint32_t> batched = scene(false);
  const int64_t batched_calls = renderer_->draw_calls() - before_batched;
  EXPECT_EQ(batched, single);
  EXPECT_EQ(single_calls, 11);
  // The quads and fans under the first texture, the triangle under the second, the lines,
  // the points.
  EXPECT_EQ(batched_calls, 4);
  EXPECT_EQ(batched[size_t(12 * kSize + 3)], 0xFFFF00FFu);
  EXPECT_EQ(batched[size_t(15 * kSize + 15)], 0xFF00FFFFu);
}

// The client framebuffer: bands of the band colour around the frame scaled into the
// destination, which may reach outside the client area.
TEST_F(RendererTest, PresentScalesTheFrameIntoTheDestinationAmidBands) {
  std::vector<uint8_t> client;
  int width = 0;
  int height = 0;
  EXPECT_FALSE(renderer_->read_client(client, width, height));  // nothing presented yet

  renderer_->set_back_buffer_size(4, 4);
  renderer_->set_viewport({0, 0, 4, 4});
  renderer_->set_transform(pixel_transform(4, 4));
  renderer_->clear(0xFF00FF00, false);
  draw_quad(quad(-0.5f, -0.5f, 1.5f, 1.5f, 0xFFFF0000));  // the top-left 2 × 2 red
  renderer_->present(4, 4, {8, 4, 8, 8}, 0x00332211, false, false);
  ASSERT_TRUE(renderer_->read_client(client, width, height));
  ASSERT_EQ(width, 32);
  ASSERT_EQ(height, 24);
  std::vector<uint32_t> pixels = as_colors(client);
  auto at = [&](int x, int y) { return pixels[size_t(y * width + x)]; };
  EXPECT_EQ(at(0, 0), 0xFF112233u);
  EXPECT_EQ(at(7, 5), 0xFF112233u);
  EXPECT_EQ(at(8, 4), 0xFFFF0000u);
  EXPECT_EQ(at(11, 7), 0xFFFF0000u);
  EXPECT_EQ(at(12, 8), 0xFF00FF00u);
  EXPECT_EQ(at(15, 11), 0xFF00FF00u);
  EXPECT_EQ(at(16, 11), 0xFF112233u);
  EXPECT_EQ(at(15, 12), 0xFF112233u);

  // Larger than the client: only its middle shows, smoothly scaled.
  renderer_->present(4, 4, {-16, -16, 64, 64}, 0x00332211, true, false);
  ASSERT_TRUE(renderer_->read_client(client, width, height));
  pixels = as_colors(client);
  EXPECT_EQ(at(0, 0), 0xFFFF0000u);
  EXPECT_EQ(at(31, 23), 0xFF00FF00u);
  const uint32_t middle = at(16, 4);  // where red meets green
  EXPECT_GT(middle >> 16 & 0xFF, 0x10u);
  EXPECT_GT(middle >> 8 & 0xFF, 0x10u);

  // A new client size takes effect at the next present.
  renderer_->set_client_size(6, 5);
  renderer_->present(4, 4, {1, 1, 4, 4}, 0x00FFFFFF, false, false);
  ASSERT_TRUE(renderer_->read_client(client, width, height));
  EXPECT_EQ(width, 6);
  EXPECT_EQ(height, 5);
  pixels = as_colors(client);
  EXPECT_EQ(at(0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(at(1, 1), 0xFFFF0000u);
  EXPECT_EQ(at(4, 4), 0xFF00FF00u);
  EXPECT_EQ(at(5, 4), 0xFFFFFFFFu);
}

TEST_F(RendererTest, TexturesAreMadeAtTheirSizeAndCheckedOnUpload) {
  const uint32_t odd = renderer_->create_texture(3, 5, false);
  ASSERT_NE(odd, 0u);
  const std::vector<uint8_t> pixels(3 * 5 * 4, 0xFF);
  EXPECT_TRUE(renderer_->upload(odd, 1, 2, 2, 3, pixels.data()));
  EXPECT_FALSE(renderer_->upload(odd, 2, 0, 2, 1, pixels.data()));  // one column too far
  EXPECT_FALSE(renderer_->upload(odd, 0, -1, 1, 1, pixels.data()));
  EXPECT_FALSE(renderer_->upload(12345, 0, 0, 1, 1, pixels.data()));
  renderer_->free_texture(odd);
  EXPECT_FALSE(renderer_->upload(odd, 0, 0, 1, 1, pixels.data()));
  // A freed texture draws as no texture at all.
  renderer_->set_texture(odd);
  draw_quad(quad(0, 0, 2, 2, 0xFF123456));
  EXPECT_EQ(pixel(0, 0), 0xFF123456u);
  EXPECT_NE(renderer_->description().find("OpenGL"), std::string::npos);
}

}  // namespace
}  // namespace vn
