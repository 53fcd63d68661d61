// Video files played through libmpv, drawn into a texture of the current OpenGL context so
// that a form can show them like any picture. Sound of a video goes through the player's
// own audio output.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "support/Support_Image.h"

namespace vn {

// The picture size a video file declares, found without showing it. False with the reason
// when the player cannot read the file or it has no picture.
bool probe_video(const std::filesystem::path& file, int& width, int& height, std::string& error);

// Whether videos may play their sound on the desktop's audio output; off, it is decoded
// and dropped whatever a player asks (tests, runs that must stay quiet). On by default.
void set_video_sound_allowed(bool allowed);

struct RVideoOptions {
  bool sound = true;  // false: the audio is decoded and dropped
  bool loop = false;  // start again at the end
};

// One video playing into a texture of the OpenGL context current when it was opened. That
// context must be current again for every call. A player that goes while another context
// is current (its own was destroyed with its window) lets go of its GL objects without
// touching the current context.
class CVideoPlayer {
 public:
  CVideoPlayer();
  ~CVideoPlayer();
  CVideoPlayer(const CVideoPlayer&) = delete;
  CVideoPlayer& operator=(const CVideoPlayer&) = delete;

  // Starts playing; false with the reason when the file cannot be played.
  bool open(const std::filesystem::path& file, const RVideoOptions& options, std::string& error);

  // Waits up to that long for the player to have a new frame (the drawing of a form that
  // has nothing else to wait for).
  void wait_for_frame(int milliseconds);

  // Handles what the player reported, restarts a looping video found at its end (looked at
  // every 100 ms), and draws the newest frame into the texture. True when the texture
  // changed.
  bool update();

  // The texture (GL_TEXTURE_2D, top row first) and its size, the video's display size; 0
  // until the first frame was drawn.
  uint32_t texture() const;
  int width() const;
  int height() const;
  int frames_drawn() const;

  void set_paused(bool paused);
  bool paused() const;
  // Seconds from the start.
  double position() const;
  // The end was reached and the video does not loop, or it broke off while playing.
  bool ended() const;
  // Why it broke off; empty while it plays well.
  const std::string& error() const;

  // The texture read back as 0xAARRGGBB pixels, top row first (tests, screenshots).
  RImage read_frame() const;

 private:
  struct RState;
  std::unique_ptr<RState> state_;
};

// Asks the form being drawn now (its window's OpenGL context is current) for another frame
// soon, even when nothing happens on the screen: a playing video or a running delay.
void keep_form_drawing();

}  // namespace vn
