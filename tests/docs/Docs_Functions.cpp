// Writes docs/functions.md, every built-in function and variable by family, from the
// registries; with --check, compares the file with what it would write instead.
//
//   docs_functions --write FILE    exit 0 written, 1 failed
//   docs_functions --check FILE    exit 0 current, 1 out of date or unreadable
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "runner/Runner_Library.h"
#include "script/Code_Function.h"
#include "script/Variable_Main.h"

namespace vn {
namespace {

constexpr std::string_view kRegenerate = "make docs";

// Runs of digits compare as numbers, so argument2 comes before argument10.
bool natural_less(std::string_view a, std::string_view b) {
  auto digit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
  size_t i = 0;
  size_t j = 0;
  while (i < a.size() && j < b.size()) {
    if (digit(a[i]) && digit(b[j])) {
      size_t end_a = i;
      size_t end_b = j;
      while (end_a < a.size() && digit(a[end_a])) ++end_a;
      while (end_b < b.size() && digit(b[end_b])) ++end_b;
      std::string_view number_a = a.substr(i, end_a - i);
      std::string_view number_b = b.substr(j, end_b - j);
      if (number_a.size() != number_b.size()) return number_a.size() < number_b.size();
      if (number_a != number_b) return number_a < number_b;
      i = end_a;
      j = end_b;
    } else {
      if (a[i] != b[j]) return a[i] < b[j];
      ++i;
      ++j;
    }
  }
  return a.size() - i < b.size() - j;
}

struct RFunctionLine {
  std::string name;
  int argument_count;
};
struct RVariableLine {
  std::string name;
  bool read_only;
};
struct RFamilyPage {
  std::vector<RFunctionLine> functions;
  std::vector<RVariableLine> variables;
};

// The families by name, each with the entries a script can reach by name: a name
// registered twice is reachable only through its first registration.
std::map<std::string, RFamilyPage> collect(std::vector<std::string>& problems) {
  std::map<std::string, RFamilyPage> pages;
  std::vector<bool> function_listed(builtin_function_count(), false);
  std::vector<bool> variable_listed(builtin_variable_count(), false);
  for (const RBuiltinFamily& family : builtin_families()) {
    RFamilyPage& page = pages[std::string(family.name)];
    for (int32_t id = family.first_function; id < family.end_function; ++id) {
      function_listed[size_t(id)] = true;
      const RBuiltinFunction* function = builtin_function(id);
      int32_t found = -1;
      if (find_function(function->name, found) && found == id) {
        page.functions.push_back({function->name, function->argument_count});
      }
    }
    for (int32_t id = family.first_variable; id < family.end_variable; ++id) {
      variable_listed[size_t(id)] = true;
      const RBuiltinVariable* variable = builtin_variable(id);
      if (find_builtin_variable(variable->name) == id) {
        page.variables.push_back({variable->name, variable->set == nullptr});
      }
    }
  }
  for (size_t id = 0; id < function_listed.size(); ++id) {
    if (!function_listed[id]) {
      problems.push_back("the built-in function " + builtin_function(int32_t(id))->name +
                         " belongs to no family");
    }
  }
  for (size_t id = 0; id < variable_listed.size(); ++id) {
    if (!variable_listed[id]) {
      problems.push_back("the built-in variable " + builtin_variable(int32_t(id))->name +
                         " belongs to no family");
    }
  }
  for (auto& [name, page] : pages) {
    std::sort(page.functions.begin(), page.functions.end(),
              [](const auto& a, const auto& b) { return natural_less(a.name, b.name); });
    std::sort(page.variables.begin(), page.variables.end(),
              [](const auto& a, const auto& b) { return natural_less(a.name, b.name); });
  }
  return pages;
}

std::string heading(std::string_view family) {
  std::string text(family);
  if (!text.empty()) text[0] = char(std::toupper(static_cast<unsigned char>(text[0])));
  return text;
}

// The anchor a Markdown renderer gives a heading: lower case, spaces as hyphens.
std::string anchor(std::string_view family) {
  std::string text;
  for (char c : family) text += c == ' ' ? '-' : char(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string page_text(const std::map<std::string, RFamilyPage>& pages) {
  size_t function_total = 0;
  size_t variable_total = 0;
  for (const auto& [name, page] : pages) {
    function_total += page.functions.size();
    variable_total += page.variables.size();
  }
  std::ostringstream out;
  out << "# Built-in functions and variables\n"
         "\n"
         "Every function and variable that vnrun gives a game's code, by family. A function\n"
         "that is not listed here is not built in: a game that calls it needs a script or an\n"
         "extension function of that name, or it fails to load. A variable that is not listed\n"
         "here is one of the game's own.\n"
         "\n"
         "This page is generated from the runner's registries by `"
      << kRegenerate
      << "`; do not edit it\n"
         "by hand. A test fails when it no longer matches them.\n"
         "\n"
         "- **arguments**: how many arguments a call must pass; *any* for a function that\n"
         "  takes a varying number, at most 16.\n"
         "- **access**: *read-only* when a game cannot assign the variable.\n"
         "\n"
         "| family | functions | variables |\n"
         "|---|---:|---:|\n";
  for (const auto& [name, page] : pages) {
    out << "| [" << heading(name) << "](#" << anchor(name) << ") | " << page.functions.size()
        << " | " << page.variables.size() << " |\n";
  }
  out << "| all | " << function_total << " | " << variable_total << " |\n";
  for (const auto& [name, page] : pages) {
    out << "\n## " << heading(name) << "\n";
    if (!page.functions.empty()) {
      out << "\n| function | arguments |\n|---|---|\n";
      for (const RFunctionLine& function : page.functions) {
        out << "| `" << function.name << "` | ";
        if (function.argument_count == kVariableArguments) {
          out << "any";
        } else {
          out << function.argument_count;
        }
        out << " |\n";
      }
    }
    if (!page.variables.empty()) {
      out << "\n| variable | access |\n|---|---|\n";
      for (const RVariableLine& variable : page.variables) {
        out << "| `" << variable.name << "` | "
            << (variable.read_only ? "read-only" : "read and write") << " |\n";
      }
    }
  }
  return out.str();
}

bool read_file(const std::string& path, std::string& text, std::string& problem) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    problem = "cannot read " + path + ": " + std::strerror(errno);
    return false;
  }
  text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) {
    problem = "cannot read " + path;
    return false;
  }
  return true;
}

// Through a file beside it, so that a failed write leaves the old page whole.
bool write_file(const std::string& path, const std::string& text, std::string& problem) {
  std::string temporary = path + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
      problem = "cannot write " + temporary;
      std::remove(temporary.c_str());
      return false;
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, path, error);
  if (error) {
    problem = "cannot replace " + path + ": " + error.message();
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

// The first line where the two texts differ, for the message of a stale page.
std::string first_difference(const std::string& found, const std::string& expected) {
  std::istringstream found_lines(found);
  std::istringstream expected_lines(expected);
  std::string found_line;
  std::string expected_line;
  for (int number = 1;; ++number) {
    bool has_found = bool(std::getline(found_lines, found_line));
    bool has_expected = bool(std::getline(expected_lines, expected_line));
    if (!has_found && !has_expected) return "the end of the last line differs";
    if (!has_found) return "line " + std::to_string(number) + " is missing: " + expected_line;
    if (!has_expected) return "line " + std::to_string(number) + " is extra: " + found_line;
    if (found_line != expected_line) {
      return "line " + std::to_string(number) + " reads: " + found_line +
             "\n  the registries give: " + expected_line;
    }
  }
}

int run(int argc, char** argv) {
  std::string mode = argc == 3 ? argv[1] : "";
  if (mode != "--write" && mode != "--check") {
    std::cerr << "usage: docs_functions --write FILE | --check FILE\n";
    return 2;
  }
  std::string path = argv[2];
  register_game_library();
  std::vector<std::string> problems;
  std::map<std::string, RFamilyPage> pages = collect(problems);
  if (!problems.empty()) {
    for (const std::string& problem : problems) std::cerr << "docs_functions: " << problem << "\n";
    std::cerr << "docs_functions: register it from a family routine of register_game_library "
                 "(src/runner/Runner_Library.cpp)\n";
    return 1;
  }
  std::string expected = page_text(pages);
  std::string problem;
  if (mode == "--write") {
    if (!write_file(path, expected, problem)) {
      std::cerr << "docs_functions: " << problem << "\n";
      return 1;
    }
    return 0;
  }
  std::string found;
  if (!read_file(path, found, problem)) {
    std::cerr << "docs_functions: " << problem << "; `" << kRegenerate << "` writes it\n";
    return 1;
  }
  if (found != expected) {
    std::cerr << "docs_functions: " << path
              << " does not match the function and variable registries: "
              << first_difference(found, expected) << "\nRegenerate it with `" << kRegenerate
              << "` and commit the result.\n";
    return 1;
  }
  return 0;
}

}  // namespace
}  // namespace vn

int main(int argc, char** argv) { return vn::run(argc, argv); }
