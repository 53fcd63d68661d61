// The plain OpenGL side of the drawing benchmarks: what a hand-written program would set up
// to draw the runner's vertices, so both sides draw the same data the same way.
#pragma once

#include <epoxy/gl.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <vector>

#include "platform/Platform_GameWindow.h"
#include "platform/Platform_Render.h"
#include "platform/Platform_Video.h"
#include "script/Code_Function.h"
#include "script/Code_Value.h"

namespace bench {

// The attributes of vn::RVertex, for the vertex array bound now.
inline void plain_vertex_layout() {
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(vn::RVertex), nullptr);
  glEnableVertexAttribArray(1);
  glVertexAttribPointer(1, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(vn::RVertex),
                        reinterpret_cast<void*>(offsetof(vn::RVertex, color)));
  glEnableVertexAttribArray(2);
  glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, sizeof(vn::RVertex),
                        reinterpret_cast<void*>(offsetof(vn::RVertex, u)));
}

// Pixel coordinates to clip space through u_scale = 2 / size, pixel centres at half.
constexpr const char* kPixelVertexShader = R"(#version 330 core
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
})";

inline double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A built-in function called as a game's code calls it; false, said on standard error,
// when it is not registered.
inline bool call_builtin(const char* name, std::initializer_list<double> values,
                         vn::RValue& result) {
  int32_t id = -1;
  if (!vn::find_function(name, id)) {
    std::fprintf(stderr, "bench: no function %s\n", name);
    return false;
  }
  std::array<vn::RValue, vn::kMaxArguments> arguments;
  int count = 0;
  for (double value : values) arguments[size_t(count++)] = vn::RValue(value);
  vn::builtin_function(id)->handler(nullptr, nullptr, count, arguments.data(), result);
  return true;
}

// A headless game window of that size, the way the runner opens one.
inline std::unique_ptr<vn::IGameWindow> headless_window(int width, int height) {
  vn::set_headless(true);
  vn::RGameWindowSetup setup;
  setup.width = width;
  setup.height = height;
  return vn::create_game_window(setup);
}

inline GLuint compile_shader(GLenum kind, const char* source) {
  const GLuint shader = glCreateShader(kind);
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  return shader;
}

// The fragment shader of most benchmarks: texture times vertex colour.
constexpr const char* kTextureTimesColor = R"(#version 330 core
in vec4 v_color;
in vec2 v_uv;
uniform sampler2D u_texture;
out vec4 o_color;
void main() { o_color = texture(u_texture, v_uv) * v_color; })";

// A program of the given vertex and fragment shaders, in use.
class CPlainProgram {
 public:
  explicit CPlainProgram(const char* vertex_source,
                         const char* fragment_source = kTextureTimesColor) {
    vertex_ = compile_shader(GL_VERTEX_SHADER, vertex_source);
    fragment_ = compile_shader(GL_FRAGMENT_SHADER, fragment_source);
    program_ = glCreateProgram();
    glAttachShader(program_, vertex_);
    glAttachShader(program_, fragment_);
    glLinkProgram(program_);
    glUseProgram(program_);
    glUniform1i(glGetUniformLocation(program_, "u_texture"), 0);
  }
  ~CPlainProgram() {
    glDeleteProgram(program_);
    glDeleteShader(vertex_);
    glDeleteShader(fragment_);
  }
  CPlainProgram(const CPlainProgram&) = delete;
  CPlainProgram& operator=(const CPlainProgram&) = delete;

  GLint uniform(const char* name) const { return glGetUniformLocation(program_, name); }

 private:
  GLuint vertex_ = 0;
  GLuint fragment_ = 0;
  GLuint program_ = 0;
};

// The runner's vertices in one static buffer (with indices when given), laid out as the
// runner's shaders read them.
class CPlainVertices {
 public:
  CPlainVertices(const std::vector<vn::RVertex>& vertices, const std::vector<uint32_t>& indices) {
    glGenVertexArrays(1, &array_);
    glBindVertexArray(array_);
    glGenBuffers(1, &buffer_);
    glBindBuffer(GL_ARRAY_BUFFER, buffer_);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(vertices.size() * sizeof(vn::RVertex)),
                 vertices.data(), GL_STATIC_DRAW);
    if (!indices.empty()) {
      glGenBuffers(1, &index_buffer_);
      glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, index_buffer_);
      glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(indices.size() * sizeof(uint32_t)),
                   indices.data(), GL_STATIC_DRAW);
    }
    plain_vertex_layout();
  }
  ~CPlainVertices() {
    glDeleteBuffers(1, &buffer_);
    if (index_buffer_ != 0) glDeleteBuffers(1, &index_buffer_);
    glDeleteVertexArrays(1, &array_);
  }
  CPlainVertices(const CPlainVertices&) = delete;
  CPlainVertices& operator=(const CPlainVertices&) = delete;

 private:
  GLuint array_ = 0;
  GLuint buffer_ = 0;
  GLuint index_buffer_ = 0;
};

// A BGRA texture sampled by nearest pixel (or linearly), clamped, without mipmaps.
inline GLuint plain_texture(int width, int height, const void* pixels, bool linear = false) {
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA, GL_UNSIGNED_BYTE, pixels);
  const GLint filter = linear ? GL_LINEAR : GL_NEAREST;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  return texture;
}

