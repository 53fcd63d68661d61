// The audio CD drive: its track table, playing a span of the disc through the drive's own
// audio output, pause, resume, stop, seek, position, mode and the door.
//
// Addresses are in frames, 75 to a second, counted from the start of the disc's program
// area (the first track's start on an ordinary disc). A span is played from its first frame
// up to, not including, its end frame.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace vn {

constexpr int32_t kCdFramesPerSecond = 75;

struct RCdTrack {
  int32_t start = 0;   // first frame
  int32_t length = 0;  // in frames
  bool audio = true;
};

enum class CdMode { not_ready, open, stopped, playing, paused };

class ICdDrive {
 public:
  virtual ~ICdDrive() = default;
  // A drive is there at all; without one nothing else does anything.
  virtual bool exists() = 0;
  virtual bool media_present() = 0;
  // In track order, track 1 first; empty without a disc.
  virtual std::vector<RCdTrack> tracks() = 0;
  virtual bool play(int32_t from, int32_t to) = 0;
  virtual bool pause() = 0;
  virtual bool resume() = 0;
  virtual bool stop() = 0;
  // Stops there: the position reads that frame, and a plain resume of play starts there.
  virtual bool seek(int32_t frame) = 0;
  virtual CdMode mode() = 0;
  virtual int32_t position() = 0;
  virtual bool set_door(bool open) = 0;
};

// The system's default drive through libcdio. Nothing touches the hardware before the first
// call; with no drive every call answers at once (no disc, nothing playing).
std::unique_ptr<ICdDrive> create_cd_drive();

// A drive with a disc made of the given tracks, played against a clock that only moves
// when told to: for tests, and for runs on machines without a drive.
class CSimulatedCdDrive final : public ICdDrive {
 public:
  // Tracks of these lengths in frames, laid end to end from frame 0; all audio.
  explicit CSimulatedCdDrive(const std::vector<int32_t>& track_lengths);

  bool exists() override { return true; }
  bool media_present() override { return disc_inserted_ && !door_open_; }
  std::vector<RCdTrack> tracks() override;
  bool play(int32_t from, int32_t to) override;
  bool pause() override;
  bool resume() override;
  bool stop() override;
  bool seek(int32_t frame) override;
  CdMode mode() override;
  int32_t position() override { return position_; }
  bool set_door(bool open) override;

  // Moves the clock: a playing disc advances, stopping at the end of its span.
  void advance(int32_t frames);
  void advance_milliseconds(int64_t milliseconds);
  // Takes the disc out (the drive stays, empty) or puts it back.
  void set_disc_inserted(bool inserted);
  bool door_open() const { return door_open_; }
  int32_t play_end() const { return play_end_; }

 private:
  std::vector<RCdTrack> tracks_;
  int32_t disc_end_ = 0;
  bool disc_inserted_ = true;
  bool door_open_ = false;
  CdMode mode_ = CdMode::stopped;
  int32_t position_ = 0;
  int32_t play_end_ = 0;
};

}  // namespace vn
