#include "platform/Platform_CdAudio.h"

// cdio.h declares the types the other headers use, so it comes first.
// clang-format off
#include <cdio/cdio.h>
#include <cdio/audio.h>
#include <cdio/logging.h>
#include <cdio/mmc.h>
// clang-format on

#include <algorithm>
#include <cstdlib>
#include <string>

namespace vn {

namespace {

// The drive plays through its own audio output; we only send it commands. libcdio keeps the
// table of contents it read first, so a disc change is noticed by opening the drive anew.
class CLibcdioDrive final : public ICdDrive {
 public:
  ~CLibcdioDrive() override { close(); }

  bool exists() override { return find_device(); }

  bool media_present() override {
    if (!open()) return false;
    return !tracks().empty();
  }

  std::vector<RCdTrack> tracks() override {
    if (!open()) return {};
    if (table_read_) return table_;
    table_.clear();
    track_t count = cdio_get_num_tracks(cdio_);
    track_t first = cdio_get_first_track_num(cdio_);
    if (count == CDIO_INVALID_TRACK || first == CDIO_INVALID_TRACK) return table_;
    // Games number tracks from 1 whatever number the disc gives its first.
    for (track_t i = 0; i < count; ++i) {
      lsn_t start = cdio_get_track_lsn(cdio_, track_t(first + i));
      lsn_t end = cdio_get_track_lsn(cdio_, track_t(first + i + 1));
      if (start == CDIO_INVALID_LSN || end == CDIO_INVALID_LSN || end < start) {
        table_.clear();
        return table_;
      }
      RCdTrack track;
      track.start = start;
      track.length = end - start;
      track.audio = cdio_get_track_format(cdio_, track_t(first + i)) == TRACK_FORMAT_AUDIO;
      table_.push_back(track);
    }
    // Without a disc the table is asked for again next time, in case one went in unnoticed.
    if (!table_.empty()) {
      table_read_ = true;
      door_open_ = false;
    }
    return table_;
  }

  bool play(int32_t from, int32_t to) override {
    if (!media_present()) return false;
    msf_t start;
    msf_t end;
    cdio_lsn_to_msf(from, &start);
    cdio_lsn_to_msf(to, &end);
    if (cdio_audio_play_msf(cdio_, &start, &end) != DRIVER_OP_SUCCESS) return false;
    last_position_ = from;
    return true;
  }

  bool pause() override { return cdio_ && cdio_audio_pause(cdio_) == DRIVER_OP_SUCCESS; }
  bool resume() override { return cdio_ && cdio_audio_resume(cdio_) == DRIVER_OP_SUCCESS; }

  bool stop() override {
    if (!cdio_) return false;
    last_position_ = position();
    return cdio_audio_stop(cdio_) == DRIVER_OP_SUCCESS;
  }

  bool seek(int32_t frame) override {
    if (!media_present()) return false;
    CdMode current = mode();
    if (current == CdMode::playing || current == CdMode::paused) cdio_audio_stop(cdio_);
    last_position_ = frame;
    return true;
  }

  CdMode mode() override {
    if (door_open_ && !media_present()) return CdMode::open;
    if (!media_present()) return CdMode::not_ready;
    cdio_subchannel_t channel{};
    if (cdio_audio_read_subchannel(cdio_, &channel) != DRIVER_OP_SUCCESS) return CdMode::stopped;
    if (channel.audio_status == CDIO_MMC_READ_SUB_ST_PLAY) return CdMode::playing;
    if (channel.audio_status == CDIO_MMC_READ_SUB_ST_PAUSED) return CdMode::paused;
    return CdMode::stopped;
  }

  int32_t position() override {
    if (!media_present()) return 0;
    cdio_subchannel_t channel{};
    if (cdio_audio_read_subchannel(cdio_, &channel) == DRIVER_OP_SUCCESS &&
        (channel.audio_status == CDIO_MMC_READ_SUB_ST_PLAY ||
         channel.audio_status == CDIO_MMC_READ_SUB_ST_PAUSED)) {
      last_position_ = std::max<int32_t>(0, cdio_msf_to_lsn(&channel.abs_addr));
    }
    return last_position_;
  }

  bool set_door(bool open_door) override {
    if (!find_device()) return false;
    if (open_door) {
      if (!open()) return false;
      driver_return_code_t result = cdio_eject_media(&cdio_);
      // On success libcdio has freed the handle.
      if (result == DRIVER_OP_SUCCESS) {
        cdio_ = nullptr;
        forget_disc();
        door_open_ = true;
        return true;
      }
      return false;
    }
    close();
    driver_id_t driver = DRIVER_DEVICE;
    bool closed = cdio_close_tray(device_.c_str(), &driver) == DRIVER_OP_SUCCESS;
    if (closed) door_open_ = false;
    return closed;
  }

