#include "support/Support_CD.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <sstream>
#include <utility>

namespace vn {

namespace {

constexpr int32_t kFramesPerMinute = 60 * kCdFramesPerSecond;

std::string lower(std::string text) {
  for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The words of a command, lower case, without the flags that only ask the device to wait
// for or to announce the end of a command: this device answers every command at once.
std::vector<std::string> command_words(const std::string& command) {
  std::istringstream stream(lower(command));
  std::vector<std::string> words;
  std::string word;
  while (stream >> word) {
    if (word != "wait" && word != "notify") words.push_back(word);
  }
  return words;
}

bool words_are(const std::vector<std::string>& words, size_t first,
               std::initializer_list<std::string_view> expected) {
  if (words.size() != first + expected.size()) return false;
  size_t i = first;
  for (std::string_view word : expected) {
    if (words[i++] != word) return false;
  }
  return true;
}

// Up to four fields of digits separated by colons; false for anything else.
bool split_fields(std::string_view text, std::vector<int64_t>& fields) {
  fields.clear();
  int64_t value = 0;
  int digits = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == ':') {
      if (digits == 0 || fields.size() == 4) return false;
      fields.push_back(value);
      value = 0;
      digits = 0;
    } else if (text[i] >= '0' && text[i] <= '9' && digits < 9) {
      value = value * 10 + (text[i] - '0');
      ++digits;
    } else {
      return false;
    }
  }
  return true;
}

std::string two_digits(int64_t value) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "%02lld", static_cast<long long>(value));
  return buffer;
}

std::string minutes_seconds_frames(int32_t frames) {
  frames = std::max(frames, 0);
  return two_digits(frames / kFramesPerMinute) + ":" +
         two_digits(frames / kCdFramesPerSecond % 60) + ":" +
         two_digits(frames % kCdFramesPerSecond);
}

int32_t disc_end(const std::vector<RCdTrack>& tracks) {
  return tracks.empty() ? 0 : tracks.back().start + tracks.back().length;
}

// The track holding a frame, counted from 1; a frame before the first track is in it.
size_t track_of(int32_t frame, const std::vector<RCdTrack>& tracks) {
  size_t track = 1;
  for (size_t i = 0; i < tracks.size(); ++i) {
    if (tracks[i].start <= frame) track = i + 1;
  }
  return track;
}

// A track number word; 0 when it names no track of the disc.
size_t track_number(const std::string& word, const std::vector<RCdTrack>& tracks) {
  std::vector<int64_t> fields;
  if (!split_fields(word, fields) || fields.size() != 1) return 0;
  if (fields[0] < 1 || fields[0] > int64_t(tracks.size())) return 0;
  return size_t(fields[0]);
}

const char* mode_text(CdMode mode) {
  switch (mode) {
    case CdMode::open:
      return "open";
    case CdMode::stopped:
      return "stopped";
    case CdMode::playing:
      return "playing";
    case CdMode::paused:
      return "paused";
    case CdMode::not_ready:
      break;
  }
  return "not ready";
}

}  // namespace

CCdInterpreter::CCdInterpreter(std::unique_ptr<ICdDrive> drive) : drive_(std::move(drive)) {}

void CCdInterpreter::set_drive(std::unique_ptr<ICdDrive> drive) {
  drive_ = std::move(drive);
  open_ = false;
  format_ = CdTimeFormat::msf;
}

void CCdInterpreter::set_observer(
    std::function<void(const std::string& command, const std::string& reply)> observer) {
  observer_ = std::move(observer);
}

std::string CCdInterpreter::send(const std::string& command) {
  std::string reply = drive_ ? run(command_words(command)) : std::string();
  if (observer_) observer_(command, reply);
  return reply;
}

std::string CCdInterpreter::run(const std::vector<std::string>& words) {
  if (words.size() < 2 || words[1] != "cdaudio") return "";
  const std::string& verb = words[0];
  if (verb == "open") {
    if (words.size() != 2 || !drive_->exists()) return "";
    // Opening an open device is harmless; a new opening starts in the device's own format.
    if (!open_) format_ = CdTimeFormat::msf;
    open_ = true;
    return "1";  // the device's id
  }
  if (!open_) return "";
  if (verb == "close") {
    if (words.size() != 2) return "";
    open_ = false;
    return "";
  }
  if (verb == "status") return status(words);
  if (verb == "set") return set(words);
  if (verb == "play") return play(words);
  if (verb == "seek") return seek(words);
  if (words.size() != 2 || !drive_->media_present()) return "";
  if (verb == "stop") drive_->stop();
  if (verb == "pause") drive_->pause();
  if (verb == "resume") drive_->resume();
  return "";
}

