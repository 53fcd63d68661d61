// The cdaudio command device against a simulated drive with a known track table, the
// command sequences of the cd_ functions, and the system drive where there is none.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "platform/Platform_CdAudio.h"
#include "support/Support_CD.h"

namespace vn::test {
namespace {

using Commands = std::vector<std::string>;

constexpr int32_t kMinute = 60 * kCdFramesPerSecond;

// Ten tracks: track n lasts n minutes, so track 3 starts at 3 minutes into the disc.
std::vector<int32_t> ten_tracks() {
  std::vector<int32_t> lengths;
  for (int32_t n = 1; n <= 10; ++n) lengths.push_back(n * kMinute);
  return lengths;
}

class CdTest : public ::testing::Test {
 protected:
  CdTest() : device_(std::make_unique<CSimulatedCdDrive>(ten_tracks())), audio_(device_) {
    drive_ = static_cast<CSimulatedCdDrive*>(&device_.drive());
    device_.set_observer(
        [this](const std::string& command, const std::string&) { sent_.push_back(command); });
  }

  // What one call sends.
  template <class Call>
  Commands sends(Call call) {
    sent_.clear();
    call();
    return sent_;
  }

  CCdInterpreter device_;
  CCdAudio audio_;
  CSimulatedCdDrive* drive_;
  Commands sent_;
};

const Commands kPresent = {"open cdaudio", "status cdaudio media present"};

Commands joined(std::initializer_list<Commands> parts) {
  Commands all;
  for (const Commands& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

TEST_F(CdTest, EachFunctionSendsItsSequence) {
  EXPECT_EQ(sends([&] { audio_.init(); }), (Commands{"close cdaudio", "open cdaudio"}));
  EXPECT_EQ(sends([&] { audio_.present(); }), kPresent);
  EXPECT_EQ(sends([&] { audio_.number(); }),
            joined({{"open cdaudio"}, kPresent, {"status cdaudio number of tracks"}}));
  EXPECT_EQ(sends([&] { audio_.playing(); }),
            joined({{"open cdaudio"}, kPresent, {"status cdaudio mode"}}));
  EXPECT_EQ(sends([&] { audio_.track(); }),
            joined({{"open cdaudio", "set cdaudio time format tmsf wait"},
                    kPresent,
                    {"status cdaudio position"}}));
  EXPECT_EQ(sends([&] { audio_.length(); }),
            joined({{"open cdaudio", "set cdaudio time format ms wait"},
                    kPresent,
                    {"status cdaudio length wait", "set cdaudio time format tmsf wait"}}));
  EXPECT_EQ(sends([&] { audio_.track_length(4); }),
            joined({{"open cdaudio"},
                    kPresent,
                    {"status cdaudio number of tracks", "set cdaudio time format milliseconds wait",
                     "status cdaudio length track 4", "set cdaudio time format tmsf wait"}}));
  EXPECT_EQ(sends([&] { audio_.position(); }),
            (Commands{"set cdaudio time format milliseconds wait", "status cdaudio position",
                      "set cdaudio time format tmsf wait"}));
  EXPECT_EQ(sends([&] { audio_.track_position(); }),
            (Commands{"set cdaudio time format tmsf wait", "status cdaudio position"}));
  EXPECT_EQ(sends([&] { audio_.stop(); }), joined({kPresent, {"stop cdaudio"}}));
  EXPECT_EQ(sends([&] { audio_.pause(); }), joined({kPresent, {"pause cdaudio"}}));
  EXPECT_EQ(sends([&] { audio_.resume(); }), joined({kPresent, {"play cdaudio"}}));
  EXPECT_EQ(sends([&] { audio_.open_door(); }),
            (Commands{"open cdaudio", "set cdaudio door open"}));
  EXPECT_EQ(sends([&] { audio_.close_door(); }),
            (Commands{"open cdaudio", "set cdaudio door closed"}));
}

TEST_F(CdTest, PlayingARangeEndsAtTheNextTrackUnlessItIsTheLast) {
  Commands number = joined({{"open cdaudio"}, kPresent, {"status cdaudio number of tracks"}});
  EXPECT_EQ(
      sends([&] { audio_.play(3, 3); }),
      joined(
          {kPresent, {"set cdaudio time format tmsf wait"}, number, {"play cdaudio from 3 to 4"}}));
  EXPECT_EQ(sent_.back(), "play cdaudio from 3 to 4");
  sends([&] { audio_.play(3, 10); });
  EXPECT_EQ(sent_.back(), "play cdaudio from 3");
  sends([&] { audio_.play(-2, 1); });
  EXPECT_EQ(sent_.back(), "play cdaudio from 1 to 2");
  // A range the wrong way round sends nothing past the question.
  EXPECT_EQ(sends([&] { audio_.play(4, 3); }), kPresent);

  // Tracks 3 alone: the drive plays from its start to the start of track 4, then stops.
  audio_.play(3, 3);
  EXPECT_TRUE(audio_.playing());
  EXPECT_EQ(audio_.track(), 3);
  drive_->advance(3 * kMinute - 1);
  EXPECT_EQ(audio_.track(), 3);
  drive_->advance(5);
  EXPECT_FALSE(audio_.playing());
  EXPECT_EQ(drive_->position(), 6 * kMinute);
}

TEST_F(CdTest, PositionsAndLengths) {
  EXPECT_EQ(audio_.number(), 10);
  EXPECT_EQ(audio_.length(), 55 * 60000);
  EXPECT_EQ(audio_.track_length(3), 3 * 60000);
  EXPECT_EQ(audio_.track_length(10), 10 * 60000);
  EXPECT_EQ(audio_.track_length(0), 0);
  EXPECT_EQ(audio_.track_length(11), 0);

  audio_.play(3, 5);
  drive_->advance_milliseconds(125000);
  EXPECT_EQ(audio_.track(), 3);
  EXPECT_EQ(audio_.track_position(), 2 * 60000 + 5 * 1000);
  EXPECT_EQ(audio_.position(), 3 * 60000 + 125000);
  // Into the next track, the track position starts again.
  drive_->advance_milliseconds(55000 + 10000);
  EXPECT_EQ(audio_.track(), 4);
  EXPECT_EQ(audio_.track_position(), 10000);
  // Every function leaves the device in tmsf.
  EXPECT_EQ(device_.time_format(), CdTimeFormat::tmsf);
}

TEST_F(CdTest, PauseResumeAndStop) {
  audio_.play(1, 10);
  drive_->advance(kCdFramesPerSecond);
  EXPECT_TRUE(audio_.playing());
  EXPECT_FALSE(audio_.paused());

  audio_.pause();
  drive_->advance(10 * kCdFramesPerSecond);
  EXPECT_FALSE(audio_.playing());
  EXPECT_TRUE(audio_.paused());
  EXPECT_EQ(audio_.position(), 1000);
  EXPECT_EQ(device_.send("status cdaudio mode"), "paused");

  audio_.resume();
  EXPECT_TRUE(audio_.playing());
  drive_->advance(kCdFramesPerSecond);
  EXPECT_EQ(audio_.position(), 2000);

  // Stopped counts as paused; a plain play goes on from where it stopped, to the end.
  audio_.stop();
  EXPECT_FALSE(audio_.playing());
  EXPECT_TRUE(audio_.paused());
  EXPECT_EQ(device_.send("status cdaudio mode"), "stopped");
  audio_.resume();
  EXPECT_TRUE(audio_.playing());
  EXPECT_EQ(audio_.position(), 2000);
  EXPECT_EQ(drive_->play_end(), 55 * kMinute);
}

TEST_F(CdTest, SeeksKeepPlayingOrStayStopped) {
  // Stopped: the position moves, nothing plays.
  audio_.set_position(90000);
  EXPECT_EQ(sent_.back(), "set cdaudio time format tmsf");
  EXPECT_FALSE(audio_.playing());
  EXPECT_EQ(audio_.position(), 90000);
  EXPECT_EQ(audio_.track(), 2);
  EXPECT_EQ(audio_.track_position(), 30000);

  // Playing: it goes on from the new place.
  audio_.play(2, 2);
  sends([&] { audio_.set_position(7 * 60000); });
  EXPECT_NE(std::find(sent_.begin(), sent_.end(), "play cdaudio from 420000"), sent_.end());
  EXPECT_TRUE(audio_.playing());
  EXPECT_EQ(audio_.track(), 4);
  // Played from there to the end of the disc, not to the end of the old range.
  EXPECT_EQ(drive_->play_end(), 55 * kMinute);

  // Within the current track.
  sends([&] { audio_.set_track_position(2 * 60000 + 5500); });
  EXPECT_EQ(sent_[sent_.size() - 2], "play cdaudio from 4:2:5");
  EXPECT_TRUE(audio_.playing());
  EXPECT_EQ(audio_.track_position(), 125000);
  audio_.stop();
  sends([&] { audio_.set_track_position(60000); });
  EXPECT_EQ(sent_[sent_.size() - 2], "seek cdaudio to 4:1:0");
  EXPECT_FALSE(audio_.playing());
  EXPECT_EQ(audio_.track_position(), 60000);
  EXPECT_EQ(device_.time_format(), CdTimeFormat::tmsf);
}

TEST_F(CdTest, WithoutADiscEveryQueryIsZeroAndNothingIsSent) {
  drive_->set_disc_inserted(false);
  EXPECT_FALSE(audio_.present());
  EXPECT_EQ(audio_.number(), 0);
  EXPECT_FALSE(audio_.playing());
  EXPECT_FALSE(audio_.paused());
  EXPECT_EQ(audio_.track(), 0);
  EXPECT_EQ(audio_.length(), 0);
  EXPECT_EQ(audio_.track_length(1), 0);
  EXPECT_EQ(audio_.position(), 0);
  EXPECT_EQ(audio_.track_position(), 0);
  for (auto call : {+[](CCdAudio& a) { a.play(1, 10); }, +[](CCdAudio& a) { a.stop(); },
                    +[](CCdAudio& a) { a.pause(); }, +[](CCdAudio& a) { a.resume(); },
                    +[](CCdAudio& a) { a.set_position(1000); },
                    +[](CCdAudio& a) { a.set_track_position(1000); }}) {
    EXPECT_EQ(sends([&] { call(audio_); }), kPresent);
  }
  EXPECT_EQ(device_.send("status cdaudio mode"), "not ready");

  // Put back, it plays.
  drive_->set_disc_inserted(true);
  audio_.play(1, 1);
  EXPECT_TRUE(audio_.playing());
}

TEST_F(CdTest, TheDoorTakesTheDiscAway) {
  audio_.play(2, 3);
  audio_.open_door();
  EXPECT_TRUE(drive_->door_open());
  EXPECT_FALSE(audio_.present());
  EXPECT_FALSE(audio_.playing());
  EXPECT_EQ(device_.send("status cdaudio mode"), "open");
  audio_.close_door();
  EXPECT_FALSE(drive_->door_open());
  EXPECT_TRUE(audio_.present());
  EXPECT_TRUE(audio_.paused());
  EXPECT_EQ(audio_.position(), 0);
}

TEST_F(CdTest, RepliesInEachTimeFormat) {
  EXPECT_EQ(device_.send("status cdaudio mode"), "");  // not open yet
  EXPECT_EQ(device_.send("open cdaudio"), "1");
  // A device opens in msf.
  EXPECT_EQ(device_.send("status cdaudio time format"), "msf");
  EXPECT_EQ(device_.send("seek cdaudio to 3:2:5"), "");
  EXPECT_EQ(device_.send("status cdaudio position"), "03:02:05");
  EXPECT_EQ(device_.send("status cdaudio length track 2"), "02:00:00");
  EXPECT_EQ(device_.send("status cdaudio position track 3"), "03:00:00");

  EXPECT_EQ(device_.send("SET CDAUDIO TIME FORMAT TMSF WAIT"), "");
  EXPECT_EQ(device_.send("status cdaudio position"), "03:00:02:05");
  EXPECT_EQ(device_.send("status cdaudio length"), "55:00:00");
  EXPECT_EQ(device_.send("status cdaudio current track"), "3");
  EXPECT_EQ(device_.send("status cdaudio number of tracks"), "10");
  EXPECT_EQ(device_.send("status cdaudio type track 1"), "audio");
  EXPECT_EQ(device_.send("seek cdaudio to 10:9:59:74"), "");
  EXPECT_EQ(device_.send("status cdaudio position"), "10:09:59:74");

  EXPECT_EQ(device_.send("set cdaudio time format milliseconds"), "");
  EXPECT_EQ(device_.send("status cdaudio time format"), "milliseconds");
  EXPECT_EQ(device_.send("status cdaudio length track 1"), "60000");
  EXPECT_EQ(device_.send("seek cdaudio to 1520"), "");
  EXPECT_EQ(device_.send("status cdaudio position"), "1520");
  // The drive's unit is the frame, 1/75 s: a position between two frames reads as the first.
  EXPECT_EQ(device_.send("seek cdaudio to 1500"), "");
  EXPECT_EQ(device_.send("status cdaudio position"), "1493");
  EXPECT_EQ(device_.send("seek cdaudio to end"), "");
  EXPECT_EQ(device_.send("status cdaudio position"), "3300000");
  // An unknown format keeps the one in force.
  EXPECT_EQ(device_.send("set cdaudio time format frames"), "");
  EXPECT_EQ(device_.send("status cdaudio time format"), "milliseconds");
  EXPECT_EQ(device_.send("status cdaudio media present notify"), "true");
}

TEST_F(CdTest, BadCommandsAnswerEmptyAndChangeNothing) {
  device_.send("open cdaudio");
  device_.send("set cdaudio time format tmsf");
  device_.send("play cdaudio from 2 to 3");
  for (const char* command :
       {"", "play", "play cdaudio from 11", "play cdaudio from 2 to 11", "play cdaudio from 3:x",
        "play cdaudio from 0", "play cdaudio from", "play cdaudio to 4 to 5", "seek cdaudio 3",
        "seek cdaudio to 1:99999999", "status cdaudio length track 11",
        "status cdaudio length track x", "status cdaudio volume", "eject cdaudio",
        "play waveaudio from 1", "open new type waveaudio alias x", "stop cdaudio now",
        "set cdaudio door ajar", "status cdaudio position 1:2:3:4:5"}) {
    EXPECT_EQ(device_.send(command), "") << command;
  }
  EXPECT_EQ(device_.send("status cdaudio mode"), "playing");
  EXPECT_EQ(device_.send("status cdaudio position"), "02:00:00:00");
  EXPECT_EQ(drive_->play_end(), 3 * kMinute);
  // A closed device does nothing until opened again.
  device_.send("close cdaudio");
  EXPECT_EQ(device_.send("stop cdaudio"), "");
  EXPECT_EQ(device_.send("status cdaudio mode"), "");
  EXPECT_EQ(drive_->mode(), CdMode::playing);
}

TEST(CdReplies, NumbersAreTheDigitsOfTheReply) {
  EXPECT_EQ(reply_number("125000"), 125000);
  EXPECT_EQ(reply_number("03:02:05:00"), 3020500);
  EXPECT_EQ(reply_number(""), 0);
  EXPECT_EQ(reply_number("true"), 0);
  EXPECT_EQ(reply_number(std::string(40, '9')), 999999999999999999);
}

// CI machines have no drive: the system drive must say so at once, and every function
// answers as with no disc.
TEST(CdSystemDrive, WithoutADriveEverythingAnswersZeroQuickly) {
  std::unique_ptr<ICdDrive> probe = create_cd_drive();
  if (probe->exists()) GTEST_SKIP() << "this machine has a CD drive";
  CCdInterpreter device(create_cd_drive());
  CCdAudio audio(device);
  auto start = std::chrono::steady_clock::now();
  audio.init();
  EXPECT_FALSE(audio.present());
  EXPECT_EQ(audio.number(), 0);
  EXPECT_FALSE(audio.playing());
  EXPECT_FALSE(audio.paused());
  EXPECT_EQ(audio.track(), 0);
  EXPECT_EQ(audio.length(), 0);
  EXPECT_EQ(audio.position(), 0);
  EXPECT_EQ(audio.track_position(), 0);
  audio.play(1, 2);
  audio.set_position(1000);
  audio.open_door();
  audio.close_door();
  EXPECT_EQ(device.send("open cdaudio"), "");
  EXPECT_FALSE(device.is_open());
  auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_LT(elapsed, std::chrono::milliseconds(200));
}

}  // namespace
}  // namespace vn::test
