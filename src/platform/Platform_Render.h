// Drawing on the GPU: the OpenGL 3.3 core context of the game window (of a window nobody
// sees when headless), its textures and render targets, vertices drawn in batches under
// the fixed-function states the games were made for, read-back, and the presentation of a
// finished frame into the client area.
//
// Conventions are the ones the games were made for, not OpenGL's: pictures and targets are
// stored top row first; the transform is the device's (x right, y up in clip space, the
// viewport's top row at +1); pixel centres lie at whole coordinates, so a vertex at x = 3
// in an unscaled viewport is the centre of pixel column 3. The renderer turns these into
// OpenGL's own.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vn {

// One vertex of every draw. The colour is in the device form 0xAARRGGBB.
struct RVertex {
  float x = 0;
  float y = 0;
  float z = 0;
  uint32_t color = 0xFFFFFFFF;
  float u = 0;
  float v = 0;
};

// A vertex of 3D drawing: a normal for lighting besides what every vertex has.
struct RVertex3D {
  float x = 0;
  float y = 0;
  float z = 0;
  float nx = 0;
  float ny = 0;
  float nz = 0;
  uint32_t color = 0xFFFFFFFF;
  float u = 0;
  float v = 0;
};

enum class RPrimitive : uint8_t {
  points,
  lines,
  line_strip,
  triangles,
  triangle_strip,
  triangle_fan,
};

// Blend factors, numbered as draw_set_blend_mode_ext takes them.
enum RBlendFactor : int {
  kBlendZero = 1,
  kBlendOne = 2,
  kBlendSourceColor = 3,
  kBlendInverseSourceColor = 4,
  kBlendSourceAlpha = 5,
  kBlendInverseSourceAlpha = 6,
  kBlendDestAlpha = 7,
  kBlendInverseDestAlpha = 8,
  kBlendDestColor = 9,
  kBlendInverseDestColor = 10,
  kBlendSourceAlphaSaturate = 11,
};

// The switchable states a draw is made under. The same factors apply to colour and alpha.
struct RRenderStates {
  int blend_source = kBlendSourceAlpha;  // any other number than 1 ... 11 counts as these two
  int blend_dest = kBlendInverseSourceAlpha;
  bool texture_blending = true;  // texture × vertex colour (both colour and alpha); off: texture
  bool interpolation = false;    // linear filtering; off: nearest texel
  bool repeat = false;           // wrapping texture coordinates; off: clamped to the edge
  bool culling = false;          // triangles wound counter-clockwise on screen are dropped
  bool depth = false;            // depth test and write (less or equal), and alpha test > 0
  bool lighting = false;         // vertex colours lit by the lights (world-space normals)
  bool flat = false;             // a triangle takes the colour of its first vertex
  bool fog = false;              // linear fog by the distance along the view
  bool operator==(const RRenderStates&) const = default;
};

// A 4 × 4 matrix for row vectors (p' = p × M), stored row by row: the device's matrices.
using RMatrix = std::array<float, 16>;

// A light in world space. Directional lights shine along (x, y, z); point lights from
// there, reaching as far as range, dimmed by 1 / (attenuation0 + attenuation1 × distance).
struct RLight {
  bool enabled = false;
  bool point = false;
  float x = 0;
  float y = 0;
  float z = 0;
  float red = 1;
  float green = 1;
  float blue = 1;
  float range = 0;
  float attenuation0 = 1;
  float attenuation1 = 0;
  bool operator==(const RLight&) const = default;
};
constexpr int kRenderLights = 8;

struct RRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

class IRenderer {
 public:
  virtual ~IRenderer() = default;

  // What the context is, for messages ("OpenGL 4.5 (Core Profile) Mesa ..., llvmpipe").
  virtual std::string description() const = 0;

  // --- Textures: handles are never 0; 0 means none. ---
  // A texture of exactly that size (at least 1 × 1); a render target can also be drawn
  // into. 0 when it could not be made.
  virtual uint32_t create_texture(int width, int height, bool render_target) = 0;
  virtual void free_texture(uint32_t texture) = 0;
  // Pixels in rows top to bottom, each pixel blue, green, red, alpha (the byte order of
  // TBitmap32), into the rectangle (x, y, width, height) of the texture, which must lie
  // inside it. False when it does not or the upload failed.
  virtual bool upload(uint32_t texture, int x, int y, int width, int height,
                      const uint8_t* pixels) = 0;

