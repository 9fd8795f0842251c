// What a campaign of stations shows together: each station's concentrations
// against the time since the release (raw, or normalized per kg recovered so
// that stations of different discharge compare), each station's recovery
// curve (the recovered mass up to each time, as a fraction of the injected
// mass) and the curve of their total.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kaldero {

// A station's concentrations against the time since the release.
struct ConcentrationCurve {
  std::vector<double> hours;   // time since the release, h
  std::vector<double> values;  // ug/L raw; mg/L per kg recovered normalized
};

// Raw: ug/L as measured; PerKgRecovered: mg/L per kg recovered;
// OfThePeak: each curve over its own largest value (a fraction), so that a
// far station's low curve shows beside a near one's; LogPerKg: per kg
// recovered on a logarithmic axis (the same values as PerKgRecovered).
enum class ConcentrationScale { Raw, PerKgRecovered, OfThePeak, LogPerKg };
// The scale by its name: "per-kg", "raw", "peak" or "log"; nothing for any
// other text.
std::optional<ConcentrationScale> parseConcentrationScale(const std::string& name);

// From the measured record's times (s) and concentrations (ng/L,
// background subtracted with their sign). Raw: ug/L. PerKgRecovered:
// concentration x 0.001 / recovered grams, mg/L per kg, as the normalized
// curve file has it; empty when the recovered mass is not positive
// (nothing to normalize by). OfThePeak: over the largest concentration
// (empty when none is positive). Times and concentrations of unequal
// length give an empty curve.
ConcentrationCurve stationConcentrationCurve(std::span<const double> times,
                                             std::span<const double> concentrations,
                                             float recoveredGrams, ConcentrationScale scale);

// A curve of the recovered mass against the time since the release.
struct RecoveryCurve {
  std::vector<double> hours;     // time since the release, h
  std::vector<double> fraction;  // recovered mass up to then, of the injected mass
};

// A station's curve from its sample times (s) and its recovery curve (ug up
// to each sample); injectedMass in mg. Without an injected mass the
// fractions are of nothing: the curve is empty.
RecoveryCurve stationRecoveryCurve(std::span<const double> times,
                                   std::span<const double> cumulativeMass, float injectedMass);

// The total of the stations' curves on the union of their times: each
// station adds 0 before its first sample, its curve (linear between its
// samples) over its samples, and its final recovery after its last.
RecoveryCurve totalRecoveryCurve(const std::vector<RecoveryCurve>& stations);

// A station in a campaign figure's legend: its data file and travel
// distance (m), "B.DAT (770 m)".
std::string campaignLabel(const std::string& stationFile, float distanceMetres);

}  // namespace kaldero
