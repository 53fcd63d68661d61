#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

#include "Test_File_Support.h"
#include "library/Support_Ini.h"

namespace vn::test {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

const char* const kOdd =
    "; made by hand\r\n"
    "  [ Display ]  ; trailing words\r\n"
    "Width = 640\r\n"
    "\theight\t=\t 480 \r\n"
    "name=\"  spaced  \"\r\n"
    "quote='x\r\n"
    "noequals\r\n"
    "\r\n"
    "; about the player\r\n"
    "[Player]\r\n"
    "score=1,5e-2\r\n"
    "[display]\r\n"
    "width=1\r\n"
    "last=no line end";

TEST(IniFile, ReadsWithOddSpacingCaseAndQuotes) {
  CIniFile ini;
  ini.parse(kOdd);
  EXPECT_EQ(ini.text(), kOdd);
  // The first of two sections of one name wins.
  EXPECT_EQ(ini.read("DISPLAY", "width"), "640");
  EXPECT_EQ(ini.read("display", "HEIGHT"), "480");
  EXPECT_EQ(ini.read("Display", "name"), "  spaced  ");
  EXPECT_EQ(ini.read("Display", "quote"), "'x");
  EXPECT_EQ(ini.read("Display", "last"), std::nullopt);
  EXPECT_EQ(ini.read("Player", "score"), "1,5e-2");
  EXPECT_FALSE(ini.key_exists("Display", "noequals"));
  EXPECT_FALSE(ini.key_exists("Display", "; about the player"));
  EXPECT_TRUE(ini.section_exists(" player "));
  EXPECT_FALSE(ini.section_exists("made by hand"));
}

TEST(IniFile, ChangesTouchOnlyTheirLines) {
  CIniFile ini;
  ini.parse(kOdd);
  ini.write("display", "WIDTH", "800");
  ini.write("Display", "depth", "32");
  ini.write("player", "lives", "3");
  ini.write("Sound", "volume", "0.5");
  EXPECT_EQ(ini.text(),
            "; made by hand\r\n"
            "  [ Display ]  ; trailing words\r\n"
            "Width=800\r\n"
            "\theight\t=\t 480 \r\n"
            "name=\"  spaced  \"\r\n"
            "quote='x\r\n"
            "noequals\r\n"
            "depth=32\r\n"
            "\r\n"
            "; about the player\r\n"
            "[Player]\r\n"
            "score=1,5e-2\r\n"
            "lives=3\r\n"
            "[display]\r\n"
            "width=1\r\n"
            "last=no line end\r\n"
            "\r\n"
            "[Sound]\r\n"
            "volume=0.5\r\n");
  EXPECT_TRUE(ini.delete_key("DISPLAY", "name"));
  EXPECT_FALSE(ini.delete_key("Display", "name"));
  // The section goes with its comments, up to the next section.
  EXPECT_TRUE(ini.delete_section("display"));
  EXPECT_EQ(ini.read("display", "width"), "1");
  EXPECT_EQ(ini.text().rfind("; made by hand\r\n[Player]\r\nscore=1,5e-2\r\n", 0), 0u);
  EXPECT_FALSE(ini.delete_section("Missing"));

  // A file of LF lines gets LF lines.
  CIniFile unix_lines;
  unix_lines.parse("[a]\nx=1\n");
  unix_lines.write("b", "y", "2");
  EXPECT_EQ(unix_lines.text(), "[a]\nx=1\n\n[b]\ny=2\n");
}

TEST(IniFile, NumbersAsTheGamesReadAndWriteThem) {
  EXPECT_EQ(ini_number("1,5e-2"), 0.015);
  EXPECT_EQ(ini_number("-3.25"), -3.25);
  EXPECT_EQ(ini_number("2E3"), 2000);
  EXPECT_EQ(ini_number("1e-"), 1);
  EXPECT_EQ(ini_number("1.2.3"), 1.2);
  EXPECT_EQ(ini_number("1e2e3"), 100);
  EXPECT_EQ(ini_number("1e2.5"), 100);
  EXPECT_EQ(ini_number("12abc"), 12);
  EXPECT_EQ(ini_number("abc"), 0);
  EXPECT_EQ(ini_number(" 5"), 0);
  EXPECT_EQ(ini_number("0.1"), 0.1);
  EXPECT_EQ(ini_number("1e999"), HUGE_VAL);
  EXPECT_EQ(ini_number("1e-999"), 0);

  EXPECT_EQ(ini_real_text(0), "0");
  EXPECT_EQ(ini_real_text(0.5), "0.5");
  EXPECT_EQ(ini_real_text(-2), "-2");
  EXPECT_EQ(ini_real_text(0.1 + 0.2), "0.3");
  EXPECT_EQ(ini_real_text(123456789012345), "123456789012345");
  EXPECT_EQ(ini_real_text(1e20), "1E20");
  EXPECT_EQ(ini_real_text(1.5e-7), "1.5E-7");
  EXPECT_EQ(ini_real_text(0.00001), "0.00001");
  for (double x : {1.0 / 3, -12345.678, 6.02e23, 1e-300, 0.015}) {
    EXPECT_NEAR(ini_number(ini_real_text(x)) / x, 1, 1e-14) << x;
  }
}

class IniFunctions : public FileTest {};

TEST_F(IniFunctions, OpenReadWriteAndTheirErrors) {
  call("ini_read_string", {"a", "b", "c"});
  call("ini_write_real", {"a", "b", 1.0});
  call("ini_key_delete", {"a", "b"});
  call("ini_open", {"sub\\game.ini"});
  call("ini_section_exists", {"a"});
  EXPECT_EQ(shown(),
            (Strings{"Trying to read from undefined INI file",
                     "Trying to write to undefined INI file", "Trying to change undefined INI file",
                     "INI files must be located in the same directory as the program",
                     "Trying to read from undefined INI file"}));

  write("Game.INI", "[Options]\r\nspeed = 1,5e-2\r\n");
  call("ini_open", {"game.ini"});
  EXPECT_EQ(real("ini_read_real", {"options", "SPEED", 9.0}), 0.015);
  EXPECT_EQ(real("ini_read_real", {"options", "missing", 2.5}), 2.5);
  EXPECT_EQ(text_of("ini_read_string", {"options", "missing", "dflt"}), "dflt");
  call("ini_write_real", {"Options", "volume", 0.25});
  call("ini_write_string", {"Player", "name", "Zoë"});
  EXPECT_EQ(real("ini_key_exists", {"player", "NAME"}), 1);
  EXPECT_EQ(real("ini_section_exists", {"nothing"}), 0);
  EXPECT_EQ(read_text("Game.INI"),
            "[Options]\r\nspeed = 1,5e-2\r\nvolume=0.25\r\n\r\n[Player]\r\nname=Zoë\r\n");
  call("ini_section_delete", {"options"});
  EXPECT_EQ(read_text("Game.INI"), "[Player]\r\nname=Zoë\r\n");
  // Another program's change is seen at once.
  write("Game.INI", "[Player]\nname=Other\n");
  EXPECT_EQ(text_of("ini_read_string", {"player", "name", ""}), "Other");
  // Long values come back cut as the profile functions cut them.
  call("ini_write_string", {"Player", "long", std::string(3000, 'x')});
  EXPECT_EQ(text_of("ini_read_string", {"player", "long", ""}).size(), 2047u);
  call("ini_close");
  call("ini_read_real", {"a", "b", 0.0});
  EXPECT_EQ(shown(), Strings{"Trying to read from undefined INI file"});
}

// A child process rewrites the file over and over and is killed at random moments; the
// file must always be one whole version.
TEST(IniFile, SurvivesAKillInTheMiddleOfAWrite) {
  ScratchDir dir("ini_kill");
  const fs::path path = dir / "kill.ini";
  std::mt19937 random(12345);
  for (int round = 0; round < 12; ++round) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      CIniFile ini;
      for (int i = 0;; ++i) {
        ini = load_ini(path);
        for (int k = 0; k < 200; ++k)
          ini.write("Data", "key" + std::to_string(k), std::to_string(i));
        ini.write("End", "complete", "yes");
        save_ini(path, ini);
      }
    }
    usleep(useconds_t(2000 + random() % 30000));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    if (!fs::exists(path)) continue;
    CIniFile ini = load_ini(path);
    EXPECT_EQ(ini.read("end", "complete"), "yes") << "round " << round;
    std::optional<std::string> first = ini.read("data", "key0");
    ASSERT_TRUE(first);
    EXPECT_EQ(ini.read("data", "key199"), first);
  }
}

}  // namespace
}  // namespace vn::test
