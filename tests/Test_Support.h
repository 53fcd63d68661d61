// Helpers shared by the unit tests.
#pragma once

#include <filesystem>
#include <string>

namespace vn::test {

// A fresh folder under the build tree, removed when the object goes.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& name);
  ~ScratchDir();
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

struct RCommandResult {
  int status = -1;  // the exit status; -1 when the process did not exit normally
  std::string out;
  std::string err;
};

// Runs a shell command line with standard output and error captured.
RCommandResult run_command(const std::string& command_line);

// A path quoted for the shell.
std::string quoted(const std::filesystem::path& path);

std::string read_text(const std::filesystem::path& path);

// Writes the text as the whole file, making its folders first.
void write_text(const std::filesystem::path& path, const std::string& text);

// Text as the inside of a JSON string: quotes and backslashes escaped, line ends as \n.
std::string json_escaped(const std::string& text);

}  // namespace vn::test
