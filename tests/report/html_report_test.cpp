#include "report/html_report.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace kaldero::html {
namespace {

using nlohmann::json;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

// What the graphics library writes, cut down: a glyph and a clip path used
// by id, and the document's own prolog.
const std::string kSvg = R"svg(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE svg PUBLIC "-//W3C//DTD SVG 1.1//EN" "svg11.dtd" [ <!ENTITY x "y"> ]>
<!-- drawn -->
<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" width="612pt" height="459pt" viewBox="0 0 612 459" version="1.1">
<defs>
<g><symbol overflow="visible" id="glyph0-1"><path style="stroke:none;" d="M 1 1 L 2 2 Z"/></symbol></g>
<clipPath id="clip1"><path d="M 0 0 L 10 10"/></clipPath>
</defs>
<g id="surface1">
<g style="fill:rgb(0%,0%,0%);"><use xlink:href="#glyph0-1" x="42" y="435"/></g>
<g clip-path="url(#clip1)" clip-rule="nonzero"><path style="stroke:rgb(93.3%,17.3%,17.3%);" d="M 0 0 L 5 5"/></g>
<use href="#glyph0-1" x="1" y="1"/>
<path style="clip-path:url('#clip1');" d="M 0 0"/>
<use xlink:href="other.svg#glyph0-1"/>
<g mask="url(#unknown)"/>
</g>
</svg>
)svg";

