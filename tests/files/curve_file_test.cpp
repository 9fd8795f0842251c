#include "files/curve_file.h"

#include <gtest/gtest.h>

#include <charconv>
#include <string>
#include <vector>

#include "input/output_names.h"

namespace kaldero {
namespace {

float readBack(const std::string& field) {
  float v = 0;
  std::from_chars(field.data(), field.data() + field.size(), v);
  return v;
}

TEST(CurveCsv, HeaderThenEverySampleReadingBackExactly) {
  // Values the ten-digit fixed-width file would round: the CSV keeps the
  // single-precision number itself.
  const std::vector<float> x{1.0f, 1.0166667f, 1e-30f, 3.4e38f};
  const std::vector<float> y{0.0f, 0.1f / 3, -2.5e-7f, 123456.79f};
  const std::vector<std::string> lines =
      files::curveCsvLines({"time_h", "concentration_mg_per_L_per_kg_recovered"}, x, y);
  ASSERT_EQ(lines.size(), x.size() + 1);
  EXPECT_EQ(lines[0], "time_h,concentration_mg_per_L_per_kg_recovered");
  EXPECT_EQ(lines[1], "1,0");
  for (std::size_t i = 0; i < x.size(); ++i) {
    const std::string& l = lines[i + 1];
    const std::size_t comma = l.find(',');
    ASSERT_NE(comma, std::string::npos) << l;
    EXPECT_EQ(l.find(',', comma + 1), std::string::npos) << l;
    EXPECT_EQ(readBack(l.substr(0, comma)), x[i]) << l;
    EXPECT_EQ(readBack(l.substr(comma + 1)), y[i]) << l;
  }
}

TEST(CurveCsv, EachCurveFileHasItsOwnTwinPlannedRightAfterIt) {
  TestDescription t;
  t.listingName = "ST.OUT";
  t.normalizedOption = Option::On;
  t.loadOption = Option::On;
  t.standardizedOption = Option::On;
  t.normalizedName = "ST.NRM";
  t.loadName = "ST.LOD";
  t.standardizedName = "ST.STN";
  const std::vector<OutputRecord> plain = plannedOutputs(t, "ST.DAT");
  for (const OutputRecord& r : plain) EXPECT_FALSE(r.name.ends_with(".csv")) << r.name;
  const std::vector<OutputRecord> csv = plannedOutputs(t, "ST.DAT", true);
  const std::vector<OutputRecord> expected{
      {"ST.OUT", "results listing", ""},
      {"ST.NRM", "normalized curve file", ""},
      {"ST.NRM.csv", "normalized curve CSV file", ""},
      {"ST.LOD", "load curve file", ""},
      {"ST.LOD.csv", "load curve CSV file", ""},
      {"ST.STN", "standardized curve file", ""},
      {"ST.STN.csv", "standardized curve CSV file", ""},
  };
  EXPECT_EQ(csv, expected);
}

TEST(CurveCsv, ColumnsNameTheirUnits) {
  EXPECT_EQ(files::normalizedColumns(TimeUnit::Hours).x, "time_h");
  EXPECT_EQ(files::normalizedColumns(TimeUnit::Days).y, "concentration_mg_per_L_per_kg_recovered");
  EXPECT_EQ(files::loadColumns(TimeUnit::Minutes).x, "time_min");
  EXPECT_EQ(files::loadColumns(TimeUnit::Minutes).y, "load_mg_per_s_per_kg_recovered");
  // A time-unit code outside the table reads as seconds, as the times were
  // converted.
  EXPECT_EQ(files::loadColumns(TimeUnit{9}).x, "time_s");
  EXPECT_EQ(files::standardizedColumns().x, "time_standard_deviations_from_mean");
  EXPECT_EQ(files::standardizedColumns().y, "concentration_fraction_of_peak");
}

}  // namespace
}  // namespace kaldero
