#include "files/fit_file.h"

#include <cstdio>
#include <string_view>

namespace kaldero::files {

namespace {

// A number with five significant digits, as the listings show them.
std::string num(double x) {
  char b[32];
  std::snprintf(b, sizeof b, "%.5g", x);
  return b;
}

std::string padded(std::string s, std::size_t width) {
  if (s.size() < width) s.append(width - s.size(), ' ');
  return s;
}

std::string pathCountText(int n) { return std::to_string(n) + (n == 1 ? " path" : " paths"); }

// A quantity line: name, unit, estimate and 95 % interval.
std::string quantityLine(std::string_view name, std::string_view unit, const Estimate& e,
                         double scale = 1) {
  return "   " + padded(std::string(name), 30) + padded(std::string(unit), 8) +
         padded(num(e.value * scale), 14) + "[" + num(e.lower * scale) + ", " +
         num(e.upper * scale) + "]";
}

void heading(std::vector<std::string>& out, const FitFileHeading& h) {
  out.push_back(" FLOW-PATH FIT OF " + h.stationFile);
  out.push_back("");
  out.push_back(" One-dimensional advection-dispersion model of one or more flow paths,");
  out.push_back(" fitted by least squares to the concentrations of the curve as analysed.");
  out.push_back("");
  out.push_back("   " + padded("Travel distance", 30) + num(h.distance) + " m");
  out.push_back("   " + padded("Release", 30) +
                (h.releaseDuration > 0 ? "over " + num(h.releaseDuration / 3600) + " h"
                                       : std::string("instantaneous")));
  out.push_back("   " + padded("Samples fitted", 30) + std::to_string(h.samples));
  out.push_back("   " + padded("Recovered mass", 30) + num(h.recoveredMass * 1e-9) + " kg");
  out.push_back("   " + padded("Numbers of paths tried", 30) +
                (h.pathsAsked == kAutomaticPaths ? std::string("1 to 3, the smallest AICc chosen")
                                                 : std::to_string(h.pathsAsked) + " (as asked)"));
}

void modelTable(std::vector<std::string>& out, const FlowPathFitResult& fit) {
  out.push_back("");
  out.push_back(" FITS BY NUMBER OF PATHS");
  out.push_back("");
  out.push_back("   paths  " + padded("RMSE (ug/L)", 14) + padded("R^2", 14) + "AICc");
  for (std::size_t i = 0; i < fit.models.size(); ++i) {
    const PathModelFit& m = fit.models[i];
    std::string line = "   " + padded(std::to_string(m.pathCount), 7);
    if (m.fitted) {
      line += padded(num(m.rmse * 1e-3), 14) + padded(num(m.rSquared), 14) + num(m.aicc);
      if (static_cast<int>(i) == fit.chosen) line += "   <- chosen";
    } else {
      line += "no fit: " + m.reason;
    }
    out.push_back(line);
  }
}

void pathTable(std::vector<std::string>& out, const PathModelFit& m, bool chosen) {
  out.push_back("");
  out.push_back(" " + pathCountText(m.pathCount) + (chosen ? " (chosen)" : "") +
                ": estimates and 95 % intervals, paths by increasing velocity");
  for (std::size_t j = 0; j < m.paths.size(); ++j) {
    const FittedPath& p = m.paths[j];
    out.push_back("");
    out.push_back("   Path " + std::to_string(j + 1));
    out.push_back(quantityLine("velocity", "m/s", p.velocity));
    out.push_back(quantityLine("dispersion coefficient", "m^2/s", p.dispersion));
    out.push_back(quantityLine("dispersivity", "m", p.dispersivity));
    out.push_back(quantityLine("Peclet number", "", p.peclet));
    out.push_back(quantityLine("mass", "kg", p.mass, 1e-9));
    out.push_back(quantityLine("fraction of recovered mass", "", p.massFraction));
  }
}

void comparison(std::vector<std::string>& out, const FitFileHeading& h, const PathModelFit& m) {
  out.push_back("");
  out.push_back(" DISPERSION COEFFICIENT (m^2/s) BY METHOD");
  out.push_back("");
  for (std::size_t j = 0; j < m.paths.size(); ++j)
    out.push_back("   " + padded("fit, path " + std::to_string(j + 1), 30) +
                  num(m.paths[j].dispersion.value));
  out.push_back("   " + padded("method of moments", 30) +
                (h.momentDispersion > 0 ? num(h.momentDispersion) : std::string("none")));
  out.push_back("   " + padded("Chatwin method", 30) +
                (h.chatwinDispersion > 0 ? num(h.chatwinDispersion) : std::string("none")));
}

}  // namespace

std::vector<std::string> fitFileLines(const FitFileHeading& h, const FlowPathFitResult& fit) {
  std::vector<std::string> out;
  heading(out, h);
  if (!fit.fitted()) {
    out.push_back("");
    // With several numbers of paths the table below gives each one's reason.
    out.push_back(" NO FIT: " + (fit.models.size() > 1
                                     ? std::string("no number of flow paths could be fitted")
                                     : fit.reason));
    if (!fit.models.empty()) modelTable(out, fit);
    return out;
  }
  modelTable(out, fit);
  const PathModelFit& best = *fit.best();
  pathTable(out, best, true);
  for (std::size_t i = 0; i < fit.models.size(); ++i)
    if (static_cast<int>(i) != fit.chosen && fit.models[i].fitted)
      pathTable(out, fit.models[i], false);
  comparison(out, h, best);
  return out;
}

std::string fitFileName(const std::string& plotName) {
  std::string name = plotName;
  if (name.size() >= 3 && name.compare(name.size() - 3, 3, ".PS") == 0)
    name.replace(name.size() - 3, 3, ".OUT");
  return name;
}

}  // namespace kaldero::files
