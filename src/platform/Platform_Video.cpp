#include "platform/Platform_Video.h"

#include <SDL.h>

#include <cstdlib>
#include <map>
#include <set>
#include <vector>

namespace vn {
namespace {

enum class VideoState { untried, running, failed };

struct RVideo {
  bool headless = false;
  std::string requested_driver;
  VideoState state = VideoState::untried;
  std::string failure;
  VideoState offscreen = VideoState::untried;  // the game window's own, when state cannot be
  std::map<uint32_t, std::function<void()>> repaint;
  std::set<uint32_t> exposed;
  std::map<uint32_t, std::function<void()>> ticking;
  bool watching = false;
};

RVideo& video() {
  static RVideo instance;
  return instance;
}

// Runs while SDL queues an event; it only takes note, the redraw waits until pumping is over.
int note_exposure(void* /*user*/, SDL_Event* event) {
  if (event->type == SDL_WINDOWEVENT && event->window.event == SDL_WINDOWEVENT_EXPOSED) {
    RVideo& state = video();
    if (state.repaint.count(event->window.windowID) != 0) {
      state.exposed.insert(event->window.windowID);
    }
  }
  return 1;
}

bool environment_set(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

}  // namespace

void set_headless(bool headless) { video().headless = headless; }

bool is_headless() { return video().headless; }

void request_video_driver(const std::string& driver) { video().requested_driver = driver; }

bool video_available() {
  RVideo& state = video();
  if (state.headless || state.offscreen == VideoState::running) {
    return false;
  }
  if (state.state == VideoState::untried && state.requested_driver.empty() &&
      !environment_set("SDL_VIDEODRIVER") && !environment_set("DISPLAY") &&
      !environment_set("WAYLAND_DISPLAY")) {
    // Nothing to connect to; trying anyway only makes the window-system libraries complain
    // on standard error.
    state.state = VideoState::failed;
    state.failure = "no display: neither DISPLAY nor WAYLAND_DISPLAY is set";
  }
  if (state.state == VideoState::untried) {
    if (!state.requested_driver.empty()) {
      SDL_SetHint(SDL_HINT_VIDEODRIVER, state.requested_driver.c_str());
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
      state.state = VideoState::running;
    } else {
      state.state = VideoState::failed;
      state.failure = SDL_GetError();
    }
  }
  return state.state == VideoState::running;
}

bool game_video_available() {
  RVideo& state = video();
  // Video that already runs serves even a headless run: its window is never shown.
  if (state.offscreen == VideoState::running || state.state == VideoState::running) return true;
  if (!state.headless && video_available()) return true;
  if (state.offscreen == VideoState::failed) return false;
  // $SDL_VIDEODRIVER would outweigh a hint of normal priority. Afterwards the hint is what
  // the environment says again: video_available() sets its own before it starts video.
  SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "offscreen", SDL_HINT_OVERRIDE);
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
    state.offscreen = VideoState::running;
  } else {
    state.offscreen = VideoState::failed;
    state.failure = std::string("the offscreen video driver did not start: ") + SDL_GetError();
  }
  SDL_ResetHint(SDL_HINT_VIDEODRIVER);
  return state.offscreen == VideoState::running;
}

bool offscreen_video_only() { return video().offscreen == VideoState::running; }

const std::string& video_failure_reason() { return video().failure; }

std::string video_driver_name() {
  if (video().state != VideoState::running) {
    return {};
  }
  const char* name = SDL_GetCurrentVideoDriver();
  return name != nullptr ? name : "";
}

bool has_display() {
  if (!video_available()) {
    return false;
  }
  const std::string driver = video_driver_name();
  return driver != "offscreen" && driver != "dummy";
}

void pump_events() {
  RVideo& state = video();
  if (state.state != VideoState::running && state.offscreen != VideoState::running) {
    return;
  }
  SDL_PumpEvents();
  // A handler may unwatch its own window, so work on a copy.
  const std::set<uint32_t> exposed = std::move(state.exposed);
  state.exposed.clear();
  for (uint32_t id : exposed) {
    auto found = state.repaint.find(id);
    if (found != state.repaint.end()) {
      found->second();
    }
  }
  // A ticking window may close itself, and a form it draws may pump again.
  static bool ticking = false;
  if (ticking) return;
  ticking = true;
  std::vector<uint32_t> ids;
  for (const auto& entry : state.ticking) ids.push_back(entry.first);
  for (uint32_t id : ids) {
    auto found = state.ticking.find(id);
    if (found == state.ticking.end()) continue;
    const std::function<void()> tick = found->second;
    tick();
  }
  ticking = false;
}

void watch_exposure(uint32_t window_id, std::function<void()> repaint) {
  RVideo& state = video();
  if (!state.watching) {
    SDL_AddEventWatch(note_exposure, nullptr);
    state.watching = true;
  }
  state.repaint[window_id] = std::move(repaint);
}

void watch_pumping(uint32_t window_id, std::function<void()> tick) {
  video().ticking[window_id] = std::move(tick);
}

void unwatch_pumping(uint32_t window_id) { video().ticking.erase(window_id); }

void unwatch_exposure(uint32_t window_id) {
  RVideo& state = video();
  state.repaint.erase(window_id);
  state.exposed.erase(window_id);
}

void shutdown_video() {
  RVideo& state = video();
  if (state.offscreen == VideoState::running) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }
  state.offscreen = VideoState::untried;
  if (state.state != VideoState::running) {
    return;
  }
  if (state.watching) {
    SDL_DelEventWatch(note_exposure, nullptr);
    state.watching = false;
  }
  state.repaint.clear();
  state.ticking.clear();
  state.exposed.clear();
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  state.state = VideoState::untried;
}

}  // namespace vn