// An offscreen colour target of the back buffer's size, bound, with the runner's 2D state:
// alpha blending, no depth test, no culling. With depth, a 24-bit depth buffer and the
// runner's 3D test (less or equal) on.
class CPlainTarget {
 public:
  CPlainTarget(int width, int height, bool depth = false) {
    glGenTextures(1, &texture_);
    glBindTexture(GL_TEXTURE_2D, texture_);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glGenFramebuffers(1, &framebuffer_);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture_, 0);
    if (depth) {
      glGenRenderbuffers(1, &depth_);
      glBindRenderbuffer(GL_RENDERBUFFER, depth_);
      glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
      glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depth_);
    }
    glViewport(0, 0, width, height);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    if (depth) {
      glEnable(GL_DEPTH_TEST);
      glDepthFunc(GL_LEQUAL);
    } else {
      glDisable(GL_DEPTH_TEST);
    }
    glDisable(GL_CULL_FACE);
  }
  ~CPlainTarget() {
    glDeleteFramebuffers(1, &framebuffer_);
    if (depth_ != 0) glDeleteRenderbuffers(1, &depth_);
    glDeleteTextures(1, &texture_);
  }
  CPlainTarget(const CPlainTarget&) = delete;
  CPlainTarget& operator=(const CPlainTarget&) = delete;

 private:
  GLuint texture_ = 0;
  GLuint framebuffer_ = 0;
  GLuint depth_ = 0;
};

// Quads whose corners change every frame: the vertices (four a quad, corners in order round
// it) go into a buffer orphaned at each upload, the indices making two triangles of each are
// made once.
class CPlainQuadStream {
 public:
  explicit CPlainQuadStream(size_t quads) : quads_(quads) {
    glGenVertexArrays(1, &array_);
    glBindVertexArray(array_);
    glGenBuffers(1, &buffer_);
    glBindBuffer(GL_ARRAY_BUFFER, buffer_);
    std::vector<uint32_t> indices;
    indices.reserve(quads * 6);
    for (uint32_t q = 0; q < uint32_t(quads); ++q) {
      for (uint32_t corner : {0u, 1u, 2u, 0u, 2u, 3u}) indices.push_back(q * 4 + corner);
    }
    glGenBuffers(1, &index_buffer_);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, index_buffer_);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(indices.size() * sizeof(uint32_t)),
                 indices.data(), GL_STATIC_DRAW);
    plain_vertex_layout();
  }
  ~CPlainQuadStream() {
    glDeleteBuffers(1, &buffer_);
    glDeleteBuffers(1, &index_buffer_);
    glDeleteVertexArrays(1, &array_);
  }
  CPlainQuadStream(const CPlainQuadStream&) = delete;
  CPlainQuadStream& operator=(const CPlainQuadStream&) = delete;

  // Uploads the quads' corners (at most the count it was made for) and draws them.
  void draw(const std::vector<vn::RVertex>& corners) {
    const size_t quads = std::min(corners.size() / 4, quads_);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(quads * 4 * sizeof(vn::RVertex)), nullptr,
                 GL_STREAM_DRAW);
    glBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(quads * 4 * sizeof(vn::RVertex)),
                    corners.data());
    glDrawElements(GL_TRIANGLES, GLsizei(quads * 6), GL_UNSIGNED_INT, nullptr);
  }

 private:
  size_t quads_ = 0;
  GLuint array_ = 0;
  GLuint buffer_ = 0;
  GLuint index_buffer_ = 0;
};

// 3D vertices (with normals) in one static buffer, read at the locations position 0,
// colour 1, texture coordinates 2, normal 3.
class CPlainVertices3D {
 public:
  explicit CPlainVertices3D(const std::vector<vn::RVertex3D>& vertices) {
    glGenVertexArrays(1, &array_);
    glBindVertexArray(array_);
    glGenBuffers(1, &buffer_);
    glBindBuffer(GL_ARRAY_BUFFER, buffer_);
    glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(vertices.size() * sizeof(vn::RVertex3D)),
                 vertices.data(), GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(vn::RVertex3D), nullptr);
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(vn::RVertex3D),
                          reinterpret_cast<void*>(offsetof(vn::RVertex3D, color)));
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, sizeof(vn::RVertex3D),
                          reinterpret_cast<void*>(offsetof(vn::RVertex3D, u)));
    glEnableVertexAttribArray(3);
    glVertexAttribPointer(3, 3, GL_FLOAT, GL_FALSE, sizeof(vn::RVertex3D),
                          reinterpret_cast<void*>(offsetof(vn::RVertex3D, nx)));
  }
  ~CPlainVertices3D() {
    glDeleteBuffers(1, &buffer_);
    glDeleteVertexArrays(1, &array_);
  }
  CPlainVertices3D(const CPlainVertices3D&) = delete;
  CPlainVertices3D& operator=(const CPlainVertices3D&) = delete;

 private:
  GLuint array_ = 0;
  GLuint buffer_ = 0;
};

// Two pictures of width × height as 0xAARRGGBB, rows top first: the share of the pixels on
// a 10-pixel grid whose colour channels differ by at most 8 (both sides drew the same).
inline double alike_share(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, int width,
                          int height) {
  if (a.size() != b.size() || a.size() < size_t(width) * size_t(height)) return 0;
  int alike = 0;
  int sampled = 0;
  for (int y = 5; y < height; y += 10) {
    for (int x = 5; x < width; x += 10) {
      const size_t at = size_t(y) * size_t(width) + size_t(x);
      bool same = true;
      for (int shift = 0; shift < 24; shift += 8) {
        const int p = int((a[at] >> shift) & 0xFF);
        const int q = int((b[at] >> shift) & 0xFF);
        same = same && std::abs(p - q) <= 8;
      }
      alike += same ? 1 : 0;
      ++sampled;
    }
  }
  return sampled > 0 ? double(alike) / sampled : 0;
}

}  // namespace bench
