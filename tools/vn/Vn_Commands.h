// The commands of vn, each run from its parsed options.
#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace vn::tool {

struct RLoadedGame;

struct InfoOptions {
  std::filesystem::path game;
};
int run_info(const InfoOptions& options);
void print_game_info(std::ostream& out, const RLoadedGame& loaded);

struct PackOptions {
  std::filesystem::path project;
  std::filesystem::path output;
  bool data_only = false;
  std::filesystem::path runner;  // empty: the stripped runner beside vn, else vnrun
  bool allow_errors = false;     // pack even when code does not compile
};
CLI::App* add_pack_command(CLI::App& app, PackOptions& options);
int run_pack(const PackOptions& options);

struct UnpackOptions {
  std::filesystem::path game;
  std::filesystem::path output;
};
int run_unpack(const UnpackOptions& options);

struct RScriptInput {
  bool is_file = false;
  std::string text;  // the file's path, or the text itself
};
struct ScriptOptions {
  std::vector<std::string> files;
  std::vector<std::string> texts;    // given with -e
  std::vector<RScriptInput> inputs;  // files and texts in the order given
  bool check_only = false;
  std::filesystem::path scripts_folder;
  std::filesystem::path constants_file;
};
// The subcommand "script", filling the options while the command line is parsed.
CLI::App* add_script_command(CLI::App& app, ScriptOptions& options);
int run_script(const ScriptOptions& options);

// --shot STEP:FILE.png: the frame presented for that step (counted from 1) into FILE.
struct RShot {
  int64_t step = 1;
  std::filesystem::path file;
};

struct RunOptions {
  std::filesystem::path game;
  bool headless = false;
  int64_t steps = 0;  // 0: no limit
  std::optional<int64_t> seed;
  bool fixed_clock = false;
  std::filesystem::path input;          // empty: none
  bool stop_on_error = false;           // the first error report ends the game, with status 1
  std::vector<std::string> shot_texts;  // as given: STEP:FILE.png
  std::vector<RShot> shots;             // parsed from them, in the order given
  std::string desktop_text;             // WxH, empty: the default
  int desktop_width = 0;                // 0: the default desktop of a run without a screen
  int desktop_height = 0;
  std::filesystem::path audio_out;  // empty: none; else the mixed sound as a WAV file
  std::filesystem::path record;     // empty: none; else what the player did, as an input file
};
// The subcommand "run".
CLI::App* add_run_command(CLI::App& app, RunOptions& options);
int run_run(const RunOptions& options);

}  // namespace vn::tool
