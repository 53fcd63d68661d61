// vn pack: a project folder made into a game file, alone or after a copy of the runner.
#include <CLI/CLI.hpp>
#include <cstring>
#include <iostream>
#include <map>

#include "Vn_Commands.h"
#include "Vn_Game.h"
#include "platform/Platform_FileIo.h"
#include "platform/Platform_Process.h"
#include "runner/Game_Check.h"
#include "runner/Project_Json.h"
#include "runner/Project_Read.h"
#include "support/Support_Console.h"

namespace vn::tool {

namespace fs = std::filesystem;

namespace {

// The runner without symbols and debug information, which the build makes beside vn; an
// installation that has only vnrun packs that one.
fs::path default_runner() {
  const fs::path folder = executable_path().parent_path();
  std::error_code ignored;
  if (fs::is_regular_file(folder / "vnrun-stripped", ignored)) return folder / "vnrun-stripped";
  return folder / "vnrun";
}

uint64_t little_endian(const std::vector<uint8_t>& bytes, size_t offset, size_t size) {
  uint64_t value = 0;
  for (size_t i = 0; i < size; ++i) value |= uint64_t(bytes[offset + i]) << (8 * i);
  return value;
}

// A runner is an ELF executable with a section named .vnrun, which the build adds to
// vnrun alone. False with the reason otherwise.
bool is_runner(const std::vector<uint8_t>& bytes, std::string& why) {
  constexpr uint16_t kExecutable = 2;
  constexpr uint16_t kSharedObject = 3;  // a position-independent executable is one too
  const char* const kMarkSection = ".vnrun";
  const uint8_t kElfMagic[] = {0x7F, 'E', 'L', 'F'};
  if (bytes.size() < 64 || std::memcmp(bytes.data(), kElfMagic, 4) != 0 ||
      (bytes[4] != 1 && bytes[4] != 2) || bytes[5] != 1) {
    why = "it is not a program";
    return false;
  }
  const uint64_t type = little_endian(bytes, 16, 2);
  if (type != kExecutable && type != kSharedObject) {
    why = "it is not an executable program";
    return false;
  }
  // Where the section headers are, in the 32-bit and the 64-bit layout.
  const bool wide = bytes[4] == 2;
  const uint64_t table = little_endian(bytes, wide ? 40 : 32, wide ? 8 : 4);
  const uint64_t entry_size = little_endian(bytes, wide ? 58 : 46, 2);
  const uint64_t count = little_endian(bytes, wide ? 60 : 48, 2);
  const uint64_t names_index = little_endian(bytes, wide ? 62 : 50, 2);
  const uint64_t header_size = wide ? 64 : 40;
  auto fits = [&](uint64_t offset, uint64_t size) {
    return offset <= bytes.size() && size <= bytes.size() - offset;
  };
  why = "it is a program, but not vnrun";
  if (entry_size < header_size || names_index >= count || count > bytes.size() ||
      !fits(table, count * entry_size)) {
    return false;
  }
  auto section_field = [&](uint64_t index, size_t offset32, size_t offset64) {
    return little_endian(bytes, size_t(table + index * entry_size) + (wide ? offset64 : offset32),
                         wide ? 8 : 4);
  };
  const uint64_t names = section_field(names_index, 16, 24);
  const uint64_t names_size = section_field(names_index, 20, 32);
  if (!fits(names, names_size)) return false;
  const size_t mark_size = std::strlen(kMarkSection) + 1;
  for (uint64_t i = 0; i < count; ++i) {
    const uint64_t name = little_endian(bytes, size_t(table + i * entry_size), 4);
    if (name < names_size && names_size - name >= mark_size &&
        std::memcmp(bytes.data() + names + name, kMarkSection, mark_size) == 0) {
      return true;
    }
  }
  return false;
}

// The runner finds its game at the first offset 131072 + 512 k past its own image that
// holds the magic, so the game goes at the first such offset past the runner, and the
// runner must not already hold a game there.
bool append_to_runner(const std::vector<uint8_t>& runner, const std::vector<uint8_t>& game,
                      std::vector<uint8_t>& output, std::string& error) {
  size_t offset = first_game_offset(runner.data(), runner.size());
  for (; offset < runner.size(); offset += kGameOffsetStep) {
    if (offset + 4 <= runner.size()) {
      int32_t value;
      std::memcpy(&value, runner.data() + offset, 4);
      if (value == kGameMagic) {
        error = "the runner already holds a game file at offset " + std::to_string(offset) +
                "; use a runner without a game";
        return false;
      }
    }
  }
  output = runner;
  output.resize(offset, 0);
  output.insert(output.end(), game.begin(), game.end());
  return true;
}

// The file each resource was read from: a name of game.json's lists, or the "file" given
// beside it. The project has been read already, so game.json is known to be sound.
ResourceFileName project_files(const fs::path& project) {
  std::vector<uint8_t> bytes;
  std::string error;
  if (!read_file(project / kProjectFile, bytes, error)) return {};
  const Json root = Json::parse(bytes.begin(), bytes.end(), nullptr, false);
  if (!root.is_object()) return {};
  auto stems = std::make_shared<std::map<std::string, std::vector<std::string>>>();
  for (const char* kind : {"scripts", "timelines", "objects", "rooms"}) {
    const auto list = root.find(kind);
    if (list == root.end() || !list->is_array()) continue;
    std::vector<std::string>& names = (*stems)[kind];
    for (const Json& entry : *list) {
      std::string stem;
      if (entry.is_string()) {
        stem = entry.get<std::string>();
      } else if (entry.is_object()) {
        const auto file = entry.find("file");
        const auto name = entry.find("name");
        if (file != entry.end() && file->is_string()) {
          stem = file->get<std::string>();
        } else if (name != entry.end() && name->is_string()) {
          stem = name->get<std::string>();
        }
      }
      names.push_back(stem);
    }
  }
  return [stems](const std::string& kind, size_t index) {
    const std::vector<std::string>& names = (*stems)[kind];
    const std::string stem = index < names.size() ? names[index] : std::string();
    return kind + "/" + stem + (kind == "scripts" ? ".vns" : ".json");
  };
}

// Every problem with the file and place it is in, then the compiler's lines.
void report_problems(const std::vector<RCodeProblem>& problems) {
  for (const RCodeProblem& problem : problems) {
    std::string line = "vn pack: " + problem.file + ": ";
    if (!problem.place.empty()) line += problem.place + ": ";
    std::cerr << line << console_lines(problem.message);
  }
}

}  // namespace

CLI::App* add_pack_command(CLI::App& app, PackOptions& options) {
  CLI::App* command = app.add_subcommand("pack", "Make a project folder into a game");
  command->add_option("PROJECT", options.project, "The project folder")->required();
  command->add_option("-o,--output", options.output, "The game to write")->required();
  command->add_flag("--data-only", options.data_only,
                    "Write the game file alone, without the runner");
  command->add_option("--runner", options.runner,
                      "The runner to copy (default: the stripped runner beside vn)");
  command->add_flag("--allow-errors", options.allow_errors,
                    "Pack the game even when some of its code does not compile");
  return command;
}

int run_pack(const PackOptions& options) {
  CGameData game;
  std::string error;
  if (!read_project(options.project, game, error)) {
    std::cerr << "vn pack: " << error << "\n";
    return kExitFailed;
  }
  const std::vector<RCodeProblem> problems = check_game_code(game, project_files(options.project));
  report_problems(problems);
  if (!problems.empty() && !options.allow_errors) {
    std::cerr << "vn pack: " << problems.size()
              << (problems.size() == 1 ? " piece of code does not compile"
                                       : " pieces of code do not compile")
              << "; nothing was written (--allow-errors packs the game all the same)\n";
    return kExitFailed;
  }
  std::vector<uint8_t> data = write_game_data(game);
  std::vector<uint8_t> output;
  if (options.data_only) {
    output = std::move(data);
  } else {
    const fs::path runner_path = options.runner.empty() ? default_runner() : options.runner;
    std::vector<uint8_t> runner;
    if (!read_file(runner_path, runner, error)) {
      std::cerr << "vn pack: cannot read the runner: " << error << "\n";
      return kExitFailed;
    }
    if (!is_runner(runner, error)) {
      std::cerr << "vn pack: " << runner_path.string() << " is not a runner: " << error
                << " (--runner takes a vnrun)\n";
      return kExitFailed;
    }
    if (!append_to_runner(runner, data, output, error)) {
      std::cerr << "vn pack: " << runner_path.string() << ": " << error << "\n";
      return kExitFailed;
    }
  }
  if (!write_file_atomic(options.output, output, error)) {
    std::cerr << "vn pack: cannot write the game: " << error << "\n";
    return kExitFailed;
  }
  if (!options.data_only) {
    std::error_code ignored;
    fs::permissions(options.output,
                    fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                    fs::perm_options::add, ignored);
  }
  return kExitOk;
}

}  // namespace vn::tool
