#include "runner/Support_DLL.h"

#include <array>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "platform/Platform_Library.h"
#include "script/Code_Error.h"
#include "script/Code_Function.h"
#include "script/Variable_BuiltIn.h"
#include "support/Support_Path.h"
#include "support/Support_Text.h"

namespace vn {

namespace fs = std::filesystem;

namespace {

constexpr int kMaxExternalArguments = 16;
// Wider calls take reals only: the limit games were written against.
constexpr int kMaxMixedArguments = 4;

struct RExternalEntry {
  std::string library;  // as the game named it
  std::string function;
  void* address = nullptr;  // null once the library is freed
  int convention = 0;
  int argument_count = 0;
  std::array<bool, kMaxExternalArguments> string_arguments{};
  bool result_is_string = false;
};

struct RLoadedLibrary {
  std::string name;  // as first named; later names match it without regard to case
  void* handle = nullptr;
};

struct RExternalTable {
  std::vector<RExternalEntry> entries;
  std::vector<RLoadedLibrary> libraries;
  std::string failure;

  void clear() {
    for (RLoadedLibrary& library : libraries) close_library(library.handle);
    libraries.clear();
    entries.clear();
  }
  // Process end: whatever the game left loaded goes once.
  ~RExternalTable() { clear(); }
};

RExternalTable& table() {
  static RExternalTable instance;
  return instance;
}

bool ends_with_dll(const std::string& name) {
  return name.size() >= 4 && same_name_ignoring_case(name.substr(name.size() - 4), ".dll");
}

// "x.dll" → x.so, libx.so, x.dll; any other name → as given, name.so, libname.so.
std::vector<std::string> file_candidates(const std::string& file) {
  if (ends_with_dll(file)) {
    std::string stem = file.substr(0, file.size() - 4);
    return {stem + ".so", "lib" + stem + ".so", file};
  }
  return {file, file + ".so", "lib" + file + ".so"};
}

bool absolute_game_path(const std::string& path) {
  if (!path.empty() && (path[0] == '/' || path[0] == '\\')) return true;
  return path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]));
}

// Folders (as the game writes them) searched before the system's library path.
std::vector<std::string> search_folders(const std::string& folder) {
  const std::string& game_folder = run_state().program_directory;
  if (folder.empty()) return {game_folder};
  if (absolute_game_path(folder)) return {folder};
  std::vector<std::string> folders;
  if (!game_folder.empty()) folders.push_back(game_folder + "\\" + folder);
  folders.push_back(folder);  // the current folder, as the file functions read it
  return folders;
}

void* load_library(const std::string& library, std::string& failure) {
  size_t slash = library.find_last_of("\\/");
  std::string folder = slash == std::string::npos ? "" : library.substr(0, slash);
  std::string file = slash == std::string::npos ? library : library.substr(slash + 1);
  if (file.empty()) {
    failure = "no library file named";
    return nullptr;
  }
  const std::vector<std::string> candidates = file_candidates(file);
  std::string found_error;  // the loader's reason for a file that exists but did not load
  for (const std::string& place : search_folders(folder)) {
    for (const std::string& candidate : candidates) {
      fs::path path = place.empty() ? game_path(candidate) : join_game_path(place, candidate);
      std::error_code error;
      if (!fs::is_regular_file(path, error)) continue;
      fs::path absolute = fs::absolute(path, error);
      if (error) continue;
      std::string reason;
      if (void* handle = open_library(absolute.string(), reason)) return handle;
      if (found_error.empty()) found_error = reason;
    }
  }
  for (const std::string& candidate : candidates) {
    std::string reason;
    if (void* handle = open_library(cp1252_to_utf8(candidate), reason)) return handle;
  }
  if (!found_error.empty()) {
    failure = found_error;
  } else {
    failure = "no " + candidates[0] + ", " + candidates[1] + " or " + candidates[2] +
              " beside the game or on the system's library path";
  }
  return nullptr;
}

void* library_handle(const std::string& library, std::string& failure) {
  RExternalTable& state = table();
  for (const RLoadedLibrary& loaded : state.libraries) {
    if (same_name_ignoring_case(loaded.name, library)) return loaded.handle;
  }
  void* handle = load_library(library, failure);
  if (handle != nullptr) state.libraries.push_back({library, handle});
  return handle;
}

// --- The built-ins ---

const char kSecureMessage[] = "In secure mode you cannot use DLLs";

void report(const std::string& message) { report_runtime_error(message, false); }

bool refused_in_secure_mode() {
  if (!run_state().secure_mode) return false;
  report(kSecureMessage);
  return true;
}

bool string_type(const RValue& value) { return arguments::integer(value) == 1; }

void define_and_report(const RValue* args, int convention, bool result_is_string,
                       const std::vector<bool>& string_arguments, RValue& result) {
  int index = define_external(arguments::text(args[0]), arguments::text(args[1]), convention,
                              result_is_string, string_arguments);
  result = RValue(double(index));
  if (index < 0) report("Error defining an external function.");
}

void fn_external_define(CInstanceBase*, CInstanceBase*, int argc, const RValue* args,
                        RValue& result) {
  if (refused_in_secure_mode()) return;
  if (argc < 5 || argc != arguments::integer(args[4]) + 5) {
    report("Wrong number of arguments to external_define()");
    return;
  }
  int count = arguments::integer(args[4]);
  if (count > kMaxExternalArguments) {
    report("DLL functions can have at most 16 arguments");
    return;
  }
  std::vector<bool> string_arguments;
  for (int i = 0; i < count; ++i) string_arguments.push_back(string_type(args[5 + i]));
  if (count > kMaxMixedArguments) {
    for (bool is_string : string_arguments) {
      if (is_string) {
        report("DLL functions with more than 4 arguments cannot have string arguments");
        return;
      }
    }
  }
  define_and_report(args, arguments::integer(args[2]), string_type(args[3]), string_arguments,
                    result);
}

