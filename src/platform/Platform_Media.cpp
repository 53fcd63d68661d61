#include "platform/Platform_Media.h"

#include <SDL.h>
#include <epoxy/gl.h>
#include <mpv/client.h>
#include <mpv/render_gl.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <utility>

#include "platform/Platform_Library.h"

namespace vn {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Loading a file is the only wait; a player that says nothing for this long is given up.
constexpr auto kLoadTimeout = std::chrono::seconds(10);
// How often a looping video is looked at for its end.
constexpr auto kRewindInterval = std::chrono::milliseconds(100);

// The player library is opened on the first video, not with the program: it brings in
// two hundred libraries of its own, which every start would otherwise pay for. These
// pointers hide the library's functions of the same names.
decltype(&::mpv_create) mpv_create = nullptr;
decltype(&::mpv_initialize) mpv_initialize = nullptr;
decltype(&::mpv_set_option_string) mpv_set_option_string = nullptr;
decltype(&::mpv_command) mpv_command = nullptr;
decltype(&::mpv_error_string) mpv_error_string = nullptr;
decltype(&::mpv_wait_event) mpv_wait_event = nullptr;
decltype(&::mpv_get_property) mpv_get_property = nullptr;
decltype(&::mpv_set_property) mpv_set_property = nullptr;
decltype(&::mpv_terminate_destroy) mpv_terminate_destroy = nullptr;
decltype(&::mpv_render_context_create) mpv_render_context_create = nullptr;
decltype(&::mpv_render_context_free) mpv_render_context_free = nullptr;
decltype(&::mpv_render_context_render) mpv_render_context_render = nullptr;
decltype(&::mpv_render_context_set_update_callback) mpv_render_context_set_update_callback =
    nullptr;
decltype(&::mpv_render_context_update) mpv_render_context_update = nullptr;

// False, with the reason, when the library or one of its functions is missing.
bool load_player_library(std::string& error) {
  static bool loaded = false;
  static std::string failure;
  if (loaded) return true;
  if (!failure.empty()) {
    error = failure;
    return false;
  }
  std::string reason;
  void* library = open_library("libmpv.so.2", reason);
  if (library == nullptr) {
    failure = "the video player library could not be loaded: " + reason;
    error = failure;
    return false;
  }
  const std::pair<const char*, void**> functions[] = {
      {"mpv_create", reinterpret_cast<void**>(&mpv_create)},
      {"mpv_initialize", reinterpret_cast<void**>(&mpv_initialize)},
      {"mpv_set_option_string", reinterpret_cast<void**>(&mpv_set_option_string)},
      {"mpv_command", reinterpret_cast<void**>(&mpv_command)},
      {"mpv_error_string", reinterpret_cast<void**>(&mpv_error_string)},
      {"mpv_wait_event", reinterpret_cast<void**>(&mpv_wait_event)},
      {"mpv_get_property", reinterpret_cast<void**>(&mpv_get_property)},
      {"mpv_set_property", reinterpret_cast<void**>(&mpv_set_property)},
      {"mpv_terminate_destroy", reinterpret_cast<void**>(&mpv_terminate_destroy)},
      {"mpv_render_context_create", reinterpret_cast<void**>(&mpv_render_context_create)},
      {"mpv_render_context_free", reinterpret_cast<void**>(&mpv_render_context_free)},
      {"mpv_render_context_render", reinterpret_cast<void**>(&mpv_render_context_render)},
      {"mpv_render_context_set_update_callback",
       reinterpret_cast<void**>(&mpv_render_context_set_update_callback)},
      {"mpv_render_context_update", reinterpret_cast<void**>(&mpv_render_context_update)},
  };
  for (const auto& [name, slot] : functions) {
    *slot = library_function(library, name);
    if (*slot == nullptr) {
      failure = std::string("the video player library has no ") + name;
      error = failure;
      return false;
    }
  }
  loaded = true;
  return true;
}

struct RMpvDeleter {
  void operator()(mpv_handle* handle) const { mpv_terminate_destroy(handle); }
};
using MpvPointer = std::unique_ptr<mpv_handle, RMpvDeleter>;

// A player that reads no configuration, scripts or keys of its own and prints nothing:
// everything it does is ours to ask for.
MpvPointer make_player(const char* video_output, bool sound, std::string& error) {
  if (!load_player_library(error)) return nullptr;
  MpvPointer handle(mpv_create());
  if (!handle) {
    error = "the video player could not be started";
    return nullptr;
  }
  mpv_handle* h = handle.get();
  mpv_set_option_string(h, "config", "no");
  mpv_set_option_string(h, "terminal", "no");
  mpv_set_option_string(h, "load-scripts", "no");
  mpv_set_option_string(h, "ytdl", "no");
  mpv_set_option_string(h, "osc", "no");
  mpv_set_option_string(h, "input-default-bindings", "no");
  mpv_set_option_string(h, "input-vo-keyboard", "no");
  mpv_set_option_string(h, "osd-level", "0");
  mpv_set_option_string(h, "sub-auto", "no");
  mpv_set_option_string(h, "audio-display", "no");
  mpv_set_option_string(h, "hwdec", "no");
  mpv_set_option_string(h, "gpu-hwdec-interop", "no");
  mpv_set_option_string(h, "idle", "yes");
  // At the end the last frame stays and the player pauses, so a loop can rewind it.
  mpv_set_option_string(h, "keep-open", "always");
  mpv_set_option_string(h, "vo", video_output);
  mpv_set_option_string(h, "ao", sound ? "pipewire,pulse,alsa,sdl,null" : "null");
  if (mpv_initialize(h) < 0) {
    error = "the video player could not be started";
    return nullptr;
  }
  return handle;
}

bool load_file(mpv_handle* h, const fs::path& file, std::string& error) {
  std::error_code ignored;
  // An absolute path is never taken for a protocol or an option.
  const std::string path = fs::absolute(file, ignored).string();
  const char* command[] = {"loadfile", path.c_str(), nullptr};
  const int status = mpv_command(h, command);
  if (status < 0) {
    error = mpv_error_string(status);
    return false;
  }
  const Clock::time_point deadline = Clock::now() + kLoadTimeout;
  while (Clock::now() < deadline) {
    const double left = std::chrono::duration<double>(deadline - Clock::now()).count();
    mpv_event* event = mpv_wait_event(h, std::max(left, 0.0));
    if (event->event_id == MPV_EVENT_FILE_LOADED) return true;
    if (event->event_id == MPV_EVENT_END_FILE) {
      const auto* end = static_cast<mpv_event_end_file*>(event->data);
      error = end->reason == MPV_END_FILE_REASON_ERROR ? mpv_error_string(end->error)
                                                       : "the file could not be played";
      return false;
    }
    if (event->event_id == MPV_EVENT_SHUTDOWN) break;
  }
  error = "the video player did not answer";
  return false;
}

// The declared picture size once the file is loaded; 0 × 0 for a file without a picture.
void read_size(mpv_handle* h, const char* width_name, const char* height_name, int& width,
               int& height) {
  int64_t w = 0;
  int64_t h_value = 0;
  if (mpv_get_property(h, width_name, MPV_FORMAT_INT64, &w) < 0 ||
      mpv_get_property(h, height_name, MPV_FORMAT_INT64, &h_value) < 0 || w <= 0 || h_value <= 0) {
    width = height = 0;
    return;
  }
  width = int(std::min<int64_t>(w, 16384));
  height = int(std::min<int64_t>(h_value, 16384));
}

bool flag_property(mpv_handle* h, const char* name) {
  int value = 0;
  return mpv_get_property(h, name, MPV_FORMAT_FLAG, &value) >= 0 && value != 0;
}

bool& sound_allowed() {
  static bool allowed = true;
  return allowed;
}

void* gl_function(void*, const char* name) { return SDL_GL_GetProcAddress(name); }

// The drawing state mpv's renderer may change, put back afterwards so that the form or
// game drawing in the same context finds it as it left it.
class CSavedGlState {
 public:
  CSavedGlState() {
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &draw_framebuffer_);
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &read_framebuffer_);
    glGetIntegerv(GL_VIEWPORT, viewport_);
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active_texture_);
    glActiveTexture(GL_TEXTURE0);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture_);
    glGetIntegerv(GL_CURRENT_PROGRAM, &program_);
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertex_array_);
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &array_buffer_);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpack_alignment_);
    glGetIntegerv(GL_PACK_ALIGNMENT, &pack_alignment_);
    blend_ = glIsEnabled(GL_BLEND);
    scissor_ = glIsEnabled(GL_SCISSOR_TEST);
    depth_ = glIsEnabled(GL_DEPTH_TEST);
    cull_ = glIsEnabled(GL_CULL_FACE);
  }
  ~CSavedGlState() {
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, GLuint(draw_framebuffer_));
    glBindFramebuffer(GL_READ_FRAMEBUFFER, GLuint(read_framebuffer_));
    glViewport(viewport_[0], viewport_[1], viewport_[2], viewport_[3]);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, GLuint(texture_));
    glActiveTexture(GLenum(active_texture_));
    glUseProgram(GLuint(program_));
    glBindVertexArray(GLuint(vertex_array_));
    glBindBuffer(GL_ARRAY_BUFFER, GLuint(array_buffer_));
    glPixelStorei(GL_UNPACK_ALIGNMENT, unpack_alignment_);
    glPixelStorei(GL_PACK_ALIGNMENT, pack_alignment_);
    set(GL_BLEND, blend_);
    set(GL_SCISSOR_TEST, scissor_);
    set(GL_DEPTH_TEST, depth_);
    set(GL_CULL_FACE, cull_);
  }
  CSavedGlState(const CSavedGlState&) = delete;
  CSavedGlState& operator=(const CSavedGlState&) = delete;

 private:
  static void set(GLenum capability, GLboolean on) {
    if (on) {
      glEnable(capability);
    } else {
      glDisable(capability);
    }
  }

  GLint draw_framebuffer_ = 0;
  GLint read_framebuffer_ = 0;
  GLint viewport_[4] = {};
  GLint active_texture_ = GL_TEXTURE0;
  GLint texture_ = 0;
  GLint program_ = 0;
  GLint vertex_array_ = 0;
  GLint array_buffer_ = 0;
  GLint unpack_alignment_ = 4;
  GLint pack_alignment_ = 4;
  GLboolean blend_ = GL_FALSE;
  GLboolean scissor_ = GL_FALSE;
  GLboolean depth_ = GL_FALSE;
  GLboolean cull_ = GL_FALSE;
};

}  // namespace

