// The command line: kaldero [OPTIONS] [CONTROLFILE]. Without options the
// program runs as it always has (the control file named, or asked for).
#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "core/console.h"
#include "core/stop.h"
#include "core/version.h"
#include "driver/run_driver.h"

namespace {


// "ps,png" into formats; false for a name that is none of them (an empty
// name too: "ps," is a list with a name missing).
bool parseFormats(const std::string& list, std::vector<kaldero::plot::PlotFormat>& out) {
  using kaldero::plot::PlotFormat;
  out.clear();
  if (!list.empty() && list.back() == ',') return false;
  std::stringstream in(list);
  std::string name;
  while (std::getline(in, name, ',')) {
    PlotFormat f;
    if (name == "ps")
      f = PlotFormat::PostScript;
    else if (name == "png")
      f = PlotFormat::Png;
    else if (name == "svg")
      f = PlotFormat::Svg;
    else if (name == "pdf")
      f = PlotFormat::Pdf;
    else
      return false;
    bool seen = false;
    for (PlotFormat g : out) seen = seen || g == f;
    if (!seen) out.push_back(f);
  }
  return !out.empty();
}

int badOptions(const std::string& what) {
  std::cerr << "kaldero: " << what << "\n"
            << "Usage: kaldero [OPTIONS] [CONTROLFILE]   (kaldero --help lists the options)\n";
  return kaldero::kExitBadOptions;
}

}  // namespace

int main(int argc, char** argv) {
  kaldero::RunOptions options;
  CLI::App app{
      "Analyses ground-water tracer tests: tracer mass recovered, transit times, "
      "velocities, dispersion and flow geometry for every sampling station of a "
      "control file.",
      "kaldero"};
  app.set_version_flag(
      "--version", std::string(kaldero::kProgramName) + " " + std::string(kaldero::kProgramVersion),
      "Show the program name and version and exit");
  app.set_help_flag("-h,--help", "Show this help and exit");
  std::vector<std::string> files;
  app.add_option("CONTROLFILE", files,
                 "The control file (without it the program asks, default KALDERO.D)");
  app.add_flag("--batch", options.batch,
               "For scripts: never wait or ask; show the reports and a line per station");
  std::string results, table, report, plots = "ps", fit;
  app.add_option("--results", results, "Write the results of the run as JSON to FILE")
      ->type_name("FILE");
  app.add_option("--table", table, "Write one CSV row of results per station to FILE")
      ->type_name("FILE");
  app.add_option("--plots", plots,
                 "File formats of the plots, comma-separated: ps,png,svg,pdf (default ps)")
      ->type_name("FORMATS");
  app.add_option("--report", report,
                 "Write an HTML report of the run (figures as SVG, adds svg to --plots)")
      ->type_name("FILE.html");
  app.add_option("--fit", fit,
                 "Fit 1, 2 or 3 advection-dispersion flow paths to each curve, or auto")
      ->type_name("N|auto");
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    std::cout << app.help();
    return 0;
  } catch (const CLI::CallForVersion&) {
    std::cout << app.version() << "\n";
    return 0;
  } catch (const CLI::ParseError& e) {
    return badOptions(e.what());
  }
  // An option given with an empty value is a mistake, not the option
  // left out.
  for (const char* name : {"--results", "--table", "--report", "--fit", "--plots"})
    if (app.count(name) > 0 && app[name]->as<std::string>().empty())
      return badOptions(std::string(name) + ": the value is empty");
  // The first name is the control file, as it always was; further names
  // are not used.
  if (!files.empty()) options.controlFile = files.front();
  if (!parseFormats(plots, options.plotFormats))
    return badOptions("--plots: \"" + plots + "\" is not a list of ps, png, svg, pdf");
  if (!results.empty()) options.resultsFile = results;
  if (!table.empty()) options.tableFile = table;
  if (!report.empty()) {
    options.reportFile = report;
    bool svg = false;
    for (auto f : options.plotFormats) svg = svg || f == kaldero::plot::PlotFormat::Svg;
    if (!svg) options.plotFormats.push_back(kaldero::plot::PlotFormat::Svg);
  }
  if (!fit.empty()) {
    if (fit == "auto")
      options.fitPaths = 0;
    else if (fit == "1" || fit == "2" || fit == "3")
      options.fitPaths = fit[0] - '0';
    else
      return badOptions("--fit: \"" + fit + "\" is not 1, 2, 3 or auto");
  }

  static char outBuffer[1 << 16];
  std::setvbuf(stdout, outBuffer, _IOFBF, sizeof outBuffer);
  kaldero::Console console(stdout, stdin);
  console.setBatch(options.batch);
  try {
    kaldero::Run run(console, options);
    try {
      return run.execute();
    } catch (const kaldero::Error& stop) {
      return run.stopped(stop);
    }
  } catch (const std::bad_alloc&) {
    kaldero::Console::ReportScope scope(console, kaldero::ShownReport::Kind::Error);
    console.line(" NOT ENOUGH STORAGE SPACE -- PROGRAM STOPPED");
    console.flush();
    return kaldero::kExitInternal;
  }
}
