#include "platform/Platform_Render.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

namespace vn {
namespace {

// The device's conventions become OpenGL's in the vertex shader. Targets are stored top row
// first, so OpenGL's window row 0 is the picture's top row: clip y is mirrored. Pixel
// centres lie at whole coordinates for the device and half-way for OpenGL, so everything
// moves by half a pixel of the viewport (u_pixel = 1 / viewport size, in clip units of w).
// The device's depth runs 0 ... 1 in clip space where OpenGL's runs −1 ... 1.
//
// Lighting is per vertex in world space, as the fixed-function pipeline did it: the vertex
// colour is the material, every light adds colour × max(n · l, 0) × attenuation, and the sum
// is clamped. 2D vertices have no normal attribute, so it reads (0, 0, 0) and they go dark.
// Fog is linear in the view-space z, per pixel. With FLAT a triangle keeps its first vertex's
// colour.
constexpr const char* kVertexShader = R"(
layout(location = 0) in vec3 a_position;
layout(location = 1) in vec4 a_color;
layout(location = 2) in vec2 a_uv;
layout(location = 3) in vec3 a_normal;
uniform mat4 u_transform;
uniform vec2 u_pixel;
#if LIGHTING
uniform mat4 u_world;
uniform vec4 u_light_place[8];
uniform vec3 u_light_color[8];
uniform vec3 u_light_reach[8];
uniform int u_light_count;  // the lights that shine come first
#endif
#if FOG
uniform mat4 u_world_view;
out float v_view_z;
#endif
#if FLAT
flat out vec4 v_color;
#else
out vec4 v_color;
#endif
out vec2 v_uv;
void main() {
  vec4 p = vec4(a_position, 1.0);
  vec4 c = u_transform * p;
  gl_Position = vec4(c.x + c.w * u_pixel.x, c.w * u_pixel.y - c.y, 2.0 * c.z - c.w, c.w);
#if LIGHTING
  vec3 w = (u_world * p).xyz;
  vec3 n = mat3(u_world) * a_normal;
  float n_length = length(n);
  if (n_length > 0.0) n /= n_length;
  vec3 sum = vec3(0.0);
  for (int i = 0; i < u_light_count; ++i) {
    vec4 place = u_light_place[i];
    vec3 to_light = -place.xyz;
    float strength = 1.0;
    if (place.w > 0.0) {
      vec3 d = place.xyz - w;
      float distance = length(d);
      vec3 reach = u_light_reach[i];
      if (distance > reach.x) continue;
      to_light = distance > 0.0 ? d / distance : vec3(0.0);
      strength = 1.0 / max(reach.y + reach.z * distance, 1e-6);
    }
    sum += u_light_color[i] * (max(dot(n, to_light), 0.0) * strength);
  }
  v_color = vec4(min(a_color.rgb * sum, vec3(1.0)), a_color.a);
#else
  v_color = a_color;
#endif
#if FOG
  v_view_z = (u_world_view * p).z;
#endif
  v_uv = a_uv;
}
)";

// TEXTURE_MODE 0: vertex colour alone; 1: texture × vertex colour; 2: texture alone.
constexpr const char* kFragmentShader = R"(
#if FLAT
flat in vec4 v_color;
#else
in vec4 v_color;
#endif
#if FOG
in float v_view_z;
uniform vec2 u_fog;
uniform vec3 u_fog_color;
#endif
in vec2 v_uv;
uniform sampler2D u_texture;
out vec4 o_color;
void main() {
#if TEXTURE_MODE == 0
  vec4 c = v_color;
#elif TEXTURE_MODE == 1
  vec4 c = texture(u_texture, v_uv) * v_color;
#else
  vec4 c = texture(u_texture, v_uv);
#endif
#if ALPHA_TEST
  if (c.a <= 0.0) discard;
#endif
#if FOG
  c.rgb = mix(u_fog_color, c.rgb, clamp((u_fog.x - v_view_z) * u_fog.y, 0.0, 1.0));
#endif
  o_color = c;
}
)";

enum class RPrimitiveClass : uint8_t { triangles, lines, points };

constexpr GLenum kGlMode[] = {GL_TRIANGLES, GL_LINES, GL_POINTS};

RPrimitiveClass class_of(RPrimitive kind) {
  switch (kind) {
    case RPrimitive::points:
      return RPrimitiveClass::points;
    case RPrimitive::lines:
    case RPrimitive::line_strip:
      return RPrimitiveClass::lines;
    default:
      return RPrimitiveClass::triangles;
  }
}

GLenum blend_factor(int factor, GLenum otherwise) {
  static constexpr GLenum kFactors[] = {GL_ZERO,
                                        GL_ONE,
                                        GL_SRC_COLOR,
                                        GL_ONE_MINUS_SRC_COLOR,
                                        GL_SRC_ALPHA,
                                        GL_ONE_MINUS_SRC_ALPHA,
                                        GL_DST_ALPHA,
                                        GL_ONE_MINUS_DST_ALPHA,
                                        GL_DST_COLOR,
                                        GL_ONE_MINUS_DST_COLOR,
                                        GL_SRC_ALPHA_SATURATE};
  return factor >= 1 && factor <= 11 ? kFactors[factor - 1] : otherwise;
}

// 0xAARRGGBB as OpenGL's clear colour.
void clear_color(uint32_t color) {
  glClearColor(float((color >> 16) & 0xFF) / 255.0f, float((color >> 8) & 0xFF) / 255.0f,
               float(color & 0xFF) / 255.0f, float(color >> 24) / 255.0f);
}

struct RTexture {
  int width = 0;
  int height = 0;
  GLuint framebuffer = 0;  // render targets only
};

