#include "report/results_files.h"

#include <algorithm>
#include <deque>
#include <filesystem>

#include "core/console.h"
#include "core/output_gate.h"
#include "core/stop.h"
#include "report/html_report.h"
#include "report/results_data.h"

namespace kaldero {

namespace fs = std::filesystem;

namespace {

struct ResultsFile {
  OutputRecord record;
  CheckedFile file;
  bool open = false;
};

// The path from the report's folder to the folder the run wrote its files
// in, for the report's links.
std::string linkBase(const std::string& reportFile) {
  std::error_code ec;
  const fs::path dir = fs::absolute(reportFile, ec).parent_path();
  const fs::path rel = fs::current_path(ec).lexically_relative(dir);
  if (ec || rel.empty() || rel == ".") return {};
  return rel.string() + "/";
}

// The page, from the record alone (listings and figures are in it); it
// links the results file and table written with it.
std::string htmlReport(const std::vector<RunRecord>& records, const std::string& file,
                       const std::deque<ResultsFile>& files, const figures::Options& figures) {
  html::ReportOptions options;
  options.figures = figures;
  options.linkBase = linkBase(file);
  for (const ResultsFile& r : files) {
    if (!r.open) continue;
    if (r.record.kind == "results file") options.resultsFile = r.record.name;
    if (r.record.kind == "results table") options.tableFile = r.record.name;
  }
  std::vector<const RunRecord*> runs;
  for (const RunRecord& r : records) runs.push_back(&r);
  return html::renderReport(runs, options);
}

}  // namespace

int writeResultsFiles(Console& console, OutputGate& gate, std::vector<RunRecord>& records,
                      const ResultsFileNames& names, int status) {
  std::vector<ShownReport> shown;
  // Opened in the order of the options (a later one of the same name is
  // refused), written with the JSON document last.
  std::deque<ResultsFile> files;
  const std::pair<const char*, const std::optional<std::string>*> asked[] = {
      {"results file", &names.json}, {"results table", &names.table}, {"HTML report", &names.report}};
  for (const auto& [kind, name] : asked) {
    if (!*name) continue;
    ResultsFile& r = files.emplace_back();
    r.record = {**name, kind, ""};
    r.open = gate.open(r.file, r.record);
  }
  std::vector<ResultsFile*> order;
  for (ResultsFile& r : files)
    if (r.record.kind != "results file") order.push_back(&r);
  for (ResultsFile& r : files)
    if (r.record.kind == "results file") order.push_back(&r);
  for (ShownReport& r : console.takeReports()) shown.push_back(std::move(r));
  // The status so far: a file not written makes it 4 unless the run
  // stopped.
  auto statusNow = [&] {
    return gate.notWritten() > 0 && status == kExitNormal ? kExitFilesNotWritten : status;
  };
  // A single run's document carries the call's end itself.
  auto settle = [&] {
    if (records.size() != 1) return;
    RunRecord& one = records.front();
    one.filesNotWritten = gate.notWritten();
    one.exitStatus = statusNow();
    for (ShownReport& r : shown) one.reports.push_back(std::move(r));
    shown.clear();
  };
  for (ResultsFile* file : order) {
    ResultsFile& r = *file;
    if (!r.open) continue;
    settle();
    const nlohmann::json doc = resultsDocument(records, statusNow(), gate.notWritten(), shown);
    // The table and the page end with their last line end.
    if (r.record.kind == "results file")
      r.file.line(doc.dump(2));
    else if (r.record.kind == "results table")
      r.file.write(resultsTable(records));
    else
      r.file.write(htmlReport(records, r.record.name, files, names.figures));
    gate.close(r.file, r.record);
    for (ShownReport& rep : console.takeReports()) shown.push_back(std::move(rep));
  }
  settle();
  return statusNow();
}

}  // namespace kaldero
