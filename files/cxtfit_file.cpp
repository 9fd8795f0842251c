#include "files/cxtfit_file.h"

#include <cmath>
#include <numbers>

#include "analysis/guards.h"
#include "core/checked_file.h"
#include "core/format.h"
#include "core/text.h"

namespace kaldero::cxtfit {

namespace {

using guard::quotient;
using text::blanks;

// Every value of the file names its quantity for the report that stops the
// run when it is not a finite number.
constexpr std::string_view kPeakVelocity = "peak tracer velocity (CXTFIT input file)";
constexpr std::string_view kDistance = "travel distance (CXTFIT input file)";
constexpr std::string_view kSize = "flow-form size (CXTFIT input file)";
constexpr std::string_view kMeanVelocity = "mean tracer velocity (CXTFIT input file)";
constexpr std::string_view kDispersion = "dispersion coefficient (CXTFIT input file)";
constexpr std::string_view kVelocityRatio = "ratio of mean to peak velocity (CXTFIT input file)";
constexpr std::string_view kInput = "input concentration (CXTFIT input file)";
constexpr std::string_view kTime = "sample time (CXTFIT input file)";
constexpr std::string_view kConcentration = "concentration (CXTFIT input file)";
std::string g10(float x, std::string_view q) { return fmt::checkedG(x, 10, 5, q); }
std::string g12(float x, std::string_view q) { return fmt::checkedG(x, 12, 5, q); }
std::string g20(float x, std::string_view q) { return fmt::checkedG(x, 20, 10, q); }

// Block headers are written free-format: they begin with one blank.
std::string header(std::string_view s) { return fmt::FreeLine(s).str(); }

// Half the size of the flow form from its volume: the radius of a conduit,
// half the aperture of fractures.
float sizeValue(const Inputs& in) {
  const float V = in.volume;
  const float L = in.distance;
  if (in.geometry == FlowForm::Conduit) return 0.5f * guard::root(quotient(V, std::numbers::pi_v<float> * L));
  if (in.conductivity > 0) return 0.5f * guard::root(quotient(V, L * in.conductivity));
  return 0.5f * guard::root(quotient(V, L));
}

}  // namespace

void normalizeSettings(std::array<int32_t, 2>& s) {
  if (s[0] == 1 && s[1] == 1) s[1] = 0;
  if (s[0] == 0 && s[1] == 0) s[0] = 1;
}

int32_t dataStride(int32_t n) {
  if (n < 406) return 1;
  int32_t a = n / 405;
  while (n / a > 405) ++a;
  return a;
}

float meanDischarge(std::span<const float> Q, int32_t n) {
  float sum = 0;
  for (int32_t i = 0; i < n; ++i) sum += Q[i];
  return quotient(sum, static_cast<float>(n));
}

float inputValue(const Inputs& in) {
  const bool injected = in.settings[0] == 1 && in.settings[1] == 0;
  const bool recovered = in.settings[0] == 0 && in.settings[1] == 1;
  if (!injected && !recovered) return 0;
  const float mass = injected ? in.injectedMass : in.recoveredMass * 0.001f;
  if (in.releaseMode == ReleaseMode::Instantaneous) {
    if (in.dischargeMode == DischargeMode::Measured) {
      // Mass per cross-section over the peak velocity.
      const float W = quotient(in.distance, in.peakTime / 3600.0f);
      const float A = quotient(in.volume, in.distance);
      return quotient(quotient(mass, A), W);
    }
    if (in.dischargeMode == DischargeMode::Constant) return quotient(mass, in.constantDischarge * 3600.0f);
    return 0;
  }
  // A release of some duration: the mean input concentration.
  if (in.dischargeMode != DischargeMode::Measured && in.dischargeMode != DischargeMode::Constant)
    return 0;
  const float F = (in.dischargeMode == DischargeMode::Measured ? in.meanDischarge : in.constantDischarge) * 3600.0f;
  return quotient(mass, F * in.releaseDuration);
}

std::vector<std::string> headLines(const Inputs& in) {
  const float L = in.distance;
  const float tp = in.peakTime;
  const float W = quotient(L, tp / 3600.0f);  // peak velocity, m/h
  const float peakVelocity = quotient(L, tp);  // m/s
  const float B = quotient(in.meanVelocity, peakVelocity);
  const float D = in.dispersion * 3600.0f;    // m2/h
  std::vector<std::string> out;

  if (in.geometry == FlowForm::Conduit || in.geometry == FlowForm::Fractures)
    out.push_back("    1 " + g12(peakVelocity, kPeakVelocity) + " " + g12(L, kDistance) + " " +
                  g12(sizeValue(in), kSize) + " " + g12(in.meanVelocity, kMeanVelocity));

  out.push_back(header("*** BLOCK A: MODEL DESCRIPTION *******************************************"));
  if (in.knotOption == Option::Off)
    out.push_back("CXTFIT MODEL ANALYSIS OF " + text::padded(in.stationFile, 20));
  else if (in.knotOption == Option::On)
    out.push_back("CXTFIT MODEL ANALYSIS OF " + text::padded(in.interpolatedFile, 20));
  out.push_back("(UNITS = m, hr, mg)");
  out.push_back("INVERSE    MODE     NREDU");
  out.push_back("    1       2       1");
  out.push_back("   MODC     ZL");
  out.push_back("    1    " + g10(L, kDistance));

  out.push_back(header("*** BLOCK B: INVERSE PROBLEM *********************************************"));
  out.push_back("  MIT     ILMT    MASS");
  out.push_back("  500      1       1");
  out.push_back("  MNEQ    MDEG");
  out.push_back("   0       0");

  out.push_back(header("*** BLOCK C: TRANSPORT PARAMETERS ****************************************"));
  out.push_back(blanks(6) + "V" + blanks(8) + "D" + blanks(8) + "R" + blanks(6) + "Beta" +
                blanks(6) + "Omega" + blanks(6) + "Mu1" + blanks(6) + "Mu2");
  out.push_back("  " + g10(W, kPeakVelocity) + " " + g10(D, kDispersion) + " 1.0   " +
                g10(B, kVelocityRatio) + "   1.0" + blanks(7) + "0" + blanks(8) + "0");
  out.push_back(blanks(6) + "1" + blanks(8) + "1" + blanks(8) + "0" + blanks(8) + "1" + blanks(9) +
                "1" + blanks(9) + "0" + blanks(8) + "0");
  out.push_back("  " + g10(0.5f * W, kPeakVelocity) + " " + g10(D / 10.0f, kDispersion) +
                " 1.0   " + g10(0.5f * B, kVelocityRatio) + "   0.5E-4" + blanks(6) + "1.0" +
                blanks(6) + "1.0");
  out.push_back("  " + g10(2.0f * W, kPeakVelocity) + " " + g10(2.0f * D, kDispersion) + " 5.0" +
                blanks(4) + "0.999" + blanks(6) + "10.0" + blanks(7) + "1.0" + blanks(6) + "1.0");

  out.push_back(header("*** BLOCK D: BVP; MODB=0 ZERO; =1 DIRAC; =2 STEP; =3 A PULSE *************"));
  out.push_back("  MODB (Reduced Conc. & Time) =4 MULTIPLE; =5 EXPONENTIAL; =6 ARBITRARY");
  // Boundary code: a Dirac input, a pulse, or a step.
  if (in.releaseMode == ReleaseMode::Instantaneous) out.push_back("    1");
  else if (in.releaseMode == ReleaseMode::Pulse) out.push_back("    3");
  else if (in.releaseMode == ReleaseMode::Step) out.push_back("    2");
  const float P = inputValue(in);
  out.push_back("    " + g10(P, kInput) + " 1.0");
  out.push_back("    0" + blanks(10) + "1");
  out.push_back("    " + g10(P / 10.0f, kInput) + " 0.1E-5");
  out.push_back("    " + g10(2.0f * P, kInput) + " 100.0");

  out.push_back(header("*** BLOCK E: IVP; MODI=0 ZERO; =1 CONSTANT; =2 STEPWISE; =3 EXPONENTIAL **"));
  out.push_back("  MODI");
  out.push_back("    0");
  out.push_back(header("*** BLOCK F: PVP; MODP=0 ZERO; =1 CONSTANT; =2 STEPWISE; =3 EXPONENTIAL **"));
  out.push_back("  MODP");
  out.push_back("    0");

  out.push_back(header("*** BLOCK G: DATA FOR INVERSE PROBLEM ************************************"));
  out.push_back("INPUTM =0; Z,T,C =1; T,C FOR SAME Z =2; Z,C FOR SAME T");
  out.push_back("    1");
  out.push_back("    " + g10(L, kDistance));
  out.push_back(blanks(6) + "TIME" + blanks(15) + "CONC" + blanks(3) +
                "(Give \"0 0 0\" after last data set.)");
  return out;
}

std::vector<std::string> dataLines(std::span<const float> T, std::span<const float> C,
                                   int32_t n) {
  std::vector<std::string> out;
  const int32_t a = dataStride(n);
  // Hours and mg/m3.
  for (int32_t i = 0; i < n; i += a)
    out.push_back(g20(T[i] / 3600.0f, kTime) + g20(C[i] / 1000.0f, kConcentration));
  out.push_back(blanks(8) + "0" + blanks(20) + "0");
  return out;
}

WriteOutcome writeFile(const std::string& path, const Inputs& in, std::span<const float> T,
                       std::span<const float> C, int32_t n) {
  std::vector<std::string> lines = headLines(in);
  const std::vector<std::string> data = dataLines(T, C, n);
  lines.insert(lines.end(), data.begin(), data.end());
  return writeTextFile(path, lines);
}

}  // namespace kaldero::cxtfit
