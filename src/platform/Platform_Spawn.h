// Starting other programs: the games' program execution and opening documents with the
// desktop's handler.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vn {

// Starts program with the arguments (argv[1] on) in the current folder, with this process's
// environment. A program without "/" is looked for on PATH. The id is the process's; false
// with the system's reason when it could not be started (a missing or non-executable
// program included).
bool spawn_program(const std::string& program, const std::vector<std::string>& arguments,
                   int64_t& process, std::string& error);

// True once the process has ended (it is then reaped); also true for an id that is not a
// child of ours.
bool program_ended(int64_t process);

// A process nobody will wait for: it is reaped by later calls of reap_ended_programs (and
// of spawn_program), so that it leaves no zombie behind.
void forget_program(int64_t process);
void reap_ended_programs();

// True when the file is a regular file this user may execute.
bool is_executable_file(const std::filesystem::path& path);

}  // namespace vn
