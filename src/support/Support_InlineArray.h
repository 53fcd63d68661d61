// A fixed-capacity array on the stack of which only the first count elements are
// constructed: call frames sized for the most arguments need not clear the slots a call
// never uses.
#pragma once

#include <algorithm>
#include <cstddef>
#include <memory>
#include <new>

namespace vn {

template <typename T, size_t N>
class TInlineArray {
 public:
  explicit TInlineArray(size_t count) : count_(std::min(count, N)) {
    std::uninitialized_value_construct_n(data(), count_);
  }
  ~TInlineArray() { std::destroy_n(data(), count_); }
  TInlineArray(const TInlineArray&) = delete;
  TInlineArray& operator=(const TInlineArray&) = delete;

  T* data() { return std::launder(reinterpret_cast<T*>(storage_)); }
  T& operator[](size_t index) { return data()[index]; }
  size_t size() const { return count_; }

 private:
  alignas(T) std::byte storage_[N * sizeof(T)];
  size_t count_;
};

}  // namespace vn
