// Games stopped from outside, as a terminal's Ctrl+C, `timeout`, `kill` or a closing
// terminal stop them: standalone games and vn run, windowless, each in a process of its own.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "Test_Support.h"

extern char** environ;

namespace vn {
namespace {

namespace fs = std::filesystem;
using test::write_text;
using namespace std::chrono_literals;

// A game whose one instance says it started by writing "started", runs the given step code
// for ever, and leaves "room_end" and "game_end" behind when those events run. It also
// exports an included file into its folder that is to be removed at the end.
fs::path make_game(const fs::path& folder, const std::string& step_code) {
  write_text(folder / "game.json", R"({"game_id": 31,
    "objects": ["obj_main"], "rooms": ["rm_main"],
    "included_files": [{"name": "exported.txt", "stored": true, "data_follows": true,
      "data": "included/exported.txt", "export_mode": 2, "remove_at_end": true}]})");
  write_text(folder / "included" / "exported.txt", "exported");
  const std::string mark = "var f; f = file_text_open_write('NAME'); file_text_close(f);";
  auto marking = [&](const std::string& name) {
    std::string code = mark;
    code.replace(code.find("NAME"), 4, name);
    return code;
  };
  write_text(folder / "objects" / "obj_main.json",
             R"({"events": [
      {"type": "create", "actions": [")" +
                 marking("started") + R"("]},
      {"type": "step", "actions": [")" +
                 step_code + R"("]},
      {"type": "other", "number": 5, "actions": [")" +
                 marking("room_end") + R"("]},
      {"type": "other", "number": 3, "actions": [")" +
                 marking("game_end") + R"("]}]})");
  write_text(folder / "rooms" / "rm_main.json",
             R"({"speed": 30, "instances": [{"x": 0, "y": 0, "object": "obj_main"}]})");
  return folder;
}

// A program started in a folder of its own with no display and its own temp base; its
// output goes to files there.
class CGameProcess {
 public:
  CGameProcess(const fs::path& folder, std::vector<std::string> command) : folder_(folder) {
    fs::create_directories(folder / "tmp");
    std::vector<std::string> words = {"/usr/bin/env",    "-u",
                                      "DISPLAY",         "-u",
                                      "WAYLAND_DISPLAY", "TMPDIR=" + (folder / "tmp").string()};
    words.insert(words.end(), command.begin(), command.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, (folder / "out.txt").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, (folder / "err.txt").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    EXPECT_EQ(posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
  }
  ~CGameProcess() {
    if (pid_ > 0 && !waited_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }

  // Waits until the game's create event has run.
  bool started() const {
    for (auto end = std::chrono::steady_clock::now() + 20s; std::chrono::steady_clock::now() < end;
         std::this_thread::sleep_for(10ms)) {
      if (fs::exists(folder_ / "started")) return true;
      if (has_ended()) return false;
    }
    return false;
  }
  void send(int signal_number) const { ::kill(pid_, signal_number); }

  // The raw wait status, or -1 when the process did not end within the time given.
  int wait_for_end(std::chrono::milliseconds limit) {
    for (auto end = std::chrono::steady_clock::now() + limit;
         std::chrono::steady_clock::now() < end; std::this_thread::sleep_for(5ms)) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        waited_ = true;
        return status;
      }
    }
    return -1;
  }

  // The temp folders runners left in this process's temp base.
  int temp_folders() const {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(folder_ / "tmp")) {
      if (entry.path().filename().string().rfind("vn_ttt_", 0) == 0) ++count;
    }
    return count;
  }
  std::string err() const { return test::read_text(folder_ / "err.txt"); }

 private:
  bool has_ended() const { return ::kill(pid_, 0) != 0; }

  fs::path folder_;
  pid_t pid_ = -1;
  bool waited_ = false;
};

fs::path pack(const fs::path& project, const fs::path& game) {
  auto packed = test::run_command(test::quoted(VN_PATH) + " pack " + test::quoted(project) +
                                  " -o " + test::quoted(game));
  EXPECT_EQ(packed.status, 0) << packed.err;
  return game;
}

// The exit status a shell gives a program that ended by itself on the signal.
::testing::AssertionResult ended_on(int status, int signal_number) {
  if (status == -1) return ::testing::AssertionFailure() << "still running";
  if (!WIFEXITED(status)) {
    return ::testing::AssertionFailure() << "killed by signal " << WTERMSIG(status);
  }
  if (WEXITSTATUS(status) != 128 + signal_number) {
    return ::testing::AssertionFailure() << "exit status " << WEXITSTATUS(status);
  }
  return ::testing::AssertionSuccess();
}

// One signal ends the game as game_end would: its room-end and game-end events run, then the
// clean-up removes the included file and the temp folder, all within a second.
TEST(StopSignals, OneSignalEndsTheGameWithItsEventsAndCleanUp) {
  struct RCase {
    const char* name;
    int signal_number;
    bool standalone;
    const char* step_code;
  };
  const RCase cases[] = {
      {"term_standalone", SIGTERM, true, "x = 1;"},
      {"int_vn_run", SIGINT, false, "x = 1;"},
      {"hup_standalone", SIGHUP, true, "x = 1;"},
      // Blocked in a waiting function that nobody will ever answer.
      {"term_keyboard_wait", SIGTERM, true, "keyboard_wait();"},
      {"term_program_wait", SIGTERM, true, "execute_program('/bin/sleep', '30', true);"},
  };
  for (const RCase& c : cases) {
    SCOPED_TRACE(c.name);
    test::ScratchDir scratch(std::string("stop_") + c.name);
    const fs::path project = make_game(scratch / "project", c.step_code);
    const fs::path run = scratch / "run";
    fs::create_directories(run);
    std::vector<std::string> command;
    if (c.standalone) {
      command = {pack(project, run / "game").string()};
    } else {
      command = {VN_PATH, "run", "--headless", project.string()};
    }
    CGameProcess game(run, command);
    ASSERT_TRUE(game.started()) << game.err();
    // Exported into the working folder, and removed from there at the end.
    EXPECT_TRUE(fs::exists(run / "exported.txt"));
    EXPECT_EQ(game.temp_folders(), 1);
    game.send(c.signal_number);
    EXPECT_TRUE(ended_on(game.wait_for_end(1000ms), c.signal_number)) << game.err();
    EXPECT_TRUE(fs::exists(run / "room_end"));
    EXPECT_TRUE(fs::exists(run / "game_end"));
    EXPECT_FALSE(fs::exists(run / "exported.txt"));
    EXPECT_EQ(game.temp_folders(), 0);
    EXPECT_EQ(game.err(), "");
  }
}

