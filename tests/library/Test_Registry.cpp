#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <random>

#include "Test_File_Support.h"
#include "library/Support_Registry.h"
#include "platform/Platform_FileIo.h"

namespace vn::test {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

RRegistryValue real_value(double x) { return {true, x, ""}; }
RRegistryValue string_value(std::string s) { return {false, 0, std::move(s)}; }

std::string file_text(const fs::path& path) {
  std::vector<uint8_t> bytes;
  std::string error;
  read_file(path, bytes, error);
  return std::string(bytes.begin(), bytes.end());
}

TEST(RegistryStore, FormatKeepsKindsAndEscapesEveryAwkwardByte) {
  RRegistryData data;
  RRegistryKey& key = data["hkey_current_user\\software\\x"];
  key.path = "HKEY_CURRENT_USER\\Software\\X";
  key.values["tab"] = {"Tab", string_value("a\tb\r\nc%d\x01\xE9\x81")};
  key.values["n"] = {"N", real_value(0.1)};
  key.values["inf"] = {"Inf", real_value(-HUGE_VAL)};
  key.values[""] = {"", string_value("")};
  const std::string text = format_registry(data);
  EXPECT_EQ(text,
            "varnock registry 1\n"
            "key\tHKEY_CURRENT_USER\\Software\\X\n"
            "string\t\t\n"
            "real\tInf\t-inf\n"
            "real\tN\t0.1\n"
            "string\tTab\ta%09b%0D%0Ac%25d%01\xC3\xA9\xC2\x81\n"
            "end\n");
  RRegistryData back;
  ASSERT_TRUE(parse_registry(text, back));
  EXPECT_EQ(back, data);
}

TEST(RegistryStore, OnlyACompleteStoreParses) {
  const std::string whole = "varnock registry 1\nkey\tK\nreal\ta\t1\nstring\tb\tx\nend\n";
  RRegistryData data;
  EXPECT_TRUE(parse_registry(whole, data));
  for (size_t cut = 0; cut < whole.size(); ++cut) {
    EXPECT_FALSE(parse_registry(whole.substr(0, cut), data)) << cut;
  }
  // A damaged line is skipped, the rest is kept, and the store counts as damaged.
  EXPECT_FALSE(
      parse_registry("varnock registry 1\nkey\tK\nreal\ta\tnope\nstring\tb\tx\nend\n", data));
  EXPECT_EQ(data["k"].values.size(), 1u);
  EXPECT_FALSE(parse_registry("other 1\nend\n", data));
  EXPECT_FALSE(parse_registry("varnock registry 1\nreal\ta\t1\nend\n", data));
  EXPECT_FALSE(parse_registry(whole + "key\tK2\n", data));
}

TEST(RegistryStore, BooleansKeysAndRoots) {
  EXPECT_TRUE(registry_value_truth(real_value(0.5)));
  EXPECT_FALSE(registry_value_truth(real_value(0)));
  EXPECT_FALSE(registry_value_truth(real_value(-1)));
  EXPECT_TRUE(registry_value_truth(string_value("1")));
  EXPECT_TRUE(registry_value_truth(string_value(" 2.5 ")));
  EXPECT_FALSE(registry_value_truth(string_value("0")));
  EXPECT_FALSE(registry_value_truth(string_value("yes")));
  EXPECT_FALSE(registry_value_truth(string_value("")));

  EXPECT_EQ(registry_key_path(kCurrentUser, "\\Software\\\\Varnock\\"),
            "HKEY_CURRENT_USER\\Software\\Varnock");
  EXPECT_EQ(registry_key_path(registry_root_from_number(1), "A"), "HKEY_LOCAL_MACHINE\\A");
  EXPECT_EQ(registry_key_path(registry_root_from_number(2), ""), "HKEY_CLASSES_ROOT");
  EXPECT_EQ(registry_key_path(registry_root_from_number(3), "B"), "HKEY_USERS\\B");
  EXPECT_EQ(registry_key_path(registry_root_from_number(7), "B"), "HKEY_CURRENT_USER\\B");
}

TEST(RegistryStore, SecureModePreference) {
  ScratchDir dir("registry_secure");
  set_registry_folder(dir.path());
  const std::string key =
      registry_key_path(kCurrentUser, "Software\\Varnock\\Version 8\\Preferences");
  EXPECT_FALSE(read_secure_mode_preference());
  registry_store().write(key, "Warning", string_value("1"));
  EXPECT_TRUE(read_secure_mode_preference());
  registry_store().write(key, "VarnockRunning", real_value(0));
  EXPECT_FALSE(read_secure_mode_preference());
  registry_store().write(key, "varnockrunning", real_value(1));
  // Read afresh by a new run.
  set_registry_folder(dir.path());
  EXPECT_TRUE(read_secure_mode_preference());
  registry_store().write(key, "WARNING", real_value(0));
  EXPECT_FALSE(read_secure_mode_preference());
  set_registry_folder(dir / "elsewhere");
}

class RegistryFunctions : public FileTest {};

TEST_F(RegistryFunctions, GameKeyExtKeysAndKinds) {
  run_state().game_id = 4321;
  call("registry_write_real", {"Score", 1500.0});
  call("registry_write_string", {"Name", "Zo\xEB"});
  EXPECT_EQ(real("registry_read_real", {"score"}), 1500);
  EXPECT_EQ(text_of("registry_read_string", {"NAME"}), "Zo\xEB");
  // A value keeps its kind.
  EXPECT_EQ(text_of("registry_read_string", {"Score"}), "");
  EXPECT_EQ(real("registry_read_real", {"Name"}), 0);
  EXPECT_EQ(real("registry_exists", {"Score"}), 1);
  EXPECT_EQ(real("registry_exists", {"Missing"}), 0);

  call("registry_write_real_ext", {"Software\\Other", "v", 2.0});
  call("registry_set_root", {1.0});
  call("registry_write_string_ext", {"\\Software\\Other\\", "v", "machine"});
  EXPECT_EQ(text_of("registry_read_string_ext", {"software\\other", "V"}), "machine");
  call("registry_set_root", {0.0});
  EXPECT_EQ(real("registry_read_real_ext", {"Software\\Other", "v"}), 2);
  EXPECT_EQ(real("registry_exists_ext", {"Software\\Varnock\\4321", "score"}), 1);
  EXPECT_TRUE(shown().empty());

  const std::string stored = file_text(scratch_ / "config" / "registry");
  EXPECT_NE(stored.find("key\tHKEY_CURRENT_USER\\Software\\Varnock\\4321\n"
                        "string\tName\tZo\xC3\xAB\n"
                        "real\tScore\t1500\n"),
            std::string::npos)
      << stored;
  EXPECT_NE(stored.find("key\tHKEY_LOCAL_MACHINE\\Software\\Other\nstring\tv\tmachine\n"),
            std::string::npos);
  run_state().game_id = 0;
}

// Children that each write their own values at the same time: every value must arrive,
// which it does only when each change is made to the store as it is under the lock.
TEST(RegistryStore, TwoWritersAtOnceLoseNothing) {
  ScratchDir dir("registry_two");
  const std::string key = "HKEY_CURRENT_USER\\Shared";
  std::vector<pid_t> children;
  for (int writer = 0; writer < 2; ++writer) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      CRegistryStore store(dir.path());
      bool all = true;
      for (int i = 0; i < 40; ++i) {
        all = store.write(key, "w" + std::to_string(writer) + "_" + std::to_string(i),
                          real_value(i)) &&
              all;
      }
      _exit(all ? 0 : 1);
    }
    children.push_back(child);
  }
  for (pid_t child : children) {
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  RRegistryData data;
  ASSERT_TRUE(parse_registry(file_text(dir / "registry"), data));
  EXPECT_EQ(data["hkey_current_user\\shared"].values.size(), 80u);
}

// A child writes in a loop and is killed at random moments; the store must parse
// completely every time, and killed writers' new files must not pile up.
TEST(RegistryStore, SurvivesAKillInTheMiddleOfAWrite) {
  ScratchDir dir("registry_kill");
  std::mt19937 random(4242);
  const std::string key = "HKEY_CURRENT_USER\\Software\\Varnock\\1";
  for (int round = 0; round < 15; ++round) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      CRegistryStore store(dir.path());
      for (int i = 0;; ++i) {
        store.write(key, "counter", real_value(i));
        store.write(key, "text" + std::to_string(i % 50), string_value(std::string(200, 'a')));
      }
    }
    usleep(useconds_t(1000 + random() % 40000));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    if (!fs::exists(dir / "registry")) continue;
    RRegistryData data;
    EXPECT_TRUE(parse_registry(file_text(dir / "registry"), data)) << "round " << round;
    EXPECT_EQ(data["hkey_current_user\\software\\varnock\\1"].values.count("counter"), 1u);
  }
  int leftovers = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(dir.path())) {
    if (entry.path().filename().string().rfind(".registry.tmp", 0) == 0) ++leftovers;
  }
  EXPECT_LE(leftovers, 1);
}

}  // namespace
}  // namespace vn::test
