// The station file header the importer writes, and the header options file
// that sets it.
#include <gtest/gtest.h>

#include "importer/header_options.h"
#include "importer/station_header.h"
#include "tests/importer/import_support.h"

namespace kaldero::importer {
namespace {

using testing::lines;
using testing::readFile;

StationHeader defaults() {
  StationHeader h;
  setDefaultNames(h, "ST.DAT");
  h.distance = 150;
  h.constantDischarge = 0.0057;
  h.columnCaption = "TIME (HOURS)   C (UG/L)";
  return h;
}

// Header line n (1-based) of h.
std::string lineOf(const StationHeader& h, int n) { return lines(headerText(h)).at(n - 1); }

TEST(Header, LabelsAreThoseOfTheExamples) {
  const auto example = lines(readFile(std::string(KALDERO_SOURCE_DIR) + "/examples/TQF.DAT"));
  const auto written = lines(headerText(defaults()));
  ASSERT_EQ(written.size(), 64u);
  for (int n : {1, 3, 5, 7, 9, 10, 12, 14, 16, 18, 19, 21, 22, 24, 26, 28, 30, 32, 34, 36, 38, 40,
                42, 44, 46, 48, 50, 52, 54, 56, 58, 60, 62})
    EXPECT_EQ(written[n - 1], example[n - 1]) << "line " << n;
}

TEST(Header, DefaultValues) {
  const auto w = lines(headerText(defaults()));
  const std::pair<int, const char*> expected[] = {
      {2, "2"},       {4, "3"},       {6, "0"},        {8, "2"},       {11, "4  0.0057"},
      {13, "1"},      {15, "1  150"}, {17, "0"},       {20, "1"},      {23, "0"},
      {25, "ST.OUT"}, {27, "0"},      {29, "ST.INT"},  {31, "0"},      {33, "0 1 1 1"},
      {35, "0 0 0 0"}, {37, "0 0 0 0"}, {39, "0 1 0"}, {41, "ST.CXT"}, {43, "0"},
      {45, "ST.NRM"}, {47, "0 0 0 0"}, {49, "0"},      {51, "ST.LOD"}, {55, "0"},
      {57, "ST.STN"}, {61, "0"},      {63, "1"},       {64, "TIME (HOURS)   C (UG/L)"}};
  for (const auto& [n, text] : expected) EXPECT_EQ(w[n - 1], text) << "line " << n;
}

// Every option name of the header options file and the line it sets.
TEST(HeaderOptions, EveryNameSetsItsLine) {
  const struct {
    const char* toml;
    int line;
    const char* text;
  } cases[] = {
      {"background = 0.15", 6, "1  0.15"},
      {"station_totals = false", 13, "0"},
      {"sinuosity = 1.2", 17, "1  1.2"},
      {"[flow]\nform = \"conduit-zone\"", 20, "2"},
      {"[flow]\nform = \"porous-zone\"\nporosity = 0.25", 20, "3  0.25"},
      {"[flow]\nform = \"porous-zone\"\nconductivity_unit = 3\nconductivity = 1e-4", 23,
       "3  1e-04"},
      {"[flow]\nform = \"fractures\"\nconductivity_unit = 1\nfissure_height = 0.05", 23, "1  0.05"},
      {"[flow]\nform = \"fractures\"", 23, "0  0"},
      {"[knots]\nintervals = 2742\nfile = \"K.INT\"", 27, "1  2742"},
      {"[knots]\nfile = \"K.INT\"", 29, "K.INT"},
      {"[extrapolation]\nmethod = \"zero-time\"", 31, "1  3"},
      {"[plots.data]\nlisting = true\npoints = false", 33, "1 0 1 1"},
      {"[plots.interpolated]\ncurve = true", 35, "0 0 1 0"},
      {"[chatwin]\ntable_on_screen = true\ntable_file = 1\nscreen_plot = false\npostscript = true",
       37, "1 1 0 1"},
      {"[cxtfit]\nwrite = true\nmass = \"recovered\"", 39, "1 0 1"},
      {"[cxtfit]\nfile = \"X.CXT\"", 41, "X.CXT"},
      {"[normalized]\nwrite = true\nfile = \"N.NRM\"", 43, "1"},
      {"[normalized]\nfile = \"N.NRM\"", 45, "N.NRM"},
      {"[plots.normalized]\npostscript = true", 47, "0 0 0 1"},
      {"[normalized]\nwrite = true\n[load]\nwrite = true\nfile = \"L.LOD\"", 49, "1"},
      {"[load]\nfile = \"L.LOD\"", 51, "L.LOD"},
      {"[plots.load]\npoints = true", 53, "0 1 0 0"},
      {"[normalized]\nwrite = true\n[standardized]\nwrite = true", 55, "1"},
      {"[standardized]\nfile = \"S.STN\"", 57, "S.STN"},
      {"[plots.standardized]\nlisting = true", 59, "1 0 0 0"},
      {"screen_echo = true", 61, "1"},
      {"reduction = \"group-means\"", 63, "2"},
  };
  for (const auto& c : cases) {
    StationHeader h = defaults();
    const Status e = applyHeaderOptionsText(c.toml, "h.toml", h);
    ASSERT_FALSE(e) << c.toml << "\n" << e->text();
    EXPECT_EQ(lineOf(h, c.line), c.text) << c.toml;
  }
}

TEST(HeaderOptions, TheExampleFileGivesTheExampleHeader) {
  StationHeader h;
  setDefaultNames(h, "TQF.DAT");
  h.distance = 150;
  h.constantDischarge = 0.0057;
  ASSERT_FALSE(applyHeaderOptions(std::string(KALDERO_SOURCE_DIR) + "/examples/TQF.toml", h));
  const auto example = lines(readFile(std::string(KALDERO_SOURCE_DIR) + "/examples/TQF.DAT"));
  const auto written = lines(headerText(h));
  for (int n = 1; n <= 63; ++n)
    if (n != 15) {
      EXPECT_EQ(written[n - 1], example[n - 1]) << "line " << n;
    }
  EXPECT_EQ(written[14], "1  150");  // the example writes 150.0
}

TEST(HeaderOptions, ErrorsNameFileLineAndColumn) {
  const std::pair<const char*, const char*> cases[] = {
      {"[plots]\ndta = { points = true }",
       "h.toml:2:1: unknown header option \"plots.dta\" (known in [plots]: data, interpolated, "
       "load, normalized, standardized)"},
      {"backgrond = 1", "h.toml:1:1: unknown header option \"backgrond\""},
      {"listing = \"A.OUT\"",
       "h.toml:1:1: \"listing\" is set on the command line (--listing), not in the header "
       "options file"},
      {"background = -1", "h.toml:1:14: \"background\" must be 0 or more"},
      {"sinuosity = 1.6", "h.toml:1:13: \"sinuosity\" must be above 0 and at most 1.5"},
      {"[flow]\nporosity = 0", "h.toml:2:12: \"flow.porosity\" must be above 0 and at most 1"},
      {"[flow]\nconductivity_unit = 4", "h.toml:2:21: \"flow.conductivity_unit\" must be 0, 1, 2 or 3"},
      {"[flow]\nconductivity = 1e-4",
       "h.toml:2:16: \"flow.conductivity\" needs flow.form = \"porous-zone\""},
      {"[flow]\nform = \"porous\"",
       "h.toml:2:8: \"flow.form\" is \"porous\", not one of \"conduit\", \"conduit-zone\", "
       "\"porous-zone\", \"fractures\""},
      {"[knots]\nintervals = 0", "h.toml:2:13: \"knots.intervals\" must be a whole number of 1 or more"},
      {"[plots.data]\npoints = \"yes\"", "h.toml:2:10: \"plots.data.points\" must be true or false"},
      {"[load]\nwrite = true",
       "h.toml:2:9: \"load.write\" needs the normalized curve file (normalized.write = true)"},
      {"screen_echo = ", "h.toml:1:15: "},  // a TOML syntax error
  };
  for (const auto& [toml, message] : cases) {
    StationHeader h = defaults();
    const Status e = applyHeaderOptionsText(toml, "h.toml", h);
    ASSERT_TRUE(e) << toml;
    EXPECT_EQ(e->kind, ErrorKind::Option);
    EXPECT_EQ(e->text().rfind(message, 0), 0u) << toml << "\n" << e->text();
    // A bad file changes nothing.
    EXPECT_EQ(headerText(h), headerText(defaults()));
  }
}

TEST(HeaderOptions, NamesTheProgramWouldRefuse) {
  StationHeader h = defaults();
  EXPECT_FALSE(checkHeader(h, "ST.DAT"));
  h.interpolatedName = "ST.OUT";
  EXPECT_EQ(checkHeader(h, "ST.DAT")->message,
            "the results listing (--listing) and the interpolated-data file (knots.file) have "
            "the same name \"ST.OUT\"");
  h = defaults();
  h.listingName = "ST.DAT";
  EXPECT_NE(checkHeader(h, "ST.DAT")->message.find("is the station file's own name"),
            std::string::npos);
  h.listingName = std::string(51, 'A');
  EXPECT_NE(checkHeader(h, "ST.DAT")->message.find("longer than 50 characters"), std::string::npos);
  h.listingName = "out/ST.OUT";
  EXPECT_TRUE(checkHeader(h, "ST.DAT"));
}

}  // namespace
}  // namespace kaldero::importer