// A second signal does not wait for the game: no more of its code runs, only the clean-up,
// even when its code never gives way by itself.
TEST(StopSignals, ASecondSignalSkipsTheEventsAndCleansUpAtOnce) {
  struct RCase {
    const char* name;
    const char* step_code;
  };
  const RCase cases[] = {
      {"while", "while (true) { x += 1; }"},
      {"repeat_in_script", "spin();"},
  };
  for (const RCase& c : cases) {
    SCOPED_TRACE(c.name);
    test::ScratchDir scratch(std::string("stop_twice_") + c.name);
    const fs::path project = make_game(scratch / "project", c.step_code);
    write_text(project / "scripts" / "spin.vns", "repeat (1000000000000) { x += 1; }");
    std::string json = test::read_text(project / "game.json");
    json.replace(json.find("\"objects\""), 0, "\"scripts\": [\"spin\"], ");
    write_text(project / "game.json", json);
    const fs::path run = scratch / "run";
    fs::create_directories(run);
    CGameProcess game(run, {pack(project, run / "game").string()});
    ASSERT_TRUE(game.started()) << game.err();
    game.send(SIGTERM);
    // Stuck in its step, the game cannot end by itself.
    EXPECT_EQ(game.wait_for_end(300ms), -1);
    game.send(SIGINT);
    // The first signal's number is the one the status gives.
    EXPECT_TRUE(ended_on(game.wait_for_end(1500ms), SIGTERM)) << game.err();
    EXPECT_FALSE(fs::exists(run / "game_end"));
    EXPECT_FALSE(fs::exists(run / "exported.txt"));
    EXPECT_EQ(game.temp_folders(), 0);
  }
}

// A runner killed outright leaves its temp folder; the next runner removes it, and never the
// folder of a runner that is still alive.
TEST(StopSignals, TheNextRunnerRemovesTheFoldersOfKilledOnes) {
  test::ScratchDir scratch("stop_killed");
  const fs::path project = make_game(scratch / "project", "x = 1;");
  const fs::path run = scratch / "run";
  fs::create_directories(run);
  const fs::path game_file = pack(project, run / "game");
  {
    CGameProcess killed(run, {game_file.string()});
    ASSERT_TRUE(killed.started()) << killed.err();
    killed.send(SIGKILL);
    killed.wait_for_end(2000ms);
  }
  fs::remove(run / "started");
  CGameProcess alive(run, {game_file.string()});
  ASSERT_TRUE(alive.started()) << alive.err();
  EXPECT_EQ(alive.temp_folders(), 1);  // its own
  fs::remove(run / "started");
  {
    CGameProcess second(run, {game_file.string()});
    ASSERT_TRUE(second.started()) << second.err();
    EXPECT_EQ(second.temp_folders(), 2);  // the live one's and its own
    second.send(SIGTERM);
    EXPECT_TRUE(ended_on(second.wait_for_end(1000ms), SIGTERM));
  }
  EXPECT_EQ(alive.temp_folders(), 1);
  alive.send(SIGTERM);
  EXPECT_TRUE(ended_on(alive.wait_for_end(1000ms), SIGTERM));
  EXPECT_EQ(alive.temp_folders(), 0);
}

// Games killed while they write their ini file again and again leave no temporary files
// once the next write is done.
TEST(StopSignals, KilledIniWritersLeaveNothingOnceTheNextWriteIsDone) {
  test::ScratchDir scratch("stop_ini");
  const fs::path project = make_game(
      scratch / "project",
      "ini_open('settings.ini'); repeat (200) { ini_write_real('scores', string(random(1000)), "
      "random(1)); } ini_close(); global.writes += 1; if global.writes == 3 game_end();");
  std::string json = test::read_text(project / "objects" / "obj_main.json");
  json.replace(json.find("var f;"), 0, "global.writes = 0; ");
  write_text(project / "objects" / "obj_main.json", json);
  const fs::path run = scratch / "run";
  fs::create_directories(run);
  const fs::path game_file = pack(project, run / "game");
  for (int kill = 0; kill < 6; ++kill) {
    fs::remove(run / "started");
    CGameProcess game(run, {game_file.string()});
    ASSERT_TRUE(game.started()) << game.err();
    std::this_thread::sleep_for(std::chrono::milliseconds(3 * kill));
    game.send(SIGKILL);
    game.wait_for_end(2000ms);
  }
  fs::remove(run / "started");
  CGameProcess last(run, {game_file.string()});
  ASSERT_TRUE(last.started());
  const int status = last.wait_for_end(20000ms);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << last.err();
  for (const auto& entry : fs::directory_iterator(run)) {
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
  }
  EXPECT_EQ(last.temp_folders(), 0);
}

}  // namespace
}  // namespace vn