struct RProgram {
  GLuint program = 0;
  GLint transform = -1;
  GLint pixel = -1;
  GLint world = -1;
  GLint world_view = -1;
  GLint fog = -1;
  GLint fog_color = -1;
  GLint light_place = -1;
  GLint light_color = -1;
  GLint light_reach = -1;
  GLint light_count = -1;
  uint64_t uploaded = 0;  // the uniform serial its uniforms hold; 0: none yet
  bool tried = false;     // built, or failed to build, once
};

// The variants of the shader pair: texture mode 0 ... 2, then one bit per switch.
constexpr int kProgramAlphaTest = 3;
constexpr int kProgramLighting = 6;
constexpr int kProgramFog = 12;
constexpr int kProgramFlat = 24;
constexpr int kProgramCount = 48;

// a × b for row vectors: first a, then b.
RMatrix multiply(const RMatrix& a, const RMatrix& b) {
  RMatrix out{};
  for (int row = 0; row < 4; ++row) {
    for (int column = 0; column < 4; ++column) {
      float sum = 0;
      for (int k = 0; k < 4; ++k) sum += a[size_t(row * 4 + k)] * b[size_t(k * 4 + column)];
      out[size_t(row * 4 + column)] = sum;
    }
  }
  return out;
}

constexpr RMatrix kIdentity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// How many indices a draw of that kind makes of count vertices, with count cut to what the
// kind uses; 0 when it draws nothing.
size_t index_count_for(RPrimitive kind, size_t& count) {
  switch (kind) {
    case RPrimitive::points:
      return count;
    case RPrimitive::lines:
      count &= ~size_t(1);
      return count;
    case RPrimitive::triangles:
      count -= count % 3;
      return count;
    case RPrimitive::line_strip:
      return count < 2 ? 0 : (count - 1) * 2;
    case RPrimitive::triangle_strip:
    case RPrimitive::triangle_fan:
      return count < 3 ? 0 : (count - 2) * 3;
  }
  return 0;
}

// Every kind of primitive becomes an indexed list of its class. The order of a triangle's
// corners keeps its winding for culling, and its first corner is the one flat shading uses.
void write_indices(RPrimitive kind, size_t count, uint32_t first, uint32_t* out) {
  switch (kind) {
    case RPrimitive::points:
    case RPrimitive::lines:
    case RPrimitive::triangles:
      for (uint32_t i = 0; i < uint32_t(count); ++i) out[i] = first + i;
      break;
    case RPrimitive::line_strip:
      for (uint32_t i = 1; i < uint32_t(count); ++i) {
        *out++ = first + i - 1;
        *out++ = first + i;
      }
      break;
    case RPrimitive::triangle_strip:
      for (uint32_t i = 2; i < uint32_t(count); ++i) {
        // Every second triangle of a strip is wound the other way round.
        const bool odd = (i & 1) != 0;
        *out++ = first + (odd ? i - 1 : i - 2);
        *out++ = first + (odd ? i - 2 : i - 1);
        *out++ = first + i;
      }
      break;
    case RPrimitive::triangle_fan:
      for (uint32_t i = 2; i < uint32_t(count); ++i) {
        *out++ = first;
        *out++ = first + i - 1;
        *out++ = first + i;
      }
      break;
  }
}

class CGlRenderer final : public IGlRenderer {
 public:
  CGlRenderer(RRenderScreen screen, int client_width, int client_height)
      : screen_(std::move(screen)) {
    client_width_ = std::max(client_width, 1);
    client_height_ = std::max(client_height, 1);
  }
  ~CGlRenderer() override;

  bool open(std::string& failure);

  std::string description() const override { return description_; }
  uint32_t create_texture(int width, int height, bool render_target) override;
  void free_texture(uint32_t texture) override;
  bool upload(uint32_t texture, int x, int y, int width, int height,
              const uint8_t* pixels) override;

  void set_back_buffer_size(int width, int height) override;
  int back_buffer_width() const override { return back_width_; }
  int back_buffer_height() const override { return back_height_; }
  bool set_target(uint32_t texture) override;
  uint32_t target() const override { return target_; }
  void set_viewport(const RRect& viewport) override;
  void set_transform(const RMatrix& transform) override;
  const RMatrix& transform() const override { return transform_; }
  void set_world(const RMatrix& world) override;
  void set_view(const RMatrix& view) override;
  void set_fog(uint32_t color, float start, float end) override;
  void set_light(int index, const RLight& light) override;
  void set_states(const RRenderStates& states) override;
  void set_texture(uint32_t texture) override;

  void clear(uint32_t color, bool depth) override;
  void clear_depth() override;
  void draw(RPrimitive kind, const RVertex* vertices, size_t count) override;
  void draw_3d(RPrimitive kind, const RVertex3D* vertices, size_t count) override;
  void flush() override;
  bool read_pixels(const RRect& rectangle, std::vector<uint8_t>& pixels) override;
  bool read_texture(uint32_t texture, const RRect& rectangle,
                    std::vector<uint8_t>& pixels) override;
  bool copy_texture(uint32_t source, const RRect& rectangle, uint32_t destination, int x,
                    int y) override;

  void present(int source_width, int source_height, const RRect& destination, uint32_t band_color,
               bool smooth, bool vsync) override;
  void repaint() override;
  bool read_client(std::vector<uint8_t>& pixels, int& width, int& height) override;

  void set_client_size(int width, int height) override;
  int64_t draw_calls() const override { return draw_calls_; }

 private:
  bool build_program(int variant, std::string& failure);
  template <class Vertex>
  Vertex* reserve(std::vector<Vertex>& batch, size_t count, size_t index_count, uint32_t*& indices,
                  uint32_t& first);
  void upload_uniforms(RProgram& program);
  void send_batch();
  void apply();
  GLuint target_framebuffer() const;
  RProgram& program_for_states();
  void make_client_framebuffer();
  void show_client();