// external_define0 … 4: (library, name, argument types …, result type), cdecl.
template <int N>
void fn_external_define_typed(CInstanceBase*, CInstanceBase*, int, const RValue* args,
                              RValue& result) {
  if (refused_in_secure_mode()) return;
  std::vector<bool> string_arguments;
  for (int i = 0; i < N; ++i) string_arguments.push_back(string_type(args[2 + i]));
  define_and_report(args, 0, string_type(args[2 + N]), string_arguments, result);
}

// external_define5 … 8: (library, name, result type), N real arguments, cdecl.
template <int N>
void fn_external_define_reals(CInstanceBase*, CInstanceBase*, int, const RValue* args,
                              RValue& result) {
  if (refused_in_secure_mode()) return;
  define_and_report(args, 0, string_type(args[2]), std::vector<bool>(N, false), result);
}

void fn_external_call(CInstanceBase*, CInstanceBase*, int argc, const RValue* args,
                      RValue& result) {
  if (refused_in_secure_mode() || argc < 1) return;
  call_external(arguments::integer(args[0]), argc - 1, args + 1, result);
}

void fn_external_free(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue&) {
  if (refused_in_secure_mode()) return;
  free_external_library(arguments::text(args[0]));
}

}  // namespace

int define_external(const std::string& library, const std::string& name, int convention,
                    bool result_is_string, const std::vector<bool>& string_arguments) {
  RExternalTable& state = table();
  state.failure.clear();
  int count = int(string_arguments.size());
  if (count > kMaxExternalArguments) {
    state.failure = "more than 16 arguments";
    return -1;
  }
  if (count > kMaxMixedArguments) {
    for (bool is_string : string_arguments) {
      if (is_string) {
        state.failure = "string arguments in a function of more than 4 arguments";
        return -1;
      }
    }
  }
  void* handle = library_handle(library, state.failure);
  if (handle == nullptr) return -1;
  void* address = library_function(handle, name);
  if (address == nullptr) {
    state.failure = "it has no function " + name;
    return -1;
  }
  RExternalEntry entry;
  entry.library = library;
  entry.function = name;
  entry.address = address;
  entry.convention = convention;
  entry.argument_count = count;
  for (int i = 0; i < count; ++i) entry.string_arguments[i] = string_arguments[i];
  entry.result_is_string = result_is_string;
  state.entries.push_back(std::move(entry));
  return int(state.entries.size()) - 1;
}

const std::string& external_define_failure() { return table().failure; }

bool call_external(int index, int argc, const RValue* args, RValue& result) {
  result = RValue(0.0);
  RExternalTable& state = table();
  if (index < 0 || size_t(index) >= state.entries.size()) return false;
  const RExternalEntry& entry = state.entries[size_t(index)];
  if (entry.address == nullptr || argc != entry.argument_count) return false;
  std::array<RNativeArgument, kMaxExternalArguments> native;
  for (int i = 0; i < argc; ++i) {
    native[i].is_string = entry.string_arguments[i];
    if (native[i].is_string) {
      native[i].text = args[i].is_string() ? args[i].string.data() : "";
    } else {
      native[i].real = arguments::number(args[i]);
    }
  }
  RNativeResult returned;
  if (!call_native(entry.address, native.data(), argc, entry.result_is_string, returned)) {
    return false;
  }
  if (entry.result_is_string) {
    result = RValue(returned.text);
  } else {
    result = RValue(returned.real);
  }
  return true;
}

void free_external_library(const std::string& library) {
  RExternalTable& state = table();
  for (size_t i = 0; i < state.libraries.size(); ++i) {
    if (same_name_ignoring_case(state.libraries[i].name, library)) {
      close_library(state.libraries[i].handle);
      state.libraries.erase(state.libraries.begin() + std::ptrdiff_t(i));
      break;
    }
  }
  for (RExternalEntry& entry : state.entries) {
    if (same_name_ignoring_case(entry.library, library)) entry.address = nullptr;
  }
}

void clear_external_functions() { table().clear(); }

void register_external_functions() {
  register_function("external_define", fn_external_define, kVariableArguments);
  register_function("external_call", fn_external_call, kVariableArguments);
  register_function("external_free", fn_external_free, 1);
  register_function("external_define0", fn_external_define_typed<0>, 3);
  register_function("external_call0", fn_external_call, 1);
  register_function("external_define1", fn_external_define_typed<1>, 4);
  register_function("external_call1", fn_external_call, 2);
  register_function("external_define2", fn_external_define_typed<2>, 5);
  register_function("external_call2", fn_external_call, 3);
  register_function("external_define3", fn_external_define_typed<3>, 6);
  register_function("external_call3", fn_external_call, 4);
  register_function("external_define4", fn_external_define_typed<4>, 7);
  register_function("external_call4", fn_external_call, 5);
  register_function("external_define5", fn_external_define_reals<5>, 3);
  register_function("external_call5", fn_external_call, 6);
  register_function("external_define6", fn_external_define_reals<6>, 3);
  register_function("external_call6", fn_external_call, 7);
  register_function("external_define7", fn_external_define_reals<7>, 3);
  register_function("external_call7", fn_external_call, 8);
  register_function("external_define8", fn_external_define_reals<8>, 3);
  register_function("external_call8", fn_external_call, 9);
}

}  // namespace vn
