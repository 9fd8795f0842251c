// Reproducible random numbers: the 64-bit Mersenne Twister (its output is
// fixed by the C++ standard) with uniform and normal deviates made here
// rather than by the standard library's distributions, whose algorithms
// differ between libraries. The same seed gives the same numbers on every
// platform.
#pragma once

#include <cstdint>
#include <random>

namespace kaldero::numeric {

class Random {
 public:
  explicit Random(uint64_t seed) : engine_(seed) {}

  // Uniform on [0, 1), 53 random bits.
  double uniform() { return static_cast<double>(engine_() >> 11) * 0x1.0p-53; }
  // An integer from 0 to n - 1 (n > 0).
  uint64_t below(uint64_t n) { return static_cast<uint64_t>(uniform() * static_cast<double>(n)); }
  // Standard normal: Marsaglia's polar method (each pair of uniforms gives
  // two deviates; the second is kept for the next call).
  double normal();

 private:
  std::mt19937_64 engine_;
  bool spare_ = false;
  double spareValue_ = 0;
};

// A seed for a stream of its own from a seed and an index (the splitmix64
// finalizer), so that streams of neighbouring indices are unrelated.
uint64_t streamSeed(uint64_t seed, uint64_t index);

}  // namespace kaldero::numeric
