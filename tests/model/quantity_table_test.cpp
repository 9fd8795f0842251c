// The table of quantities: names that carry the display unit, the values
// the results give by it (names, order, conversions), the schema of the
// results file listing the same names, and each name written as a string
// literal in one place of the sources only.
#include "model/quantity_table.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "analysis/quantities.h"

namespace kaldero {
namespace {

std::string readFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The unit a name ends with and the display unit it must be shown in.
const std::map<std::string, std::string> kUnitOfSuffix = {
    {"_kg", "kg"},     {"_h", "h"},       {"_h2", "h²"},        {"_m", "m"},
    {"_mm", "mm"},     {"_m2", "m²"},     {"_m3", "m³"},        {"_m_per_s", "m/s"},
    {"_m2_per_s", "m²/s"}, {"_ug_per_L", "µg/L"}, {"_per_s", "1/s"}};

std::string suffixUnit(std::string_view name) {
  std::string best, unit;
  for (const auto& [suffix, u] : kUnitOfSuffix)
    if (name.ends_with(suffix) && suffix.size() > best.size()) best = suffix, unit = u;
  return unit;
}

TEST(QuantityTable, NamesAreUniqueAndCarryTheirDisplayUnit) {
  std::set<std::string_view> names;
  for (const QuantityRow& q : quantityTable()) {
    EXPECT_TRUE(names.insert(q.name).second) << q.name;
    EXPECT_EQ(q.name.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_L"),
              std::string_view::npos)
        << q.name;
    EXPECT_FALSE(q.label.empty()) << q.name;
    EXPECT_GT(q.divisor, 0) << q.name;
    if (q.text) continue;
    const std::string unit = suffixUnit(q.name);
    if (q.name.starts_with("percent") || q.name.ends_with("percent_recovery"))
      EXPECT_EQ(q.unit, "%") << q.name;
    else
      EXPECT_EQ(q.unit, unit) << q.name;  // a dimensionless number has neither
    EXPECT_EQ(quantityNamed(q.name), q.id);
  }
  EXPECT_FALSE(quantityNamed("mean_travel_time_min"));
  for (const PathQuantityRow& p : pathQuantityTable()) {
    EXPECT_TRUE(p.intervalName.starts_with(p.name.substr(0, p.name.find('_'))));
    if (!p.name.ends_with("fraction") && !p.name.ends_with("ratio") &&
        !p.name.ends_with("number")) {
      EXPECT_EQ(p.unit, suffixUnit(p.name)) << p.name;
    }
    EXPECT_NE(p.estimate, nullptr) << p.name;
  }
}

TEST(QuantityTable, TheResultsGiveEveryRowInItsOrderConverted) {
  std::vector<std::string> table, given;
  for (const QuantityRow& q : quantityTable()) table.emplace_back(q.name);
  for (const auto& [name, value] : listingQuantities(nullptr)) given.push_back(name);
  for (const auto& [name, value] : signedQuantities(nullptr)) given.push_back(name);
  EXPECT_EQ(given, table);
  for (const std::string& n : numericQuantityNames())
    EXPECT_FALSE(quantityRow(*quantityNamed(n)).text) << n;

  // Seconds to hours and ng/L to ug/L by the table's divisors, as the
  // listing converts in single precision.
  StationResults r;
  r.arrival.firstArrival = 7200;
  r.arrival.peakTime = 5400;
  r.arrival.peakConcentration = 2500;
  const auto values = listingQuantities(&r);
  const auto value = [&](QuantityId id) {
    for (const auto& [name, v] : values)
      if (name == quantityName(id)) return std::get<double>(v);
    return -1.0;
  };
  EXPECT_EQ(value(QuantityId::FirstArrival), 2.0);
  EXPECT_EQ(value(QuantityId::PeakTime), 1.5);
  EXPECT_EQ(value(QuantityId::PeakConcentration), 2.5);
  // Not finite: null.
  r.arrival.peakConcentration = INFINITY;
  for (const auto& [name, v] : listingQuantities(&r))
    if (name == quantityName(QuantityId::PeakConcentration)) {
      EXPECT_TRUE(std::holds_alternative<std::monostate>(v));
    }
}

// The schema documents the results as the table gives them: the same
// station quantities in the same order, the fitted path's estimates with
// their intervals.
TEST(QuantityTable, TheSchemaListsTheTablesNames) {
  const auto schema =
      nlohmann::json::parse(readFile(std::filesystem::path(KALDERO_SOURCE_DIR) / "docs" /
                                     "results.schema.json"));
  const auto& defs = schema.at("$defs");
  std::vector<std::string> table, required;
  for (const QuantityRow& q : quantityTable()) table.emplace_back(q.name);
  for (const auto& n : defs.at("results").at("required")) required.push_back(n);
  EXPECT_EQ(required, table);
  std::vector<std::string> properties;
  for (const auto& [name, value] : defs.at("results").at("properties").items())
    properties.push_back(name);
  std::sort(table.begin(), table.end());
  EXPECT_EQ(properties, table);  // the JSON library keeps them sorted
  const auto& path = defs.at("fitted_path").at("properties");
  for (const PathQuantityRow& p : pathQuantityTable()) {
    EXPECT_TRUE(path.contains(std::string(p.name))) << p.name;
    EXPECT_TRUE(path.contains(std::string(p.intervalName))) << p.intervalName;
    EXPECT_TRUE(path.contains(std::string(p.intervalName) + "_bootstrap")) << p.intervalName;
  }
}

// A name is written once in the sources (the table); everything else
// takes it from there, so that a name or a unit cannot drift in one writer.
TEST(QuantityTable, EachNameIsWrittenInOnePlace) {
  std::set<std::string> names;
  for (const QuantityRow& q : quantityTable()) names.emplace(q.name);
  for (const PathQuantityRow& p : pathQuantityTable()) names.emplace(p.name);
  std::map<std::string, std::vector<std::string>> where;
  const std::filesystem::path root(KALDERO_SOURCE_DIR);
  for (const char* layer : {"core", "numeric", "model", "input", "conditioning", "analysis",
                            "figure", "report", "files", "plot", "print", "driver"}) {
    for (const auto& e : std::filesystem::recursive_directory_iterator(root / layer)) {
      const std::string ext = e.path().extension().string();
      if (ext != ".cpp" && ext != ".h") continue;
      const std::string text = readFile(e.path());
      for (const std::string& n : names) {
        const std::string quoted = "\"" + n + "\"";
        for (std::size_t at = text.find(quoted); at != std::string::npos;
             at = text.find(quoted, at + 1))
          where[n].push_back(e.path().lexically_relative(root).string());
      }
    }
  }
  for (const std::string& n : names) {
    ASSERT_EQ(where[n].size(), 1u) << n << " is written in " << ::testing::PrintToString(where[n]);
    EXPECT_EQ(where[n][0], "model/quantity_table.cpp") << n;
  }
}

}  // namespace
}  // namespace kaldero