  RRenderScreen screen_;
  std::string description_;

  // What the next draws are made under; apply() brings OpenGL there.
  uint32_t target_ = 0;
  RRect viewport_;
  RMatrix transform_ = kIdentity;
  RMatrix world_ = kIdentity;
  RMatrix view_ = kIdentity;
  uint32_t fog_color_ = 0;
  float fog_start_ = 0;
  float fog_end_ = 0;
  std::array<RLight, kRenderLights> lights_{};
  // Moves with the transform, the viewport's size, the world, view, fog and lights.
  uint64_t transform_serial_ = 1;
  RRenderStates states_;
  uint32_t texture_ = 0;
  bool dirty_ = true;

  // What OpenGL was last given.
  GLuint bound_framebuffer_ = ~0u;
  RRect bound_viewport_{-1, -1, -1, -1};
  GLuint bound_program_ = 0;
  GLuint bound_texture_ = ~0u;
  GLuint bound_sampler_ = ~0u;
  GLenum bound_source_ = 0;
  GLenum bound_dest_ = 0;
  int bound_culling_ = -1;
  int bound_depth_ = -1;
  int bound_layout_ = 0;  // 0: RVertex, 1: RVertex3D

  // The batch: vertices of one primitive class waiting to be sent, with the indices that
  // make them a list of triangles, lines or points.
  std::vector<RVertex> batch_;
  std::vector<RVertex3D> batch_3d_;
  bool batch_is_3d_ = false;
  size_t batch_count_ = 0;
  std::vector<uint32_t> indices_;
  size_t index_count_ = 0;
  RPrimitiveClass batch_class_ = RPrimitiveClass::triangles;

  GLuint vertex_array_ = 0;
  GLuint vertex_buffer_ = 0;
  GLuint vertex_array_3d_ = 0;
  GLuint vertex_buffer_3d_ = 0;
  GLuint index_buffer_ = 0;
  size_t vertex_capacity_ = 0;  // of the buffers on the GPU
  size_t vertex_capacity_3d_ = 0;
  size_t index_capacity_ = 0;
  RProgram programs_[kProgramCount];
  GLuint samplers_[4] = {};  // nearest / linear × clamp / repeat

  std::unordered_map<GLuint, RTexture> textures_;
  GLuint back_texture_ = 0;
  GLuint back_framebuffer_ = 0;
  GLuint back_depth_ = 0;
  int back_width_ = 0;
  int back_height_ = 0;
  bool back_made_ = false;
  bool viewport_set_ = false;

  GLuint client_texture_ = 0;
  GLuint client_framebuffer_ = 0;
  int client_width_ = 1;
  int client_height_ = 1;
  bool client_sized_ = false;
  bool presented_ = false;
  bool last_vsync_ = false;

  int64_t draw_calls_ = 0;
};

// Vertex batches beyond this many vertices are sent early; the buffers stay this small.
constexpr size_t kMaxBatch = size_t(1) << 18;

CGlRenderer::~CGlRenderer() {
  for (auto& [name, texture] : textures_) {
    if (texture.framebuffer != 0) glDeleteFramebuffers(1, &texture.framebuffer);
    glDeleteTextures(1, &name);
  }
  for (RProgram& program : programs_) {
    if (program.program != 0) glDeleteProgram(program.program);
  }
  glDeleteSamplers(4, samplers_);
  glDeleteBuffers(1, &vertex_buffer_);
  glDeleteBuffers(1, &vertex_buffer_3d_);
  glDeleteBuffers(1, &index_buffer_);
  glDeleteVertexArrays(1, &vertex_array_);
  glDeleteVertexArrays(1, &vertex_array_3d_);
  glDeleteFramebuffers(1, &back_framebuffer_);
  glDeleteTextures(1, &back_texture_);
  glDeleteRenderbuffers(1, &back_depth_);
  glDeleteFramebuffers(1, &client_framebuffer_);
  glDeleteTextures(1, &client_texture_);
}