std::string readFixture() {
  std::ifstream in(std::string(KALDERO_SOURCE_DIR) + "/tests/report/two_stations.json");
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Every value of an attribute in the page.
std::vector<std::string> attributeValues(const std::string& page, const std::string& name) {
  std::vector<std::string> values;
  const std::regex re("[ \\t\\n]" + name + "=[\"']([^\"']*)[\"']");
  for (auto it = std::sregex_iterator(page.begin(), page.end(), re); it != std::sregex_iterator();
       ++it) {
    values.push_back((*it)[1]);
  }
  return values;
}

TEST(HtmlText, EscapesMarkupAndReadsInvalidUtf8AsWindows1252) {
  EXPECT_EQ(escape("<a href='x'>&\"</a>"), "&lt;a href=&#39;x&#39;&gt;&amp;&quot;&lt;/a&gt;");
  EXPECT_EQ(escape("C (\xb5g/L)"), "C (µg/L)");              // a Windows-1252 byte
  EXPECT_EQ(escape("C (µg/L) \xe2\x82\xac"), "C (µg/L) €");  // UTF-8 kept
  EXPECT_EQ(escape("\xe2\x82"), "â\u201a");                  // a cut sequence, byte by byte
  EXPECT_EQ(escape("\xc0\xaf"), "À¯");                       // an overlong form is not UTF-8
  EXPECT_EQ(escape("a\x01"
                   "b\tc\n"),
            "a\uFFFDb\tc\n");
  EXPECT_EQ(escape(std::string("x\0y", 3)), "x\uFFFDy");
}

TEST(HtmlText, Windows1252ToUtf8) {
  EXPECT_EQ(windows1252ToUtf8("12.5 \xb5g/L"), "12.5 µg/L");
  EXPECT_EQ(windows1252ToUtf8("\x80\x96\x81\xff"), "€\u2013\uFFFDÿ");
  EXPECT_EQ(windows1252ToUtf8("plain\n"), "plain\n");
}

TEST(HtmlText, FileNamesBecomeRelativeUrlsThatCannotLeaveTheFolderTree) {
  EXPECT_EQ(fileUrl("A_NRM.svg"), "A_NRM.svg");
  EXPECT_EQ(fileUrl("sub.d/ST.OUT"), "sub.d/ST.OUT");
  EXPECT_EQ(fileUrl("a b#c?.svg"), "a%20b%23c%3F.svg");
  EXPECT_EQ(fileUrl("javascript:alert(1)"), "javascript%3Aalert%281%29");
  EXPECT_EQ(fileUrl("//host/share/x"), "/host/share/x");
  EXPECT_EQ(fileUrl("\"><x \xb5.OUT"), "%22%3E%3Cx%20%B5.OUT");
}

TEST(HtmlText, NumbersWithFiveSignificantDigits) {
  EXPECT_EQ(formatNumber(0.0200709999), "0.020071");
  EXPECT_EQ(formatNumber(31355.0), "31355");
  EXPECT_EQ(formatNumber(29.9519997), "29.952");
  EXPECT_EQ(formatNumber(551150.0), "5.5115 × 10<sup>5</sup>");
  EXPECT_EQ(formatNumber(7.27739995e-07), "7.2774 × 10<sup>\u22127</sup>");
  EXPECT_EQ(formatNumber(-0.0012), "-0.0012");
  EXPECT_EQ(formatNumber(0.0), "0");
  EXPECT_EQ(formatNumber(-0.0), "0");
  EXPECT_EQ(formatNumber(std::nan("")), "\u2014");
  EXPECT_EQ(formatNumber(2.0 / 3.0, 3), "0.667");
}

TEST(InlineSvg, DropsThePrologAndScalesTheRootToTheColumn) {
  const auto svg = inlineSvg(kSvg, "p-");
  ASSERT_TRUE(svg);
  EXPECT_THAT(*svg, StartsWith("<svg "));
  EXPECT_THAT(*svg, Not(HasSubstr("<?xml")));
  EXPECT_THAT(*svg, Not(HasSubstr("DOCTYPE")));
  EXPECT_THAT(*svg, Not(HasSubstr("drawn")));
  EXPECT_THAT(*svg, HasSubstr("viewBox=\"0 0 612 459\""));
  EXPECT_THAT(*svg, HasSubstr("width=\"100%\""));
  EXPECT_THAT(*svg, Not(HasSubstr("612pt")));
  EXPECT_THAT(*svg, Not(HasSubstr("height=")));
  EXPECT_THAT(*svg, HasSubstr("</svg>"));
  // The drawing itself is untouched.
  EXPECT_THAT(*svg,
              HasSubstr("<path style=\"stroke:rgb(93.3%,17.3%,17.3%);\" d=\"M 0 0 L 5 5\"/>"));

  // Without a viewBox, one in CSS pixels from the root's size.
  const auto sized = inlineSvg(R"(<svg width="612pt" height="459pt"><g/></svg>)", "q-");
  ASSERT_TRUE(sized);
  EXPECT_EQ(*sized, R"(<svg viewBox="0 0 816 612" width="100%" role="img"><g/></svg>)");
}

TEST(InlineSvg, PrefixesEveryIdAndEveryReferenceToIt) {
  const auto svg = inlineSvg(kSvg, "s1f2-");
  ASSERT_TRUE(svg);
  EXPECT_THAT(*svg, HasSubstr("id=\"s1f2-glyph0-1\""));
  EXPECT_THAT(*svg, HasSubstr("id=\"s1f2-clip1\""));
  EXPECT_THAT(*svg, HasSubstr("id=\"s1f2-surface1\""));
  EXPECT_THAT(*svg, HasSubstr("<use xlink:href=\"#s1f2-glyph0-1\""));
  EXPECT_THAT(*svg, HasSubstr("<use href=\"#s1f2-glyph0-1\""));
  EXPECT_THAT(*svg, HasSubstr("clip-path=\"url(#s1f2-clip1)\""));
  EXPECT_THAT(*svg, HasSubstr("style=\"clip-path:url('#s1f2-clip1');\""));
  // References to ids the document does not define are left alone.
  EXPECT_THAT(*svg, HasSubstr("xlink:href=\"other.svg#glyph0-1\""));
  EXPECT_THAT(*svg, HasSubstr("mask=\"url(#unknown)\""));
  EXPECT_THAT(*svg, Not(HasSubstr("\"#glyph")));
  EXPECT_THAT(*svg, Not(HasSubstr("(#clip")));
}

TEST(InlineSvg, RefusesWhatIsNotAReadableSvgDocument) {
  EXPECT_FALSE(inlineSvg("", "p-"));
  EXPECT_FALSE(inlineSvg("%!PS-Adobe-3.0\n", "p-"));
  EXPECT_FALSE(inlineSvg("<html><svg/></html>", "p-"));
  EXPECT_FALSE(inlineSvg("<svgx/>", "p-"));
  EXPECT_FALSE(inlineSvg("<svg><g>", "p-"));                   // never closed
  EXPECT_FALSE(inlineSvg("<svg><g id=\"a></g></svg>", "p-"));  // open quote
  EXPECT_FALSE(inlineSvg("<svg><g id=a/></svg>", "p-"));       // unquoted value
  EXPECT_FALSE(inlineSvg("<?xml version=\"1.0\"", "p-"));
  EXPECT_TRUE(inlineSvg("<svg/>", "p-"));
  EXPECT_TRUE(inlineSvg("\xEF\xBB\xBF<svg><![CDATA[ <g> ]]><!-- </svg> --></svg>", "p-"));
}

// A results document of one analysed station with the given extra members.
json oneStation(json extra = json::object()) {
  json station = {{"station_file", "A.DAT"},
                  {"status", "analysed"},
                  {"results", {{"recovered_mass_kg", 0.0698}, {"peclet_number", 38.5}}}};
  station.update(extra);
  return {{"program", "KALDERO"},
          {"version", "2.0.0"},
          {"control", {{"title", "TEST"}}},
          {"stations", json::array({station})}};
}

TEST(Report, IdsStayUniqueWithSeveralFiguresOfSeveralStations) {
  json results = oneStation();
  results["stations"].push_back({{"station_file", "B.DAT"}, {"status", "analysed"}});
  const std::vector<StationPage> pages = {
      {"A.DAT", "", {{"one", kSvg}, {"two", kSvg}}, {}},
      {"B.DAT", "", {{"three", kSvg}}, {}},
  };
  const std::string page = renderReport(results, pages);

  const std::vector<std::string> ids = attributeValues(page, "id");
  const std::set<std::string> unique(ids.begin(), ids.end());
  EXPECT_EQ(unique.size(), ids.size());
  EXPECT_EQ(std::count(ids.begin(), ids.end(), "s1f1-clip1") +
                std::count(ids.begin(), ids.end(), "s1f2-clip1") +
                std::count(ids.begin(), ids.end(), "s2f1-clip1"),
            3);
  // Every reference on the page resolves, the figures' own to their figure.
  std::vector<std::string> refs = attributeValues(page, "(?:xlink:)?href");
  const std::regex url("url\\(['\"]?#([^'\")]+)");
  for (auto it = std::sregex_iterator(page.begin(), page.end(), url); it != std::sregex_iterator();
       ++it) {
    refs.push_back("#" + (*it)[1].str());
  }
  int local = 0;
  for (const std::string& ref : refs) {
    if (!ref.starts_with('#') || ref == "#unknown") continue;
    ++local;
    EXPECT_TRUE(unique.contains(ref.substr(1))) << ref;
  }
  EXPECT_GE(local, 3 * 4);
  EXPECT_THAT(page, HasSubstr("<figcaption>three</figcaption>"));
}

TEST(Report, EscapesEveryTextFromTheResultsAndThePages) {
  const std::string hostile = "<script>alert(1)</script>&\"'";
  json results = oneStation({{"station_file", hostile},
                             {"reports", {{{"kind", "<b>warning"}, {"text", hostile}}}},
                             {"outputs", {{{"file", "x\"><img src=y>.svg"}, {"kind", hostile}}}}});
  results["control"]["title"] = hostile;
  results["control"]["file"] = hostile;
  results["program"] = hostile;
  results["stations"][0]["results"]["peclet_class"] = hostile;
  results["stations"][0]["test_description"] = {{"<i>key", hostile}};
  const std::vector<StationPage> pages = {
      {hostile, hostile, {{hostile, "<svg/>"}}, {{"<q>.OUT", hostile}}}};
  const std::string page = renderReport(results, pages);
  EXPECT_THAT(page, Not(HasSubstr("<script")));
  EXPECT_THAT(page, Not(HasSubstr("<b>")));
  EXPECT_THAT(page, Not(HasSubstr("<i>")));
  EXPECT_THAT(page, Not(HasSubstr("<img")));
  EXPECT_THAT(page, Not(HasSubstr("<q>")));
  EXPECT_THAT(page, HasSubstr("&lt;script&gt;alert(1)&lt;/script&gt;&amp;&quot;&#39;"));
  EXPECT_THAT(page, HasSubstr("href=\"x%22%3E%3Cimg%20src%3Dy%3E.svg\""));
  EXPECT_THAT(page, HasSubstr("href=\"%3Cq%3E.OUT\""));
  // The station's page was paired by its (hostile) name: its figure is there.
  EXPECT_THAT(page, HasSubstr("id=\"station-1\""));
  EXPECT_THAT(page, Not(HasSubstr("id=\"station-2\"")));
}

TEST(Report, StoppedStationShowsItsStopReportInsteadOfNumbers) {
  json results = oneStation();
  results["stations"].push_back({{"station_file", "B.DAT"},
                                 {"status", "stopped"},
                                 {"stop_report", "B.DAT HAS NO SAMPLES.\nTHE RUN STOPS."},
                                 {"results", {{"recovered_mass_kg", 123.0}}}});
  const std::string page = renderReport(results, {});
  const size_t row = page.find("<tr class=\"stopped\">");
  ASSERT_NE(row, std::string::npos);
  const std::string stoppedRow = page.substr(row, page.find("</tr>", row) - row);
  EXPECT_THAT(stoppedRow, HasSubstr("B.DAT"));
  EXPECT_THAT(stoppedRow, HasSubstr("stopped"));
  EXPECT_THAT(stoppedRow, HasSubstr("colspan=\"11\">B.DAT HAS NO SAMPLES.\nTHE RUN STOPS.</td>"));
  EXPECT_THAT(stoppedRow, Not(HasSubstr("123")));
  EXPECT_THAT(page, HasSubstr("B.DAT</a> <span class=\"status-stopped\">(stopped)</span></li>"));
  EXPECT_THAT(page, HasSubstr("<h2>Station B.DAT <span class=\"status-stopped\">(stopped)</span>"));
  EXPECT_THAT(page, HasSubstr("The run stopped at this station."));
}

TEST(Report, TestDescriptionSwitchesShowTheNamesOfThoseOn) {
  json results = oneStation(
      {{"test_description",
        {{"data_plot",
          {{"listing", false}, {"points", true}, {"curve", true}, {"postscript", false}}},
         {"load_plot", {{"listing", false}, {"points", false}}},
         {"distance_m", 150.0}}}});
  const std::string page = renderReport(results, {});
  EXPECT_THAT(page, HasSubstr("<th scope=\"row\">Data plot</th><td class=\"text\">points, curve"
                              "</td><td class=\"unit-cell\"></td>"));
  EXPECT_THAT(page, HasSubstr("<th scope=\"row\">Load plot</th><td class=\"text\">none</td>"));
  EXPECT_THAT(page, HasSubstr("<th scope=\"row\">Distance</th><td class=\"num\">150</td>"
                              "<td class=\"unit-cell\">m</td>"));
}

TEST(Report, NullsAndMissingFieldsShowAsDashes) {
  json results = oneStation({{"results",
                              {{"recovered_mass_kg", nullptr},
                               {"percent_recovery", 34.9},
                               {"dispersion_method", nullptr},
                               {"new_quantity_m", 2.5}}},
                             {"chatwin", nullptr},
                             {"outputs", nullptr},
                             {"reports", nullptr}});
  const std::string page = renderReport(results, {});
  EXPECT_THAT(page, HasSubstr("<td class=\"num\">34.9</td>"));
  EXPECT_THAT(page, HasSubstr("<th scope=\"row\">Recovered mass</th><td class=\"num\"><span "
                              "class=\"na\" title=\"not available\">—</span>"));
  // A member the page does not know is shown with the unit its name ends in.
  EXPECT_THAT(page, HasSubstr("<th scope=\"row\">New quantity</th><td class=\"num\">2.5</td>"
                              "<td class=\"unit-cell\">m</td>"));
  EXPECT_THAT(page, HasSubstr("No results listing."));
  EXPECT_THAT(page, Not(HasSubstr("Files written")));

  // Documents with nothing, or members of the wrong type, still give a page.
  for (const json& odd :
       {json::object(), json::array(), json(nullptr), json{{"stations", 5}, {"control", "x"}},
        json{{"stations", {1, "x", {{"results", "y"}, {"fit", {{"paths", 3}}}}}}},
        json{{"stations", {{{"fit", {{"paths", {1, nullptr}}}}}}}}}) {
    const std::string p = renderReport(odd, {{"X.DAT", "", {}, {}}});
    EXPECT_THAT(p, HasSubstr("<h1>Tracer test results</h1>")) << odd.dump();
    EXPECT_THAT(p, HasSubstr("</html>")) << odd.dump();
  }
}

TEST(Report, ListingInPreformattedUtf8WithMicroSign) {
  const std::vector<StationPage> pages = {
      {"A.DAT", "     For a peak tracer concentration    4.6340     \xb5g/L\n  <&>\n", {}, {}}};
  json results = oneStation();
  results["control"]["title"] = "RHODAMINE AT 5 \xb5g/L";  // not UTF-8: Windows-1252
  const std::string page = renderReport(results, pages);
  EXPECT_THAT(page, HasSubstr("<pre class=\"listing\">     For a peak tracer concentration    "
                              "4.6340     µg/L\n  &lt;&amp;&gt;\n</pre>"));
  EXPECT_THAT(page, HasSubstr("<h1>RHODAMINE AT 5 µg/L</h1>"));
  EXPECT_THAT(page, Not(HasSubstr(" \xb5g")));  // every micro sign as UTF-8
}

TEST(Report, FitComparedWithMomentsAndChatwin) {
  const json fixture = json::parse(readFixture());
  const std::string page = renderReport(fixture, {});
  // The summary has a fitted-D column: both paths of A.DAT.
  EXPECT_THAT(page, HasSubstr("D fitted, per flow path"));
  EXPECT_THAT(page, HasSubstr("<td class=\"num\">1: 0.212<br>2: 0.0874</td>"));
  const size_t table = page.find("<table class=\"values fit\">");
  ASSERT_NE(table, std::string::npos);
  const std::string fit = page.substr(table, page.find("</table>", table) - table);
  EXPECT_THAT(fit, HasSubstr("Fit, flow path 1</th><td class=\"num\">0.212</td><td "
                             "class=\"num\">0.188 – 0.236</td><td class=\"num\">0.0241</td><td "
                             "class=\"num\">0.0236 – 0.0246</td><td class=\"num\">0.68</td>"));
  EXPECT_THAT(fit, HasSubstr("Fit, flow path 2"));
  EXPECT_THAT(fit, HasSubstr("Moments</th><td class=\"num\">0.48217</td>"));
  EXPECT_THAT(fit, HasSubstr("Chatwin method</th><td class=\"num\">0.391</td>"));
  EXPECT_THAT(page, HasSubstr("Flow paths: 2 · R² 0.9931 · RMSE 0.118 · AICc -41.7"));

  json unfitted = oneStation({{"fit", {{"fitted", false}, {"reason", "flat <curve>"}}}});
  const std::string noFit = renderReport(unfitted, {});
  EXPECT_THAT(noFit, HasSubstr("<p>No model fit: flat &lt;curve&gt;.</p>"));
  EXPECT_THAT(noFit, HasSubstr("<td class=\"num\">no fit</td>"));
  EXPECT_THAT(renderReport(oneStation(), {}), Not(HasSubstr("D fitted")));
}

TEST(Report, NoNetworkResourceAndNoScript) {
  const json fixture = json::parse(readFixture());
  const std::vector<StationPage> pages = {{"A.DAT", "listing", {{"a", kSvg}, {"fit", kSvg}}, {}},
                                          {"B.DAT", "", {{"data", kSvg}}, {}}};
  const std::string page = renderReport(fixture, pages);
  const std::regex uri("https?://[^\"' )]*");
  std::map<std::string, int> uris;
  for (auto it = std::sregex_iterator(page.begin(), page.end(), uri); it != std::sregex_iterator();
       ++it) {
    ++uris[it->str()];
  }
  const std::map<std::string, int> expected = {{"http://www.w3.org/1999/xlink", 3},
                                               {"http://www.w3.org/2000/svg", 3}};
  EXPECT_EQ(uris, expected);
  EXPECT_THAT(page, HasSubstr("Content-Security-Policy\" content=\"default-src 'none'"));
  EXPECT_THAT(page, Not(HasSubstr("<script")));
  EXPECT_THAT(page, Not(HasSubstr("<link")));
  EXPECT_THAT(page, Not(HasSubstr("<img")));
  EXPECT_THAT(page, Not(HasSubstr("@import")));
}

TEST(Report, PagesPairedWithStationsAndFilesLinked) {
  json results = oneStation({{"outputs",
                              {{{"file", "A.OUT"}, {"kind", "results listing"}},
                               {{"file", "A_NRM.svg"}, {"kind", "plot"}, {"format", "svg"}}}}});
  results["stations"].push_back({{"station_file", "A.DAT"}, {"status", "analysed"}});
  const std::vector<StationPage> pages = {{"Z.DAT", "zzz", {}, {}},
                                          {"A.DAT", "first", {}, {{"A.OUT", "listing"}}},
                                          {"A.DAT", "second", {}, {{"/tmp/abs.OUT", "abs"}}}};
  ReportOptions options;
  options.linkBase = "../run";
  const std::string page = renderReport(results, pages, options);
  // The k-th page of a name goes with the k-th entry; the unpaired page last.
  const size_t s1 = page.find("id=\"station-1\""), s2 = page.find("id=\"station-2\""),
               s3 = page.find("id=\"station-3\"");
  ASSERT_TRUE(s1 < s2 && s2 < s3 && s3 != std::string::npos);
  EXPECT_NE(page.find(">first</pre>", s1), std::string::npos);
  EXPECT_LT(page.find(">first</pre>", s1), s2);
  EXPECT_LT(page.find(">second</pre>", s2), s3);
  EXPECT_NE(page.find(">zzz</pre>", s3), std::string::npos);
  EXPECT_THAT(page.substr(s3), HasSubstr("The results document has no entry for this station."));
  // Outputs once each (the page's A.OUT is the same file), under the link base.
  EXPECT_EQ(attributeValues(page, "href"),
            (std::vector<std::string>{"#summary", "#station-1", "#station-2", "#station-3",
                                      "#station-1", "#station-2", "#station-3", "../run/A.OUT",
                                      "../run/A_NRM.svg", "/tmp/abs.OUT"}));
  EXPECT_THAT(page, HasSubstr("<span class=\"kind\">plot, svg</span>"));
}

}  // namespace
}  // namespace kaldero::html
