// Shared data of multiplayer sessions: an array of values every peer keeps a copy of, and
// whether writes to it travel guaranteed.
#pragma once

#include <cstdint>

#include "script/Code_Value.h"

namespace vn {

constexpr int64_t kSharedDataLast = 1000000;

inline bool shared_index_valid(int64_t index) { return index >= 0 && index <= kSharedDataLast; }

// The value at the index: the real 0 where nothing was written.
RValue shared_data_get(int64_t index);
// Grows the array to the index as needed; indices outside 0 .. 1,000,000 are ignored.
void shared_data_set(int64_t index, const RValue& value);
// For arrivals: the same with the index as it travelled.
void shared_data_store(int32_t index, const RValue& value);

bool& shared_data_guaranteed();

}  // namespace vn