bool CGlRenderer::open(std::string& failure) {
  if (epoxy_gl_version() < 33) {
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    failure = std::string("OpenGL 3.3 is needed, the context has ") +
              (version != nullptr ? version : "none");
    return false;
  }
  const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  description_ = std::string("OpenGL ") + (version != nullptr ? version : "") + ", " +
                 (renderer != nullptr ? renderer : "");
  // The plain variants are built now so that a context that cannot serve says so at once;
  // the others when first used.
  for (int variant = 0; variant < 6; ++variant) {
    if (!build_program(variant, failure)) return false;
  }

  glGenSamplers(4, samplers_);
  for (int i = 0; i < 4; ++i) {
    const GLint filter = (i & 1) != 0 ? GL_LINEAR : GL_NEAREST;
    const GLint wrap = (i & 2) != 0 ? GL_REPEAT : GL_CLAMP_TO_EDGE;
    glSamplerParameteri(samplers_[i], GL_TEXTURE_MIN_FILTER, filter);
    glSamplerParameteri(samplers_[i], GL_TEXTURE_MAG_FILTER, filter);
    glSamplerParameteri(samplers_[i], GL_TEXTURE_WRAP_S, wrap);
    glSamplerParameteri(samplers_[i], GL_TEXTURE_WRAP_T, wrap);
  }

  glGenVertexArrays(1, &vertex_array_);
  glBindVertexArray(vertex_array_);
  glGenBuffers(1, &vertex_buffer_);
  glBindBuffer(GL_ARRAY_BUFFER, vertex_buffer_);
  // The vertex colour 0xAARRGGBB lies in memory as blue, green, red, alpha.
  constexpr GLsizei kStride = sizeof(RVertex);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, kStride,
                        reinterpret_cast<void*>(offsetof(RVertex, x)));
  glEnableVertexAttribArray(1);
  glVertexAttribPointer(1, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, kStride,
                        reinterpret_cast<void*>(offsetof(RVertex, color)));
  glEnableVertexAttribArray(2);
  glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, kStride,
                        reinterpret_cast<void*>(offsetof(RVertex, u)));
  glGenBuffers(1, &index_buffer_);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, index_buffer_);

  glGenVertexArrays(1, &vertex_array_3d_);
  glBindVertexArray(vertex_array_3d_);
  glGenBuffers(1, &vertex_buffer_3d_);
  glBindBuffer(GL_ARRAY_BUFFER, vertex_buffer_3d_);
  constexpr GLsizei kStride3d = sizeof(RVertex3D);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, kStride3d,
                        reinterpret_cast<void*>(offsetof(RVertex3D, x)));
  glEnableVertexAttribArray(1);
  glVertexAttribPointer(1, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, kStride3d,
                        reinterpret_cast<void*>(offsetof(RVertex3D, color)));
  glEnableVertexAttribArray(2);
  glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, kStride3d,
                        reinterpret_cast<void*>(offsetof(RVertex3D, u)));
  glEnableVertexAttribArray(3);
  glVertexAttribPointer(3, 3, GL_FLOAT, GL_FALSE, kStride3d,
                        reinterpret_cast<void*>(offsetof(RVertex3D, nx)));
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, index_buffer_);
  glBindVertexArray(vertex_array_);
  glBindBuffer(GL_ARRAY_BUFFER, vertex_buffer_);
  // 2D vertices have no normal: the attribute reads as this.
  glVertexAttrib3f(3, 0, 0, 0);
  // Flat shading takes a triangle's first corner, as the games expect.
  glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
  batch_.resize(size_t(1) << 14);
  indices_.resize(size_t(1) << 15);

  glEnable(GL_BLEND);
  glDepthFunc(GL_LEQUAL);
  glFrontFace(GL_CCW);
  glCullFace(GL_BACK);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);

  glGenTextures(1, &back_texture_);
  glGenFramebuffers(1, &back_framebuffer_);
  glGenRenderbuffers(1, &back_depth_);
  glGenTextures(1, &client_texture_);
  glGenFramebuffers(1, &client_framebuffer_);
  if (glGetError() != GL_NO_ERROR) {
    failure = "the renderer's OpenGL objects could not be made";
    return false;
  }
  return true;
}

bool CGlRenderer::build_program(int variant, std::string& failure) {
  RProgram& program = programs_[variant];
  program.tried = true;
  const std::string defines =
      "#version 330 core\n#define TEXTURE_MODE " + std::to_string(variant % 3) +
      "\n#define ALPHA_TEST " + std::to_string(variant / kProgramAlphaTest % 2) +
      "\n#define LIGHTING " + std::to_string(variant / kProgramLighting % 2) + "\n#define FOG " +
      std::to_string(variant / kProgramFog % 2) + "\n#define FLAT " +
      std::to_string(variant / kProgramFlat % 2) + "\n";
  auto compile = [&](GLenum kind, const char* source, GLuint& shader) {
    shader = glCreateShader(kind);
    const char* texts[2] = {defines.c_str(), source};
    glShaderSource(shader, 2, texts, nullptr);
    glCompileShader(shader);
    GLint done = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &done);
    if (done == GL_TRUE) return true;
    char log[512] = {};
    glGetShaderInfoLog(shader, sizeof(log), nullptr, log);
    failure = std::string("a shader did not compile: ") + log;
    glDeleteShader(shader);
    shader = 0;
    return false;
  };
  GLuint vertex = 0;
  GLuint fragment = 0;
  if (!compile(GL_VERTEX_SHADER, kVertexShader, vertex)) return false;
  if (!compile(GL_FRAGMENT_SHADER, kFragmentShader, fragment)) {
    glDeleteShader(vertex);
    return false;
  }
  program.program = glCreateProgram();
  glAttachShader(program.program, vertex);
  glAttachShader(program.program, fragment);
  glLinkProgram(program.program);
  glDeleteShader(vertex);
  glDeleteShader(fragment);
  GLint linked = GL_FALSE;
  glGetProgramiv(program.program, GL_LINK_STATUS, &linked);
  if (linked != GL_TRUE) {
    char log[512] = {};
    glGetProgramInfoLog(program.program, sizeof(log), nullptr, log);
    failure = std::string("the shaders did not link: ") + log;
    glDeleteProgram(program.program);
    program.program = 0;
    return false;
  }
  const GLuint name = program.program;
  program.transform = glGetUniformLocation(name, "u_transform");
  program.pixel = glGetUniformLocation(name, "u_pixel");
  program.world = glGetUniformLocation(name, "u_world");
  program.world_view = glGetUniformLocation(name, "u_world_view");
  program.fog = glGetUniformLocation(name, "u_fog");
  program.fog_color = glGetUniformLocation(name, "u_fog_color");
  program.light_place = glGetUniformLocation(name, "u_light_place");
  program.light_color = glGetUniformLocation(name, "u_light_color");
  program.light_reach = glGetUniformLocation(name, "u_light_reach");
  program.light_count = glGetUniformLocation(name, "u_light_count");
  glUseProgram(name);
  glUniform1i(glGetUniformLocation(name, "u_texture"), 0);
  glUseProgram(bound_program_);
  return true;
}

// --- Textures ---

