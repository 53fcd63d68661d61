// The plain OpenGL side of the drawing benchmarks: what a hand-written program would set up
// to draw the runner's vertices, so both sides draw the same data the same way.
#pragma once

#include <epoxy/gl.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/Platform_Render.h"

namespace bench {

inline GLuint compile_shader(GLenum kind, const char* source) {
  const GLuint shader = glCreateShader(kind);
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  return shader;
}

// A program of the given vertex shader and a texture-times-colour fragment shader, in use.
class CPlainProgram {
 public:
  explicit CPlainProgram(const char* vertex_source) {
    vertex_ = compile_shader(GL_VERTEX_SHADER, vertex_source);
    fragment_ = compile_shader(GL_FRAGMENT_SHADER, R"(#version 330 core
in vec4 v_color;
in vec2 v_uv;
uniform sampler2D u_texture;
out vec4 o_color;
void main() { o_color = texture(u_texture, v_uv) * v_color; })");
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
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(vn::RVertex), nullptr);
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(vn::RVertex),
                          reinterpret_cast<void*>(offsetof(vn::RVertex, color)));
    glEnableVertexAttribArray(2);
    glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, sizeof(vn::RVertex),
                          reinterpret_cast<void*>(offsetof(vn::RVertex, u)));
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

// A BGRA texture sampled by nearest pixel, clamped, without mipmaps.
inline GLuint plain_texture(int width, int height, const void* pixels) {
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA, GL_UNSIGNED_BYTE, pixels);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  return texture;
}

// An offscreen colour target of the back buffer's size, bound, with the runner's 2D state:
// alpha blending, no depth test, no culling.
class CPlainTarget {
 public:
  CPlainTarget(int width, int height) {
    glGenTextures(1, &texture_);
    glBindTexture(GL_TEXTURE_2D, texture_);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glGenFramebuffers(1, &framebuffer_);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture_, 0);
    glViewport(0, 0, width, height);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
  }
  ~CPlainTarget() {
    glDeleteFramebuffers(1, &framebuffer_);
    glDeleteTextures(1, &texture_);
  }
  CPlainTarget(const CPlainTarget&) = delete;
  CPlainTarget& operator=(const CPlainTarget&) = delete;

 private:
  GLuint texture_ = 0;
  GLuint framebuffer_ = 0;
};

}  // namespace bench
