// The video side of SDL: initialised once, on first need, and shared by every window of
// the platform layer. Headless runs and runs without a display start it only for the game
// window, on the offscreen driver, which nothing else uses.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace vn {

// A headless process opens no window and shows no message box; `vn run --headless` sets it
// before anything is shown.
void set_headless(bool headless);
bool is_headless();

// The SDL video driver to ask for ("offscreen", "dummy", "x11" ...); effective only before
// video has been started. Empty leaves the choice to SDL.
void request_video_driver(const std::string& driver);

// True when SDL video runs (starting it on the first call). Windows can then be created,
// though possibly on a driver nobody sees. Without a requested driver, $SDL_VIDEODRIVER,
// $DISPLAY or $WAYLAND_DISPLAY there is nothing to start and it is not tried.
bool video_available();
// Why video could not start; empty when it runs or was never tried.
const std::string& video_failure_reason();
// The driver in use, empty without video.
std::string video_driver_name();

// Video for the game window: the running driver when video_available(), else SDL's
// offscreen driver, started for the game window alone (its frames are drawn all the same,
// on a GPU context nobody sees). video_available() and has_display() answer as if it did not
// run, so the clipboard, input and forms keep their windowless ways. False, with the reason
// in video_failure_reason(), when neither can start.
bool game_video_available();
// Video runs on the offscreen driver for the game window alone.
bool offscreen_video_only();

// A screen a person looks at: video runs on a driver other than "offscreen" and "dummy".
bool has_display();

// Handles pending window-system traffic so that windows repaint and the process answers
// the window manager. Events meant for the game stay queued.
void pump_events();

// A platform window that must redraw itself after being uncovered registers here; the
// handler runs inside pump_events.
void watch_exposure(uint32_t window_id, std::function<void()> repaint);
void unwatch_exposure(uint32_t window_id);

// A window that draws itself while the game runs (a modeless form) registers here; the
// handler runs at the end of every pump_events.
void watch_pumping(uint32_t window_id, std::function<void()> tick);
void unwatch_pumping(uint32_t window_id);

// Stops SDL video if this layer started it.
void shutdown_video();

}  // namespace vn
