// Native shared libraries: loading, looking up functions and calling C functions whose
// arguments and result are doubles or zero-terminated strings.
#pragma once

#include <string>

namespace vn {

// A name containing "/" opens that file; a bare name goes through the system's library
// search. Null on failure, with the loader's reason in error.
void* open_library(const std::string& name, std::string& error);
void close_library(void* handle);
// The address of an exported function; null when there is none.
void* library_function(void* handle, const std::string& name);

struct RNativeArgument {
  bool is_string = false;
  double real = 0.0;
  const char* text = "";  // never null
};

struct RNativeResult {
  double real = 0.0;
  std::string text;  // copied from the returned string at once; empty for a null one
};

constexpr int kMaxNativeArguments = 16;

// Calls `address` with the platform's C convention; false (nothing called) when the
// signature cannot be prepared or count is outside 0 … kMaxNativeArguments.
bool call_native(void* address, const RNativeArgument* arguments, int count, bool result_is_string,
                 RNativeResult& result);

}  // namespace vn
