#include "conditioning/background.h"

namespace kaldero {

void subtractBackgroundInPlace(const TestDescription& test, std::span<float> C) {
  if (!on(test.backgroundOption)) return;
  for (float& c : C) {
    c = c - test.background;
    if (c < 0) c = 0;
  }
}

std::vector<float> subtractBackground(const TestDescription& test, std::span<const float> C) {
  std::vector<float> out(C.begin(), C.end());
  subtractBackgroundInPlace(test, out);
  return out;
}

}  // namespace kaldero
