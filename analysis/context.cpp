#include "analysis/context.h"

#include "core/console.h"
#include "core/listing_channel.h"

namespace kaldero {

void AnalysisContext::echoLine(std::string_view s) const {
  kaldero::echoLine(console, listing, echo(), s);
}

void AnalysisContext::echoEmpty(int n) const { kaldero::echoEmpty(console, listing, echo(), n); }

void AnalysisContext::bothLine(std::string_view s) const { kaldero::bothLine(console, listing, s); }

void AnalysisContext::bothEmpty(int n) const {
  for (int i = 0; i < n; ++i) bothLine({});
}

void AnalysisContext::echoPause() const {
  if (!echo()) return;
  console.pause();
  console.clear();
}

}  // namespace kaldero
