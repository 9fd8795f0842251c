// The uncertainty of a station's results (--uncertainty): the errors the
// user states for the measurements, and the 2.5, 50 and 97.5 % points of
// each quantity of the results listing over the analyses of perturbed
// copies of the station's curve.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kaldero {

// The seed of the draws when the user gives none.
inline constexpr uint64_t kDefaultSeed = 20261208;

// An error as the user states it: relative (a fraction, written "3%") or
// absolute (in the station's unit of the quantity).
struct StatedError {
  double value = 0;
  bool relative = false;
  std::string text;  // as given, for the results files ("3%", "0.05")

  bool none() const { return value == 0; }
};

// A stated error as the command line gives it: "3%" relative, "0.05"
// absolute; nothing when the text is neither a number nor a percentage, or
// negative, or not finite.
std::optional<StatedError> parseStatedError(const std::string& text);

// The fewest draws whose 2.5 and 97.5 % points rest on three draws or
// more each.
inline constexpr int kMinimumDraws = 100;

struct UncertaintyRequest {
  int draws = 0;  // 0: no uncertainty
  uint64_t seed = kDefaultSeed;
  StatedError concentration;            // random, each sample
  double concentrationCorrelation = 0;  // lag-1 correlation of the concentration errors
  StatedError discharge;                // systematic: one factor (or offset) a draw
  StatedError dischargeNoise;           // random, each sample
  StatedError background;               // of the subtracted background, one value a draw
  double timeError = 0;                 // sample times, absolute, in the station's time unit
  bool allTailMethods = false;          // each draw also extrapolates by the other methods
};

// The uncertainty options as the command line gives them (each empty when
// not given), before they are checked.
struct UncertaintyOptionTexts {
  std::optional<int> draws;                   // --uncertainty
  std::optional<std::string> concentration;   // --conc-error
  std::optional<std::string> discharge;       // --discharge-error
  std::optional<std::string> dischargeNoise;  // --discharge-noise
  std::optional<std::string> background;      // --background-error
  std::optional<double> timeError;            // --time-error
  std::optional<double> correlation;          // --conc-error-correlation
  std::optional<std::string> tailMethods;     // --tail-methods
  std::optional<uint64_t> seed;               // --seed
};

// The draws and errors the texts state, into request; or why they cannot be
// taken: every error stated needs the draws, and each must be a number (a
// percentage or a value) of 0 or more.
std::optional<std::string> uncertaintyRequestFrom(const UncertaintyOptionTexts& t,
                                               UncertaintyRequest& request);

// A quantity's distribution over the draws.
struct QuantityInterval {
  std::string name;  // as in the results files, with its unit
  double p2_5 = 0;
  double p50 = 0;
  double p97_5 = 0;
  int values = 0;  // draws that gave the quantity a value
};

struct UncertaintyResult {
  int draws = 0;
  uint64_t seed = 0;  // the station's own stream of the run's seed
  uint64_t stream = 0;  // the station's place in its run, which makes that stream
  int completed = 0;  // draws analysed to the end
  // Draws whose tail the method drawn could not extrapolate, extrapolated
  // by another method that applies to the station's curve.
  int otherTailMethod = 0;
  // Draws that stopped, by why (each count > 0).
  std::vector<std::pair<std::string, int>> stopped;
  std::vector<QuantityInterval> quantities;  // in the order of the listing
  // The 95 % band of the measured concentrations (background subtracted,
  // ng/L) at the reads a figure draws, over the first kBandDraws draws:
  // times (s since the release), the 2.5 and the 97.5 % points.
  static constexpr int kBandDraws = 1000;
  std::vector<double> bandTimes, bandLow, bandHigh;

  const QuantityInterval* find(std::string_view name) const {
    for (const QuantityInterval& q : quantities)
      if (q.name == name) return &q;
    return nullptr;
  }
};

}  // namespace kaldero
