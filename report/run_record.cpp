#include "report/run_record.h"

#include "core/checksum.h"
#include "core/text.h"

namespace kaldero {

OutputRecord asCalled(const std::string& folder, const OutputRecord& f) {
  const bool relative = !folder.empty() && !f.name.starts_with('/');
  return {relative ? folder + "/" + f.name : f.name, f.kind, f.format};
}

std::string errorText(const std::vector<ShownReport>& shown) {
  std::string text;
  for (const ShownReport& r : shown)
    if (r.kind == ShownReport::Kind::Error) text += r.text;
  return text;
}

void RunRecord::readControl(const ControlValues& values) {
  controlFile = text::trimmed(values.controlFileName);
  controlSha256 = sha256OfFile(controlFile).value_or("");
  control = values;
  controlRead = true;
}

void RunRecord::addRunReports(std::vector<ShownReport> shown) {
  for (ShownReport& r : shown) reports.push_back(std::move(r));
}

void RunRecord::startStation(const std::string& stationFile) {
  stations.emplace_back().stationFile = stationFile;
}

void RunRecord::finishStation(const std::vector<OutputRecord>& written, const std::string& listing,
                              std::vector<ShownReport> shown) {
  StationRecord& st = stations.back();
  st.finished = true;
  for (const OutputRecord& f : written) st.outputs.push_back(asCalled(folder, f));
  st.listing += listing;
  st.reports = std::move(shown);
  if (!st.analysed()) st.stopReport = errorText(st.reports);
}

int RunRecord::reachedStations() const {
  int n = 0;
  for (const StationRecord& st : stations) n += st.status != StationStatus::NotRun;
  return n;
}

int RunRecord::analysedStations() const {
  int n = 0;
  for (const StationRecord& st : stations) n += st.analysed() ? 1 : 0;
  return n;
}

int RunRecord::stoppedStations() const {
  int n = 0;
  for (const StationRecord& st : stations) n += st.status == StationStatus::Stopped;
  return n;
}

StationRecord* RunRecord::lastAnalysed() {
  for (auto it = stations.rbegin(); it != stations.rend(); ++it)
    if (it->analysed()) return &*it;
  return nullptr;
}

bool RunRecord::stoppedInStation() const {
  return !stations.empty() && !stations.back().analysed();
}

void RunRecord::recordNotRun(const std::vector<std::string>& remaining) {
  if (!stoppedInStation()) return;
  recordNotRun(remaining, "Not run: the run stopped at station " + stations.back().stationFile + ".");
}

void RunRecord::recordNotRun(const std::vector<std::string>& remaining, const std::string& why) {
  for (const std::string& name : remaining) {
    StationRecord& st = stations.emplace_back();
    st.stationFile = name;
    st.status = StationStatus::NotRun;
    st.finished = true;
    st.stopReport = why;
  }
}

int analysedStations(const std::vector<RunRecord>& runs) {
  int n = 0;
  for (const RunRecord& r : runs) n += r.analysedStations();
  return n;
}

}  // namespace kaldero