void set_video_sound_allowed(bool allowed) { sound_allowed() = allowed; }

bool probe_video(const fs::path& file, int& width, int& height, std::string& error) {
  MpvPointer player = make_player("null", false, error);
  if (!player) return false;
  mpv_set_option_string(player.get(), "pause", "yes");
  if (!load_file(player.get(), file, error)) return false;
  read_size(player.get(), "width", "height", width, height);
  if (width <= 0 || height <= 0) {
    error = "the file has no picture";
    return false;
  }
  return true;
}

struct CVideoPlayer::RState {
  MpvPointer player;
  mpv_render_context* renderer = nullptr;
  SDL_GLContext context = nullptr;  // the one the renderer and the texture belong to
  // Set by the player's thread when a frame is due.
  std::mutex frame_mutex;
  std::condition_variable frame_due;
  bool frame_ready = false;
  RVideoOptions options;
  GLuint texture = 0;
  GLuint framebuffer = 0;
  int texture_width = 0;
  int texture_height = 0;
  int width = 0;  // the size the next frame is drawn at
  int height = 0;
  int frames = 0;
  bool ended = false;
  std::string error;
  Clock::time_point next_rewind_check{};

  ~RState() {
    SDL_Window* window = SDL_GL_GetCurrentWindow();
    SDL_GLContext current = SDL_GL_GetCurrentContext();
    // Objects of a context already destroyed went with it; another context's objects of the
    // same names must not be deleted in their place.
    const bool holds_gl = renderer != nullptr || texture != 0 || framebuffer != 0;
    const bool own_context = current != nullptr && current == context;
    const bool switch_off = holds_gl && !own_context && current != nullptr;
    if (switch_off) SDL_GL_MakeCurrent(window, nullptr);
    // The renderer holds objects of the OpenGL context and goes before the player.
    if (renderer != nullptr) mpv_render_context_free(renderer);
    player.reset();
    if (own_context) {
      if (framebuffer != 0) glDeleteFramebuffers(1, &framebuffer);
      if (texture != 0) glDeleteTextures(1, &texture);
    } else if (switch_off) {
      SDL_GL_MakeCurrent(window, current);
    }
  }

