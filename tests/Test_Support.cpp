#include "Test_Support.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

namespace vn::test {

ScratchDir::ScratchDir(const std::string& name) {
  std::random_device device;
  path_ = std::filesystem::path(VN_BINARY_DIR) / "scratch" /
          (name + "_" + std::to_string(device() % 1000000));
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

RCommandResult run_command(const std::string& command_line) {
  ScratchDir capture("command");
  std::filesystem::path out = capture / "out";
  std::filesystem::path err = capture / "err";
  int raw = std::system((command_line + " >" + quoted(out) + " 2>" + quoted(err)).c_str());
  RCommandResult result;
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  result.out = read_text(out);
  result.err = read_text(err);
  return result;
}

std::string quoted(const std::filesystem::path& path) {
  std::string text = "'";
  for (char c : path.string()) {
    if (c == '\'') {
      text += "'\\''";
    } else {
      text += c;
    }
  }
  return text + "'";
}

std::string read_text(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void write_text(const std::filesystem::path& path, const std::string& text) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << text;
}

std::string json_escaped(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    if (c == '\n') {
      escaped += "\\n";
      continue;
    }
    if (c == '"' || c == '\\') escaped += '\\';
    escaped += c;
  }
  return escaped;
}

}  // namespace vn::test
