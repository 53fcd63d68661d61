// vn: pack, unpack and inspect games.
#include <CLI/CLI.hpp>

#include <iostream>

#include "Vn_Commands.h"
#include "Vn_Game.h"

using namespace vn::tool;

int main(int argc, char** argv) {
  CLI::App app{"vn: pack, unpack, inspect and test games"};
  app.require_subcommand(1);

  InfoOptions info;
  CLI::App* info_command = app.add_subcommand("info", "Print what a game holds");
  info_command->add_option("GAME", info.game, "A standalone game, a game file or a project folder")
      ->required();

  PackOptions pack;
  CLI::App* pack_command = app.add_subcommand("pack", "Make a project folder into a game");
  pack_command->add_option("PROJECT", pack.project, "The project folder")->required();
  pack_command->add_option("-o,--output", pack.output, "The game to write")->required();
  pack_command->add_flag("--data-only", pack.data_only,
                         "Write the game file alone, without the runner");
  pack_command->add_option("--runner", pack.runner,
                           "The runner to copy (default: the vnrun beside vn)");

  UnpackOptions unpack;
  CLI::App* unpack_command = app.add_subcommand("unpack", "Make a game back into a project");
  unpack_command->add_option("GAME", unpack.game, "A standalone game or a game file")->required();
  unpack_command->add_option("-o,--output", unpack.output, "The project folder to create")
      ->required();

  ScriptOptions script;
  CLI::App* script_command = add_script_command(app, script);

  RunOptions run;
  CLI::App* run_command = add_run_command(app, run);

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& help) {
    return app.exit(help);
  } catch (const CLI::ParseError& problem) {
    app.exit(problem);
    return kExitUsage;
  }

  if (*info_command) return run_info(info);
  if (*pack_command) return run_pack(pack);
  if (*unpack_command) return run_unpack(unpack);
  if (*script_command) return run_script(script);
  if (*run_command) return run_run(run);
  return kExitUsage;
}