uint32_t CGlRenderer::create_texture(int width, int height, bool render_target) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  while (glGetError() != GL_NO_ERROR) {
  }
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  bound_texture_ = name;
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
  // Sampler objects decide the filtering; without mipmaps the texture must not ask for them.
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  RTexture texture{width, height, 0};
  bool made = glGetError() == GL_NO_ERROR;
  if (made && render_target) {
    flush();
    glGenFramebuffers(1, &texture.framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, texture.framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, name, 0);
    made = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    glBindFramebuffer(GL_FRAMEBUFFER, bound_framebuffer_ == ~0u ? 0 : bound_framebuffer_);
    if (!made) glDeleteFramebuffers(1, &texture.framebuffer);
  }
  if (!made) {
    glDeleteTextures(1, &name);
    bound_texture_ = ~0u;
    return 0;
  }
  textures_[name] = texture;
  return name;
}

void CGlRenderer::free_texture(uint32_t texture) {
  auto found = textures_.find(texture);
  if (found == textures_.end()) return;
  if (texture == texture_ || texture == target_) flush();
  if (texture == texture_) set_texture(0);
  if (texture == target_) set_target(0);
  if (found->second.framebuffer != 0) {
    if (bound_framebuffer_ == found->second.framebuffer) bound_framebuffer_ = ~0u;
    glDeleteFramebuffers(1, &found->second.framebuffer);
  }
  if (bound_texture_ == texture) bound_texture_ = ~0u;
  glDeleteTextures(1, &texture);
  textures_.erase(found);
}

bool CGlRenderer::upload(uint32_t texture, int x, int y, int width, int height,
                         const uint8_t* pixels) {
  auto found = textures_.find(texture);
  if (found == textures_.end() || pixels == nullptr || x < 0 || y < 0 || width <= 0 ||
      height <= 0 || x + width > found->second.width || y + height > found->second.height) {
    return false;
  }
  // Draws already batched saw the old pixels.
  if (texture == texture_ || texture == target_) flush();
  while (glGetError() != GL_NO_ERROR) {
  }
  glBindTexture(GL_TEXTURE_2D, texture);
  bound_texture_ = texture;
  glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, width, height, GL_BGRA, GL_UNSIGNED_BYTE, pixels);
  return glGetError() == GL_NO_ERROR;
}

// --- Where drawing goes ---

void CGlRenderer::set_back_buffer_size(int width, int height) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  if (back_made_ && width == back_width_ && height == back_height_) return;
  flush();
  back_width_ = width;
  back_height_ = height;
  glBindTexture(GL_TEXTURE_2D, back_texture_);
  bound_texture_ = ~0u;
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  glBindRenderbuffer(GL_RENDERBUFFER, back_depth_);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
  if (!back_made_) {
    glBindFramebuffer(GL_FRAMEBUFFER, back_framebuffer_);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, back_texture_, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, back_depth_);
    bound_framebuffer_ = back_framebuffer_;
    back_made_ = true;
  }
  if (!viewport_set_) viewport_ = {0, 0, width, height};
  dirty_ = true;
}

bool CGlRenderer::set_target(uint32_t texture) {
  if (texture == target_) return true;
  if (texture != 0) {
    auto found = textures_.find(texture);
    if (found == textures_.end() || found->second.framebuffer == 0) return false;
  }
  flush();
  target_ = texture;
  dirty_ = true;
  return true;
}

void CGlRenderer::set_viewport(const RRect& viewport) {
  viewport_set_ = true;
  if (viewport.x == viewport_.x && viewport.y == viewport_.y && viewport.width == viewport_.width &&
      viewport.height == viewport_.height) {
    return;
  }
  flush();
  if (viewport.width != viewport_.width || viewport.height != viewport_.height) {
    ++transform_serial_;
  }
  viewport_ = viewport;
  dirty_ = true;
}

void CGlRenderer::set_transform(const RMatrix& transform) {
  if (transform == transform_) return;
  flush();
  transform_ = transform;
  ++transform_serial_;
  dirty_ = true;
}

void CGlRenderer::set_world(const RMatrix& world) {
  if (world == world_) return;
  flush();
  world_ = world;
  ++transform_serial_;
  dirty_ = true;
}

void CGlRenderer::set_view(const RMatrix& view) {
  if (view == view_) return;
  flush();
  view_ = view;
  ++transform_serial_;
  dirty_ = true;
}

void CGlRenderer::set_fog(uint32_t color, float start, float end) {
  if (color == fog_color_ && start == fog_start_ && end == fog_end_) return;
  flush();
  fog_color_ = color;
  fog_start_ = start;
  fog_end_ = end;
  ++transform_serial_;
  dirty_ = true;
}

void CGlRenderer::set_light(int index, const RLight& light) {
  if (index < 0 || index >= kRenderLights || lights_[size_t(index)] == light) return;
  flush();
  lights_[size_t(index)] = light;
  ++transform_serial_;
  dirty_ = true;
}

void CGlRenderer::set_states(const RRenderStates& states) {
  if (states == states_) return;
  flush();
  states_ = states;
  dirty_ = true;
}

void CGlRenderer::set_texture(uint32_t texture) {
  if (texture == texture_) return;
  if (texture != 0 && textures_.count(texture) == 0) texture = 0;
  if (texture == texture_) return;
  flush();
  texture_ = texture;
  dirty_ = true;
}

GLuint CGlRenderer::target_framebuffer() const {
  if (target_ == 0) return back_framebuffer_;
  auto found = textures_.find(target_);
  return found != textures_.end() ? found->second.framebuffer : back_framebuffer_;
}

