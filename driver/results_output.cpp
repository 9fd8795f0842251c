#include "driver/results_output.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/checked_file.h"
#include "core/file_reports.h"
#include "core/stop.h"
#include "core/text.h"
#include "driver/run_state.h"
#include "input/output_names.h"
#include "report/html_report.h"
#include "report/results_data.h"

namespace kaldero {

namespace fs = std::filesystem;

namespace {

// What a file of the station is, from the header that named it.
std::string outputKind(const TestDescription& t, const std::string& name,
                       const std::string& stationFile) {
  auto is = [&](const std::string& padded) { return text::trimmed(padded) == name; };
  if (is(t.listingName)) return "results listing";
  if (is(t.interpolatedName)) return "interpolated-data file";
  if (is(t.cxtfitName)) return "CXTFIT input file";
  if (is(t.normalizedName)) return "normalized curve file";
  if (is(t.loadName)) return "load curve file";
  if (is(t.standardizedName)) return "standardized curve file";
  if (name == text::trimmed(chatwinTableFileName(stationFile))) return "Chatwin table file";
  return "output file";
}

// A plot file: its kind from the suffix of its name, its format from the
// extension.
OutputFile plotFile(const std::string& name) {
  static const std::pair<const char*, const char*> kinds[] = {
      {"_DAT.", "data plot"},
      {"_INT.", "interpolated-data plot"},
      {"_CHT.", "Chatwin plot"},
      {"_NRM.", "normalized concentration plot"},
      {"_LOD.", "normalized load plot"},
      {"_STN.", "standardized curve plot"},
      {"_FIT.", "flow-path fit plot"}};
  OutputFile f{name, "plot", ""};
  for (const auto& [suffix, kind] : kinds)
    if (name.find(suffix) != std::string::npos) f.kind = kind;
  const std::string ext = fs::path(name).extension().string();
  f.format = ext == ".PS" ? "ps" : ext.size() > 1 ? ext.substr(1) : "";
  return f;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The reports that stopped the run: the errors among those shown.
std::string stopText(const std::vector<ShownReport>& shown) {
  std::string text;
  for (const ShownReport& r : shown)
    if (r.kind == ShownReport::Kind::Error) text += r.text;
  return text;
}

int writeResultsFile(RunState& s, std::string_view what, const std::string& name,
                     const std::string& contents) {
  const WriteOutcome outcome = writeTextFile(name, {contents});
  if (outcome.ok()) return 0;
  reportFileNotWritten(s.console, what, name, outcome);
  return 1;
}

// The path from the report's folder to the folder the run wrote its files
// in, for the report's links.
std::string linkBase(const std::string& reportFile) {
  std::error_code ec;
  const fs::path dir = fs::absolute(reportFile, ec).parent_path();
  const fs::path rel = fs::current_path(ec).lexically_relative(dir);
  if (ec || rel.empty() || rel == ".") return {};
  return rel.string() + "/";
}

std::string htmlReport(const RunState& s, const nlohmann::json& doc, const std::string& file) {
  std::vector<html::StationPage> pages;
  for (const StationRecord& st : s.record.stations) {
    html::StationPage page;
    page.stationFile = st.stationFile;
    for (const OutputFile& f : st.outputs) {
      page.files.push_back({f.name, f.kind});
      if (f.kind == "results listing") page.listing = readFile(f.name);
      if (f.format == "svg") page.figures.push_back({f.kind, readFile(f.name)});
    }
    pages.push_back(std::move(page));
  }
  html::ReportOptions options;
  options.linkBase = linkBase(file);
  return html::renderReport(doc, pages, options);
}

}  // namespace

void beginStationRecord(RunState& s) {
  for (ShownReport& r : s.console.takeReports()) s.record.reports.push_back(std::move(r));
  s.record.stations.push_back(StationRecord{});
  s.record.stations.back().stationFile = text::trimmed(s.station.stationFile);
}

bool finishStationRecord(RunState& s, bool analysed) {
  if (s.record.stations.empty() || s.record.stations.back().finished) {
    for (ShownReport& r : s.console.takeReports()) s.record.reports.push_back(std::move(r));
    return false;
  }
  StationRecord& st = s.record.stations.back();
  st.analysed = analysed;
  st.finished = true;
  if (st.headerRead) {
    st.test = s.test;
    st.setup = s.setup;
    st.results = s.results;
    std::error_code ec;
    for (const std::string& name : plannedOutputs(s.test, s.station.stationFile))
      if (fs::is_regular_file(name, ec))
        st.outputs.push_back({name, outputKind(s.test, name, s.station.stationFile), ""});
    for (const OutputFile& f : s.station.optionalOutputs) st.outputs.push_back(f);
    // A plot drawn twice into one file (group means with and without their
    // error bars) is one file.
    for (const std::string& name : s.plots.keptFiles) {
      const bool listed = std::any_of(st.outputs.begin(), st.outputs.end(),
                                      [&](const OutputFile& f) { return f.name == name; });
      if (!listed) st.outputs.push_back(plotFile(name));
    }
  }
  st.reports = s.console.takeReports();
  if (!analysed) st.stopReport = stopText(st.reports);
  return true;
}

void stationSummary(RunState& s) {
  if (!s.console.batch() || s.record.stations.empty()) return;
  const StationRecord& st = s.record.stations.back();
  char line[512];
  if (!st.analysed) {
    std::snprintf(line, sizeof line, " %s: stopped (see the report above)", st.stationFile.c_str());
  } else {
    const AnalysisResults& r = st.results;
    std::snprintf(line, sizeof line,
                  " %s: analysed; recovered %.5g kg (%.5g %%); mean transit time %.5g h; "
                  "dispersion coefficient %.5g m^2/s; listing %s",
                  st.stationFile.c_str(), r.recoveredMass * 1e-9, r.percentRecovery,
                  r.meanTimeHours, r.dispersion, text::trimmed(st.test.listingName).c_str());
  }
  std::string summary = line;
  if (st.analysed && st.fit) {
    if (const PathModelFit* best = st.fit->best()) {
      std::snprintf(line, sizeof line, "; flow-path fit: %d path%s, R^2 %.4f", best->pathCount,
                    best->pathCount == 1 ? "" : "s", best->rSquared);
      summary += line;
    } else {
      summary += "; no flow-path fit: " + st.fit->reason;
    }
  }
  s.console.summary(summary);
}

int finishRun(RunState& s, const RunOptions& options, int status) {
  if (finishStationRecord(s, false)) stationSummary(s);
  s.record.filesNotWritten = s.filesNotWritten + s.plots.filesNotWritten;
  s.record.exitStatus = status;
  int lost = 0;
  if (options.resultsFile || options.tableFile || options.reportFile) {
    const nlohmann::json doc = resultsDocument(s.record);
    if (options.resultsFile)
      lost += writeResultsFile(s, "RESULTS FILE", *options.resultsFile, doc.dump(2));
    if (options.tableFile)
      lost += writeResultsFile(s, "RESULTS TABLE", *options.tableFile, resultsTable(s.record));
    if (options.reportFile)
      lost += writeResultsFile(s, "HTML REPORT", *options.reportFile,
                               htmlReport(s, doc, *options.reportFile));
  }
  if (lost > 0 && status == kExitNormal) status = kExitFilesNotWritten;
  if (s.console.batch()) {
    int analysed = 0;
    for (const StationRecord& st : s.record.stations) analysed += st.analysed ? 1 : 0;
    char line[160];
    std::snprintf(line, sizeof line, " %d station%s analysed; exit status %d", analysed,
                  analysed == 1 ? "" : "s", status);
    s.console.summary(line);
  }
  s.console.flush();
  return status;
}

}  // namespace kaldero
