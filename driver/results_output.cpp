#include "driver/results_output.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>
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

// A results file of the run: opened before any of them is written, so that
// each one can tell whether the others could be created.
struct ResultsFile {
  ResultsFile(std::string_view w, std::string n) : what(w), name(std::move(n)) {}
  std::string_view what;
  std::string name;
  CheckedFile file;
};

// Whether a results file would replace a file of the run: the control
// file, a station data file, a file a station wrote, or an earlier results
// file of the run.
bool replacesRunFile(const RunState& s, const std::string& name,
                     const std::deque<ResultsFile>& earlier, std::size_t count) {
  if (s.inputFiles.contains(name) || s.earlierOutputs.contains(name)) return true;
  for (const StationRecord& st : s.record.stations)
    for (const OutputFile& f : st.outputs)
      if (sameFile(f.name, name)) return true;
  for (std::size_t i = 0; i < count; ++i)
    if (sameFile(earlier[i].name, name)) return true;
  return false;
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

std::optional<FileStamp> stampOf(const std::string& name) {
  struct stat st {};
  if (::stat(name.c_str(), &st) != 0) return std::nullopt;
  return FileStamp{static_cast<std::uintmax_t>(st.st_dev), static_cast<std::uintmax_t>(st.st_ino),
                   static_cast<std::uintmax_t>(st.st_size),
                   static_cast<std::int64_t>(st.st_mtim.tv_sec),
                   static_cast<std::int64_t>(st.st_mtim.tv_nsec)};
}

}  // namespace

void noteExistingOutputs(RunState& s) {
  s.station.outputsBefore.clear();
  for (const std::string& name : plannedOutputs(s.test, s.station.stationFile))
    if (std::optional<FileStamp> stamp = stampOf(name)) s.station.outputsBefore[name] = *stamp;
}

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
    // A name that is an input of the run or a file an earlier station
    // wrote is one the station was refused (the name check stops it before
    // anything is written): that file is not the station's. Nor is a file
    // that stands as it stood before the station (left by an earlier run,
    // when the station stopped before writing it).
    std::error_code ec;
    for (const std::string& name : plannedOutputs(s.test, s.station.stationFile)) {
      if (!fs::is_regular_file(name, ec) || s.inputFiles.contains(name) ||
          s.earlierOutputs.contains(name))
        continue;
      const auto before = s.station.outputsBefore.find(name);
      if (before != s.station.outputsBefore.end() && stampOf(name) == before->second) continue;
      st.outputs.push_back({name, outputKind(s.test, name, s.station.stationFile), ""});
    }
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
  // Every results file is opened first: one that cannot be created, or
  // would replace an input or output of the run, is reported and counted
  // in the documents the others hold.
  std::deque<ResultsFile> files;
  int lost = 0;
  const std::pair<std::string_view, const std::optional<std::string>*> asked[] = {
      {"RESULTS FILE", &options.resultsFile},
      {"RESULTS TABLE", &options.tableFile},
      {"HTML REPORT", &options.reportFile}};
  for (const auto& [what, name] : asked) {
    if (!*name) continue;
    ResultsFile& r = files.emplace_back(what, **name);
    const bool replaces = replacesRunFile(s, r.name, files, files.size() - 1);
    if (replaces || !r.file.open(r.name)) {
      reportFileNotWritten(
          s.console, what, r.name,
          {WriteOutcome::Status::NotCreated,
           replaces ? "IT WOULD REPLACE AN INPUT OR OUTPUT FILE OF THE RUN" : r.file.error()});
      ++lost;
    }
  }
  for (ShownReport& r : s.console.takeReports()) s.record.reports.push_back(std::move(r));
  if (lost > 0 && status == kExitNormal) status = kExitFilesNotWritten;
  s.record.filesNotWritten = s.filesNotWritten + s.plots.filesNotWritten + lost;
  s.record.exitStatus = status;
  if (!files.empty()) {
    const nlohmann::json doc = resultsDocument(s.record);
    for (ResultsFile& r : files) {
      if (!r.file.isOpen()) continue;
      // The table and the page end with their last line end.
      if (r.what == "RESULTS FILE")
        r.file.line(doc.dump(2));
      else if (r.what == "RESULTS TABLE")
        r.file.write(resultsTable(s.record));
      else
        r.file.write(htmlReport(s, doc, r.name));
      if (!r.file.close()) {
        reportFileNotWritten(s.console, r.what, r.name,
                             {WriteOutcome::Status::Incomplete, r.file.error()});
        ++lost;
      }
    }
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
