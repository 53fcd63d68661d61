// Arbitrary bytes as script text, compiled as a program and as an expression. Running is
// left out: a valid program may loop forever.
#include <cstddef>
#include <cstdint>
#include <string>

#include "script/Code_Main.h"
#include "script/Script_Library.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = (vn::register_script_library(), true);
  (void)ready;
  std::string text(reinterpret_cast<const char*>(data), size);
  vn::CCode program(text, false);
  program.compile();
  vn::CCode expression(text, true);
  expression.compile();
  return 0;
}
