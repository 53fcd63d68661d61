#include "library/Net_Data.h"

#include <vector>

namespace vn {

namespace {

std::vector<RValue>& values() {
  static std::vector<RValue> instance;
  return instance;
}

}  // namespace

RValue shared_data_get(int64_t index) {
  const std::vector<RValue>& data = values();
  if (index < 0 || uint64_t(index) >= data.size()) return RValue();
  return data[size_t(index)];
}

void shared_data_set(int64_t index, const RValue& value) {
  if (!shared_index_valid(index)) return;
  std::vector<RValue>& data = values();
  if (uint64_t(index) >= data.size()) data.resize(size_t(index) + 1);
  data[size_t(index)] = value;
}

void shared_data_store(int32_t index, const RValue& value) { shared_data_set(index, value); }

bool& shared_data_guaranteed() {
  static bool guaranteed = true;
  return guaranteed;
}

}  // namespace vn