RProgram& CGlRenderer::program_for_states() {
  const int mode = texture_ == 0 ? 0 : states_.texture_blending ? 1 : 2;
  const int plain = mode + (states_.depth ? kProgramAlphaTest : 0);
  const int variant = plain + (states_.lighting ? kProgramLighting : 0) +
                      (states_.fog ? kProgramFog : 0) + (states_.flat ? kProgramFlat : 0);
  RProgram& program = programs_[variant];
  if (!program.tried) {
    std::string failure;
    build_program(variant, failure);
  }
  // A variant the driver refused draws unlit and unfogged rather than not at all.
  return program.program != 0 ? program : programs_[plain];
}

void CGlRenderer::upload_uniforms(RProgram& program) {
  const RMatrix transform = multiply(world_, transform_);
  glUniformMatrix4fv(program.transform, 1, GL_FALSE, transform.data());
  glUniform2f(program.pixel, 1.0f / float(std::max(viewport_.width, 1)),
              1.0f / float(std::max(viewport_.height, 1)));
  if (program.world >= 0) glUniformMatrix4fv(program.world, 1, GL_FALSE, world_.data());
  if (program.world_view >= 0) {
    const RMatrix world_view = multiply(world_, view_);
    glUniformMatrix4fv(program.world_view, 1, GL_FALSE, world_view.data());
  }
  if (program.fog >= 0) {
    // Start and end equal: everything beyond them is fogged, nothing before.
    const float span = fog_end_ - fog_start_;
    glUniform2f(program.fog, fog_end_, span != 0 ? 1.0f / span : 1e30f);
  }
  if (program.fog_color >= 0) {
    glUniform3f(program.fog_color, float((fog_color_ >> 16) & 0xFF) / 255.0f,
                float((fog_color_ >> 8) & 0xFF) / 255.0f, float(fog_color_ & 0xFF) / 255.0f);
  }
  if (program.light_place >= 0) {
    // Only the lights that shine are handed over, so a scene with one light pays for one.
    float place[kRenderLights * 4];
    float color[kRenderLights * 3];
    float reach[kRenderLights * 3];
    int count = 0;
    for (const RLight& light : lights_) {
      if (!light.enabled) continue;
      float x = light.x;
      float y = light.y;
      float z = light.z;
      if (!light.point) {
        const float length = std::sqrt(x * x + y * y + z * z);
        if (length <= 0) continue;  // shines nowhere
        x /= length;
        y /= length;
        z /= length;
      }
      place[count * 4 + 0] = x;
      place[count * 4 + 1] = y;
      place[count * 4 + 2] = z;
      place[count * 4 + 3] = light.point ? 1.0f : 0.0f;
      color[count * 3 + 0] = light.red;
      color[count * 3 + 1] = light.green;
      color[count * 3 + 2] = light.blue;
      reach[count * 3 + 0] = light.range;
      reach[count * 3 + 1] = light.attenuation0;
      reach[count * 3 + 2] = light.attenuation1;
      ++count;
    }
    if (count > 0) {
      glUniform4fv(program.light_place, count, place);
      glUniform3fv(program.light_color, count, color);
      glUniform3fv(program.light_reach, count, reach);
    }
    glUniform1i(program.light_count, count);
  }
}

// Brings OpenGL to the current target, viewport, transform, states and texture, touching
// only what differs from what it was given last.
void CGlRenderer::apply() {
  if (!back_made_) set_back_buffer_size(1, 1);
  const GLuint framebuffer = target_framebuffer();
  if (framebuffer != bound_framebuffer_) {
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    bound_framebuffer_ = framebuffer;
  }
  if (viewport_.x != bound_viewport_.x || viewport_.y != bound_viewport_.y ||
      viewport_.width != bound_viewport_.width || viewport_.height != bound_viewport_.height) {
    glViewport(viewport_.x, viewport_.y, std::max(viewport_.width, 0),
               std::max(viewport_.height, 0));
    bound_viewport_ = viewport_;
  }
  RProgram& program = program_for_states();
  if (program.program != bound_program_) {
    glUseProgram(program.program);
    bound_program_ = program.program;
  }
  if (program.uploaded != transform_serial_) {
    upload_uniforms(program);
    program.uploaded = transform_serial_;
  }
  const GLenum source = blend_factor(states_.blend_source, GL_SRC_ALPHA);
  const GLenum dest = blend_factor(states_.blend_dest, GL_ONE_MINUS_SRC_ALPHA);
  if (source != bound_source_ || dest != bound_dest_) {
    glBlendFunc(source, dest);
    bound_source_ = source;
    bound_dest_ = dest;
  }
  if (int(states_.culling) != bound_culling_) {
    if (states_.culling) {
      glEnable(GL_CULL_FACE);
    } else {
      glDisable(GL_CULL_FACE);
    }
    bound_culling_ = states_.culling;
  }
  if (int(states_.depth) != bound_depth_) {
    if (states_.depth) {
      glEnable(GL_DEPTH_TEST);
    } else {
      glDisable(GL_DEPTH_TEST);
    }
    bound_depth_ = states_.depth;
  }
  if (texture_ != 0) {
    const GLuint sampler = samplers_[(states_.interpolation ? 1 : 0) + (states_.repeat ? 2 : 0)];
    if (sampler != bound_sampler_) {
      glBindSampler(0, sampler);
      bound_sampler_ = sampler;
    }
    if (texture_ != bound_texture_) {
      glBindTexture(GL_TEXTURE_2D, texture_);
      bound_texture_ = texture_;
    }
  }
  dirty_ = false;
}

// --- Drawing ---

void CGlRenderer::clear(uint32_t color, bool depth) {
  flush();
  apply();
  if (viewport_.width <= 0 || viewport_.height <= 0) return;
  glEnable(GL_SCISSOR_TEST);
  glScissor(viewport_.x, viewport_.y, viewport_.width, viewport_.height);
  clear_color(color);
  glClearDepth(1.0);
  glClear(GL_COLOR_BUFFER_BIT | (depth ? GL_DEPTH_BUFFER_BIT : 0));
  glDisable(GL_SCISSOR_TEST);
}