  static void frame_callback(void* self) {
    auto* state = static_cast<RState*>(self);
    {
      std::lock_guard<std::mutex> lock(state->frame_mutex);
      state->frame_ready = true;
    }
    state->frame_due.notify_all();
  }

  void take_size() {
    int w = 0;
    int h = 0;
    read_size(player.get(), "dwidth", "dheight", w, h);
    if (w <= 0 || h <= 0) read_size(player.get(), "width", "height", w, h);
    if (w > 0 && h > 0) {
      width = w;
      height = h;
    }
  }

  void handle_events() {
    while (true) {
      mpv_event* event = mpv_wait_event(player.get(), 0);
      if (event->event_id == MPV_EVENT_NONE) return;
      if (event->event_id == MPV_EVENT_VIDEO_RECONFIG) take_size();
      if (event->event_id == MPV_EVENT_END_FILE) {
        const auto* end = static_cast<mpv_event_end_file*>(event->data);
        if (end->reason == MPV_END_FILE_REASON_ERROR) error = mpv_error_string(end->error);
        ended = true;
      }
      if (event->event_id == MPV_EVENT_SHUTDOWN) ended = true;
    }
  }

  void check_end() {
    const Clock::time_point now = Clock::now();
    if (now < next_rewind_check) return;
    next_rewind_check = now + kRewindInterval;
    if (!flag_property(player.get(), "eof-reached")) return;
    if (!options.loop) {
      ended = true;
      return;
    }
    const char* rewind[] = {"seek", "0", "absolute", nullptr};
    mpv_command(player.get(), rewind);
    int playing = 0;
    mpv_set_property(player.get(), "pause", MPV_FORMAT_FLAG, &playing);
  }

