// vn: pack, unpack, inspect, run and test games.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <string>

#include "Vn_Commands.h"
#include "Vn_Game.h"
#include "platform/Platform_Signal.h"
#include "support/Support_Version.h"

using namespace vn::tool;

namespace {

constexpr const char* kCommands[] = {"info", "pack", "run", "script", "unpack"};
constexpr const char* kCommandList = "info, pack, run, script or unpack";

bool is_command(const std::string& word) {
  for (const char* command : kCommands) {
    if (word == command) return true;
  }
  return false;
}

void replace_start(std::string& text, const std::string& from, const std::string& to) {
  if (text.rfind(from, 0) == 0) text = to + text.substr(from.size());
}

// The parser's complaints in the words every other message of vn uses, after "vn: " or
// "vn COMMAND: ".
std::string usage_text(const CLI::ParseError& problem) {
  std::string text = problem.what();
  if (dynamic_cast<const CLI::RequiredError*>(&problem) && text == "A subcommand is required") {
    return std::string("a command is required: ") + kCommandList;
  }
  replace_start(text, "The following argument was not expected: ", "unexpected argument ");
  replace_start(text, "The following arguments were not expected: ", "unexpected arguments ");
  // "-e: 1 required TEXT missing"
  const size_t missing = text.find(": 1 required ");
  if (missing != std::string::npos && text.size() > 8 &&
      text.compare(text.size() - 8, 8, " missing") == 0) {
    text = text.substr(0, missing) + " needs a value";
  }
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  vn::install_stop_signals();

  CLI::App app{"vn: pack, unpack, inspect, run and test games"};
  app.require_subcommand(1);
  app.set_version_flag("--version", "vn " + vn::project_version(), "Print the version and end");

  InfoOptions info;
  CLI::App* info_command = app.add_subcommand("info", "Print what a game holds");
  info_command->add_option("GAME", info.game, "A standalone game, a game file or a project folder")
      ->required();

  PackOptions pack;
  CLI::App* pack_command = add_pack_command(app, pack);

  UnpackOptions unpack;
  CLI::App* unpack_command = app.add_subcommand("unpack", "Make a game back into a project");
  unpack_command->add_option("GAME", unpack.game, "A standalone game or a game file")->required();
  unpack_command->add_option("-o,--output", unpack.output, "The project folder to create")
      ->required();

  ScriptOptions script;
  CLI::App* script_command = add_script_command(app, script);

  RunOptions run;
  CLI::App* run_command = add_run_command(app, run);

  // The command is the first word; the parser itself would only say one is missing.
  std::string command;
  if (argc > 1 && argv[1][0] != '-') {
    command = argv[1];
    if (!is_command(command)) {
      std::fprintf(stderr, "vn: unknown command '%s'; the commands are %s (vn --help tells more)\n",
                   command.c_str(), kCommandList);
      return kExitUsage;
    }
  }

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& help) {
    return app.exit(help);
  } catch (const CLI::CallForVersion& version) {
    std::cout << version.what() << "\n";
    return kExitOk;
  } catch (const CLI::ParseError& problem) {
    const std::string who = command.empty() ? "vn" : "vn " + command;
    std::fprintf(stderr, "%s: %s (%s --help tells more)\n", who.c_str(),
                 usage_text(problem).c_str(), who.c_str());
    return kExitUsage;
  }

  if (*info_command) return run_info(info);
  if (*pack_command) return run_pack(pack);
  if (*unpack_command) return run_unpack(unpack);
  if (*script_command) return run_script(script);
  if (*run_command) return run_run(run);
  return kExitUsage;
}
