// Ini files and the registry store come from disk, where anything may have been written.
// An ini file must come back byte for byte, take a write that reads back, and give a number
// that is never NaN; a store must write out in a form that reads back the same.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "library/Support_Ini.h"
#include "library/Support_Registry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);

  vn::CIniFile ini;
  ini.parse(text);
  if (ini.text() != text) std::abort();
  ini.section_exists("Fuzz");
  ini.key_exists("Fuzz", "Key");
  ini.write("Fuzz", "Key", "value");
  if (ini.read("fuzz", "key") != "value") std::abort();
  vn::CIniFile again;
  again.parse(ini.text());
  if (again.read("FUZZ", "KEY") != "value") std::abort();
  again.delete_section("fuzz");
  if (std::isnan(vn::ini_number(text))) std::abort();

  vn::RRegistryData store;
  vn::parse_registry(text, store);
  vn::RRegistryData reread;
  // Compared as text, since a NaN value is not equal to itself.
  const std::string written = vn::format_registry(store);
  if (!vn::parse_registry(written, reread) || vn::format_registry(reread) != written) std::abort();
  return 0;
}