 private:
  bool find_device() {
    if (!looked_for_device_) {
      looked_for_device_ = true;
      // A missing drive is the usual case; libcdio need not say so on standard error.
      cdio_loglevel_default = CDIO_LOG_ERROR;
      char* device = cdio_get_default_device(nullptr);
      if (device) {
        device_ = device;
        std::free(device);
        // Some systems name a default device that is not there.
        CdIo_t* probe = cdio_open(device_.c_str(), DRIVER_DEVICE);
        if (probe) {
          cdio_ = probe;
        } else {
          device_.clear();
        }
      }
    }
    return !device_.empty();
  }

  // The drive opened, opened anew after a disc change.
  bool open() {
    if (!find_device()) return false;
    if (cdio_ && cdio_get_media_changed(cdio_) == 1) close();
    if (!cdio_) {
      cdio_ = cdio_open(device_.c_str(), DRIVER_DEVICE);
      forget_disc();
    }
    return cdio_ != nullptr;
  }

  void close() {
    if (cdio_) cdio_destroy(cdio_);
    cdio_ = nullptr;
    forget_disc();
  }

  void forget_disc() {
    table_.clear();
    table_read_ = false;
    last_position_ = 0;
  }

  CdIo_t* cdio_ = nullptr;
  bool looked_for_device_ = false;
  std::string device_;
  std::vector<RCdTrack> table_;
  bool table_read_ = false;
  bool door_open_ = false;
  // Where a stopped drive is: the subchannel only knows while a span plays or pauses.
  int32_t last_position_ = 0;
};

}  // namespace

std::unique_ptr<ICdDrive> create_cd_drive() { return std::make_unique<CLibcdioDrive>(); }

// --- The simulated drive ---

CSimulatedCdDrive::CSimulatedCdDrive(const std::vector<int32_t>& track_lengths) {
  for (int32_t length : track_lengths) {
    RCdTrack track;
    track.start = disc_end_;
    track.length = std::max<int32_t>(0, length);
    tracks_.push_back(track);
    disc_end_ += track.length;
  }
}

std::vector<RCdTrack> CSimulatedCdDrive::tracks() {
  if (!media_present()) return {};
  return tracks_;
}

bool CSimulatedCdDrive::play(int32_t from, int32_t to) {
  if (!media_present() || from < 0 || to > disc_end_ || from >= to) return false;
  mode_ = CdMode::playing;
  position_ = from;
  play_end_ = to;
  return true;
}

bool CSimulatedCdDrive::pause() {
  if (!media_present()) return false;
  if (mode_ == CdMode::playing) mode_ = CdMode::paused;
  return true;
}

bool CSimulatedCdDrive::resume() {
  if (!media_present() || mode_ != CdMode::paused) return false;
  mode_ = CdMode::playing;
  return true;
}

bool CSimulatedCdDrive::stop() {
  if (!media_present()) return false;
  mode_ = CdMode::stopped;
  return true;
}

bool CSimulatedCdDrive::seek(int32_t frame) {
  if (!media_present() || frame < 0 || frame > disc_end_) return false;
  mode_ = CdMode::stopped;
  position_ = frame;
  return true;
}

CdMode CSimulatedCdDrive::mode() {
  if (door_open_) return CdMode::open;
  if (!disc_inserted_) return CdMode::not_ready;
  return mode_;
}

bool CSimulatedCdDrive::set_door(bool open) {
  if (open && !door_open_) {
    mode_ = CdMode::stopped;
    position_ = 0;
  }
  door_open_ = open;
  return true;
}

void CSimulatedCdDrive::advance(int32_t frames) {
  if (mode_ != CdMode::playing || frames <= 0) return;
  if (frames >= play_end_ - position_) {
    position_ = play_end_;
    mode_ = CdMode::stopped;
  } else {
    position_ += frames;
  }
}

void CSimulatedCdDrive::advance_milliseconds(int64_t milliseconds) {
  advance(int32_t(std::min<int64_t>(milliseconds * kCdFramesPerSecond / 1000, INT32_MAX)));
}

void CSimulatedCdDrive::set_disc_inserted(bool inserted) {
  if (!inserted) {
    mode_ = CdMode::stopped;
    position_ = 0;
  }
  disc_inserted_ = inserted;
}

}  // namespace vn
