// A plain window for the runner's own screens (the loading form): borderless, with the
// wait cursor, showing whole frames handed over by the caller.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "support/Support_Image.h"

namespace vn {

struct RWindowSetup {
  std::string title;  // Windows-1252
  int left = 0;       // desktop position of the client area
  int top = 0;
  int width = 1;  // client size
  int height = 1;
  // Frame pixels of this colour (0x00RRGGBB, alpha ignored) are cut out of the window.
  std::optional<uint32_t> transparent_color;
  int opacity = 255;  // 0 ... 255
};

class IPlainWindow {
 public:
  virtual ~IPlainWindow() = default;
  virtual void set_opacity(int alpha) = 0;
  // The frame is 0xAARRGGBB, drawn opaque at the top-left of the client area; a frame of
  // another size is clipped or leaves the rest as it was.
  virtual void present(const RImage& frame) = 0;
  virtual void show() = 0;
  virtual void hide() = 0;

  virtual const RWindowSetup& setup() const = 0;
  virtual bool visible() const = 0;
  // False when the colour key could not be honoured and the window is a plain rectangle.
  virtual bool shaped() const = 0;
};

// Keeps everything in memory: what a real window would show is the last frame.
class CHeadlessWindow final : public IPlainWindow {
 public:
  explicit CHeadlessWindow(RWindowSetup setup) : setup_(std::move(setup)) {}
  void set_opacity(int alpha) override;
  void present(const RImage& frame) override { last_frame_ = frame; }
  void show() override { visible_ = true; }
  void hide() override { visible_ = false; }
  const RWindowSetup& setup() const override { return setup_; }
  bool visible() const override { return visible_; }
  bool shaped() const override { return setup_.transparent_color.has_value(); }

  const RImage& last_frame() const { return last_frame_; }

 private:
  RWindowSetup setup_;
  bool visible_ = false;
  RImage last_frame_;
};

// An SDL window when video runs, the headless twin otherwise. Created hidden.
std::unique_ptr<IPlainWindow> create_plain_window(const RWindowSetup& setup);

struct RDisplaySize {
  int width = 0;
  int height = 0;
};

// The desktop of the primary screen; without video, the size set below (1024 x 768 unless
// changed), so that windowless runs place their windows the same way every time.
RDisplaySize display_size();
void set_headless_display_size(int width, int height);

}  // namespace vn