  // --- Where drawing goes. ---
  // The back buffer the frame is drawn into: at least 1 × 1, its content undefined after a
  // change of size. Made at the first call.
  virtual void set_back_buffer_size(int width, int height) = 0;
  virtual int back_buffer_width() const = 0;
  virtual int back_buffer_height() const = 0;
  // A render-target texture, or 0 for the back buffer. False (target unchanged) for a
  // texture that is not a render target.
  virtual bool set_target(uint32_t texture) = 0;
  virtual uint32_t target() const = 0;
  // In pixels of the target, from its top-left corner; clipped to the target by the GPU.
  virtual void set_viewport(const RRect& viewport) = 0;
  // World to clip space, the device's view × projection.
  virtual void set_transform(const RMatrix& transform) = 0;
  // The one draws are made under now, whoever set it.
  virtual const RMatrix& transform() const = 0;
  // Applied to vertices before the transform (identity at start).
  virtual void set_world(const RMatrix& world) = 0;
  // The camera part of the transform, world to view space: fog measures the view's z.
  virtual void set_view(const RMatrix& view) = 0;
  // Fog colour 0xAARRGGBB (alpha ignored), fully fogged at end, clear before start.
  virtual void set_fog(uint32_t color, float start, float end) = 0;
  // Index 0 ... kRenderLights − 1; others are ignored.
  virtual void set_light(int index, const RLight& light) = 0;
  virtual void set_states(const RRenderStates& states) = 0;
  // The texture the next draws sample (texture coordinates 0 ... 1 over the whole
  // texture); 0 draws with the vertex colours alone.
  virtual void set_texture(uint32_t texture) = 0;

  // Fills the viewport's rectangle of the target with the colour (0xAARRGGBB) and, with
  // depth, sets its depth to the farthest.
  virtual void clear(uint32_t color, bool depth) = 0;
  // Sets the depth of the viewport's rectangle to the farthest, the colours untouched.
  virtual void clear_depth() = 0;
  // Draws under the current target, viewport, transform, states and texture. Consecutive
  // draws that share all of them are batched into one call to the GPU.
  virtual void draw(RPrimitive kind, const RVertex* vertices, size_t count) = 0;
  // The same for vertices with normals.
  virtual void draw_3d(RPrimitive kind, const RVertex3D* vertices, size_t count) = 0;
  // Sends what is batched to the GPU (read-back and presentation do this themselves).
  virtual void flush() = 0;

  // A rectangle of the current target, rows top to bottom, pixels blue, green, red, alpha.
  // False when the rectangle is not wholly inside the target.
  virtual bool read_pixels(const RRect& rectangle, std::vector<uint8_t>& pixels) = 0;
  // The same of a render-target texture, whatever the current target is.
  virtual bool read_texture(uint32_t texture, const RRect& rectangle,
                            std::vector<uint8_t>& pixels) = 0;
  // The rectangle of a render-target texture replaces the pixels at (x, y) of a texture
  // as they are: no blending, no filtering, alpha included. Source and destination may be
  // the same texture, the rectangles overlapping. False when the source is no render
  // target or either rectangle does not lie wholly inside its texture.
  virtual bool copy_texture(uint32_t source, const RRect& rectangle, uint32_t destination, int x,
                            int y) = 0;

  // --- Presentation. ---
  // Shows the rectangle (0, 0, source width, source height) of the back buffer scaled into
  // the destination rectangle of the client area (client pixels from the top-left corner;
  // it may lie partly outside), everything else of the client area in the band colour
  // (0x00BBGGRR, as games give colours). Smooth scales with linear filtering, else with
  // the nearest pixel. With vsync the call waits for the screen's refresh.
  virtual void present(int source_width, int source_height, const RRect& destination,
                       uint32_t band_color, bool smooth, bool vsync) = 0;
  // Shows the last presented frame again (after the window was uncovered or resized).
  virtual void repaint() = 0;
  // The client area as the last present left it, rows top to bottom, blue, green, red,
  // alpha; false when nothing was presented yet.
  virtual bool read_client(std::vector<uint8_t>& pixels, int& width, int& height) = 0;
};

// What the renderer needs from the window it draws for.
struct RRenderScreen {
  // The window's drawable size in pixels; 0 × 0 when frames are not shown (headless).
  std::function<void(int& width, int& height)> drawable_size;
  // Puts the default framebuffer's new content on the screen, waiting for the refresh with
  // vsync.
  std::function<void(bool vsync)> swap;
};

// The OpenGL side the game window sees: the client size it presents into, and counters
// for tests and benchmarks.
class IGlRenderer : public IRenderer {
 public:
  // The size of the client framebuffer present() composes the window's picture in.
  virtual void set_client_size(int width, int height) = 0;
  // Draw calls sent to the GPU so far.
  virtual int64_t draw_calls() const = 0;
};

// A renderer over the OpenGL context current on this thread, which must be 3.3 core or
// later and stay current while the renderer is used. Null, with the reason, when the
// context cannot serve.
std::unique_ptr<IGlRenderer> create_gl_renderer(RRenderScreen screen, int client_width,
                                                int client_height, std::string& failure);

}  // namespace vn
