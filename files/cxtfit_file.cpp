#include "files/cxtfit_file.h"

#include "core/format.h"
#include "core/text.h"

namespace kaldero::cxtfit {

namespace {

using text::blanks;

std::string g10(float x) { return fmt::G(x, 10, 5); }
std::string g12(float x) { return fmt::G(x, 12, 5); }
std::string g20(float x) { return fmt::G(x, 20, 10); }

// Block headers are written free-format: they begin with one blank.
std::string header(std::string_view s) { return fmt::FreeLine(s).str(); }

}  // namespace

std::vector<std::string> fileLines(const Heading& h, const Parameters& p) {
  const float L = p.distance;
  std::vector<std::string> out;
  if (p.sizeLine)
    out.push_back("    1 " + g12(p.sizeLine->peakVelocity) + " " + g12(p.sizeLine->distance) +
                  " " + g12(p.sizeLine->size) + " " + g12(p.sizeLine->meanVelocity));

  out.push_back(header("*** BLOCK A: MODEL DESCRIPTION *******************************************"));
  if (h.knotOption == Option::Off)
    out.push_back("CXTFIT MODEL ANALYSIS OF " + text::padded(h.stationFile, 20));
  else if (h.knotOption == Option::On)
    out.push_back("CXTFIT MODEL ANALYSIS OF " + text::padded(h.interpolatedFile, 20));
  out.push_back("(UNITS = m, hr, mg)");
  out.push_back("INVERSE    MODE     NREDU");
  out.push_back("    1       2       1");
  out.push_back("   MODC     ZL");
  out.push_back("    1    " + g10(L));

  out.push_back(header("*** BLOCK B: INVERSE PROBLEM *********************************************"));
  out.push_back("  MIT     ILMT    MASS");
  out.push_back("  500      1       1");
  out.push_back("  MNEQ    MDEG");
  out.push_back("   0       0");

  out.push_back(header("*** BLOCK C: TRANSPORT PARAMETERS ****************************************"));
  out.push_back(blanks(6) + "V" + blanks(8) + "D" + blanks(8) + "R" + blanks(6) + "Beta" +
                blanks(6) + "Omega" + blanks(6) + "Mu1" + blanks(6) + "Mu2");
  out.push_back("  " + g10(p.peakVelocityRange[0]) + " " + g10(p.dispersionRange[0]) + " 1.0   " +
                g10(p.velocityRatioRange[0]) + "   1.0" + blanks(7) + "0" + blanks(8) + "0");
  out.push_back(blanks(6) + "1" + blanks(8) + "1" + blanks(8) + "0" + blanks(8) + "1" + blanks(9) +
                "1" + blanks(9) + "0" + blanks(8) + "0");
  out.push_back("  " + g10(p.peakVelocityRange[1]) + " " + g10(p.dispersionRange[1]) + " 1.0   " +
                g10(p.velocityRatioRange[1]) + "   0.5E-4" + blanks(6) + "1.0" + blanks(6) + "1.0");
  out.push_back("  " + g10(p.peakVelocityRange[2]) + " " + g10(p.dispersionRange[2]) + " 5.0" +
                blanks(4) + "0.999" + blanks(6) + "10.0" + blanks(7) + "1.0" + blanks(6) + "1.0");

  out.push_back(header("*** BLOCK D: BVP; MODB=0 ZERO; =1 DIRAC; =2 STEP; =3 A PULSE *************"));
  out.push_back("  MODB (Reduced Conc. & Time) =4 MULTIPLE; =5 EXPONENTIAL; =6 ARBITRARY");
  // Boundary code: a Dirac input, a pulse, or a step.
  if (h.releaseMode == ReleaseMode::Instantaneous) out.push_back("    1");
  else if (h.releaseMode == ReleaseMode::Pulse) out.push_back("    3");
  else if (h.releaseMode == ReleaseMode::Step) out.push_back("    2");
  out.push_back("    " + g10(p.inputRange[0]) + " 1.0");
  out.push_back("    0" + blanks(10) + "1");
  out.push_back("    " + g10(p.inputRange[1]) + " 0.1E-5");
  out.push_back("    " + g10(p.inputRange[2]) + " 100.0");

  out.push_back(header("*** BLOCK E: IVP; MODI=0 ZERO; =1 CONSTANT; =2 STEPWISE; =3 EXPONENTIAL **"));
  out.push_back("  MODI");
  out.push_back("    0");
  out.push_back(header("*** BLOCK F: PVP; MODP=0 ZERO; =1 CONSTANT; =2 STEPWISE; =3 EXPONENTIAL **"));
  out.push_back("  MODP");
  out.push_back("    0");

  out.push_back(header("*** BLOCK G: DATA FOR INVERSE PROBLEM ************************************"));
  out.push_back("INPUTM =0; Z,T,C =1; T,C FOR SAME Z =2; Z,C FOR SAME T");
  out.push_back("    1");
  out.push_back("    " + g10(L));
  out.push_back(blanks(6) + "TIME" + blanks(15) + "CONC" + blanks(3) +
                "(Give \"0 0 0\" after last data set.)");
  for (std::size_t i = 0; i < p.hours.size(); ++i)
    out.push_back(g20(p.hours[i]) + g20(p.milligramsPerCubicMetre[i]));
  out.push_back(blanks(8) + "0" + blanks(20) + "0");
  return out;
}

}  // namespace kaldero::cxtfit
