#include "files/fit_file.h"

#include <cstdio>
#include <string_view>

#include "core/format.h"
#include "core/text.h"

namespace kaldero::files {

namespace {

// A number with five significant digits, as the listings show them.
std::string num(double x) { return fmt::general(x, 5); }

std::string padded(std::string s, std::size_t width) {
  if (s.size() < width) s.append(width - s.size(), ' ');
  return s;
}

// A quantity line: name, unit, estimate and 95 % interval, and the
// bootstrap's interval when there is one.
std::string quantityLine(std::string_view name, std::string_view unit, const Estimate& e,
                         double scale = 1) {
  std::string line = "   " + padded(std::string(name), 30) + padded(std::string(unit), 8) +
                     padded(num(e.value * scale), 14) + "[" + num(e.lower * scale) + ", " +
                     num(e.upper * scale) + "]";
  if (e.bootstrapped)
    line = padded(line, 86) + "bootstrap [" + num(e.bootstrapLower * scale) + ", " +
           num(e.bootstrapUpper * scale) + "]";
  return line;
}

const char* errorModelText(ErrorModel m) {
  switch (m) {
    case ErrorModel::Independent:
      return "independent errors of one variance (ordinary least squares)";
    case ErrorModel::Ar1Gls:
      return "AR(1) errors in continuous time, fitted jointly with the curve "
             "(generalised least squares)";
    case ErrorModel::Ar1Relative:
      return "errors growing with the signal, sqrt(a^2 + (b model)^2), AR(1) in continuous "
             "time (weighted least squares)";
    case ErrorModel::Ar1:
      break;
  }
  return "AR(1) errors in continuous time, estimated from the residuals of the "
         "least-squares fit";
}

std::string modelsTried(const FlowPathFitResult& fit) {
  const int asked = fit.pathsAsked;
  const std::string paths = asked == kAutomaticPaths ? "1 to 3 paths"
                            : asked == 1             ? "1 path"
                                                     : std::to_string(asked) + " paths";
  const char* storage =
      fit.storage == StorageChoice::None     ? ", without a storage zone"
      : fit.storage == StorageChoice::Forced ? ", sharing a storage zone"
      : fit.storage == StorageChoice::PerPath
          ? ", a storage zone of its own on each choice of paths"
          : ", without a storage zone, sharing one or with zones of their own";
  const char* decay = !fit.decay ? "" : asked == kAutomaticPaths ? ", without and with decay"
                                                                 : ", with decay";
  const bool bypass = fit.bypassTried();
  const bool choice = asked == kAutomaticPaths || fit.storage == StorageChoice::Allowed ||
                      fit.storage == StorageChoice::PerPath || bypass;
  return paths + storage + decay + (bypass ? ", each also with a bypass" : "") +
         (choice ? "; the smallest AICc chosen" : " (as asked)");
}

// The mass the fractions are of: recovered at a station, passing the
// upstream station on a reach (modelled in a joint fit).
const char* massLabel(const FitFileHeading& h) {
  if (h.upstreamFile.empty()) return "Recovered mass";
  return h.joint ? "Modelled mass upstream" : "Mass passing upstream";
}

void heading(std::vector<std::string>& out, const FitFileHeading& h,
             const FlowPathFitResult& fit) {
  const bool reach = !h.upstreamFile.empty();
  if (reach) {
    out.push_back(" REACH FIT FROM " + h.upstreamFile + " TO " + h.stationFile);
    out.push_back("");
    out.push_back(h.joint
                      ? " The modelled flux of the upstream station passed through one or more"
                      : " The measured flux (c q) of the upstream station passed through one or more");
    out.push_back(" one-dimensional advection-dispersion flow paths as long as the reach, with");
    out.push_back(" or without storage zones, fitted by least squares to the downstream");
  } else {
    out.push_back(" FLOW-PATH FIT OF " + h.stationFile);
    out.push_back("");
    out.push_back(" One-dimensional advection-dispersion model of one or more flow paths, with");
    out.push_back(" or without a storage zone they share, fitted by least squares to the");
  }
  out.push_back(fit.sampleSource == SampleSource::Knots
                    ? " concentrations interpolated onto knots (not independent measurements:"
                    : " measured concentrations, background subtracted.");
  if (fit.sampleSource == SampleSource::Knots)
    out.push_back(" the intervals below are too narrow).");
  out.push_back("");
  out.push_back("   " + padded(reach ? "Reach length" : "Travel distance", 30) +
                num(h.distance) + " m");
  if (reach && h.joint)
    out.push_back("   " + padded("Input", 30) + "the modelled flux of " + h.upstreamFile +
                  " (fitted with it)");
  else if (reach)
    out.push_back("   " + padded("Input", 30) + "the measured flux of " + h.upstreamFile + " (" +
                  std::to_string(h.upstreamReads) + " reads)");
  else
    out.push_back("   " + padded("Release", 30) +
                  (h.releaseDuration > 0 ? "over " + num(h.releaseDuration / 3600) + " h"
                                         : std::string("instantaneous")));
  out.push_back("   " + padded("Samples fitted", 30) +
                std::to_string(fit.samplesFitted > 0 ? fit.samplesFitted : h.samples));
  out.push_back("   " +
                padded(massLabel(h), 30) +
                num(h.recoveredMass * 1e-9) + " kg");
  out.push_back("   " + padded(h.joint ? "Model" : "Models tried", 30) +
                (h.joint ? std::string("the one its own fit chose") : modelsTried(fit)));
  out.push_back("   " + padded("Errors", 30) + errorModelText(fit.errorModel));
  if (reach && h.joint) {
    out.push_back("   " + padded("Upstream errors", 30) + "those of the upstream model's parameters,");
    out.push_back("   " + padded("", 30) + "fitted jointly, in the covariance intervals");
  } else if (reach) {
    const InputErrors& e = fit.inputErrors;
    if (!e.any()) {
      out.push_back("   " + padded("Upstream errors", 30) +
                    "none known: the upstream flux is taken as exact");
    } else {
      std::string what = "sd " + num(e.offset * 1e-3) + " ug/L";
      if (e.relative > 0) what = "sd sqrt(" + num(e.offset * 1e-3) + "^2 + (" +
                                 num(e.relative) + " c)^2) ug/L";
      what += e.correlationTime > 0 ? ", AR(1) correlation time " + num(e.correlationTime / 60) +
                                          " min"
                                    : ", independent";
      out.push_back("   " + padded("Upstream errors", 30) + what + " (its own fit's");
      out.push_back("   " + padded("", 30) + "residuals), carried into the covariance intervals");
    }
  }
  if (fit.baseline) out.push_back("   " + padded("Baseline", 30) + "a constant offset fitted");
}

void modelTable(std::vector<std::string>& out, const FlowPathFitResult& fit) {
  out.push_back("");
  out.push_back(" FITS BY MODEL (paths; s: sharing a storage zone; p:12: zones of their own on");
  if (!fit.bypassTried()) {
    out.push_back(" paths 1 and 2 by increasing velocity; +decay: with decay)");
  } else {
    out.push_back(" paths 1 and 2 by increasing velocity; +decay: with decay; +bypass: with a");
    out.push_back(" bypass from the release, tracer that does not pass the upstream station)");
  }
  out.push_back("");
  out.push_back("   model  " + padded("RMSE (ug/L)", 14) + padded("R^2", 14) + padded("AICc", 14) +
                "lag-1");
  for (std::size_t i = 0; i < fit.models.size(); ++i) {
    const PathModelFit& m = fit.models[i];
    std::string line = "   " + padded(m.label(), 7);
    if (m.fitted) {
      line += padded(num(m.rmse * 1e-3), 14) + padded(num(m.rSquared), 14) +
              padded(num(m.aicc), 14) + padded(num(m.errors.residualLag1), 8);
      if (static_cast<int>(i) == fit.chosen) line += "<- chosen";
      if (!m.resolved || !m.settled) line += m.resolved ? " (not settled)" : " (not resolved)";
    } else {
      line += "no fit: " + m.reason;
    }
    out.push_back(line);
  }
  out.push_back("");
  out.push_back("   AICc from the residuals in ug/L with the likelihood of the error model;");
  out.push_back("   lag-1: the lag-1 autocorrelation of the residuals. A model not resolved");
  out.push_back("   (a parameter within its interval of 0, or at a bound) or not settled is");
  out.push_back("   not chosen while another is; its estimates stand, flagged.");
  if (fit.chosenUnresolved) {
    out.push_back("");
    out.push_back(" NOTE: no model tried is resolved by the data; the one shown is the best");
    out.push_back(" fitted, and its flagged estimates have wide intervals.");
  }
  if (fit.stillImprovingAtLargest) {
    out.push_back("");
    out.push_back(" NOTE: the criterion still improves at the largest model tried (" +
                  std::to_string(kMaxPaths) + " paths): a further");
    out.push_back(" path might lower it again. The extra paths then describe the curve's shape");
    out.push_back(" (its tail, tracer held back and released slowly) rather than separate");
    out.push_back(" routes; read them together.");
  }
}

void pathTable(std::vector<std::string>& out, const PathModelFit& m, bool chosen,
               const FitFileHeading& h) {
  out.push_back("");
  out.push_back(" " + m.description() + (chosen ? " (chosen)" : "") +
                ": estimates and 95 % intervals, paths by increasing velocity");
  if (!m.caution.empty()) {
    out.push_back("");
    for (const std::string& line : text::wrapped("NOT RESOLVED: " + m.caution, 76))
      out.push_back("   " + line);
  }
  const bool ownZones = m.zones == ZoneLayout::PerPath;
  for (std::size_t j = 0; j < m.paths.size(); ++j) {
    const FittedPath& p = m.paths[j];
    out.push_back("");
    if (p.bypass)
      out.push_back("   Bypass: from the release, not passing the upstream station");
    else
      out.push_back("   Path " + std::to_string(j + 1) +
                    (ownZones ? (p.storage ? ", with a storage zone of its own"
                                           : ", without a storage zone")
                              : ""));
    out.push_back(quantityLine(p.storage ? "velocity (mobile water)" : "velocity", "m/s",
                               p.velocity));
    out.push_back(quantityLine("dispersion coefficient", "m^2/s", p.dispersion));
    out.push_back(quantityLine("dispersivity", "m", p.dispersivity));
    out.push_back(quantityLine("Peclet number", "", p.peclet));
    out.push_back(quantityLine("mean travel time", "h", p.meanTravelTime, 1.0 / 3600));
    out.push_back(quantityLine("mass", "kg", p.mass, 1e-9));
    out.push_back(quantityLine(h.upstreamFile.empty() ? "fraction of recovered mass"
                               : p.bypass             ? "fraction of the mass fitted"
                                                      : "fraction of the upstream mass",
                               "", p.massFraction));
    if (ownZones && p.storage) {
      out.push_back(quantityLine("capacity ratio", "", p.storageRatio));
      out.push_back(quantityLine("exchange rate", "1/s", p.exchangeRate));
    }
  }
  if (m.zones == ZoneLayout::Shared && !m.paths.empty()) {
    const FittedPath& p = m.paths.front();
    out.push_back("");
    out.push_back("   Storage zone (shared by the paths)");
    out.push_back(quantityLine("capacity ratio", "", p.storageRatio));
    out.push_back(quantityLine("exchange rate", "1/s", p.exchangeRate));
  }
  out.push_back("");
  out.push_back(quantityLine("Fitted total mass", "kg", m.totalMass, 1e-9));
  out.push_back("   " + padded(massLabel(h), 30) +
                padded("kg", 8) + num(h.recoveredMass * 1e-9));
  if (m.decay) out.push_back(quantityLine("Decay rate", "1/s", m.decayRate));
  if (m.baseline) out.push_back(quantityLine("Baseline offset", "ug/L", m.baselineOffset, 1e-3));
  const ErrorStatistics& e = m.errors;
  out.push_back("");
  if (e.model != ErrorModel::Independent) {
    out.push_back(quantityLine("AR(1) coefficient", "", e.lag1) + "   at " +
                  num(e.medianSpacing / 60) + " min");
    out.push_back("   " + padded("correlation time", 30) + padded("min", 8) +
                  num(e.correlationTime / 60));
  }
  if (e.model == ErrorModel::Ar1Relative) {
    out.push_back("   " + padded("offset error a", 30) + padded("ug/L", 8) + num(e.offsetError * 1e-3));
    out.push_back("   " + padded("relative error b", 30) + padded("", 8) + num(e.relativeError));
  }
  out.push_back("   " + padded("effective samples", 38) + num(e.effectiveSamples) + " of " +
                std::to_string(m.samples));
  out.push_back("   " + padded("Durbin-Watson statistic", 38) + num(e.durbinWatson));
  out.push_back("   " + padded("lag-1 of the residuals", 38) + num(e.residualLag1));
  if (e.model != ErrorModel::Independent)
    out.push_back("   " + padded("lag-1 of the whitened residuals", 38) + num(e.whitenedLag1));
  if (m.bootstrap.replicates > 0)
    out.push_back("   " + padded("bootstrap", 38) + std::to_string(m.bootstrap.replicates) +
                  " sieve resamples of the AR(1) innovations (lag-1 " + num(m.bootstrap.lag1) +
                  "), seed " + std::to_string(m.bootstrap.seed) +
                  (m.bootstrap.failed > 0
                       ? ", " + std::to_string(m.bootstrap.failed) + " refits left out"
                       : std::string()));
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
  heading(out, h, fit);
  if (!fit.fitted()) {
    out.push_back("");
    // With several models the table below gives each one's reason.
    out.push_back(" NO FIT: " + (fit.models.size() > 1
                                     ? std::string("no number of flow paths could be fitted")
                                     : fit.reason));
    if (!fit.models.empty()) modelTable(out, fit);
    return out;
  }
  modelTable(out, fit);
  const PathModelFit& best = *fit.best();
  pathTable(out, best, true, h);
  for (std::size_t i = 0; i < fit.models.size(); ++i)
    if (static_cast<int>(i) != fit.chosen && fit.models[i].fitted)
      pathTable(out, fit.models[i], false, h);
  // A reach has no moment or Chatwin estimates of its own to compare with.
  if (h.upstreamFile.empty()) comparison(out, h, best);
  return out;
}

std::vector<std::string> jointFitFileLines(const JointFitResult& joint,
                                           const std::vector<FitFileHeading>& headings) {
  std::vector<std::string> out;
  const std::string first = headings.empty() ? std::string() : headings.front().stationFile;
  out.push_back(" JOINT FIT OF " + first + " AND THE REACHES BELOW IT");
  out.push_back("");
  out.push_back(" The station fitted from the release and every reach below it at once, each");
  out.push_back(" reach carrying the modelled flux of the station above it; each part keeps the");
  out.push_back(" model its own fit chose. Least squares of each station's residuals over its");
  out.push_back(" standard deviation, each station with its own errors (AR(1) unless");
  out.push_back(" independent ones were asked for); the intervals");
  out.push_back(" from the covariance of every parameter together (a sandwich).");
  out.push_back("");
  if (!joint.fitted) {
    out.push_back(" NO FIT: " + joint.reason);
    return out;
  }
  out.push_back("   " + padded("Parts", 30) + std::to_string(joint.parts.size()));
  out.push_back("   " + padded("Samples fitted", 30) + std::to_string(joint.samples));
  out.push_back("   " + padded("Parameters", 30) + std::to_string(joint.parameters));
  out.push_back("   " + padded("Effective samples", 30) + num(joint.effectiveSamples));
  out.push_back("   " + padded("t of the 95 % intervals", 30) + num(joint.tQuantile));
  out.push_back("   " + padded("Log-likelihood", 30) + num(joint.logLikelihood) +
                " (ug/L, every station)");
  if (!joint.settled || !joint.caution.empty())
    out.push_back("   " + padded("Caution", 30) + joint.caution);
  for (std::size_t k = 0; k < joint.parts.size() && k < headings.size(); ++k) {
    out.push_back("");
    out.push_back(" " + std::string(78, '-'));
    out.push_back("");
    // A reach's shares are of the modelled flux that passed upstream.
    FitFileHeading h = headings[k];
    if (!h.upstreamFile.empty()) h.recoveredMass = joint.parts[k].fit.recoveredMass;
    const std::vector<std::string> part = fitFileLines(h, joint.parts[k].fit);
    out.insert(out.end(), part.begin(), part.end());
  }
  return out;
}

FitFileHeading fitFileHeading(const std::string& stationName50, const FlowPathFitInput& in) {
  FitFileHeading h;
  h.stationFile = text::trimmed(stationName50);
  h.samples = static_cast<int>(in.times.size());
  h.distance = in.distance;
  h.releaseDuration = in.releaseDuration;
  h.recoveredMass = in.recoveredMass;
  h.momentDispersion = in.momentDispersion;
  h.chatwinDispersion = in.chatwinDispersion;
  return h;
}

FitFileHeading reachFitFileHeading(const std::string& downstream, const std::string& upstream,
                                   const FlowPathFitInput& in) {
  FitFileHeading h = fitFileHeading(downstream, in);
  h.upstreamFile = upstream;
  h.upstreamReads = static_cast<int>(in.inputTimes.size());
  return h;
}

std::string fitFileName(const std::string& plotName) {
  std::string name = plotName;
  if (name.size() >= 3 && name.compare(name.size() - 3, 3, ".PS") == 0)
    name.replace(name.size() - 3, 3, ".OUT");
  return name;
}

}  // namespace kaldero::files
