// The audio CD functions as scripts call them: their arguments, their results, MCI_command
// on the same device, and the system drive where there is none.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/Platform_CdAudio.h"
#include "runner/Runner_Library.h"
#include "script/Code_Function.h"
#include "script/Script_Test_Support.h"
#include "support/Support_CD.h"

namespace vn::test {
namespace {

constexpr int32_t kMinute = 60 * kCdFramesPerSecond;

class CdFunctions : public ScriptTest {
 protected:
  void SetUp() override {
    ScriptTest::SetUp();
    register_game_library();
    // Four tracks of 4, 3, 2 and 1 minutes.
    auto drive = std::make_unique<CSimulatedCdDrive>(
        std::vector<int32_t>{4 * kMinute, 3 * kMinute, 2 * kMinute, kMinute});
    drive_ = drive.get();
    cd_device().set_drive(std::move(drive));
    cd_device().set_observer(
        [this](const std::string& command, const std::string&) { sent_.push_back(command); });
  }
  void TearDown() override {
    cd_device().set_observer(nullptr);
    cd_device().set_drive(create_cd_drive());
    ScriptTest::TearDown();
  }

  CSimulatedCdDrive* drive_ = nullptr;
  std::vector<std::string> sent_;
};

TEST_F(CdFunctions, AllAreRegisteredWithTheirArgumentCounts) {
  const std::vector<std::pair<const char*, int>> expected = {
      {"cd_init", 0},         {"cd_present", 0},
      {"cd_number", 0},       {"cd_playing", 0},
      {"cd_paused", 0},       {"cd_track", 0},
      {"cd_length", 0},       {"cd_track_length", 1},
      {"cd_position", 0},     {"cd_track_position", 0},
      {"cd_play", 2},         {"cd_stop", 0},
      {"cd_pause", 0},        {"cd_resume", 0},
      {"cd_set_position", 1}, {"cd_set_track_position", 1},
      {"cd_open_door", 0},    {"cd_close_door", 0},
      {"MCI_command", 1}};
  for (const auto& [name, count] : expected) {
    int32_t id = -1;
    ASSERT_TRUE(find_function(name, id)) << name;
    EXPECT_EQ(function_argument_count(id), count) << name;
  }
}

TEST_F(CdFunctions, ScriptsPlayAndReadTheDisc) {
  EXPECT_EQ(value_of("return cd_present()"), "1");
  EXPECT_EQ(value_of("return cd_number()"), "4");
  EXPECT_EQ(value_of("return cd_length()"), "600000");
  EXPECT_EQ(value_of("return cd_track_length(2)"), "180000");

  sent_.clear();
  // Arguments are rounded to whole tracks.
  ASSERT_TRUE(run("cd_play(1.6, 2.4)").ok);
  EXPECT_EQ(sent_.back(), "play cdaudio from 2 to 3");
  drive_->advance_milliseconds(125000);
  EXPECT_EQ(value_of("return cd_playing()"), "1");
  EXPECT_EQ(value_of("return cd_paused()"), "0");
  EXPECT_EQ(value_of("return cd_track()"), "2");
  EXPECT_EQ(value_of("return cd_track_position()"), "125000");
  EXPECT_EQ(value_of("return cd_position()"), "365000");
  EXPECT_EQ(value_of("return MCI_command('status cdaudio mode')"), "'playing'");

  ASSERT_TRUE(run("cd_pause()").ok);
  EXPECT_EQ(value_of("return cd_paused()"), "1");
  ASSERT_TRUE(run("cd_resume(); cd_set_track_position(30000)").ok);
  EXPECT_EQ(value_of("return cd_track_position()"), "30000");
  EXPECT_EQ(value_of("return cd_playing()"), "1");
  ASSERT_TRUE(run("cd_stop(); cd_set_position(1000)").ok);
  EXPECT_EQ(value_of("return cd_position()"), "1000");
  EXPECT_EQ(value_of("return cd_playing()"), "0");

  ASSERT_TRUE(run("cd_open_door()").ok);
  EXPECT_TRUE(drive_->door_open());
  EXPECT_EQ(value_of("return cd_present()"), "0");
  ASSERT_TRUE(run("cd_close_door(); cd_init()").ok);
  EXPECT_EQ(value_of("return cd_present()"), "1");
  EXPECT_TRUE(display_.shown.empty());
}

TEST_F(CdFunctions, MciCommandRepliesAsText) {
  EXPECT_EQ(value_of("return MCI_command('open cdaudio')"), "'1'");
  EXPECT_EQ(value_of("return MCI_command('status cdaudio number of tracks')"), "'4'");
  EXPECT_EQ(value_of("return MCI_command('set cdaudio time format tmsf')"), "''");
  EXPECT_EQ(value_of("return MCI_command('status cdaudio length track 3')"), "'02:00:00'");
  // A device this runner does not have, a command it does not know, a number: all empty.
  EXPECT_EQ(value_of("return MCI_command('play music from 0')"), "''");
  EXPECT_EQ(value_of("return MCI_command('spin cdaudio')"), "''");
  EXPECT_EQ(value_of("return MCI_command(5)"), "''");
  EXPECT_TRUE(display_.shown.empty());
}

TEST_F(CdFunctions, WithoutADiscQueriesAreZero) {
  drive_->set_disc_inserted(false);
  for (const char* query :
       {"cd_present()", "cd_number()", "cd_playing()", "cd_paused()", "cd_track()", "cd_length()",
        "cd_track_length(1)", "cd_position()", "cd_track_position()"}) {
    EXPECT_EQ(value_of(std::string("return ") + query), "0") << query;
  }
  ASSERT_TRUE(run("cd_play(1, 4); cd_resume(); cd_set_position(5000)").ok);
  EXPECT_EQ(drive_->mode(), CdMode::not_ready);
  EXPECT_EQ(value_of("return MCI_command('status cdaudio media present')"), "'false'");
}

TEST_F(CdFunctions, WithoutADriveQueriesAreZero) {
  cd_device().set_drive(create_cd_drive());
  if (cd_device().drive().exists()) GTEST_SKIP() << "this machine has a CD drive";
  for (const char* query : {"cd_present()", "cd_number()", "cd_playing()", "cd_length()",
                            "cd_position()", "cd_track_position()"}) {
    EXPECT_EQ(value_of(std::string("return ") + query), "0") << query;
  }
  EXPECT_EQ(value_of("return MCI_command('open cdaudio')"), "''");
}

}  // namespace
}  // namespace vn::test
