// What a campaign of stations shows together: each station's recovery curve
// (the recovered mass up to each time, as a fraction of the injected mass)
// and the curve of their total.
#pragma once

#include <span>
#include <string>
#include <vector>

namespace kaldero {

// A curve of the recovered mass against the time since the release.
struct RecoveryCurve {
  std::vector<double> hours;     // time since the release, h
  std::vector<double> fraction;  // recovered mass up to then, of the injected mass
};

// A station's curve from its sample times (s) and its recovery curve (ug up
// to each sample); injectedMass in mg. Without an injected mass the
// fractions are of nothing: the curve is empty.
RecoveryCurve stationRecoveryCurve(std::span<const float> times,
                                   std::span<const float> cumulativeMass, float injectedMass);

// The total of the stations' curves on the union of their times: each
// station adds 0 before its first sample, its curve (linear between its
// samples) over its samples, and its final recovery after its last.
RecoveryCurve totalRecoveryCurve(const std::vector<RecoveryCurve>& stations);

// A station in a campaign figure's legend: its data file and travel
// distance (m), "B.DAT, 770 m".
std::string campaignLabel(const std::string& stationFile, float distanceMetres);

// How the concentration curves of all stations are put on one axis: per kg
// of tracer the station recovered (curves of stations that caught different
// shares of the tracer compare in shape), or as measured.
enum class CampaignScale { PerKgRecovered, Raw };

// A station's concentration curve on the campaign axis.
struct StationCurve {
  std::vector<double> hours;   // time since the release, h
  std::vector<double> values;  // ug/L, or ug/L per kg recovered
};

// From the curve analysed: sample times (s), concentrations (ng/L) and the
// mass the station recovered (kg). Per kg recovered without any mass
// recovered the curve is empty.
StationCurve stationConcentrationCurve(std::span<const float> times,
                                       std::span<const float> concentrations, float recoveredKg,
                                       CampaignScale scale);

}  // namespace kaldero
