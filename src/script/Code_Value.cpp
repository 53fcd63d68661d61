#include "script/Code_Value.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace vn {

RString::RString(std::string_view text) {
  if (text.empty()) return;
  void* memory = std::malloc(offsetof(Rep, data) + text.size() + 1);
  if (!memory) throw std::bad_alloc();
  rep_ = static_cast<Rep*>(memory);
  rep_->references = 1;
  rep_->size = static_cast<uint32_t>(text.size());
  std::memcpy(rep_->data, text.data(), text.size());
  rep_->data[text.size()] = '\0';
}

void RString::free_rep(Rep* rep) { std::free(rep); }

int RString::compare(const RString& a, const RString& b) {
  size_t n = std::min(a.size(), b.size());
  const unsigned char* x = reinterpret_cast<const unsigned char*>(a.data());
  const unsigned char* y = reinterpret_cast<const unsigned char*>(b.data());
  for (size_t i = 0; i < n; ++i) {
    if (x[i] != y[i]) return int(x[i]) - int(y[i]);
  }
  return int(a.size()) - int(b.size());
}

}  // namespace vn
