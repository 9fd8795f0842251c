#include "conditioning/background.h"

namespace kaldero {

std::vector<float> subtractBackground(const TestDescription& test, std::span<const float> C,
                                      bool keepNegatives) {
  std::vector<float> out(C.begin(), C.end());
  if (!on(test.backgroundOption)) return out;
  for (float& c : out) {
    c = c - test.background;
    if (c < 0 && !keepNegatives) c = 0;
  }
  return out;
}

}  // namespace kaldero
