#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Platform_FileIo.h"
#include "world/Save_Game.h"
#include "world/World_Test_Support.h"

namespace vn::test {
namespace {

using Lines = std::vector<std::string>;

// A game with two rooms, the first persistent, whose create and room-start events log.
class SavedGames : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    folder_ = std::filesystem::temp_directory_path() /
              ("vn_save_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
    file_ = (folder_ / "slot.sav").string();
  }
  void TearDown() override {
    std::error_code error;
    std::filesystem::remove_all(folder_, error);
    WorldTest::TearDown();
  }

  void build_and_start() {
    game_.game_id = 4242;
    obj_ = add_object("obj_walker");
    on(obj_, kEventCreate, 0, "show_debug_message('create');");
    on(obj_, kEventOther, 4, "show_debug_message('room start');");
    add_room("first").persistent = true;
    add_room("second");
    first_ = place(0, obj_, 10, 20, "show_debug_message('instance code');");
    sleeper_ = place(1, obj_, 30, 40);
    mover_ = place(1, obj_, 50, 60);
    ASSERT_TRUE(start());
    exec("x = 111; hspeed = 2;", instance(first_));
    exec("room_goto(1);");
    run_steps(1);
    ASSERT_EQ(world_state().room, 1);
    take_log();
  }

  // What a failed load must leave untouched.
  struct RSnapshot {
    size_t instances = 0;
    std::vector<double> xs;
    std::string global;
    int64_t steps = 0;
    bool operator==(const RSnapshot&) const = default;
  };
  RSnapshot snapshot() {
    RSnapshot shot;
    shot.instances = room().instances().size() + room().deactivated().size();
    for (const auto& in : room().instances()) shot.xs.push_back(in->x);
    shot.global = eval("string(global.g)").string.str();
    shot.steps = world_state().step_counter;
    return shot;
  }

  std::vector<uint8_t> file_bytes() {
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(read_file(file_, bytes, error)) << error;
    return bytes;
  }

  void load_now() {
    exec("game_load('" + file_ + "');");
    EXPECT_EQ(world_state().pending_room, kRequestLoad);
    handle_request();
  }

