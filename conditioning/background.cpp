#include "conditioning/background.h"

namespace kaldero {

void subtractBackground(const TestDescription& test, std::span<float> C, int32_t n) {
  if (!on(test.backgroundOption)) return;
  for (int32_t i = 0; i < n; ++i) {
    C[i] = C[i] - test.background;
    if (C[i] < 0) C[i] = 0;
  }
}

}  // namespace kaldero
