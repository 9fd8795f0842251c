#include "driver/command_line.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "core/text.h"
#include "core/version.h"

namespace kaldero {

namespace {

const char* const kDescription =
    "Analyses ground-water tracer tests: tracer mass recovered, transit times, velocities, "
    "dispersion and flow geometry for every sampling station of a control file. Several "
    "control files are run one after the other; the station files and outputs of each are "
    "taken relative to the control file's own folder.";

// A seed: decimal digits alone, 0 to 2^64 - 1. Read as a number, a sign
// would wrap ("-1") and a larger number be clamped; a hexadecimal prefix
// or blanks are no decimal number either.
const CLI::Validator kSeed(
    [](std::string& s) -> std::string {
      unsigned long long v = 0;
      const char* end = s.data() + s.size();
      const auto [p, ec] = std::from_chars(s.data(), end, v);
      if (!text::isDecimalNumber(s, true) || ec != std::errc() || p != end)
        return "a seed is a whole number from 0 to 18446744073709551615, not \"" + s + "\"";
      return "";
    },
    "0..18446744073709551615", "seed");

// A number option's text: decimal (a whole number for counts), as a person
// types it; "0x10", "0x1p-2", " 3", "inf" are no decimal numbers, whatever
// the conversion would make of them.
CLI::Validator decimal(bool whole) {
  return CLI::Validator(
      [whole](std::string& s) -> std::string {
        if (text::isDecimalNumber(s, whole)) return "";
        return "\"" + s + "\" is not a " + (whole ? "whole number" : "decimal number");
      },
      "", whole ? "whole" : "decimal");
}

const char* const kExitStatuses =
    "Exit status (of several control files, the worst of their runs): 0 the run ended and "
    "every file was written; 1 a report stopped a run (or, with --keep-going, a station); 2 "
    "the command line cannot be taken (nothing read or written), or a stated error is beyond "
    "the values of a station's record (its draws not made, the rest written); 3 out of memory; 4 the runs "
    "ended but some output files were not written (each named on the console); 130 or 143 "
    "interrupted (SIGINT, SIGTERM): the files done are kept and named, the results files say "
    "\"interrupted\".";

// The option values as given, before they are checked.
struct Given {
  std::string results, table, report, plots = "ps", campaignScale;
  std::string figures, figureScale, figureSize;
  std::optional<int> dpi;
  FitOptionTexts fit;
  UncertaintyOptionTexts uncertainty;
  std::optional<double> detectionLimit;
  bool fitReaches = false;
  bool fitJoint = false;
  std::vector<std::string> reaches;
};

void declareRunOptions(CLI::App& app, RunOptions& options, Given& g) {
  app.add_option("CONTROLFILE", options.controlFiles,
                 "Control files, run in turn (without one the program asks, default KALDERO.D)");
  app.add_flag("--batch", options.batch,
               "For scripts: never wait or ask; show the reports and a line per station");
  app.add_flag("--keep-going", options.keepGoing,
               "With --batch: a station that stops does not stop the run (exit status 1)");
  app.add_option("--results", g.results, "Write the results of the run as JSON to FILE")
      ->type_name("FILE");
  app.add_option("--table", g.table, "Write one CSV row of results per station to FILE")
      ->type_name("FILE");
  app.add_option("--plots", g.plots,
                 "File formats of the plots, comma-separated: ps,png,svg,pdf (default ps); "
                 "given, also the figures of all stations (CONTROL_ALL, CONTROL_RECOVERY)")
      ->type_name("FORMATS");
  app.add_option("--campaign-scale", g.campaignScale,
                 "Concentrations of the all-stations figure: peak (each curve over its own "
                 "peak, default), per-kg (per kg recovered), log (per kg, logarithmic axis) or raw")
      ->type_name("SCALE");
  app.add_option("--figures", g.figures,
                 "Write the report's figures of every station (concentration, recovery, "
                 "Chatwin, flow-path fit) and the all-stations figures as files: ps,png,svg,pdf")
      ->type_name("FORMATS");
  app.add_option("--figure-scale", g.figureScale,
                 "Time axes of the figures: log or linear (default: each figure chooses)")
      ->type_name("SCALE");
  app.add_option("--figure-size", g.figureSize,
                 "Size of the figure files in cm, WxH (default 16x10)")
      ->type_name("WxH");
  app.add_option("--dpi", g.dpi, "Resolution of the PNG figure files, dots an inch (default 150)")
      ->type_name("N")
      ->check(decimal(true));
  app.add_option("--report", g.report,
                 "Write an HTML report of the runs: summary, campaign figures, every station")
      ->type_name("FILE.html");
  app.add_flag("--curves-csv", options.curvesCsv,
               "Write the normalized, load and standardized curve files also as CSV");
  app.add_flag("--every-line", options.everyLine,
               "Analyse every data line of a file in data-reduction mode 1, however long "
               "(without it a file of more than 6000 lines is thinned to about 800 samples)");
}

void declareFitOptions(CLI::App& app, Given& g) {
  app.add_option("--fit", g.fit.model,
                 "Fit N (1 to 3) advection-dispersion flow paths to each station's measured "
                 "samples, Ns the same sharing a storage zone, Np with a zone of its own on some "
                 "paths (each choice tried), or auto (1 to 3, every layout of zones, by the "
                 "corrected Akaike criterion)")
      ->type_name("N|Ns|Np|auto");
  app.add_flag("--fit-reaches", g.fitReaches,
               "Also fit the reach from each station to the next by travel distance: the "
               "downstream station's samples as the upstream station's measured flux through "
               "flow paths as long as the reach (the models of --fit, which it needs)");
  app.add_flag("--fit-joint", g.fitJoint,
               "Also fit the first station of the reaches and every reach at once, each reach "
               "from the modelled flux of the station above it, each station with its own "
               "errors (AR(1) unless --fit-errors independent; the models their own fits "
               "chose; fits the reaches of --fit-reaches unless --reach names them)");
  app.add_flag("--reach-bypass", g.fit.reachBypass,
               "With --fit-reaches or --reach: every model of a reach also with a bypass, "
               "tracer from the release that does not pass the upstream station (the "
               "criterion chooses)");
  app.add_option("--reach", g.reaches,
                 "Fit the reach from station A to station B (their data files as the control "
                 "file names them), in place of the reaches of --fit-reaches; repeatable")
      ->type_name("A.DAT:B.DAT")
      ->allow_extra_args(false);
  app.add_option("--fit-errors", g.fit.errors,
                 "Errors of the concentrations: ar1 (autocorrelated, default), independent, "
                 "ar1-gls (the AR(1) fitted jointly with the curve), or ar1-relative "
                 "(autocorrelated, growing with the signal)")
      ->type_name("MODEL");
  app.add_option("--fit-intervals", g.fit.intervals,
                 "bootstrap: also 95 % intervals from a sieve bootstrap of the AR(1) "
                 "innovations (default covariance)")
      ->type_name("KIND");
  app.add_option("--fit-seed", g.fit.seed,
                 "Seed of the bootstrap resamples, 0 to 18446744073709551615 (default 1)")
      ->type_name("N")
      ->check(kSeed);
  app.add_flag("--fit-baseline", g.fit.baseline,
               "Fit a constant offset of the concentrations with the paths");
  app.add_flag("--fit-decay", g.fit.decay,
               "Report the paths with a first-order decay rate shared by them: the paths carry "
               "the whole injected mass and the rate is what the missing mass implies (a curve "
               "alone cannot tell decay from faster paths carrying less tracer)");
}

void declareUncertaintyOptions(CLI::App& app, UncertaintyOptionTexts& u) {
  app.add_option("--uncertainty", u.draws,
                 "Analyse DRAWS (100 to 1000000) perturbed copies of every curve: 2.5, 50, "
                 "97.5 % points")
      ->type_name("DRAWS")
      ->check(decimal(true));
  app.add_option("--conc-error", u.concentration,
                 "Random error of each concentration, normal: relative (3%) or in the station's "
                 "unit, at most 1000 % or 1e6")
      ->type_name("E");
  app.add_option("--conc-error-correlation", u.correlation,
                 "Lag-1 correlation of the concentration errors (0 to below 1; needs --conc-error)")
      ->type_name("R")
      ->check(decimal(false));
  app.add_option("--discharge-error", u.discharge,
                 "Rating error, one a draw for the whole discharge record: relative (5%), the "
                 "record divided by a lognormal factor of mean 1 (always positive); absolute, a "
                 "normal offset")
      ->type_name("E");
  app.add_option("--discharge-noise", u.dischargeNoise,
                 "Random error of each discharge, normal (relative or absolute)")
      ->type_name("E");
  app.add_option("--background-error", u.background,
                 "Error of the subtracted background, normal, one value a draw (relative or "
                 "absolute)")
      ->type_name("E");
  app.add_option("--time-error", u.timeError,
                 "Error of the sample times, normal, in the station's time unit (times kept in "
                 "order)")
      ->type_name("E")
      ->check(decimal(false));
  app.add_option("--tail-methods", u.tailMethods,
                 "all: each draw extrapolates a tail by any method that applies (default own)")
      ->type_name("all|own");
  app.add_option("--seed", u.seed,
                 "Seed of the draws, 0 to 18446744073709551615 (the same seed gives the same "
                 "files)")
      ->type_name("N")
      ->check(kSeed);
}

// The outputs, the campaign figures, the fit and batch options; why they
// are wrong, or nothing.
std::optional<std::string> checkRunOptions(const CLI::App& app, const Given& g,
                                           RunOptions& options) {
  // An option given with an empty value is a mistake, not the option left
  // out; so is an empty control file name.
  for (const CLI::Option* o : app.get_options()) {
    if (o->count() == 0 || o->get_items_expected_min() == 0) continue;
    for (const std::string& value : o->results())
      if (value.empty())
        return o->get_positional() ? std::string("a control file name is empty")
                                   : o->get_name() + ": the value is empty";
  }
  // Several control files: each must be there before the first run starts
  // (a single one missing gets the run's not-found report).
  if (options.controlFiles.size() > 1)
    for (const std::string& file : options.controlFiles) {
      std::error_code ec;
      if (!std::filesystem::is_regular_file(file, ec))
        return "the control file \"" + file + "\" does not exist or is not a file";
    }
  const std::optional<std::vector<plot::PlotFormat>> formats = plot::parseFormatList(g.plots);
  if (!formats) return "--plots: \"" + g.plots + "\" is not a list of ps, png, svg, pdf";
  options.plotFormats = *formats;
  if (app.count("--figures") > 0) {
    const std::optional<std::vector<plot::PlotFormat>> f = plot::parseFormatList(g.figures);
    if (!f) return "--figures: \"" + g.figures + "\" is not a list of ps, png, svg, pdf";
    options.figureFormats = *f;
  }
  options.campaignFigures = app.count("--plots") > 0 || app.count("--figures") > 0;
  if (!g.campaignScale.empty()) {
    const std::optional<ConcentrationScale> scale = parseConcentrationScale(g.campaignScale);
    if (!scale)
      return "--campaign-scale: \"" + g.campaignScale + "\" is not peak, per-kg, log or raw";
    options.figureOptions.campaignScale = *scale;
  }
  if (!g.figureScale.empty()) {
    const std::optional<figure::Scale> scale = figure::parseScale(g.figureScale);
    if (!scale) return "--figure-scale: \"" + g.figureScale + "\" is not log or linear";
    options.figureOptions.timeScale = *scale;
  }
  if (!g.figureSize.empty()) {
    const std::optional<plot::FigureSize> size = plot::parseFigureSize(g.figureSize);
    if (!size) return "--figure-size: \"" + g.figureSize + "\" is not WxH in cm, each 2 to 100";
    options.figureSize = *size;
  }
  if (g.dpi) {
    if (*g.dpi < 50 || *g.dpi > 1200) return "--dpi: the resolution must be 50 to 1200";
    options.figureSize.dpi = *g.dpi;
  }
  if (!g.results.empty()) options.resultsFile = g.results;
  if (!g.table.empty()) options.tableFile = g.table;
  // The report draws its own figures from the results: it needs no plot
  // files.
  if (!g.report.empty()) options.reportFile = g.report;
  if (std::optional<std::string> why = fitOptionsFrom(g.fit, options.fit)) return why;
  if (g.fitReaches && !options.fit) return "--fit-reaches needs --fit (the models it fits)";
  if (!g.reaches.empty() && !options.fit) return "--reach needs --fit (the models it fits)";
  for (const std::string& pair : g.reaches) {
    const std::size_t colon = pair.find(':');
    const std::string from = colon == std::string::npos ? "" : pair.substr(0, colon);
    const std::string to = colon == std::string::npos ? "" : pair.substr(colon + 1);
    if (from.empty() || to.empty() || to.find(':') != std::string::npos)
      return "--reach: \"" + pair + "\" is not A.DAT:B.DAT (two station data files)";
    if (from == to) return "--reach: \"" + pair + "\" names one station twice";
    options.reaches.emplace_back(from, to);
  }
  if (g.fitJoint && !options.fit) return "--fit-joint needs --fit (the models it fits)";
  options.fitJoint = g.fitJoint;
  options.fitReaches = g.fitReaches || g.fitJoint || !options.reaches.empty();
  if (g.fit.reachBypass && !options.fitReaches)
    return "--reach-bypass needs --fit-reaches or --reach (the reaches it extends)";
  if (g.detectionLimit) {
    const double x = *g.detectionLimit;
    if (!(x > 0) || !std::isfinite(x) || x > 1e6)
      return "--detection-limit: the limit must be above 0 and at most 1e6 in the station's unit";
    // Only the results files and the draws take the signed estimates.
    if (g.results.empty() && g.table.empty() && g.report.empty() && !g.uncertainty.draws)
      return "--detection-limit needs --results, --table, --report or --uncertainty (it "
             "changes only the estimates those give)";
    options.detectionLimit = static_cast<float>(x);
  }
  if (options.keepGoing && !options.batch) return "--keep-going needs --batch";
  return std::nullopt;
}

}  // namespace

Expected<CommandLine> parseCommandLine(int argc, const char* const* argv) {
  CommandLine out;
  RunOptions& options = out.options;
  CLI::App app{kDescription, "kaldero"};
  app.set_version_flag("--version",
                       std::string(kProgramName) + " " + std::string(kProgramVersion),
                       "Show the program name and version and exit");
  app.set_help_flag("-h,--help", "Show this help and exit");
  app.footer(kExitStatuses);
  Given given;
  declareRunOptions(app, options, given);
  // "--results=" with nothing after the sign: refused, never the next
  // argument taken as the value.
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--") break;
    if (a.size() > 3 && a.substr(0, 2) == "--" && a.back() == '=' &&
        a.find('=') == a.size() - 1)
      return optionError(std::string(a.substr(0, a.size() - 1)) + ": the value is empty");
  }
  declareFitOptions(app, given);
  declareUncertaintyOptions(app, given.uncertainty);
  app.add_option("--detection-limit", given.detectionLimit,
                 "Detection limit of the concentrations, in each station's unit: readings below "
                 "it censored in the signed estimates and the draws (the rising and falling limbs "
                 "continued below it; the first arrival above it reported)")
      ->type_name("X")
      ->check(decimal(false));
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    out.show = app.help();
    return out;
  } catch (const CLI::CallForVersion&) {
    out.show = app.version() + "\n";
    return out;
  } catch (const CLI::ParseError& e) {
    return optionError(e.what());
  }
  if (const std::optional<std::string> why = checkRunOptions(app, given, options))
    return optionError(*why);
  if (const std::optional<std::string> why =
          uncertaintyRequestFrom(given.uncertainty, options.uncertainty))
    return optionError(*why);
  return out;
}

}  // namespace kaldero
