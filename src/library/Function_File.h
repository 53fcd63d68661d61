// The built-in functions for files, folders, ini files, the registry, other programs, the
// command line and the environment.
//
// Names from the games are Windows-1252 and go through game_path: "\" is a separator, a
// drive letter is dropped and a missing name matches an existing one without regard to
// case. In secure mode every write (opening for writing or appending, deleting, renaming,
// copying, making folders, exporting) is refused unless its target is a plain name (no "\"
// or "/") that resolves, symbolic links followed, inside the current folder.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace vn {

class CDataFile;

void register_file_functions();

// Closes every binary and text file, ends the file search, closes the ini file and puts
// the registry root back to the current user. Called at game end.
void reset_file_state();

// The game's included files, for export_include_file and its family (not owned; null for
// none).
void set_included_files(std::vector<CDataFile>* files);

// The game's own command line as the system gave it (UTF-8): parameter 0 is the program.
void set_program_parameters(std::vector<std::string> parameters);

// Called every 50 ms while execute_program waits for a program to end, so that the window
// keeps answering; unset, the wait only sleeps.
void set_program_wait_hook(std::function<void()> hook);

}  // namespace vn
