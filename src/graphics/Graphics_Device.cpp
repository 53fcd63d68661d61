#include "graphics/Graphics_Device.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "graphics/Graphics_Texture.h"

namespace vn {

namespace {

constexpr double kPi = 3.14159265358979323846;

}  // namespace

uint32_t device_color(int32_t color, double alpha) {
  const uint32_t a = uint32_t(std::clamp<long>(std::lround(alpha * 255), 0, 255));
  const uint32_t c = uint32_t(color);
  return a << 24 | (c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF);
}

void CGraphicsDevice::create(IRenderer* renderer, int width, int height, int desktop_width,
                             int desktop_height) {
  renderer_ = renderer;
  set_texture_renderer(renderer);
  desktop_width_ = std::max(desktop_width, 1);
  desktop_height_ = std::max(desktop_height, 1);
  back_width_ = 0;
  back_height_ = 0;
  mode_3d_ = false;
  perspective_ = true;
  depth_ = 0;
  world_ = matrix_identity();
  lights_ = {};
  if (renderer_ != nullptr) {
    renderer_->set_world(world_);
    for (int i = 0; i < kRenderLights; ++i) renderer_->set_light(i, lights_[size_t(i)]);
  }
  set_back_buffer_region(width, height);
  if (renderer_ != nullptr) renderer_->set_target(0);
  set_viewport(0, 0, back_width_, back_height_);
  set_projection(0, back_height_, back_width_, 0, 0);
  clear(0xFF000000);
  restore_states();
}

void CGraphicsDevice::release() {
  if (renderer_ != nullptr) renderer_->flush();
  set_texture_renderer(nullptr);
  renderer_ = nullptr;
}

void CGraphicsDevice::set_desktop_size(int width, int height) {
  desktop_width_ = std::max(width, 1);
  desktop_height_ = std::max(height, 1);
}

void CGraphicsDevice::set_back_buffer_region(int width, int height) {
  width = std::clamp(width, 1, desktop_width_);
  height = std::clamp(height, 1, desktop_height_);
  if (width == back_width_ && height == back_height_) return;
  back_width_ = width;
  back_height_ = height;
  if (renderer_ != nullptr) {
    const uint32_t target = renderer_->target();
    renderer_->set_back_buffer_size(width, height);
    if (target != 0) return;
  }
  set_viewport(0, 0, width, height);
  set_projection(0, height, width, 0, 0);
}

void CGraphicsDevice::set_viewport(int x, int y, int width, int height) {
  viewport_ = {x, y, width, height};
  if (renderer_ != nullptr) renderer_->set_viewport(viewport_);
}

void CGraphicsDevice::set_projection(double angle, double height, double width, double y,
                                     double x) {
  set_projection_as(mode_3d_ && perspective_, angle, height, width, y, x);
}

void CGraphicsDevice::set_projection_as(bool perspective, double angle, double height, double width,
                                        double y, double x) {
  const double f = -angle * kPi / 180;
  const RVector3 up{std::sin(f), std::cos(f), 0};
  const RVector3 target{x + width / 2, y + height / 2, 0};
  RMatrix view;
  RMatrix projection;
  if (perspective) {
    view = matrix_look_at_lh({target.x, target.y, -width}, target, up);
    // Negative like the orthographic height: room y grows downwards here too.
    projection = matrix_perspective_lh(1, -height / width, 1, 32000);
  } else {
    view = matrix_look_at_lh({target.x, target.y, -16000}, target, up);
    // The negative height makes room y grow downwards.
    projection = matrix_ortho_lh(width, -height, 1, 32000);
  }
  set_camera(view, projection);
}

void CGraphicsDevice::set_camera(const RMatrix& view, const RMatrix& projection) {
  transform_ = matrix_multiply(view, projection);
  projection_ = projection;
  if (renderer_ == nullptr) return;
  renderer_->set_view(view);
  renderer_->set_transform(transform_);
}

void CGraphicsDevice::set_world(const RMatrix& world) {
  world_ = world;
  if (renderer_ != nullptr) renderer_->set_world(world);
}

void CGraphicsDevice::set_light(int index, const RLight& light) {
  if (index < 0 || index >= kRenderLights) return;
  lights_[size_t(index)] = light;
  if (renderer_ != nullptr) renderer_->set_light(index, light);
}

RLight CGraphicsDevice::light(int index) const {
  if (index < 0 || index >= kRenderLights) return RLight{};
  return lights_[size_t(index)];
}

bool CGraphicsDevice::set_mode_3d(bool on) {
  if (renderer_ == nullptr) return false;
  if (on == mode_3d_) return true;
  mode_3d_ = on;
  perspective_ = on;
  states_.hidden_surface_removal = on;
  if (!on) depth_ = 0;
  // What was drawn stays (nothing is lost as a device reset would lose it); depth starts
  // empty.
  renderer_->clear_depth();
  apply_states();
  return true;
}

void CGraphicsDevice::set_culling(bool on) {
  states_.culling = on;
  apply_states();
}

void CGraphicsDevice::set_blend_mode(int mode) {
  switch (mode) {
    case kBlendAdd:
      set_blend_factors(kBlendSourceAlpha, kBlendOne);
      break;
    case kBlendMax:
      set_blend_factors(kBlendSourceAlpha, kBlendInverseSourceColor);
      break;
    case kBlendSubtract:
      set_blend_factors(kBlendZero, kBlendInverseSourceColor);
      break;
    default:
      set_blend_factors(kBlendSourceAlpha, kBlendInverseSourceAlpha);
      break;
  }
}

void CGraphicsDevice::set_blend_factors(int source, int dest) {
  states_.blend_source = source;
  states_.blend_dest = dest;
  apply_states();
}

void CGraphicsDevice::set_lighting(bool on) {
  states_.lighting = on;
  apply_states();
}

void CGraphicsDevice::set_smooth_shading(bool on) {
  states_.smooth_shading = on;
  apply_states();
}

void CGraphicsDevice::set_hidden_surface_removal(bool on) {
  states_.hidden_surface_removal = on;
  apply_states();
}

void CGraphicsDevice::set_interpolation(bool on) {
  states_.interpolation = on;
  apply_states();
}

void CGraphicsDevice::set_texture_blending(bool on) {
  states_.texture_blending = on;
  apply_states();
}

void CGraphicsDevice::set_texture_repeat(bool on) {
  states_.texture_repeat = on;
  apply_states();
}

void CGraphicsDevice::set_fog(bool on, int32_t color, double start, double end) {
  states_.fog = on;
  states_.fog_color = color;
  states_.fog_start = start;
  states_.fog_end = end;
  apply_states();
}

void CGraphicsDevice::restore_states() { apply_states(); }

void CGraphicsDevice::apply_states() {
  if (renderer_ == nullptr) return;
  RRenderStates states;
  states.blend_source = states_.blend_source;
  states.blend_dest = states_.blend_dest;
  states.texture_blending = states_.texture_blending;
  states.interpolation = states_.interpolation;
  states.repeat = states_.texture_repeat;
  states.culling = states_.culling;
  states.depth = mode_3d_ && states_.hidden_surface_removal;
  states.lighting = states_.lighting;
  states.flat = !states_.smooth_shading;
  states.fog = states_.fog;
  if (states_.fog) {
    renderer_->set_fog(device_color(states_.fog_color, 1), float(states_.fog_start),
                       float(states_.fog_end));
  }
  renderer_->set_states(states);
}

void CGraphicsDevice::set_current_depth(double depth) {
  depth_ = mode_3d_ ? float(std::clamp(depth, -16000.0, 16000.0)) : 0.0f;
}

void CGraphicsDevice::clear(uint32_t color, bool keep_alpha) {
  if (renderer_ == nullptr) return;
  renderer_->clear(keep_alpha ? color : color | 0xFF000000u, mode_3d_);
}

void CGraphicsDevice::clear_depth() {
  if (renderer_ == nullptr || !mode_3d_) return;
  renderer_->clear_depth();
}

bool CGraphicsDevice::bind_texture(int texture_id) {
  if (renderer_ == nullptr) return false;
  uint32_t handle = 0;
  if (texture_id >= 0) {
    handle = texture_handle(texture_id);
    if (handle == 0) return false;
  }
  renderer_->set_texture(handle);
  return true;
}

void CGraphicsDevice::draw(RPrimitive kind, const RVertex* vertices, size_t count, int texture_id) {
  if (count == 0 || !bind_texture(texture_id)) return;
  renderer_->draw(kind, vertices, count);
}

void CGraphicsDevice::draw_3d(RPrimitive kind, const RVertex3D* vertices, size_t count,
                              int texture_id) {
  if (count == 0 || !bind_texture(texture_id)) return;
  renderer_->draw_3d(kind, vertices, count);
}

std::optional<TBitmap32> CGraphicsDevice::read_back(int x, int y, int width, int height) {
  if (renderer_ == nullptr) return std::nullopt;
  int left = std::max(x, 0);
  int top = std::max(y, 0);
  int right = std::min(x + width, back_width_);
  int bottom = std::min(y + height, back_height_);
  if (right <= left || bottom <= top) return std::nullopt;
  const uint32_t target = renderer_->target();
  if (target != 0) renderer_->set_target(0);
  std::vector<uint8_t> pixels;
  const bool read = renderer_->read_pixels({left, top, right - left, bottom - top}, pixels);
  if (target != 0) renderer_->set_target(target);
  if (!read) return std::nullopt;
  TBitmap32 image(right - left, bottom - top);
  if (!image.has_pixels() || pixels.size() != image.image().pixels.size() * 4) return std::nullopt;
  std::memcpy(image.image().pixels.data(), pixels.data(), pixels.size());
  return image;
}

uint32_t CGraphicsDevice::get_pixel(int x, int y) {
  std::optional<TBitmap32> pixel = read_back(x, y, 1, 1);
  return pixel ? pixel->pixel(0, 0) : 0;
}

void CGraphicsDevice::present(const RRect& destination, uint32_t window_color) {
  if (renderer_ == nullptr) return;
  renderer_->present(back_width_, back_height_, destination, window_color, states_.interpolation,
                     vsync_);
  if (mode_3d_ && renderer_->target() == 0) {
    // The next frame starts with an empty depth buffer even when nothing clears it.
    const RRect viewport = viewport_;
    set_viewport(0, 0, back_width_, back_height_);
    renderer_->clear_depth();
    set_viewport(viewport.x, viewport.y, viewport.width, viewport.height);
  }
}

void CGraphicsDevice::repaint() {
  if (renderer_ != nullptr) renderer_->repaint();
}

CGraphicsDevice& graphics_device() {
  static CGraphicsDevice instance;
  return instance;
}

}  // namespace vn
