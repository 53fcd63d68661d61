#include "runner/Extension_Class.h"

#include "platform/Platform_FileIo.h"
#include "support/Support_Record.h"
#include "support/Support_Text.h"

namespace vn {

constexpr int32_t kExtensionVersion = 700;

static std::string trimmed(const std::string& text) {
  // Trimming removes spaces and control characters at both ends.
  size_t first = 0;
  size_t last = text.size();
  while (first < last && static_cast<unsigned char>(text[first]) <= ' ') ++first;
  while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') --last;
  return text.substr(first, last - first);
}

void CExtensionFunction::read(CStream& stream) {
  *this = CExtensionFunction();
  expect_version(stream, kExtensionVersion);
  name = read_string(stream);
  external_name = read_string(stream);
  calling_convention = read_int(stream);
  id = read_int(stream);
  argument_count = read_int(stream);
  for (int& type : argument_types) {
    type = read_int(stream);
  }
  result_type = read_int(stream);
}

void CExtensionFunction::write(CStream& stream) const {
  write_int(stream, kExtensionVersion);
  write_string(stream, name);
  write_string(stream, external_name);
  write_int(stream, calling_convention);
  write_int(stream, id);
  write_int(stream, argument_count);
  for (int type : argument_types) {
    write_int(stream, type);
  }
  write_int(stream, result_type);
}

void CExtensionFunction::normalize() {
  name = trimmed(name);
  external_name = trimmed(external_name);
  if (external_name.empty()) {
    external_name = name;
  }
  if (argument_count > 4) {
    argument_types.fill(kExtensionTypeReal);
  }
  if (result_type != kExtensionTypeString && result_type != kExtensionTypeReal) {
    result_type = kExtensionTypeReal;
  }
}

// A function record is its version, two strings, three integers, 17 types and a result.
constexpr size_t kMinFunctionRecord = 4 * 23;

void CExtensionFile::read(CStream& stream) {
  *this = CExtensionFile();
  expect_version(stream, kExtensionVersion);
  file_name = read_string(stream);
  kind = read_int(stream);
  init_function = read_string(stream);
  final_function = read_string(stream);
  functions.resize(read_count(stream, kMinFunctionRecord));
  for (CExtensionFunction& function : functions) {
    function.read(stream);
    function.normalize();
  }
  constants.resize(read_count(stream, 12));
  for (CExtensionConstant& constant : constants) {
    expect_version(stream, kExtensionVersion);
    constant.name = read_string(stream);
    constant.value = read_string(stream);
  }
}

void CExtensionFile::write(CStream& stream) const {
  write_int(stream, kExtensionVersion);
  write_string(stream, file_name);
  write_int(stream, kind);
  write_string(stream, init_function);
  write_string(stream, final_function);
  write_int(stream, int32_t(functions.size()));
  for (const CExtensionFunction& function : functions) {
    function.write(stream);
  }
  write_int(stream, int32_t(constants.size()));
  for (const CExtensionConstant& constant : constants) {
    write_int(stream, kExtensionVersion);
    write_string(stream, constant.name);
    write_string(stream, constant.value);
  }
}

void CExtensionFile::assign_script_codes() {
  // Lines end at CR, CR LF, or an LF alone: files written on this system end their lines
  // with LF, and joining them would hide every "#define" but the first.
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < data.size(); ++i) {
    uint8_t byte = data[i];
    if (byte == '\r' || (byte == '\n' && (i == 0 || data[i - 1] != '\r'))) {
      lines.emplace_back();
    } else if (byte != '\n') {
      lines.back().push_back(char(byte));
    }
  }
  if (lines.back().empty()) {
    lines.pop_back();  // a final line end does not start another line
  }
  for (CExtensionFunction& function : functions) {
    function.code.clear();
  }
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].rfind("#define", 0) != 0) {
      continue;
    }
    std::string script_name = trimmed(lines[i].substr(7));
    std::string text;
    for (size_t j = i + 1; j < lines.size() && lines[j].rfind("#define", 0) != 0; ++j) {
      if (j > i + 1) text += "\r\n";
      text += lines[j];
    }
    for (CExtensionFunction& function : functions) {
      if (function.external_name == script_name) {
        function.code = text;
      }
    }
  }
}

constexpr size_t kMinFileRecord = 4 * 7;

void CExtensionPackage::read(CStream& stream) {
  *this = CExtensionPackage();
  expect_version(stream, kExtensionVersion);
  name = read_string(stream);
  folder_name = read_string(stream);
  files.resize(read_count(stream, kMinFileRecord));
  for (CExtensionFile& file : files) {
    file.read(stream);
  }
  // The file data: the seed, then the files' compressed blocks, substituted from the
  // second byte after the seed on.
  CStream block = read_raw_block(stream);
  seed = read_int(block);
  unscramble_range(block, seed, 5, 0);
  block.seek(4);
  for (CExtensionFile& file : files) {
    if (file.kind == kExtensionNoData) {
      continue;
    }
    file.data = read_compressed_block(block).take_bytes();
    if (file.kind == kExtensionScripts) {
      file.assign_script_codes();
    }
  }
}

void CExtensionPackage::write(CStream& stream) const {
  write_int(stream, kExtensionVersion);
  write_string(stream, name);
  write_string(stream, folder_name);
  write_int(stream, int32_t(files.size()));
  for (const CExtensionFile& file : files) {
    file.write(stream);
  }
  CStream block;
  write_int(block, seed);
  for (const CExtensionFile& file : files) {
    if (file.kind != kExtensionNoData) {
      write_compressed_block(block, file.data);
    }
  }
  scramble_range(block, seed, 5, 0);
  write_raw_block(stream, block.bytes());
}

// A stored name that is a path could write anywhere; only plain names are accepted.
static bool plain_file_name(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of("/\\") == std::string::npos && name.find('\0') == std::string::npos;
}

bool CExtensionPackage::extract(const std::filesystem::path& temp_folder) const {
  if (!plain_file_name(folder_name)) {
    return false;
  }
  std::filesystem::path folder = temp_folder / cp1252_to_utf8(folder_name);
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) {
    return false;
  }
  for (const CExtensionFile& file : files) {
    if (file.kind != kExtensionLibrary && file.kind != kExtensionOther) {
      continue;
    }
    std::string message;
    if (!plain_file_name(file.file_name) ||
        !write_file_atomic(folder / cp1252_to_utf8(file.file_name), file.data, message)) {
      return false;
    }
  }
  return true;
}

}  // namespace vn
