// vnrun: plays the game appended to its own executable. A game takes no options of its
// own: every parameter belongs to the game's scripts. Only a runner without a game answers
// the command line itself.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "library/Function_File.h"
#include "platform/Platform_FileIo.h"
#include "platform/Platform_Process.h"
#include "platform/Platform_Signal.h"
#include "platform/Platform_Video.h"
#include "runner/Runner_Form.h"
#include "runner/Runner_Game.h"
#include "runner/Support_File.h"
#include "support/Support_Version.h"

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// A runner nobody appended a game to is the program a person just built or installed:
// it says what it is for instead of failing to read a game.
int answer_without_game(int argc, char** argv) {
  const char* name = argc > 0 ? argv[0] : "vnrun";
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("vnrun %s\n", vn::project_version().c_str());
    return 0;
  }
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::printf(
        "Usage: %s [--help | --version]\n"
        "\n"
        "vnrun plays the game appended to it. This copy carries no game.\n"
        "Make a standalone game from a project folder with 'vn pack PROJECT -o GAME' and run\n"
        "GAME, or play a project or game file directly with 'vn run GAME'. A standalone game\n"
        "takes no options: it hands every parameter to the game.\n",
        name);
    return 0;
  }
  std::fprintf(stderr,
               "vnrun: no game is appended to this program; make one with "
               "'vn pack PROJECT -o GAME' or play one with 'vn run GAME' (--help tells more)\n");
  return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  vn::install_stop_signals();
  const std::filesystem::path executable = vn::executable_path();
  std::vector<uint8_t> image;
  std::string error;
  // An executable that cannot be read is the runner's own message to give, below.
  if (vn::read_file(executable, image, error)) {
    if (!vn::locate_game_file(image.data(), image.size())) return answer_without_game(argc, argv);
  } else {
    image.clear();
  }

  vn::set_program_parameters(std::vector<std::string>(argv, argv + argc));
  vn::init_temp_folder();
  vn::RunOutcome outcome;
  {
    vn::TRunnerForm form;
    outcome = form.run(executable, std::move(image));
  }
  vn::shutdown_video();
  vn::remove_temp_folder();
  switch (outcome) {
    case vn::RunOutcome::ended:
      return 0;
    case vn::RunOutcome::interrupted:
      return vn::stop_exit_status();
    case vn::RunOutcome::not_started:
    case vn::RunOutcome::stopped:
      break;
  }
  return kExitFailed;
}