std::string CCdInterpreter::status(const std::vector<std::string>& words) {
  if (words_are(words, 2, {"media", "present"}) || words_are(words, 2, {"ready"})) {
    return drive_->media_present() ? "true" : "false";
  }
  if (words_are(words, 2, {"mode"})) return mode_text(drive_->mode());
  if (words_are(words, 2, {"time", "format"})) {
    if (format_ == CdTimeFormat::milliseconds) return "milliseconds";
    return format_ == CdTimeFormat::msf ? "msf" : "tmsf";
  }
  std::vector<RCdTrack> tracks = drive_->tracks();
  if (tracks.empty()) return "";
  if (words_are(words, 2, {"number", "of", "tracks"})) return std::to_string(tracks.size());
  if (words_are(words, 2, {"current", "track"})) {
    return std::to_string(track_of(drive_->position(), tracks));
  }
  if (words_are(words, 2, {"position"})) return format_position(drive_->position(), tracks);
  if (words_are(words, 2, {"start", "position"})) return format_position(tracks[0].start, tracks);
  if (words_are(words, 2, {"length"})) return format_length(disc_end(tracks) - tracks[0].start);
  if (words.size() == 5 && words[3] == "track") {
    size_t track = track_number(words[4], tracks);
    if (track == 0) return "";
    const RCdTrack& chosen = tracks[track - 1];
    if (words[2] == "position") return format_position(chosen.start, tracks);
    if (words[2] == "length") return format_length(chosen.length);
    if (words[2] == "type") return chosen.audio ? "audio" : "other";
  }
  return "";
}

std::string CCdInterpreter::set(const std::vector<std::string>& words) {
  if (words.size() == 5 && words[2] == "time" && words[3] == "format") {
    const std::string& name = words[4];
    if (name == "milliseconds" || name == "ms") {
      format_ = CdTimeFormat::milliseconds;
    } else if (name == "msf") {
      format_ = CdTimeFormat::msf;
    } else if (name == "tmsf") {
      format_ = CdTimeFormat::tmsf;
    }
    return "";
  }
  if (words_are(words, 2, {"door", "open"})) drive_->set_door(true);
  if (words_are(words, 2, {"door", "closed"})) drive_->set_door(false);
  return "";
}

// play [from X] [to Y]: without a start a paused disc goes on, a stopped one plays from
// where it stands; without an end it plays to the end of the disc.
std::string CCdInterpreter::play(const std::vector<std::string>& words) {
  std::vector<RCdTrack> tracks = drive_->tracks();
  if (tracks.empty()) return "";
  int64_t from = -1;
  int64_t to = -1;
  for (size_t i = 2; i < words.size(); i += 2) {
    if (i + 1 >= words.size()) return "";
    int64_t frame = parse_position(words[i + 1], tracks);
    if (frame < 0) return "";
    if (words[i] == "from" && from < 0) {
      from = frame;
    } else if (words[i] == "to" && to < 0) {
      to = frame;
    } else {
      return "";
    }
  }
  if (from < 0 && to < 0 && drive_->mode() == CdMode::paused) {
    drive_->resume();
    return "";
  }
  if (from < 0) from = drive_->position();
  if (to < 0) to = disc_end(tracks);
  if (from < to) drive_->play(int32_t(from), int32_t(to));
  return "";
}

std::string CCdInterpreter::seek(const std::vector<std::string>& words) {
  std::vector<RCdTrack> tracks = drive_->tracks();
  if (tracks.empty() || words.size() != 4 || words[2] != "to") return "";
  int64_t frame;
  if (words[3] == "start") {
    frame = tracks[0].start;
  } else if (words[3] == "end") {
    frame = disc_end(tracks);
  } else {
    frame = parse_position(words[3], tracks);
  }
  if (frame >= 0) drive_->seek(int32_t(frame));
  return "";
}

int64_t CCdInterpreter::parse_position(std::string_view text,
                                       const std::vector<RCdTrack>& tracks) const {
  std::vector<int64_t> fields;
  if (!split_fields(text, fields)) return -1;
  int64_t frame = 0;
  if (format_ == CdTimeFormat::milliseconds) {
    if (fields.size() != 1) return -1;
    frame = fields[0] * kCdFramesPerSecond / 1000;
  } else {
    // tmsf starts with a track; msf's minutes count from the start of the disc.
    size_t first = 0;
    if (format_ == CdTimeFormat::tmsf) {
      if (fields[0] < 1 || fields[0] > int64_t(tracks.size())) return -1;
      frame = tracks[size_t(fields[0]) - 1].start;
      first = 1;
    } else if (fields.size() > 3) {
      return -1;
    }
    const int64_t scale[3] = {kFramesPerMinute, kCdFramesPerSecond, 1};
    for (size_t i = first; i < fields.size(); ++i) frame += fields[i] * scale[i - first];
  }
  return frame <= disc_end(tracks) ? frame : -1;
}