  void make_target() {
    if (texture != 0 && texture_width == width && texture_height == height) return;
    if (texture == 0) glGenTextures(1, &texture);
    if (framebuffer == 0) glGenFramebuffers(1, &framebuffer);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    texture_width = width;
    texture_height = height;
  }

  bool draw_frame() {
    {
      std::lock_guard<std::mutex> lock(frame_mutex);
      frame_ready = false;
    }
    const uint64_t flags = mpv_render_context_update(renderer);
    if ((flags & MPV_RENDER_UPDATE_FRAME) == 0 || width <= 0 || height <= 0) return false;
    CSavedGlState saved;
    make_target();
    mpv_opengl_fbo target{int(framebuffer), width, height, 0};
    // The frame lands top row first, as textures of pictures are laid out.
    int flip = 0;
    int block = 0;
    mpv_render_param parameters[] = {{MPV_RENDER_PARAM_OPENGL_FBO, &target},
                                     {MPV_RENDER_PARAM_FLIP_Y, &flip},
                                     {MPV_RENDER_PARAM_BLOCK_FOR_TARGET_TIME, &block},
                                     {MPV_RENDER_PARAM_INVALID, nullptr}};
    if (mpv_render_context_render(renderer, parameters) < 0) return false;
    ++frames;
    return true;
  }
};

CVideoPlayer::CVideoPlayer() = default;

CVideoPlayer::~CVideoPlayer() = default;

