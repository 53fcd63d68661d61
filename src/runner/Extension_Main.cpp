#include "runner/Extension_Main.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <memory>
#include <set>
#include <unordered_map>
#include <utility>

#include "runner/Support_DLL.h"
#include "script/Code_Error.h"
#include "script/Code_Exec.h"
#include "script/Code_Function.h"
#include "script/Code_Main.h"
#include "script/Constant_Main.h"
#include "script/Variable_BuiltIn.h"
#include "support/Support_Console.h"
#include "world/Instance_Class.h"

namespace vn {

namespace {

constexpr const char* kSecureMessage = "In secure mode you cannot use extension packages.";
// The stored calling convention that means cdecl; every other value is stdcall.
constexpr int kStoredCdecl = 12;
// Ids past this would overflow the registry's identifier range.
constexpr int32_t kLargestId = std::numeric_limits<int32_t>::max() - kFirstExtensionFunction;

struct RExtensionEntry {
  const CExtensionPackage* package = nullptr;
  const CExtensionFunction* function = nullptr;
  bool script = false;
  int external_index = -1;      // library functions: the bound entry, -1 when not bound
  std::unique_ptr<CCode> code;  // script functions: none when the text was empty
};

struct ExtensionState {
  const std::vector<CExtensionPackage>* packages = nullptr;
  // Keyed by id rather than sized to the largest id: a stored id of two billion must not
  // cost a table of that size.
  std::unordered_map<int32_t, RExtensionEntry> entries;
};

ExtensionState& state() {
  static ExtensionState instance;
  return instance;
}

bool usable_id(int32_t id) { return id >= 0 && id <= kLargestId; }

// The first function with that id in load order.
const CExtensionFunction* function_with_id(int32_t id) {
  const std::vector<CExtensionPackage>* packages = state().packages;
  if (!packages || !usable_id(id)) return nullptr;
  for (const CExtensionPackage& package : *packages) {
    for (const CExtensionFile& file : package.files) {
      for (const CExtensionFunction& function : file.functions) {
        if (function.id == id) return &function;
      }
    }
  }
  return nullptr;
}

void install_lookup() {
  RExtensionLookup lookup;
  lookup.find = find_extension_function;
  lookup.argument_count = extension_argument_count;
  lookup.name = extension_function_name;
  lookup.call = call_extension;
  set_extension_lookup(std::move(lookup));
}

std::vector<bool> string_arguments(const CExtensionFunction& function) {
  // Past 16 binding fails whatever the count; a stored count of billions must not be
  // allocated first.
  std::vector<bool> strings(size_t(std::min(function.argument_count, kMaxArguments + 1)), false);
  for (size_t i = 0; i < strings.size() && i < function.argument_types.size(); ++i) {
    strings[i] = function.argument_types[i] == kExtensionTypeString;
  }
  return strings;
}

// An author whose library does not load learns why from one line per library, rather than
// from a game that silently gets zeros.
void bind_library_function(const CExtensionPackage& package, const CExtensionFile& file,
                           const std::string& library, RExtensionEntry& entry,
                           std::set<const CExtensionFile*>& reported) {
  const CExtensionFunction& function = *entry.function;
  // A variable count matches no call, so there is nothing to bind.
  if (function.argument_count < 0) return;
  int convention = function.calling_convention == kStoredCdecl ? 0 : 1;
  entry.external_index =
      define_external(library, function.external_name, convention,
                      function.result_type == kExtensionTypeString, string_arguments(function));
  if (entry.external_index < 0 && reported.insert(&file).second) {
    std::string why = external_define_failure();
    if (why.empty()) why = "it could not be bound";
    write_console_lines(stderr, "Extension package " + package.name + ": cannot bind " +
                                    function.external_name + " from " + file.file_name + ": " +
                                    why);
  }
}

}  // namespace

void use_extension_packages(const std::vector<CExtensionPackage>* packages) {
  ExtensionState& s = state();
  s.entries.clear();
  s.packages = packages;
  if (packages) {
    install_lookup();
  } else {
    set_extension_lookup(RExtensionLookup());
  }
}

bool extract_extension_packages(const std::filesystem::path& temp_folder) {
  const std::vector<CExtensionPackage>* packages = state().packages;
  if (!packages) return true;
  for (const CExtensionPackage& package : *packages) {
    if (!package.extract(temp_folder)) return false;
  }
  return true;
}

int32_t find_extension_function(std::string_view name) {
  const std::vector<CExtensionPackage>* packages = state().packages;
  if (!packages) return -1;
  for (const CExtensionPackage& package : *packages) {
    for (const CExtensionFile& file : package.files) {
      for (const CExtensionFunction& function : file.functions) {
        if (function.name == name && usable_id(function.id)) return function.id;
      }
    }
  }
  return -1;
}

int extension_argument_count(int32_t id) {
  const CExtensionFunction* function = function_with_id(id);
  return function ? function->argument_count : -100;
}

std::string extension_function_name(int32_t id) {
  const CExtensionFunction* function = function_with_id(id);
  return function ? function->name : "<undefined>";
}

bool prepare_extensions(const std::string& temp_folder) {
  ExtensionState& s = state();
  s.entries.clear();
  if (!s.packages) return true;
  const std::vector<CExtensionPackage>& packages = *s.packages;

  for (const CExtensionPackage& package : packages) {
    for (const CExtensionFile& file : package.files) {
      for (const CExtensionConstant& constant : file.constants) {
        if (!define_constant(constant.name, constant.value)) return false;
      }
    }
  }

  std::set<const CExtensionFile*> reported;
  for (const CExtensionPackage& package : packages) {
    const std::string folder = temp_folder + "/" + package.folder_name + "/";
    for (const CExtensionFile& file : package.files) {
      for (const CExtensionFunction& function : file.functions) {
        if (!usable_id(function.id) || s.entries.count(function.id)) continue;
        RExtensionEntry& entry = s.entries[function.id];
        entry.package = &package;
        entry.function = &function;
        entry.script = file.kind == kExtensionScripts;
        if (file.kind == kExtensionLibrary) {
          bind_library_function(package, file, folder + file.file_name, entry, reported);
        } else if (entry.script && !function.code.empty()) {
          entry.code = std::make_unique<CCode>(function.code, false);
          if (!entry.code->compile()) {
            display_error("COMPILATION ERROR in extension package " + package.name + "\r" +
                              last_error_message(),
                          true);
            clear_error_flag();
            return false;
          }
        }
      }
    }
  }
  return true;
}

namespace {

// Runs the initialisation or finalisation function of every file; false after the first
// fatal error.
bool run_package_functions(bool initialising) {
  const ExtensionState& s = state();
  if (!s.packages) return true;
  for (const CExtensionPackage& package : *s.packages) {
    for (const CExtensionFile& file : package.files) {
      const std::string& wanted = initialising ? file.init_function : file.final_function;
      if (wanted.empty()) continue;
      if (run_state().secure_mode) {
        display_error(kSecureMessage, true);
        return false;
      }
      const CExtensionFunction* found = nullptr;
      for (const CExtensionFunction& function : file.functions) {
        if (function.name == wanted) {
          found = &function;
          break;
        }
      }
      if (!found) {
        display_error((initialising ? "Could not locate initialization function "
                                    : "Could not locate finalization function ") +
                          wanted,
                      true);
        return false;
      }
      CInstance fresh(0, 0, 0, 0);
      RValue result;
      clear_error_flag();
      if (!call_extension(found->id, &fresh, &fresh, 0, nullptr, result)) {
        // An id that names nothing fails without a message of its own.
        std::string message = error_flag() ? last_error_message()
                                           : "In extension function " + wanted + ":\r" +
                                                 "the function could not be called.";
        clear_error_flag();
        display_error(message, true);
        return false;
      }
    }
  }
  return true;
}

}  // namespace

bool initialize_extensions() { return run_package_functions(true); }

void finalize_extensions() { run_package_functions(false); }

bool call_extension(int32_t id, CInstanceBase* self, CInstanceBase* other, int argc,
                    const RValue* args, RValue& result) {
  result = RValue();
  ExtensionState& s = state();
  auto found = s.entries.find(id);
  if (found == s.entries.end()) return false;
  RExtensionEntry& entry = found->second;
  if (run_state().secure_mode) {
    set_call_failure_message(kSecureMessage);
    return false;
  }
  argc = std::clamp(argc, 0, kMaxArguments);
  if (!entry.script) {
    call_external(entry.external_index, argc, args, result);
    return true;
  }
  if (!entry.code) return false;
  // The caller's arguments come back afterwards, whatever the function did to them.
  RValue saved[kMaxArguments];
  for (int i = 0; i < kMaxArguments; ++i) {
    saved[i] = argument_value(i);
    set_argument(i, i < argc ? args[i] : RValue());
  }
  bool ok = run_for_value(self, other, *entry.code, result);
  if (!ok) {
    set_last_error_message("In extension function " + entry.function->name + ":\r" +
                           last_error_message());
  }
  for (int i = 0; i < kMaxArguments; ++i) set_argument(i, saved[i]);
  return ok;
}

}  // namespace vn
