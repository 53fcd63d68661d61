// The attributes SDL makes its next OpenGL context with are process-wide: whoever makes a
// context of its own (the game window, a form) sets them and puts them back afterwards.
#pragma once

#include <SDL.h>

#include <iterator>

namespace vn {

class CGlAttributes {
 public:
  CGlAttributes() {
    for (size_t i = 0; i < std::size(kNames); ++i) SDL_GL_GetAttribute(kNames[i], &values_[i]);
  }
  ~CGlAttributes() {
    for (size_t i = 0; i < std::size(kNames); ++i) SDL_GL_SetAttribute(kNames[i], values_[i]);
  }
  CGlAttributes(const CGlAttributes&) = delete;
  CGlAttributes& operator=(const CGlAttributes&) = delete;

 private:
  static constexpr SDL_GLattr kNames[] = {SDL_GL_CONTEXT_MAJOR_VERSION,
                                          SDL_GL_CONTEXT_MINOR_VERSION,
                                          SDL_GL_CONTEXT_PROFILE_MASK,
                                          SDL_GL_CONTEXT_FLAGS,
                                          SDL_GL_DEPTH_SIZE,
                                          SDL_GL_STENCIL_SIZE,
                                          SDL_GL_ALPHA_SIZE,
                                          SDL_GL_DOUBLEBUFFER};
  int values_[std::size(kNames)] = {};
};

}  // namespace vn
