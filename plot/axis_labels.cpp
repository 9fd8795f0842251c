#include "plot/axis_labels.h"

#include "core/text.h"

namespace kaldero::plot {

namespace {

void setLabel(std::string& label, const char* text) {
  label = text::padded(text, label.size() < 35 ? 35 : label.size());
}

// The label of a code from 1 to n, when it has one.
template <class E, std::size_t N>
void labelOf(E unit, const char* const (&names)[N], std::string& label) {
  const int32_t c = code(unit);
  if (c >= 1 && c <= static_cast<int32_t>(N)) setLabel(label, names[c - 1]);
}

}  // namespace

void timeLabel(TimeUnit unit, std::string& label) {
  static const char* const names[] = {"Time from Injection (d)", "Time from Injection (h)",
                                      "Time from Injection (min)", "Time from Injection (s)"};
  labelOf(unit, names, label);
}

void timeLabelLong(TimeUnit unit, std::string& label) {
  static const char* const names[] = {"Time from Injection (days)", "Time from Injection (hours)",
                                      "Time from Injection (minutes)",
                                      "Time from Injection (seconds)"};
  labelOf(unit, names, label);
}

void concentrationLabel(ConcentrationUnit unit, std::string& label) {
  static const char* const names[] = {
      "Concentration (g L\\u-1\\d)", "Concentration (mg L\\u-1\\d)",
      "Concentration (\\gmg L\\u-1\\d)", "Concentration (ng L\\u-1\\d)"};
  labelOf(unit, names, label);
}

void dischargeLabel(DischargeUnit unit, std::string& label) {
  static const char* const names[] = {
      "Discharge (m\\u3\\d d\\u-1\\d)",   "Discharge (m\\u3\\d hr\\u-1\\d)",
      "Discharge (m\\u3\\d min\\u-1\\d)", "Discharge (m\\u3\\d s\\u-1\\d)",
      "Discharge (gpd)",                  "Discharge (gpm)",
      "Discharge (ft\\u3\\d d\\u-1\\d)",  "Discharge (ft\\u3\\d hr\\u-1\\d)",
      "Discharge (ft^3 min\\u-1\\d)",     "Discharge (ft\\u3\\d s\\u-1\\d)"};
  labelOf(unit, names, label);
}

}  // namespace kaldero::plot
