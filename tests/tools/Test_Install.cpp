// `cmake --install` as a person runs it: the layout it makes, and the installed vn packing
// and running a game with nothing but the installed files. The man pages are checked here
// too, since they are what the install ships beside the programs.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <regex>
#include <set>

#include "Test_Support.h"
#include "support/Support_Version.h"

namespace vn {
namespace {

namespace fs = std::filesystem;
using test::quoted;
using test::read_text;
using test::run_command;

const fs::path kSource = VN_SOURCE_DIR;
const fs::path kAlarms = kSource / "tests" / "games" / "alarms";

// The cmake that configured this build, so the install matches it; a plain `cmake` otherwise.
std::string cmake_command() {
  std::ifstream cache(fs::path(VN_BINARY_DIR) / "CMakeCache.txt");
  const std::string key = "CMAKE_COMMAND:INTERNAL=";
  for (std::string line; std::getline(cache, line);) {
    if (line.rfind(key, 0) == 0) return test::quoted(fs::path(line.substr(key.size())));
  }
  return "cmake";
}

std::string without_display(const std::string& command) {
  return "env -u DISPLAY -u WAYLAND_DISPLAY " + command;
}

bool is_executable(const fs::path& path) {
  return fs::is_regular_file(path) &&
         (fs::status(path).permissions() & fs::perms::owner_exec) != fs::perms::none;
}

// Every test reads the same installation; making it once keeps the suite quick.
class Install : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    scratch_ = std::make_unique<test::ScratchDir>("install");
    prefix_ = scratch_->path() / "prefix";
    installed_ = run_command(cmake_command() + " --install " + quoted(VN_BINARY_DIR) +
                             " --prefix " + quoted(prefix_));
  }
  static void TearDownTestSuite() { scratch_.reset(); }

  void SetUp() override { ASSERT_EQ(installed_.status, 0) << installed_.out << installed_.err; }

  static fs::path bin(const std::string& name) { return prefix_ / "bin" / name; }
  static fs::path doc() { return prefix_ / "share" / "doc" / "vnrun"; }
  static std::string vn(const std::string& arguments) {
    return quoted(bin("vn")) + " " + arguments;
  }

  static std::unique_ptr<test::ScratchDir> scratch_;
  static fs::path prefix_;
  static test::RCommandResult installed_;
};

std::unique_ptr<test::ScratchDir> Install::scratch_;
fs::path Install::prefix_;
test::RCommandResult Install::installed_;

TEST_F(Install, PutsProgramsManPagesDocsAndExamplesInTheUsualPlaces) {
  EXPECT_TRUE(is_executable(bin("vn")));
  EXPECT_TRUE(is_executable(bin("vnrun")));
  // The stripped runner is installed as vnrun itself, not beside it.
  EXPECT_FALSE(fs::exists(bin("vnrun-stripped")));
  EXPECT_EQ(fs::file_size(bin("vnrun")), fs::file_size(fs::path(VN_BINARY_DIR) / "vnrun-stripped"));

  for (const char* page : {"vn.1", "vnrun.1"}) {
    EXPECT_EQ(read_text(prefix_ / "share" / "man" / "man1" / page),
              read_text(kSource / "docs" / "man" / page))
        << page;
  }
  size_t pages = 0;
  for (const auto& entry : fs::directory_iterator(kSource / "docs")) {
    if (entry.path().extension() != ".md") continue;
    ++pages;
    EXPECT_EQ(read_text(doc() / entry.path().filename()), read_text(entry.path()))
        << entry.path().filename();
  }
  EXPECT_GE(pages, 5u);
  EXPECT_TRUE(fs::exists(doc() / "guide.md"));

  size_t example_files = 0;
  const fs::path examples = kSource / "examples";
  for (const auto& entry : fs::recursive_directory_iterator(examples)) {
    if (!entry.is_regular_file()) continue;
    ++example_files;
    const fs::path relative = fs::relative(entry.path(), examples);
    EXPECT_EQ(read_text(doc() / "examples" / relative), read_text(entry.path())) << relative;
  }
  EXPECT_GT(example_files, 0u);

  auto version = run_command(vn("--version"));
  EXPECT_EQ(version.status, 0) << version.err;
  EXPECT_EQ(version.out, "vn " + project_version() + "\n");
  auto runner_version = run_command(quoted(bin("vnrun")) + " --version");
  EXPECT_EQ(runner_version.status, 0) << runner_version.err;
  EXPECT_EQ(runner_version.out, "vnrun " + project_version() + "\n");
}

TEST_F(Install, InstalledToolPacksAGameThatPlaysAsUnderVnRun) {
  const std::string expected = read_text(kAlarms / "expected.log");
  const fs::path game = scratch_->path() / "alarms";
  auto packed = run_command(vn("pack " + quoted(kAlarms) + " -o " + quoted(game)));
  ASSERT_EQ(packed.status, 0) << packed.err;
  EXPECT_EQ(packed.err, "");

  // The packed game starts with the installed runner: the small one, not the build's copy
  // with its debug information.
  const std::string runner = read_text(bin("vnrun"));
  const std::string standalone = read_text(game);
  EXPECT_EQ(standalone.compare(0, runner.size(), runner), 0);
  EXPECT_LT(fs::file_size(game), fs::file_size(VNRUN_PATH));

  const fs::path temp = scratch_->path() / "tmp";
  fs::create_directories(temp);
  auto played = run_command(without_display("TMPDIR=" + quoted(temp) + " " + quoted(game)));
  EXPECT_EQ(played.status, 0) << played.err;
  EXPECT_EQ(played.out, expected);

  auto run = run_command(vn("run --headless --fixed-clock --seed 1 --steps 20 " + quoted(game)));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, expected);
}

TEST_F(Install, InstalledExampleRuns) {
  auto run = run_command(
      vn("run --headless --fixed-clock --steps 2 " + quoted(doc() / "examples" / "minimal")));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "Hello from the minimal game\n");
}

// The man pages are written by hand; groff's warnings catch broken markup, and every option
// a command lists in its help must be in vn.1 so the page does not fall behind the tool.
TEST(ManPages, FormatWithoutWarningsAndNameEveryOption) {
  if (run_command("command -v groff").status != 0) GTEST_SKIP() << "groff is not installed";
  for (const char* page : {"vn.1", "vnrun.1"}) {
    auto formatted =
        run_command("groff -man -Tutf8 -ww -z " + quoted(kSource / "docs" / "man" / page));
    EXPECT_EQ(formatted.status, 0) << page;
    EXPECT_EQ(formatted.err, "") << page;
  }

  std::string page = read_text(kSource / "docs" / "man" / "vn.1");
  page = std::regex_replace(page, std::regex(R"(\\-)"), "-");
  const std::regex option(R"(--[a-z][a-z-]*)");
  size_t checked = 0;
  for (const char* command : {"pack", "unpack", "info", "run", "script"}) {
    auto help = run_command(quoted(VN_PATH) + " " + command + " --help");
    ASSERT_EQ(help.status, 0) << command;
    std::set<std::string> options;
    for (std::sregex_iterator it(help.out.begin(), help.out.end(), option), end; it != end; ++it) {
      options.insert(it->str());
    }
    options.erase("--help");
    checked += options.size();
    for (const std::string& name : options) {
      EXPECT_TRUE(std::regex_search(page, std::regex(name + "([^a-z-]|$)")))
          << "vn " << command << " " << name << " is not in docs/man/vn.1";
    }
  }
  EXPECT_GE(checked, 15u);  // the help was read, not skipped
}

}  // namespace
}  // namespace vn
