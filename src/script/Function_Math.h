// The language's core library: kind tests, random numbers, rounding and arithmetic,
// exponentials and trigonometry, aggregates, the conversions real and string, string
// handling and planar geometry. Also the random generator the whole runner draws from.
#pragma once

#include <cstdint>
#include <string>

namespace vn {

// Registers the 63 functions of the family, in the order of the vocabulary.
void register_math_functions();

// The random generator: one 32-bit seed shared by every random choice of the runner.
// Each draw first steps seed := seed * 134775813 + 1 (mod 2^32).
uint32_t random_seed();
void set_random_seed(uint32_t seed);
// What randomize() and the start of a game do.
void seed_random_from_clock();
// A step, then the new seed / 2^32: a real in [0, 1).
double random_real();
// A step, then the upper 32 bits of the 64-bit product of the new seed and n: an integer
// in [0, n), or 0 when n is 0.
uint32_t random_below(uint32_t n);

// The text of string(value) for a real: an integer without decimals, otherwise two
// decimals (see the definition for the exact layout).
std::string real_to_text(double value);

}  // namespace vn