void CGlRenderer::clear_depth() {
  flush();
  apply();
  if (viewport_.width <= 0 || viewport_.height <= 0) return;
  glEnable(GL_SCISSOR_TEST);
  glScissor(viewport_.x, viewport_.y, viewport_.width, viewport_.height);
  glClearDepth(1.0);
  glClear(GL_DEPTH_BUFFER_BIT);
  glDisable(GL_SCISSOR_TEST);
}

// Room for the vertices and indices of one draw; the indices are to count from `first`.
template <class Vertex>
Vertex* CGlRenderer::reserve(std::vector<Vertex>& batch, size_t count, size_t index_count,
                             uint32_t*& indices, uint32_t& first) {
  if (batch_count_ + count > batch.size() || index_count_ + index_count > indices_.size()) {
    if (batch_count_ != 0 && batch_count_ + count > kMaxBatch) send_batch();
    if (batch_count_ + count > batch.size()) {
      batch.resize(std::max(batch.size() * 2, batch_count_ + count));
    }
    if (index_count_ + index_count > indices_.size()) {
      indices_.resize(std::max(indices_.size() * 2, index_count_ + index_count));
    }
  }
  first = uint32_t(batch_count_);
  Vertex* place = batch.data() + batch_count_;
  batch_count_ += count;
  indices = indices_.data() + index_count_;
  index_count_ += index_count;
  return place;
}

// Draws of any kind share a batch of their class; the vertices go as they came (four for a
// quad's strip, not six).
void CGlRenderer::draw(RPrimitive kind, const RVertex* vertices, size_t count) {
  const RPrimitiveClass primitive_class = class_of(kind);
  if (batch_count_ != 0 && (primitive_class != batch_class_ || batch_is_3d_)) send_batch();
  batch_class_ = primitive_class;
  batch_is_3d_ = false;
  const size_t index_count = index_count_for(kind, count);
  if (count == 0 || index_count == 0) return;
  uint32_t* out = nullptr;
  uint32_t first = 0;
  std::memcpy(reserve(batch_, count, index_count, out, first), vertices, count * sizeof(RVertex));
  write_indices(kind, count, first, out);
}

void CGlRenderer::draw_3d(RPrimitive kind, const RVertex3D* vertices, size_t count) {
  const RPrimitiveClass primitive_class = class_of(kind);
  if (batch_count_ != 0 && (primitive_class != batch_class_ || !batch_is_3d_)) send_batch();
  batch_class_ = primitive_class;
  batch_is_3d_ = true;
  const size_t index_count = index_count_for(kind, count);
  if (count == 0 || index_count == 0) return;
  uint32_t* out = nullptr;
  uint32_t first = 0;
  std::memcpy(reserve(batch_3d_, count, index_count, out, first), vertices,
              count * sizeof(RVertex3D));
  write_indices(kind, count, first, out);
}

void CGlRenderer::flush() {
  if (batch_count_ != 0) send_batch();
}

void CGlRenderer::send_batch() {
  if (dirty_) apply();
  const int layout = batch_is_3d_ ? 1 : 0;
  if (layout != bound_layout_) {
    glBindVertexArray(batch_is_3d_ ? vertex_array_3d_ : vertex_array_);
    glBindBuffer(GL_ARRAY_BUFFER, batch_is_3d_ ? vertex_buffer_3d_ : vertex_buffer_);
    bound_layout_ = layout;
  }
  // Orphaning: the driver hands out fresh storage while the GPU may still read the old.
  index_capacity_ = std::max(index_capacity_, index_count_);
  if (batch_is_3d_) {
    vertex_capacity_3d_ = std::max(vertex_capacity_3d_, batch_count_);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(vertex_capacity_3d_ * sizeof(RVertex3D)), nullptr,
                 GL_STREAM_DRAW);
    glBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(batch_count_ * sizeof(RVertex3D)),
                    batch_3d_.data());
  } else {
    vertex_capacity_ = std::max(vertex_capacity_, batch_count_);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(vertex_capacity_ * sizeof(RVertex)), nullptr,
                 GL_STREAM_DRAW);
    glBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(batch_count_ * sizeof(RVertex)), batch_.data());
  }
  glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(index_capacity_ * sizeof(uint32_t)), nullptr,
               GL_STREAM_DRAW);
  glBufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, GLsizeiptr(index_count_ * sizeof(uint32_t)),
                  indices_.data());
  glDrawElements(kGlMode[int(batch_class_)], GLsizei(index_count_), GL_UNSIGNED_INT, nullptr);
  ++draw_calls_;
  batch_count_ = 0;
  index_count_ = 0;
}

bool CGlRenderer::read_pixels(const RRect& rectangle, std::vector<uint8_t>& pixels) {
  int width = back_width_;
  int height = back_height_;
  if (target_ != 0) {
    const RTexture& texture = textures_.at(target_);
    width = texture.width;
    height = texture.height;
  }
  if (rectangle.x < 0 || rectangle.y < 0 || rectangle.width <= 0 || rectangle.height <= 0 ||
      rectangle.x + rectangle.width > width || rectangle.y + rectangle.height > height) {
    return false;
  }
  flush();
  if (dirty_) apply();
  pixels.resize(size_t(rectangle.width) * size_t(rectangle.height) * 4);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, target_framebuffer());
  glReadPixels(rectangle.x, rectangle.y, rectangle.width, rectangle.height, GL_BGRA,
               GL_UNSIGNED_BYTE, pixels.data());
  return true;
}

