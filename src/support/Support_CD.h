// The audio CD as games drive it: a command device named "cdaudio" that takes text commands
// ("open cdaudio", "status cdaudio position", "play cdaudio from 3 to 4" ...) and answers in
// text, and the command sequences of the cd_ functions built on it.
//
// The device keeps what such a device keeps between commands: whether it is open and its
// time format. Positions are written in the time format: "milliseconds" (or "ms") as
// digits, "msf" as mm:ss:ff from the start of the disc, "tmsf" as tt:mm:ss:ff within track
// tt; lengths in msf and tmsf are mm:ss:ff. A command that fails, or that the device does
// not know, answers with the empty text and changes nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Platform_CdAudio.h"

namespace vn {

enum class CdTimeFormat { milliseconds, msf, tmsf };

class CCdInterpreter {
 public:
  explicit CCdInterpreter(std::unique_ptr<ICdDrive> drive);

  // Runs one command and returns the reply.
  std::string send(const std::string& command);

  // Puts another drive in and leaves the device closed.
  void set_drive(std::unique_ptr<ICdDrive> drive);
  ICdDrive& drive() { return *drive_; }
  // Sees every command with its reply, as sent.
  void set_observer(std::function<void(const std::string& command, const std::string& reply)>);

  bool is_open() const { return open_; }
  CdTimeFormat time_format() const { return format_; }

 private:
  std::string run(const std::vector<std::string>& words);
  std::string status(const std::vector<std::string>& words);
  std::string set(const std::vector<std::string>& words);
  std::string play(const std::vector<std::string>& words);
  std::string seek(const std::vector<std::string>& words);

  // A position written in the time format, as a frame of the disc; -1 when it is not one.
  int64_t parse_position(std::string_view text, const std::vector<RCdTrack>& tracks) const;
  std::string format_position(int32_t frame, const std::vector<RCdTrack>& tracks) const;
  std::string format_length(int32_t frames) const;

  std::unique_ptr<ICdDrive> drive_;
  std::function<void(const std::string&, const std::string&)> observer_;
  bool open_ = false;
  CdTimeFormat format_ = CdTimeFormat::msf;
};

// The device the game's cd_ functions and MCI_command talk to, on the system's drive.
CCdInterpreter& cd_device();

// A number in a reply: its decimal digits read together; 0 when it has none.
int64_t reply_number(std::string_view reply);

// The cd_ functions: each a short sequence of commands, reading the replies. None keeps
// state of its own; "when present" means the device said its media is present.
class CCdAudio {
 public:
  explicit CCdAudio(CCdInterpreter& device) : device_(device) {}

  void init();
  bool present();
  int64_t number();
  bool playing();
  // Paused or stopped.
  bool paused();
  int64_t track();
  // In milliseconds.
  int64_t length();
  int64_t track_length(int64_t track);
  int64_t position();
  int64_t track_position();
  // Tracks first to last, both included.
  void play(int64_t first, int64_t last);
  void stop();
  void pause();
  void resume();
  void set_position(int64_t milliseconds);
  void set_track_position(int64_t milliseconds);
  void open_door();
  void close_door();

 private:
  std::string send(const std::string& command) { return device_.send(command); }

  CCdInterpreter& device_;
};

}  // namespace vn
