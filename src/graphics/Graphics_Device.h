// The drawing device: the renderer of the game window seen the way the games were made
// for. It keeps the back-buffer region, the viewport and the 2D (or 3D) projection of the
// area being drawn, the switchable render states with their memory, the depth of 2D
// drawing, and presents finished frames through the window's scaling.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "graphics/BM32_Class.h"
#include "graphics/Graphics_Matrix.h"
#include "platform/Platform_Render.h"

namespace vn {

// The blend modes of draw_set_blend_mode.
enum BlendMode : int { kBlendNormal = 0, kBlendAdd = 1, kBlendMax = 2, kBlendSubtract = 3 };

// The switchable states as the device remembers them, with their values at start.
struct RDeviceStates {
  bool culling = false;
  int blend_source = kBlendSourceAlpha;
  int blend_dest = kBlendInverseSourceAlpha;
  bool lighting = false;
  bool smooth_shading = true;
  bool hidden_surface_removal = true;  // counts only in 3D mode
  bool interpolation = true;
  bool texture_blending = true;
  bool texture_repeat = false;
  bool fog = false;
  int32_t fog_color = 0;  // a script colour
  double fog_start = 0;
  double fog_end = 0;
};

class CGraphicsDevice {
 public:
  // Takes the renderer (null: nothing is drawn, and every call is harmless), empties the
  // texture table, sets the back-buffer region (clipped to the desktop), clears the target
  // to black and restores every state.
  void create(IRenderer* renderer, int width, int height, int desktop_width, int desktop_height);
  // Lets go of the renderer (before the window goes).
  void release();
  IRenderer* renderer() const { return renderer_; }
  bool exists() const { return renderer_ != nullptr; }

  // The part of the back buffer a frame uses: the region, clipped to the desktop. When it
  // changes the viewport and projection follow.
  void set_back_buffer_region(int width, int height);
  int back_buffer_width() const { return back_width_; }
  int back_buffer_height() const { return back_height_; }
  void set_desktop_size(int width, int height);

  // In pixels of the current target.
  void set_viewport(int x, int y, int width, int height);
  const RRect& viewport() const { return viewport_; }
  // The camera for the rectangle (x, y, width, height) of the room, turned by angle
  // degrees (counter-clockwise on the screen).
  void set_projection(double angle, double height, double width, double y, double x);
  // The same, orthographic or in perspective whatever the mode.
  void set_projection_as(bool perspective, double angle, double height, double width, double y,
                         double x);
  const RMatrix& transform() const { return transform_; }
  // A camera of the scripts' own: world to view, then view to clip space.
  void set_camera(const RMatrix& view, const RMatrix& projection);
  // Applied to everything drawn before the camera; identity at start.
  void set_world(const RMatrix& world);
  const RMatrix& world() const { return world_; }
  const RMatrix& projection() const { return projection_; }
  void set_light(int index, const RLight& light);
  // A default (off) light for an index out of range.
  RLight light(int index) const;

  // --- Render states, each remembered. ---
  void set_culling(bool on);
  void set_blend_mode(int mode);  // other numbers count as normal
  void set_blend_factors(int source, int dest);
  void set_lighting(bool on);
  void set_smooth_shading(bool on);
  void set_hidden_surface_removal(bool on);
  void set_interpolation(bool on);
  void set_texture_blending(bool on);
  void set_texture_repeat(bool on);
  void set_fog(bool on, int32_t color, double start, double end);
  const RDeviceStates& states() const { return states_; }
  // Applies every remembered state again (after a reset or a target change).
  void restore_states();

  // The z of 2D drawing: 0 unless 3D mode is on, then clamped to -16000 ... 16000.
  void set_current_depth(double depth);
  float current_depth() const { return depth_; }
  bool mode_3d() const { return mode_3d_; }
  // Switching it on or off sets perspective and hidden-surface removal along and starts
  // with an empty depth buffer. False without a device to switch.
  bool set_mode_3d(bool on);
  // Whether 3D mode projects rooms and views in perspective (from the next projection).
  void set_perspective(bool on) { perspective_ = on; }
  bool perspective() const { return perspective_; }

  // --- Drawing into the current target. ---
  // The viewport's rectangle filled with an opaque colour (0xAARRGGBB, alpha forced to 255
  // unless keep_alpha).
  // In 3D mode the depth buffer is emptied with it.
  void clear(uint32_t device_color, bool keep_alpha = false);
  // Empties the depth buffer of the viewport (3D mode only).
  void clear_depth();
  // With a texture id (-1: none; an id that does not exist draws nothing).
  void draw(RPrimitive kind, const RVertex* vertices, size_t count, int texture_id);
  void draw_3d(RPrimitive kind, const RVertex3D* vertices, size_t count, int texture_id);

  // A rectangle of the back buffer, clipped to x, y >= 0 and to the back-buffer region;
  // none when empty or the device has nothing to read.
  std::optional<TBitmap32> read_back(int x, int y, int width, int height);
  // One pixel of the back buffer as 0xAARRGGBB; 0 outside or on failure.
  uint32_t get_pixel(int x, int y);

  // --- Presentation. ---
  // Shows the back-buffer region scaled into the destination rectangle of the client
  // area, the rest in the window colour (a script colour); with vsync on, at the screen's
  // refresh.
  void present(const RRect& destination, uint32_t window_color);
  void repaint();
  void set_vsync(bool on) { vsync_ = on; }
  bool vsync() const { return vsync_; }

 private:
  void apply_states();
  // The texture of that id (none for -1) for the next draw; false when the id has none.
  bool bind_texture(int texture_id);

  IRenderer* renderer_ = nullptr;
  int back_width_ = 8;
  int back_height_ = 8;
  int desktop_width_ = 1024;
  int desktop_height_ = 768;
  RRect viewport_;
  RMatrix transform_{};
  RMatrix world_ = matrix_identity();
  RMatrix projection_ = matrix_identity();
  std::array<RLight, kRenderLights> lights_{};
  RDeviceStates states_;
  float depth_ = 0;
  bool mode_3d_ = false;
  bool perspective_ = true;
  bool vsync_ = false;
};

CGraphicsDevice& graphics_device();

// A script colour (0x00BBGGRR) with an alpha of 0 ... 1 in the device form 0xAARRGGBB.
uint32_t device_color(int32_t color, double alpha);

}  // namespace vn