  std::filesystem::path folder_;
  std::string file_;
  int obj_ = 0;
  int first_ = 0;
  int sleeper_ = 0;
  int mover_ = 0;
};

TEST_F(SavedGames, LoadRestoresTheWorldWithoutRunningAnyCode) {
  build_and_start();
  CInstance* mover = instance(mover_);
  exec("x = 77; speed = 3; direction = 90; alarm[3] = 9; v = 'local'; a[2] = 5;", mover);
  exec("global.g = 12; globalvar gv; gv = 4;");
  exec("instance_deactivate_object(" + std::to_string(sleeper_) + ");");
  exec("tile_add(0, 1, 2, 3, 4, 5, 6, 7);");
  ASSERT_EQ(room().deactivated().size(), 1u);
  int64_t steps = world_state().step_counter;
  exec("game_save('" + file_ + "');");
  ASSERT_TRUE(display_.shown.empty()) << display_.shown[0];

  // Change everything, then go back.
  exec("x = 0; speed = 0; alarm[3] = -1; v = 'changed';", mover);
  exec("global.g = 99; gv = 0; instance_activate_all(); room_goto(0);");
  run_steps(3);
  take_log();
  load_now();

  EXPECT_TRUE(take_log().empty());
  ASSERT_EQ(world_state().room, 1);
  EXPECT_EQ(world_state().step_counter, steps);
  mover = instance(mover_);
  ASSERT_NE(mover, nullptr);
  EXPECT_EQ(mover->x, 77);
  EXPECT_EQ(mover->speed, 3);
  EXPECT_NEAR(mover->vspeed, -3, 1e-9);
  EXPECT_EQ(mover->alarm[3], 9);
  EXPECT_EQ(mover->object, &object(obj_));
  EXPECT_EQ(eval("v", mover).string.str(), "local");
  EXPECT_EQ(eval("a[2]", mover).real, 5);
  EXPECT_EQ(eval("global.g").real, 12);
  EXPECT_EQ(eval("gv").real, 4);  // still a declared global
  ASSERT_EQ(room().deactivated().size(), 1u);
  EXPECT_EQ(room().deactivated()[0]->id, sleeper_);
  EXPECT_EQ(instance(sleeper_), nullptr);
  ASSERT_EQ(room().tiles.size(), 1u);
  EXPECT_EQ(room().tiles[0].depth, 7);
  // The persistent room left behind came back as it was left.
  const CLiveRoom* first = world_state().live_rooms[0].get();
  ASSERT_NE(first, nullptr);
  ASSERT_EQ(first->instances().size(), 1u);
  EXPECT_EQ(first->instances()[0]->x, 111);
  EXPECT_EQ(first->instances()[0]->hspeed, 2);
  // The loaded game goes on from there.
  run_steps(1);
  EXPECT_EQ(instance(mover_)->y, 57);
  EXPECT_TRUE(take_log().empty());
}

TEST_F(SavedGames, FileStartsWithTheRunStateField) {
  build_and_start();
  exec("score = 250; lives = 3; health = 42.5;");
  exec("game_save('" + file_ + "');");
  CStream stream(file_bytes());
  EXPECT_EQ(read_int(stream), 540);
  EXPECT_EQ(read_int(stream), 4242);
  EXPECT_EQ(read_int(stream), 1);    // room
  EXPECT_EQ(read_int(stream), 0);    // transition kind
  EXPECT_EQ(read_int(stream), 250);  // score
  EXPECT_EQ(read_int(stream), 3);    // lives
  EXPECT_EQ(read_real(stream), 42.5);
  EXPECT_EQ(read_int(stream), -1);  // cursor sprite
  EXPECT_EQ(read_int(stream), int32_t(world_state().step_counter));
  uint8_t automatic_draw = 0;  // booleans take one byte
  stream.read(&automatic_draw, 1);
  EXPECT_EQ(automatic_draw, 1);
  EXPECT_EQ(read_int(stream), 700);
  EXPECT_EQ(read_int(stream), 440);
}

TEST_F(SavedGames, ForeignVersionAndDamagedFilesLeaveTheGameAsItWas) {
  build_and_start();
  exec("global.g = 1;");
  exec("game_save('" + file_ + "');");
  std::vector<uint8_t> good = file_bytes();
  exec("global.g = 2; with (all) x += 5;");
  RSnapshot before = snapshot();

  auto refused = [&](std::vector<uint8_t> bytes, const std::string& message) {
    std::string error;
    ASSERT_TRUE(write_file_atomic(file_, bytes, error));
    display_.shown.clear();
    load_now();
    ASSERT_EQ(display_.shown.size(), 1u);
    EXPECT_NE(display_.shown[0].find(message), std::string::npos) << display_.shown[0];
    EXPECT_EQ(snapshot(), before);
  };
  std::vector<uint8_t> other = good;
  other[4] ^= 1;
  refused(other, "This is a save file for a different game!");
  std::vector<uint8_t> old = good;
  old[0] = 0x20;
  refused(old, "Cannot load game saved with other version.");
  std::vector<uint8_t> longer = good;
  longer.push_back(0);
  refused(longer, "Failed to load game from file " + file_);

  // More room slots than the game has rooms, the extra ones empty.
  CStream globals;
  globals_save(globals);
  std::vector<uint8_t> slots = good;
  size_t slot_count_at = 44 + globals.size();
  int32_t five = 5;
  std::memcpy(slots.data() + slot_count_at, &five, 4);
  slots.insert(slots.end() - 8, 12, 0);
  refused(slots, "Failed to load game from file " + file_);

  // Every cut of a real save is refused.
  for (size_t length = 0; length < good.size(); ++length) {
    CStream cut(std::vector<uint8_t>(good.begin(), good.begin() + std::ptrdiff_t(length)));
    EXPECT_EQ(read_saved_game(cut, "x"), "Failed to load game from file x") << length;
  }
  EXPECT_EQ(snapshot(), before);

  // Hostile counts and kinds: every 32-bit field in turn made huge, negative or an
  // unknown object. Whatever each does, the game is either loaded or left as it was.
  for (int32_t hostile : {0x7FFFFFFF, -1, 999}) {
    for (size_t at = 44; at + 4 <= good.size(); at += 4) {
      std::vector<uint8_t> bytes = good;
      std::memcpy(bytes.data() + at, &hostile, 4);
      CStream stream(std::move(bytes));
      if (!read_saved_game(stream, "x").empty()) {
        ASSERT_EQ(snapshot(), before) << at;
      } else {
        CStream back(good);
        ASSERT_EQ(read_saved_game(back, "x"), "");
        exec("global.g = 2; with (all) x += 5;");
        before = snapshot();
      }
    }
  }
}

TEST_F(SavedGames, LoadAskedInAnEventHappensAfterTheStep) {
  build_and_start();
  exec("global.g = 1;");
  exec("game_save('" + file_ + "');");
  exec("global.g = 2;");
  on(obj_, kEventStep, 0,
     "if (id == " + std::to_string(mover_) + ") { game_load('" + file_ +
         "'); show_debug_message('rest of event ' + string(global.g)); }");
  on(obj_, kEventStep, 2, "show_debug_message('end step');");
  build_event_lists();
  run_steps(1);
  EXPECT_EQ(take_log(), (Lines{"rest of event 2"}));
  EXPECT_EQ(eval("global.g").real, 1);
}

TEST_F(SavedGames, SaveMessages) {
  build_and_start();
  run_state().secure_mode = true;
  exec("game_save('" + file_ + "');");
  ASSERT_EQ(display_.shown.size(), 1u);
  EXPECT_NE(display_.shown[0].find("In secure mode you cannot save game to file " + file_),
            std::string::npos);
  run_state().secure_mode = false;
  display_.shown.clear();
  std::string missing = (folder_ / "no" / "such.sav").string();
  exec("game_save('" + missing + "');");
  ASSERT_EQ(display_.shown.size(), 1u);
  EXPECT_NE(display_.shown[0].find("Failed to save game to file " + missing), std::string::npos);
  // A load of a file that is not there does nothing at all.
  display_.shown.clear();
  exec("game_load('" + missing + "');");
  handle_request();
  EXPECT_TRUE(display_.shown.empty());
}

TEST_F(SavedGames, FunctionKeysSaveAndLoadTheGameSlot) {
  std::filesystem::path was = std::filesystem::current_path();
  std::filesystem::current_path(folder_);
  build_and_start();
  exec("global.g = 3;");
  input_state().last_key = 116;
  run_steps(1);
  EXPECT_TRUE(std::filesystem::exists(folder_ / "_save4242.sav"));
  exec("global.g = 8;");
  input_state().last_key = 117;
  run_steps(1);
  EXPECT_EQ(eval("global.g").real, 3);
  std::filesystem::current_path(was);
}

}  // namespace
}  // namespace vn::test
