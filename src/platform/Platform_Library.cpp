#include "platform/Platform_Library.h"

#include <dlfcn.h>
#include <ffi.h>

namespace vn {

void* open_library(const std::string& name, std::string& error) {
  dlerror();
  // Symbols are bound at once so that a library with unresolved imports fails here rather
  // than in the middle of a game's call.
  void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* reason = dlerror();
    error = reason != nullptr ? reason : "unknown loader error";
  }
  return handle;
}

void close_library(void* handle) {
  if (handle != nullptr) dlclose(handle);
}

void* library_function(void* handle, const std::string& name) {
  if (handle == nullptr || name.empty()) return nullptr;
  dlerror();
  return dlsym(handle, name.c_str());
}

bool call_native(void* address, const RNativeArgument* arguments, int count, bool result_is_string,
                 RNativeResult& result) {
  if (address == nullptr || count < 0 || count > kMaxNativeArguments) return false;
  ffi_type* types[kMaxNativeArguments];
  void* values[kMaxNativeArguments];
  // libffi reads each argument through a pointer to its storage.
  const char* texts[kMaxNativeArguments];
  double reals[kMaxNativeArguments];
  for (int i = 0; i < count; ++i) {
    if (arguments[i].is_string) {
      texts[i] = arguments[i].text != nullptr ? arguments[i].text : "";
      types[i] = &ffi_type_pointer;
      values[i] = &texts[i];
    } else {
      reals[i] = arguments[i].real;
      types[i] = &ffi_type_double;
      values[i] = &reals[i];
    }
  }
  ffi_cif cif;
  ffi_type* result_type = result_is_string ? &ffi_type_pointer : &ffi_type_double;
  if (ffi_prep_cif(&cif, FFI_DEFAULT_ABI, unsigned(count), result_type, types) != FFI_OK) {
    return false;
  }
  // The return slot must be at least a full register wide.
  union {
    ffi_arg word;
    double real;
    const char* text;
  } returned{};
  ffi_call(&cif, FFI_FN(address), &returned, values);
  if (result_is_string) {
    result.real = 0.0;
    result.text = returned.text != nullptr ? returned.text : "";
  } else {
    result.real = returned.real;
    result.text.clear();
  }
  return true;
}

}  // namespace vn