std::string CCdInterpreter::format_position(int32_t frame,
                                            const std::vector<RCdTrack>& tracks) const {
  if (format_ == CdTimeFormat::milliseconds) {
    return std::to_string(int64_t(std::max(frame, 0)) * 1000 / kCdFramesPerSecond);
  }
  if (format_ == CdTimeFormat::msf) return minutes_seconds_frames(frame);
  size_t track = track_of(frame, tracks);
  return two_digits(int64_t(track)) + ":" + minutes_seconds_frames(frame - tracks[track - 1].start);
}

std::string CCdInterpreter::format_length(int32_t frames) const {
  if (format_ == CdTimeFormat::milliseconds) {
    return std::to_string(int64_t(std::max(frames, 0)) * 1000 / kCdFramesPerSecond);
  }
  return minutes_seconds_frames(frames);
}

CCdInterpreter& cd_device() {
  static CCdInterpreter device(create_cd_drive());
  return device;
}

int64_t reply_number(std::string_view reply) {
  int64_t value = 0;
  int digits = 0;
  for (char c : reply) {
    // Beyond 18 digits the number would overflow; no device reply is that long.
    if (c >= '0' && c <= '9' && digits < 18) {
      value = value * 10 + (c - '0');
      ++digits;
    }
  }
  return value;
}

// --- The cd_ functions ---

namespace {

std::string part(const std::string& text, size_t first, size_t count) {
  return first < text.size() ? text.substr(first, count) : std::string();
}

}  // namespace

void CCdAudio::init() {
  send("close cdaudio");
  send("open cdaudio");
}

bool CCdAudio::present() {
  send("open cdaudio");
  return send("status cdaudio media present") == "true";
}

int64_t CCdAudio::number() {
  send("open cdaudio");
  if (!present()) return 0;
  return reply_number(send("status cdaudio number of tracks"));
}

bool CCdAudio::playing() {
  send("open cdaudio");
  if (!present()) return false;
  return send("status cdaudio mode") == "playing";
}

bool CCdAudio::paused() {
  send("open cdaudio");
  if (!present()) return false;
  std::string mode = send("status cdaudio mode");
  return mode == "paused" || mode == "stopped";
}

int64_t CCdAudio::track() {
  send("open cdaudio");
  send("set cdaudio time format tmsf wait");
  if (!present()) return 0;
  return reply_number(part(send("status cdaudio position"), 0, 2));
}

int64_t CCdAudio::length() {
  send("open cdaudio");
  send("set cdaudio time format ms wait");
  int64_t result = present() ? reply_number(send("status cdaudio length wait")) : 0;
  send("set cdaudio time format tmsf wait");
  return result;
}

int64_t CCdAudio::track_length(int64_t track) {
  if (track < 1 || track > number()) return 0;
  send("set cdaudio time format milliseconds wait");
  int64_t result = reply_number(send("status cdaudio length track " + std::to_string(track)));
  send("set cdaudio time format tmsf wait");
  return result;
}

int64_t CCdAudio::position() {
  send("set cdaudio time format milliseconds wait");
  int64_t result = reply_number(send("status cdaudio position"));
  send("set cdaudio time format tmsf wait");
  return result;
}

int64_t CCdAudio::track_position() {
  send("set cdaudio time format tmsf wait");
  std::string reply = send("status cdaudio position");
  // tt:mm:ss:ff
  return reply_number(part(reply, 3, 2)) * 60000 + reply_number(part(reply, 6, 2)) * 1000;
}

void CCdAudio::play(int64_t first, int64_t last) {
  if (!present() || last < first) return;
  send("set cdaudio time format tmsf wait");
  first = std::max<int64_t>(first, 1);
  if (last < number()) {
    send("play cdaudio from " + std::to_string(first) + " to " + std::to_string(last + 1));
  } else {
    send("play cdaudio from " + std::to_string(first));
  }
}

void CCdAudio::stop() {
  if (present()) send("stop cdaudio");
}

void CCdAudio::pause() {
  if (present()) send("pause cdaudio");
}

void CCdAudio::resume() {
  if (present()) send("play cdaudio");
}

void CCdAudio::set_position(int64_t milliseconds) {
  if (!present()) return;
  const char* verb = playing() ? "play cdaudio from " : "seek cdaudio to ";
  send("set cdaudio time format milliseconds wait");
  send(verb + std::to_string(milliseconds));
  send("set cdaudio time format tmsf");
}

void CCdAudio::set_track_position(int64_t milliseconds) {
  if (!present()) return;
  int64_t current = track();
  if (current <= 0) return;
  std::string position = std::to_string(current) + ":" + std::to_string(milliseconds / 60000) +
                         ":" + std::to_string(milliseconds % 60000 / 1000);
  const char* verb = playing() ? "play cdaudio from " : "seek cdaudio to ";
  send("set cdaudio time format tmsf wait");
  send(verb + position);
  send("set cdaudio time format tmsf");
}

void CCdAudio::open_door() {
  send("open cdaudio");
  send("set cdaudio door open");
}

void CCdAudio::close_door() {
  send("open cdaudio");
  send("set cdaudio door closed");
}

}  // namespace vn
