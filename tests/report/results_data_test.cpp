// The results as data (JSON and CSV) against the results listing: a value
// the listing repeats from an earlier station is not this station's, and
// the results files show it as null.
#include "report/results_data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <variant>
#include <vector>

#include "core/error.h"
#include "report/listing_lines.h"
#include "tests/support/station_run.h"

namespace kaldero {
namespace {

using testing::StationRun;

const std::vector<float> kT{0, 3600, 7200, 10800, 14400, 18000};
const std::vector<float> kC{0, 1000, 4000, 2000, 500, 100};

// The record of the station the run has just analysed.
StationRecord recordOf(StationRun& run, const std::string& stationFile) {
  StationRecord r;
  r.stationFile = stationFile;
  r.headerRead = r.finished = true;
  r.status = StationStatus::Analysed;
  r.test = run.test();
  r.setup = run.setup();
  r.results = run.results();
  return r;
}

ResultValue valueOf(const StationRecord& st, const std::string& name) {
  for (const auto& [key, value] : stationResults(st))
    if (key == name) return value;
  ADD_FAILURE() << "no result " << name;
  return {};
}

// The CSV field of a result in the row of a station (0-based).
std::string csvField(const std::string& table, std::size_t row, const std::string& name) {
  std::vector<std::vector<std::string>> rows;
  std::size_t at = 0;
  while (at < table.size()) {
    const std::size_t end = table.find('\n', at);
    std::vector<std::string> fields;
    std::size_t f = at;
    for (std::size_t c = table.find(',', f); c < end; c = table.find(',', f)) {
      fields.push_back(table.substr(f, c - f));
      f = c + 1;
    }
    fields.push_back(table.substr(f, end - f));
    rows.push_back(fields);
    at = end + 1;
  }
  const std::vector<std::string>& head = rows.at(0);
  const auto column = std::find(head.begin(), head.end(), name) - head.begin();
  return rows.at(row + 1).at(static_cast<std::size_t>(column));
}

TEST(ResultsData, ACarriedMaximumVelocityIsNullWhileTheListingShowsIt) {
  StationRun run;
  run.test().listingName = text::padded("ST1.OUT");
  run.run(kT, kC);
  RunRecord record;
  record.stations.push_back(recordOf(run, "ST1.DAT"));
  const float first = run.results().transport->maxVelocity.value;
  // No sample of the second station gives a maximum velocity.
  run.test().listingName = text::padded("ST2.OUT");
  run.release().flowZoneArrivalHours = 10;
  run.run(kT, kC);
  record.stations.push_back(recordOf(run, "ST2.DAT"));

  const std::string line =
      lines::labelled(15, "The maximum tracer velocity", lines::g10(first * 86400), "m/d");
  EXPECT_NE(run.file("ST2.OUT").find(line), std::string::npos);
  EXPECT_EQ(std::get<double>(valueOf(record.stations[0], "maximum_velocity_m_per_s")),
            singlePrecision(first));
  EXPECT_TRUE(std::holds_alternative<std::monostate>(
      valueOf(record.stations[1], "maximum_velocity_m_per_s")));
  const nlohmann::json doc = resultsDocument(record);
  EXPECT_EQ(doc["stations"][0]["results"]["maximum_velocity_m_per_s"], singlePrecision(first));
  EXPECT_TRUE(doc["stations"][1]["results"]["maximum_velocity_m_per_s"].is_null());
  // The station's own values are there.
  EXPECT_TRUE(doc["stations"][1]["results"]["mean_velocity_m_per_s"].is_number());
  const std::string table = resultsTable({record});
  EXPECT_EQ(csvField(table, 1, "maximum_velocity_m_per_s"), "");
  EXPECT_NE(csvField(table, 0, "maximum_velocity_m_per_s"), "");
}

TEST(ResultsData, ACarriedHeadLossOfAPorousZoneIsNullWhileTheListingShowsIt) {
  // A porous zone with a conductivity, then one without: the second has no
  // head loss of its own, and its listing repeats the first one's.
  StationRun run;
  run.test().geometry = FlowForm::PorousZone;
  run.test().conductivityUnit = ConductivityUnit::Code1;
  run.test().conductivity = 1e-3f;
  run.test().listingName = text::padded("ST1.OUT");
  run.run(kT, kC);
  ASSERT_TRUE(run.results().geometry->porous && run.results().geometry->porous->headLoss);
  const float first = run.results().geometry->porous->headLoss->value;
  const StationRecord one = recordOf(run, "ST1.DAT");
  run.test().conductivity = 0;
  run.test().listingName = text::padded("ST2.OUT");
  run.run(kT, kC);
  const StationRecord two = recordOf(run, "ST2.DAT");
  ASSERT_TRUE(run.results().geometry->porous->headLoss.has_value());
  EXPECT_FALSE(run.results().geometry->porous->headLoss->computed);

  const std::string line =
      lines::labelled(15, "Hydraulic head loss along channel", lines::g10(first), "m");
  EXPECT_NE(run.file("ST1.OUT").find(line), std::string::npos);
  EXPECT_NE(run.file("ST2.OUT").find(line), std::string::npos);
  EXPECT_EQ(std::get<double>(valueOf(one, "head_loss_m")), singlePrecision(first));
  EXPECT_TRUE(std::holds_alternative<std::monostate>(valueOf(two, "head_loss_m")));
}

TEST(ResultsData, AStationThatStoppedHasNoResults) {
  StationRun run;
  EXPECT_THROW(run.run(kT, std::vector<float>(6, 0.0f)), Error);
  StationRecord st = recordOf(run, "ST.DAT");
  st.status = StationStatus::Stopped;
  ASSERT_TRUE(st.results.has_value());
  for (const auto& [key, value] : stationResults(st))
    EXPECT_TRUE(std::holds_alternative<std::monostate>(value)) << key;
  RunRecord record;
  record.stations.push_back(st);
  const nlohmann::json doc = resultsDocument(record);
  EXPECT_EQ(doc["stations"][0]["status"], "stopped");
  EXPECT_TRUE(doc["stations"][0]["results"].is_null());
  EXPECT_TRUE(doc["stations"][0]["chatwin"].is_null());
}

TEST(ResultsData, ACsvTextASpreadsheetWouldTakeForAFormulaStaysText) {
  StationRun run;
  run.test().listingName = text::padded("ST1.OUT");
  run.run(kT, kC);
  RunRecord record;
  const std::vector<std::string> names{"=1+2.DAT", "@SUM(A1).DAT", "+3.DAT", "-4.DAT",
                                       "ST,5.DAT", "6.DAT"};
  for (const std::string& n : names) record.stations.push_back(recordOf(run, n));
  const std::string table = resultsTable({record});
  EXPECT_EQ(csvField(table, 0, "station_file"), "'=1+2.DAT");
  EXPECT_EQ(csvField(table, 1, "station_file"), "'@SUM(A1).DAT");
  EXPECT_EQ(csvField(table, 2, "station_file"), "'+3.DAT");
  EXPECT_EQ(csvField(table, 3, "station_file"), "'-4.DAT");
  // A quoted field is quoted as before; a plain name and a number stay as
  // they are.
  EXPECT_NE(table.find("\n\"ST,5.DAT\","), std::string::npos);
  EXPECT_EQ(csvField(table, 5, "station_file"), "6.DAT");
  EXPECT_NE(csvField(table, 5, "mean_velocity_m_per_s").front(), '\'');
}

// A reach's row follows its run's stations, every field in its column with
// the draws' columns of another run and the control file column of several
// runs: a reach row short of a field would shift its fit's values.
TEST(ResultsData, AReachRowHoldsItsFitInTheFitColumnsAndItsStationsLast) {
  StationRun run;
  run.test().listingName = text::padded("ST1.OUT");
  run.run(kT, kC);
  PathModelFit two;
  two.pathCount = 2;
  two.fitted = true;
  two.rSquared = 0.97;
  two.paths.resize(2);
  two.paths[0].velocity = {0.0007, 0, 0.0006, 0.0008};
  two.paths[1].velocity = {0.002, 0, 0.0019, 0.0021};
  FlowPathFitResult fit;
  fit.models = {two};
  fit.chosen = 0;
  RunRecord first;
  first.controlFile = "A.D";
  first.stations = {recordOf(run, "UP.DAT"), recordOf(run, "DOWN.DAT")};
  first.stations[0].fit = fit;
  first.reachesAsked = true;
  RunRecord::Reach reach;
  reach.from = "UP.DAT";
  reach.to = "DOWN.DAT";
  reach.length = 620;
  reach.fit = fit;
  first.reaches.push_back(reach);
  RunRecord second;
  second.controlFile = "B.D";
  second.stations = {recordOf(run, "OTHER.DAT")};
  second.uncertainty = UncertaintyRequest{};
  const std::string table = resultsTable({first, second});
  std::size_t rows = 0, header = 0;
  for (std::size_t at = 0; at < table.size(); ++rows) {
    const std::size_t end = table.find('\n', at);
    const std::size_t fields =
        static_cast<std::size_t>(std::count(table.begin() + at, table.begin() + end, ',')) + 1;
    if (rows == 0) header = fields;
    EXPECT_EQ(fields, header) << "row " << rows;
    at = end + 1;
  }
  EXPECT_EQ(rows, 5u);  // the header, two stations and the reach, one station
  EXPECT_EQ(csvField(table, 2, "control_file"), "A.D");
  EXPECT_EQ(csvField(table, 2, "station_file"), "DOWN.DAT");
  EXPECT_EQ(csvField(table, 2, "status"), "reach");
  EXPECT_EQ(csvField(table, 2, "fit_model"), "2");
  EXPECT_EQ(csvField(table, 2, "fit_path2_velocity_m_per_s"), "0.002");
  EXPECT_EQ(csvField(table, 2, "recovered_mass_kg"), "");
  EXPECT_EQ(csvField(table, 2, "reach_from"), "UP.DAT");
  EXPECT_EQ(csvField(table, 2, "reach_length_m"), "620");
  EXPECT_EQ(csvField(table, 0, "reach_from"), "");
  EXPECT_EQ(csvField(table, 1, "fit_model"), "");  // DOWN.DAT's own fit: none
  EXPECT_EQ(csvField(table, 3, "station_file"), "OTHER.DAT");
  EXPECT_EQ(csvField(table, 3, "status"), "analysed");
}

}  // namespace
}  // namespace kaldero