bool CVideoPlayer::open(const fs::path& file, const RVideoOptions& options, std::string& error) {
  state_.reset();
  auto state = std::make_unique<RState>();
  state->options = options;
  state->player = make_player("libmpv", options.sound && sound_allowed(), error);
  if (!state->player) return false;
  // The renderer must exist before the file is loaded, or the player finds no video output
  // and plays the sound alone.
  mpv_opengl_init_params gl{gl_function, nullptr};
  int advanced = 0;
  mpv_render_param parameters[] = {
      {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_OPENGL)},
      {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &gl},
      {MPV_RENDER_PARAM_ADVANCED_CONTROL, &advanced},
      {MPV_RENDER_PARAM_INVALID, nullptr}};
  {
    CSavedGlState saved;
    const int status = mpv_render_context_create(&state->renderer, state->player.get(), parameters);
    if (status < 0) {
      state->renderer = nullptr;
      error = std::string("the video cannot be drawn here: ") + mpv_error_string(status);
      return false;
    }
  }
  state->context = SDL_GL_GetCurrentContext();
  mpv_render_context_set_update_callback(state->renderer, RState::frame_callback, state.get());
  if (!load_file(state->player.get(), file, error)) return false;
  state->take_size();
  if (state->width <= 0 || state->height <= 0) {
    error = "the file has no picture";
    return false;
  }
  state->next_rewind_check = Clock::now() + kRewindInterval;
  state_ = std::move(state);
  return true;
}

void CVideoPlayer::wait_for_frame(int milliseconds) {
  if (!state_ || state_->ended) return;
  std::unique_lock<std::mutex> lock(state_->frame_mutex);
  state_->frame_due.wait_for(lock, std::chrono::milliseconds(milliseconds),
                             [this] { return state_->frame_ready; });
}

bool CVideoPlayer::update() {
  if (!state_) return false;
  state_->handle_events();
  if (!state_->ended) state_->check_end();
  return state_->draw_frame();
}

uint32_t CVideoPlayer::texture() const {
  return state_ && state_->frames > 0 ? state_->texture : 0;
}

int CVideoPlayer::width() const { return state_ ? state_->width : 0; }

int CVideoPlayer::height() const { return state_ ? state_->height : 0; }

int CVideoPlayer::frames_drawn() const { return state_ ? state_->frames : 0; }

void CVideoPlayer::set_paused(bool paused) {
  if (!state_) return;
  int value = paused ? 1 : 0;
  mpv_set_property(state_->player.get(), "pause", MPV_FORMAT_FLAG, &value);
}

bool CVideoPlayer::paused() const { return state_ && flag_property(state_->player.get(), "pause"); }

double CVideoPlayer::position() const {
  double seconds = 0;
  if (!state_ ||
      mpv_get_property(state_->player.get(), "time-pos", MPV_FORMAT_DOUBLE, &seconds) < 0) {
    return 0;
  }
  return seconds;
}

bool CVideoPlayer::ended() const { return !state_ || state_->ended; }

const std::string& CVideoPlayer::error() const {
  static const std::string none;
  return state_ ? state_->error : none;
}

RImage CVideoPlayer::read_frame() const {
  RImage frame;
  if (!state_ || state_->frames == 0) return frame;
  const int width = state_->texture_width;
  const int height = state_->texture_height;
  std::vector<uint8_t> bytes(size_t(width) * size_t(height) * 4);
  {
    CSavedGlState saved;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, state_->framebuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, bytes.data());
  }
  frame.width = width;
  frame.height = height;
  frame.pixels.resize(size_t(width) * size_t(height));
  for (size_t i = 0; i < frame.pixels.size(); ++i) {
    const uint8_t* p = &bytes[i * 4];
    frame.pixels[i] = 0xFF000000u | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
  }
  return frame;
}

void keep_form_drawing() {
  SDL_Window* window = SDL_GL_GetCurrentWindow();
  if (window == nullptr) return;
  // An event of the form's own window wakes its loop; no window reacts to this kind.
  SDL_Event wake{};
  wake.type = SDL_WINDOWEVENT;
  wake.window.event = SDL_WINDOWEVENT_NONE;
  wake.window.windowID = SDL_GetWindowID(window);
  SDL_PushEvent(&wake);
}

}  // namespace vn