// Whether the rectangle lies wholly inside a texture of that size.
bool inside(const RRect& rectangle, int width, int height) {
  return rectangle.x >= 0 && rectangle.y >= 0 && rectangle.width > 0 && rectangle.height > 0 &&
         rectangle.x <= width - rectangle.width && rectangle.y <= height - rectangle.height;
}

bool CGlRenderer::read_texture(uint32_t texture, const RRect& rectangle,
                               std::vector<uint8_t>& pixels) {
  auto found = textures_.find(texture);
  if (found == textures_.end() || found->second.framebuffer == 0 ||
      !inside(rectangle, found->second.width, found->second.height)) {
    return false;
  }
  // What is batched may draw into it.
  flush();
  pixels.resize(size_t(rectangle.width) * size_t(rectangle.height) * 4);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, found->second.framebuffer);
  glReadPixels(rectangle.x, rectangle.y, rectangle.width, rectangle.height, GL_BGRA,
               GL_UNSIGNED_BYTE, pixels.data());
  // The next draw binds its own framebuffer for reading and drawing again.
  bound_framebuffer_ = ~0u;
  dirty_ = true;
  return true;
}

bool CGlRenderer::copy_texture(uint32_t source, const RRect& rectangle, uint32_t destination, int x,
                               int y) {
  auto from = textures_.find(source);
  auto to = textures_.find(destination);
  if (from == textures_.end() || to == textures_.end() || from->second.framebuffer == 0 ||
      !inside(rectangle, from->second.width, from->second.height) ||
      !inside({x, y, rectangle.width, rectangle.height}, to->second.width, to->second.height)) {
    return false;
  }
  if (source == destination) {
    // A texture cannot be read and written by one copy; overlapping rectangles go through
    // memory.
    std::vector<uint8_t> pixels;
    return read_texture(source, rectangle, pixels) &&
           upload(destination, x, y, rectangle.width, rectangle.height, pixels.data());
  }
  flush();
  glBindFramebuffer(GL_READ_FRAMEBUFFER, from->second.framebuffer);
  glBindTexture(GL_TEXTURE_2D, destination);
  glCopyTexSubImage2D(GL_TEXTURE_2D, 0, x, y, rectangle.x, rectangle.y, rectangle.width,
                      rectangle.height);
  bound_framebuffer_ = ~0u;
  bound_texture_ = ~0u;
  dirty_ = true;
  return true;
}

// --- Presentation ---

void CGlRenderer::set_client_size(int width, int height) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  if (client_sized_ && width == client_width_ && height == client_height_) return;
  client_width_ = width;
  client_height_ = height;
  client_sized_ = false;
  presented_ = false;
}

void CGlRenderer::make_client_framebuffer() {
  glBindTexture(GL_TEXTURE_2D, client_texture_);
  bound_texture_ = ~0u;
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, client_width_, client_height_, 0, GL_BGRA,
               GL_UNSIGNED_BYTE, nullptr);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  glBindFramebuffer(GL_FRAMEBUFFER, client_framebuffer_);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, client_texture_, 0);
  bound_framebuffer_ = ~0u;
  client_sized_ = true;
}

void CGlRenderer::present(int source_width, int source_height, const RRect& destination,
                          uint32_t band_color, bool smooth, bool vsync) {
  flush();
  if (!back_made_) set_back_buffer_size(1, 1);
  if (!client_sized_) make_client_framebuffer();
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, client_framebuffer_);
  bound_framebuffer_ = ~0u;
  // Band colours come as games give them, 0x00BBGGRR.
  glClearColor(float(band_color & 0xFF) / 255.0f, float((band_color >> 8) & 0xFF) / 255.0f,
               float((band_color >> 16) & 0xFF) / 255.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  source_width = std::min(source_width, back_width_);
  source_height = std::min(source_height, back_height_);
  if (source_width > 0 && source_height > 0 && destination.width > 0 && destination.height > 0) {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, back_framebuffer_);
    glBlitFramebuffer(0, 0, source_width, source_height, destination.x, destination.y,
                      destination.x + destination.width, destination.y + destination.height,
                      GL_COLOR_BUFFER_BIT, smooth ? GL_LINEAR : GL_NEAREST);
  }
  presented_ = true;
  last_vsync_ = vsync;
  show_client();
}

void CGlRenderer::repaint() {
  if (presented_) show_client();
}

// The window's default framebuffer has its bottom row first.
void CGlRenderer::show_client() {
  int width = 0;
  int height = 0;
  if (screen_.drawable_size) screen_.drawable_size(width, height);
  if (width <= 0 || height <= 0) return;
  glBindFramebuffer(GL_READ_FRAMEBUFFER, client_framebuffer_);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  bound_framebuffer_ = ~0u;
  glBlitFramebuffer(0, 0, client_width_, client_height_, 0, height, width, 0, GL_COLOR_BUFFER_BIT,
                    GL_NEAREST);
  if (screen_.swap) screen_.swap(last_vsync_);
}

bool CGlRenderer::read_client(std::vector<uint8_t>& pixels, int& width, int& height) {
  if (!presented_) return false;
  flush();
  width = client_width_;
  height = client_height_;
  pixels.resize(size_t(width) * size_t(height) * 4);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, client_framebuffer_);
  bound_framebuffer_ = ~0u;
  glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, pixels.data());
  // The window shows no alpha.
  for (size_t i = 3; i < pixels.size(); i += 4) pixels[i] = 255;
  return true;
}

}  // namespace

std::unique_ptr<IGlRenderer> create_gl_renderer(RRenderScreen screen, int client_width,
                                                int client_height, std::string& failure) {
  auto renderer = std::make_unique<CGlRenderer>(std::move(screen), client_width, client_height);
  if (!renderer->open(failure)) return nullptr;
  return renderer;
}

}  // namespace vn
