// Extension packages as stored: bundles of library and script files that add
// functions and constants to the script language.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "support/Support_Stream.h"

namespace vn {

enum ExtensionFileKind {
  kExtensionLibrary = 1,
  kExtensionScripts = 2,
  kExtensionNoData = 3,
  kExtensionOther = 4,
};

constexpr int kExtensionArgumentTypes = 17;
constexpr int kExtensionTypeString = 1;
constexpr int kExtensionTypeReal = 2;

class CExtensionFunction {
 public:
  std::string name;           // the name scripts use
  std::string external_name;  // the name inside the file
  int calling_convention = 0; // 12 cdecl, anything else stdcall
  int id = 0;
  int argument_count = -1;
  std::array<int, kExtensionArgumentTypes> argument_types;
  int result_type = kExtensionTypeReal;
  std::string code;  // for functions of script files; not stored

  CExtensionFunction() { argument_types.fill(kExtensionTypeReal); }

  void read(CStream& stream);
  void write(CStream& stream) const;
  // What loading makes of a stored function: names trimmed, an empty external name
  // becomes the name, more than four arguments are all reals, a result type other
  // than string is real.
  void normalize();

  bool operator==(const CExtensionFunction&) const = default;
};

struct CExtensionConstant {
  std::string name;
  std::string value;
  bool operator==(const CExtensionConstant&) const = default;
};

class CExtensionFile {
 public:
  std::string file_name;
  int kind = kExtensionOther;
  std::string init_function;
  std::string final_function;
  std::vector<CExtensionFunction> functions;
  std::vector<CExtensionConstant> constants;
  std::vector<uint8_t> data;  // the file's bytes; kind 3 has none

  void read(CStream& stream);
  void write(CStream& stream) const;
  // A script file's text holds "#define NAME" lines, each starting the script that
  // becomes the code of the functions whose external name is NAME.
  void assign_script_codes();

  bool operator==(const CExtensionFile&) const = default;
};

class CExtensionPackage {
 public:
  std::string name;
  std::string folder_name;  // sub-folder of the temp folder receiving the files
  std::vector<CExtensionFile> files;
  int32_t seed = 0;  // of the byte substitution over the stored file data

  // Package record, version 700, read straight from the main block, followed by the
  // file data block.
  void read(CStream& stream);
  void write(CStream& stream) const;

  // Writes the library and other files into temp folder / folder name. False when the
  // names would leave that folder or a file cannot be written.
  bool extract(const std::filesystem::path& temp_folder) const;

  bool operator==(const CExtensionPackage&) const = default;
};

}  // namespace vn
