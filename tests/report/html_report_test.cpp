// The HTML report rendered from hand-made run records: escaping, stopped
// and not-run stations, figures that parse, links, the size rules, several
// runs; and the text and SVG helpers it is made of.
#include "report/html_report.h"
#include "report/results_data.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <pugixml.hpp>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "tests/report/report_fixture.h"

namespace kaldero::html {
namespace {

using testing::campaign;
using testing::emptyRun;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;
using testing::twoStationExample;

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

// ------------------------------------------------------------ the page

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

// The <svg> elements of the page.
std::vector<std::string> svgElements(const std::string& page) {
  std::vector<std::string> out;
  for (std::size_t at = page.find("<svg "); at != std::string::npos;
       at = page.find("<svg ", at + 1)) {
    const std::size_t end = page.find("</svg>", at);
    if (end == std::string::npos) break;
    out.push_back(page.substr(at, end + 6 - at));
  }
  return out;
}

std::string count(const std::string& page, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = page.find(what); at != std::string::npos; at = page.find(what, at + 1)) ++n;
  return std::to_string(n);
}

// The part of the page from `from` to the next `to`.
std::string between(const std::string& page, const std::string& from, const std::string& to) {
  const std::size_t a = page.find(from);
  if (a == std::string::npos) return {};
  return page.substr(a, page.find(to, a + from.size()) - a);
}

std::string render(const RunRecord& run, const ReportOptions& options = {}) {
  return renderReport({&run}, options);
}

TEST(Report, HeaderNamesTheTestProgramDateControlFileAndResultsFiles) {
  RunRecord run = twoStationExample(false);
  run.runFiles = {{"KALDERO_ALL.svg", "campaign figure", "svg"}};
  ReportOptions options;
  options.resultsFile = "r.json";
  options.tableFile = "r.csv";
  const std::string page = render(run, options);
  const std::string header = between(page, "<header>", "</header>");
  EXPECT_THAT(header, HasSubstr("<h1>DYE TRACE, SPRING 2023</h1>"));
  EXPECT_THAT(header, HasSubstr("KALDERO 2.0.0"));
  EXPECT_THAT(header, HasSubstr("<time datetime=\"2024-05-02T09:30:00+0200\">"));
  EXPECT_THAT(header, HasSubstr("Control file <strong>KALDERO.D</strong>"));
  EXPECT_THAT(header, HasSubstr("SHA-256 " + run.controlSha256));
  EXPECT_THAT(header, HasSubstr("<a href=\"r.json\">r.json</a> (JSON)"));
  EXPECT_THAT(header, HasSubstr("<a href=\"r.csv\">r.csv</a> (CSV)"));
  EXPECT_THAT(header, HasSubstr("<a href=\"KALDERO_ALL.svg\">KALDERO_ALL.svg</a> (campaign "
                                "figure, svg)"));
  // The station files are linked in the sections, not in the header, which
  // stays short however many stations there are.
  EXPECT_THAT(header, Not(HasSubstr("A.OUT")));
  EXPECT_THAT(page, HasSubstr("<a href=\"A.OUT\">A.OUT</a><span class=\"kind\">results listing"));
}

TEST(Report, SummaryOfAllStationsComesFirstThenTheCampaignFigures) {
  const std::string page = render(twoStationExample(false));
  const std::size_t summary = page.find("<table class=\"summary\">");
  ASSERT_NE(summary, std::string::npos);
  EXPECT_LT(page.find("</header>"), summary);
  EXPECT_LT(summary, page.find("All stations: concentration over each peak"));
  EXPECT_LT(page.find("Cumulative recovery"), page.find("<section class=\"run\""));
  EXPECT_LT(page.find("<section class=\"run\""), page.find("<details class=\"station\""));
  // The concentrations per kg recovered and as measured in a closed block.
  const std::string raw = between(page,
                                  "<details class=\"more\"><summary>The concentrations per kg "
                                  "recovered and as measured",
                                  "</details>");
  EXPECT_THAT(raw, HasSubstr("All stations: concentration</title>"));
  EXPECT_THAT(raw, HasSubstr("All stations: concentration per kg recovered</title>"));
  // Summary columns with their units, and the analysed station's numbers.
  const std::string table = between(page, "<table class=\"summary\">", "</table>");
  for (const char* head :
       {"Distance<span class=\"u\">(m)", "Recovered mass<span class=\"u\">(kg)",
        "Recovery<span class=\"u\">(%)", "First arrival", "Peak time", "Mean transit time",
        "Mean velocity", "Maximum velocity", "Dispersion coefficient D", "D by", "Peclet number",
        "D fitted, per flow path"})
    EXPECT_THAT(table, HasSubstr(head));
  EXPECT_THAT(table, HasSubstr("<th scope=\"row\"><a href=\"#s1-1\">A.DAT</a><td class=\"t\">"
                               "analysed</td><td>1500<td>"));
}

TEST(Report, StoppedAndNotRunStationsShowTheirReasonInsteadOfNumbers) {
  RunRecord run = twoStationExample(false);
  // A stopped station keeps what its analysis left: it is not a result.
  run.stations[1].results = run.stations[0].results;
  run.stations[1].drawn = run.stations[0].drawn;
  run.stations.push_back(testing::notRunStation("C.DAT", "B.DAT"));
  const std::string page = render(run);
  const std::string stopped = between(page,
                                      "<tr class=\"halted\"><th scope=\"row\"><a "
                                      "href=\"#s1-2\">",
                                      "\n");
  EXPECT_THAT(stopped, HasSubstr("<td class=\"t stopped\">stopped</td><td class=\"why\" "
                                 "colspan=\"12\">B.DAT: THE SAMPLE TIMES ARE NOT IN INCREASING "
                                 "ORDER AT LINE 212."));
  EXPECT_THAT(stopped, Not(HasSubstr("1500")));
  EXPECT_THAT(page, HasSubstr("<td class=\"t notrun\">not run</td><td class=\"why\" "
                              "colspan=\"12\">Not run: the run stopped at station B.DAT."));
  const std::string b = between(page, "id=\"s1-2\"", "</details>\n");
  EXPECT_THAT(b, HasSubstr("Station B.DAT <span class=\"stopped\">(stopped)</span>"));
  EXPECT_THAT(b, HasSubstr("The run stopped at this station."));
  EXPECT_THAT(b, Not(HasSubstr("Key numbers")));
  // Its curve as read (a copy of A's here).
  EXPECT_THAT(b, HasSubstr("B.DAT (1500 m): concentration"));
  EXPECT_THAT(b, Not(HasSubstr("first arrival")));
  EXPECT_THAT(b, Not(HasSubstr(": recovery")));
  const std::string c = between(page, "id=\"s1-3\"", "</details>\n");
  EXPECT_THAT(c, HasSubstr("This station was not analysed."));
  EXPECT_THAT(c, Not(HasSubstr("listing")));
  // The campaign figures draw the analysed station only.
  EXPECT_THAT(between(page, "All stations: concentration over each peak", "</svg>"),
              Not(HasSubstr("B.DAT")));
}

TEST(Report, EscapesEveryTextFromTheRecord) {
  const std::string hostile = "<script>alert(1)</script>&\"'";
  RunRecord run = twoStationExample(false);
  run.control.title = hostile;
  run.controlFile = hostile;
  run.controlSha256 = "<b>";
  run.startedAt = "\"><i>";
  run.reports = {{ShownReport::Kind::Warning, hostile}};
  run.runFiles = {{"x\"><img src=y>.svg", hostile, "<u>"}};
  StationRecord& a = run.stations[0];
  a.stationFile = hostile;
  a.reports = {{ShownReport::Kind::Note, hostile}};
  a.outputs = {{"<q>.OUT", "results listing", ""}};
  a.listing = "<script>\n";
  PathModelFit refused;
  refused.pathCount = 2;
  refused.reason = hostile;
  a.fit->models.push_back(refused);
  run.stations[1].stopReport = hostile;
  const std::string page = render(run);
  for (const char* tag : {"<script", "<b>", "<i>", "<img", "<q>", "<u>"})
    EXPECT_THAT(page, Not(HasSubstr(tag))) << tag;
  EXPECT_THAT(page, HasSubstr("&lt;script&gt;alert(1)&lt;/script&gt;&amp;&quot;&#39;"));
  EXPECT_THAT(page, HasSubstr("href=\"x%22%3E%3Cimg%20src%3Dy%3E.svg\""));
  EXPECT_THAT(page, HasSubstr("href=\"%3Cq%3E.OUT\""));
  EXPECT_THAT(page, HasSubstr("no fit: &lt;script&gt;"));
  // Inside the figures the names are escaped for XML.
  for (const std::string& svg : svgElements(page)) {
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_string(svg.c_str())) << svg.substr(0, 200);
  }
}

TEST(Report, EveryFigureIsAnSvgThatParsesWithIdsUniqueOnThePage) {
  RunRecord run = campaign(3);
  const std::string page = render(run);
  const std::vector<std::string> figures = svgElements(page);
  // Campaign: over each peak, recovery, per kg and raw; per station: curve,
  // recovery, Chatwin plot, and the fit of ST0001.
  std::size_t chatwins = 0;
  for (const StationRecord& st : run.stations)
    chatwins += st.results->chatwin && st.results->chatwin->fitted ? 1 : 0;
  EXPECT_EQ(figures.size(), 4 + 3 * 2 + chatwins + 1);
  for (const std::string& svg : figures) {
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(svg.c_str())) << svg.substr(0, 200);
    const pugi::xml_node root = doc.document_element();
    EXPECT_STREQ(root.name(), "svg");
    EXPECT_STREQ(root.attribute("width").value(), "100%");
    EXPECT_TRUE(root.attribute("viewBox"));
    EXPECT_FALSE(root.child("title").text().empty());
    EXPECT_LT(svg.size(), 80000u);  // decimated
  }
  const std::vector<std::string> ids = attributeValues(page, "id");
  EXPECT_EQ(std::set<std::string>(ids.begin(), ids.end()).size(), ids.size());
  // Every figure has a caption.
  EXPECT_EQ(count(page, "<figcaption>"), std::to_string(figures.size()));
}

TEST(Report, ReadsNoFileFromDisk) {
  // The files the record names exist, with other contents: the page shows
  // the record's.
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("kaldero-html-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  RunRecord run = twoStationExample(false);
  StationRecord& a = run.stations[0];
  a.listing = "LISTING IN THE RECORD\n";
  a.outputs = {{(dir / "A.OUT").string(), "results listing", ""},
               {(dir / "A_DAT.svg").string(), "data plot", "svg"}};
  std::ofstream(dir / "A.OUT") << "LISTING ON DISK\n";
  std::ofstream(dir / "A_DAT.svg") << "<svg xmlns=\"http://www.w3.org/2000/svg\"><title>ON "
                                      "DISK</title></svg>";
  const std::string page = render(run);
  std::filesystem::remove_all(dir);
  EXPECT_THAT(page, HasSubstr("LISTING IN THE RECORD"));
  EXPECT_THAT(page, Not(HasSubstr("ON DISK")));
  EXPECT_THAT(page, HasSubstr("href=\"" + fileUrl((dir / "A_DAT.svg").string()) + "\""));
}

TEST(Report, LinksArePercentEncodedUnderTheLinkBase) {
  RunRecord run = twoStationExample(false);
  run.stations[0].outputs = {{"a b#c?.OUT", "results listing", ""},
                             {"sub/A_DAT.svg", "data plot", "svg"},
                             {"/tmp/abs.OUT", "CXTFIT file", ""},
                             {"javascript:alert(1)", "curve file", ""}};
  ReportOptions options;
  options.linkBase = "../run";
  options.resultsFile = "r 1.json";
  const std::string page = render(run, options);
  std::vector<std::string> files;
  for (const std::string& h : attributeValues(page, "href"))
    if (!h.starts_with('#')) files.push_back(h);
  EXPECT_EQ(files, (std::vector<std::string>{"../run/r%201.json", "../run/a%20b%23c%3F.OUT",
                                             "../run/sub/A_DAT.svg", "/tmp/abs.OUT",
                                             "../run/javascript%3Aalert%281%29"}));
}

TEST(Report, NoNetworkResourceAndNoScript) {
  const std::string page = render(twoStationExample(false));
  const std::regex uri("https?://[^\"' )]*");
  std::set<std::string> uris;
  for (auto it = std::sregex_iterator(page.begin(), page.end(), uri); it != std::sregex_iterator();
       ++it)
    uris.insert(it->str());
  EXPECT_EQ(uris, (std::set<std::string>{"http://www.w3.org/2000/svg"}));
  EXPECT_THAT(page, HasSubstr("Content-Security-Policy\" content=\"default-src 'none'; "
                              "style-src 'unsafe-inline'\""));
  for (const char* s : {"<script", "<link", "<img", "@import", "url("})
    EXPECT_THAT(page, Not(HasSubstr(s))) << s;
}

TEST(Report, FitPathsModelsTriedAndTheSummaryColumn) {
  RunRecord run = twoStationExample(false);
  FlowPathFitResult& fit = *run.stations[0].fit;
  PathModelFit one;
  one.pathCount = 1;
  one.reason = "a path within 2 standard errors";
  one.samples = 1500;
  one.parameters = 3;
  fit.models.insert(fit.models.begin(), one);
  fit.chosen = 1;
  const std::string page = render(run);
  const std::string paths = between(page, "<caption>Fitted flow paths", "</table>");
  EXPECT_THAT(paths, HasSubstr("<tr><th scope=\"row\">Fit, flow path 1</th><td>"));
  EXPECT_THAT(paths, HasSubstr("Fit, flow path 2"));
  EXPECT_THAT(paths, HasSubstr("<tr><th scope=\"row\">Moments</th>"));
  EXPECT_THAT(paths, HasSubstr("<tr><th scope=\"row\">Chatwin method</th>"));
  const std::string models = between(page, "<caption>Every model tried", "</table>");
  EXPECT_THAT(models, HasSubstr("<tr><th scope=\"row\">1<td>1500<td>3<td colspan=\"5\""));
  EXPECT_THAT(models, HasSubstr("no fit: a path within 2 standard errors"));
  EXPECT_THAT(models, HasSubstr("<tr class=\"chosen\"><th scope=\"row\">2<td>1500<td>6<td>0.99"));
  EXPECT_THAT(models, HasSubstr("chosen (smallest AICc)"));
  const std::string row = between(page, "<a href=\"#s1-1\">", "\n");
  EXPECT_THAT(row, HasSubstr("<td>1: "));
  EXPECT_THAT(row, HasSubstr("<br>2: "));

  // Not said while the criterion chose a model below the largest.
  EXPECT_THAT(page, Not(HasSubstr("still improves")));
  // A storage zone the paths share: its rows in the paths table, the model
  // named "2s"; the largest model chosen is said aloud.
  for (FittedPath& p : fit.models[1].paths) {
    p.storage = true;
    p.storageRatio = {0.19, 0.01, 0.17, 0.21};
    p.exchangeRate = {7e-4, 1e-5, 6.8e-4, 7.2e-4};
  }
  fit.models[1].zones = ZoneLayout::Shared;
  fit.models[1].zoned = {true, true};
  fit.stillImprovingAtLargest = true;
  const std::string storage = render(run);
  EXPECT_THAT(between(storage, "<caption>Fitted flow paths", "</table>"),
              HasSubstr("<tr><th scope=\"row\">Storage zone: capacity ratio</th><td>0.19<td>0.17"));
  EXPECT_THAT(between(storage, "<caption>Every model tried", "</table>"),
              HasSubstr("<tr class=\"chosen\"><th scope=\"row\">2s<td>"));
  EXPECT_THAT(storage, HasSubstr("The criterion still improves at the largest model tried (2s)"));
  EXPECT_THAT(storage, HasSubstr("Model: 2 paths sharing a storage zone"));

  // A zone on the faster path alone, and decay: the zone's rows name the
  // path; a parameter not resolved is flagged beside its path and said.
  PathModelFit& own = fit.models[1];
  own.zones = ZoneLayout::PerPath;
  own.zoned = {false, true};
  own.paths[0].storage = false;
  own.decay = true;
  own.decayRate = {2e-6, 1e-7, 1.8e-6, 2.2e-6};
  own.paths[0].dispersion.resolved = false;
  own.resolved = false;
  own.caution = "the dispersion coefficient of path 1 has a relative standard error of 0.6";
  const std::string zones = render(run);
  const std::string table = between(zones, "<caption>Fitted flow paths", "</table>");
  EXPECT_THAT(table, HasSubstr("<tr><th scope=\"row\">Path 2's storage zone: capacity ratio</th><td>0.19"));
  EXPECT_THAT(table, Not(HasSubstr("Path 1's storage zone")));
  EXPECT_THAT(table, Not(HasSubstr("<tr><th scope=\"row\">Storage zone: capacity ratio")));
  EXPECT_THAT(table, HasSubstr("<tr><th scope=\"row\">Decay rate (1/s)</th><td>2 × 10<sup>−6</sup><td>1.8 × 10"));
  EXPECT_THAT(table, HasSubstr("Fit, flow path 1 (not resolved)</th>"));
  EXPECT_THAT(table, HasSubstr("Fit, flow path 2</th>"));
  EXPECT_THAT(zones, HasSubstr("Model: 2 paths, a storage zone of its own on path 2, with decay"));
  EXPECT_THAT(zones, HasSubstr("Not resolved by the data: the dispersion coefficient of path 1"));

  fit.chosen = -1;
  fit.reason = "the curve has <3> samples";
  const std::string none = render(run);
  EXPECT_THAT(none, HasSubstr("<p>No flow paths fitted: the curve has &lt;3&gt; samples.</p>"));
  EXPECT_THAT(between(none, "<a href=\"#s1-1\">", "\n"), HasSubstr("<td>no fit"));
  RunRecord unfittedRun = campaign(2);
  unfittedRun.stations[0].fit.reset();
  EXPECT_THAT(render(unfittedRun), Not(HasSubstr("D fitted")));
}

// A reach's section after the stations: its figure, its fit's paths
// without the station-only moment and Chatwin rows, a short upstream
// record said, its files linked; a pair not fitted gives its reason.
TEST(Report, AReachSectionAfterTheStationsWithItsFigurePathsAndFiles) {
  RunRecord run = twoStationExample(false);
  run.reachesAsked = true;
  RunRecord::Reach reach;
  reach.from = run.stations[0].stationFile;
  reach.to = run.stations[1].stationFile;
  reach.length = 250;
  reach.fit = *run.stations[0].fit;
  reach.upstreamTimes = {0, 3600, 7200};
  reach.upstreamFlux = {0, 1000, 600};
  reach.upstreamEndShare = 0.6;
  reach.outputs = {{"B_A_RCH.OUT", "reach fit file", ""}};
  run.reaches.push_back(reach);
  RunRecord::Reach bad;
  bad.from = "X.DAT";
  bad.to = "Y.DAT";
  bad.fit.reason = "X.DAT was not fitted";
  run.reaches.push_back(bad);
  const std::string page = render(run);
  const std::size_t first = page.find("<details class=\"station reach\" id=\"r1-1\"");
  ASSERT_NE(first, std::string::npos);
  EXPECT_GT(first, page.rfind("<details class=\"station\""));
  const std::string section = page.substr(first, page.find("</details>", first) - first);
  EXPECT_THAT(section, HasSubstr("Reach " + reach.from + " to " + reach.to + " (250 m)"));
  EXPECT_THAT(section, HasSubstr(": reach fit"));  // the figure's title
  EXPECT_EQ(count(section, "<svg"), "1");
  EXPECT_THAT(section, HasSubstr("Fit, flow path 2"));
  EXPECT_THAT(section, Not(HasSubstr("Moments")));
  EXPECT_THAT(section, HasSubstr("ends on a flux of 60 % of its peak"));
  EXPECT_THAT(section, HasSubstr("href=\"B_A_RCH.OUT\""));
  const std::string second = between(page, "id=\"r1-2\"", "</details>");
  EXPECT_THAT(second, HasSubstr("No flow paths fitted: X.DAT was not fitted."));
  EXPECT_EQ(count(second, "<svg"), "0");
}

TEST(Report, KeyNumbersWithTheirIntervalsAndBarsOfMassAndTransitTime) {
  RunRecord run = campaign(2);
  StationRecord& st = run.stations[0];
  UncertaintyResult u;
  u.draws = u.completed = 200;
  u.seed = 7;
  u.stream = 1;
  u.stopped = {{"times not increasing", 3}};
  const double mass = std::get<double>(
      stationResults(st)[0].second);  // the recovered mass as the page shows it
  // The lower end a decade below the value: to the value's last digit it
  // has one significant digit fewer.
  const double decade = std::pow(10.0, std::floor(std::log10(mass)));
  const double low = 0.98765432 * decade, high = mass * 1.0123456;
  ASSERT_LT(high, 10 * decade) << mass;
  u.quantities = {{"recovered_mass_kg", low, mass, high, 200},
                  {"mean_transit_time_h", 3.1, 3.2, 3.3, 200}};
  st.uncertainty = u;
  UncertaintyRequest request;
  request.draws = 200;
  request.seed = 20261208;
  run.uncertainty = request;
  const std::string page = render(run);
  const std::string section = between(page, "id=\"s1-1\"", "</details>\n<details class=\"station\"");
  EXPECT_THAT(section, HasSubstr("<span class=\"ci\" title=\"95 % interval\">[" +
                                 formatNumber(low, 4) + ", " + formatNumber(high, 5) + "]</span>"));
  EXPECT_THAT(section, HasSubstr("title=\"95 % interval\">[3.1, 3.3]</span>"));
  EXPECT_THAT(section, HasSubstr("200 draws on perturbed copies of the curve, seed 20261208 "
                                 "(--seed; this station's draws are stream 1 of it, seeded 7)"));
  EXPECT_THAT(section, HasSubstr("the 95 % interval [2.5 %, 97.5 %]"));
  EXPECT_THAT(section, HasSubstr("3 stopped"));
  EXPECT_EQ(count(section, "Recovered mass, 95 % interval"), "2");  // title and name
  EXPECT_THAT(section, HasSubstr("ST0001.DAT (300 m): Mean transit time, 95 % interval"));
  // The other station has no draws: no interval, no bars.
  const std::string other = between(page, "id=\"s1-2\"", "</details>\n");
  EXPECT_THAT(other, Not(HasSubstr("class=\"ci\"")));
  EXPECT_THAT(other, Not(HasSubstr("<h3>Uncertainty</h3>")));
}

TEST(Report, AStationNameInUtf8IsShownOnceEncodedInTheIntervalBars) {
  RunRecord run = campaign(1);
  StationRecord& st = run.stations[0];
  st.stationFile = "Source \xC3\xA9t\xC3\xA9.DAT";  // "été" in UTF-8
  UncertaintyResult u;
  u.draws = u.completed = 100;
  u.quantities = {{"recovered_mass_kg", 0.061, 0.0655, 0.0712, 100}};
  st.uncertainty = u;
  const std::string page = render(run);
  ASSERT_THAT(page, HasSubstr("Recovered mass, 95 % interval"));
  EXPECT_THAT(page, Not(HasSubstr("\xC3\x83\xC2\xA9")));  // "é" encoded twice
  const std::string bars = between(page, "<figure class=\"interval\">", "</figure>");
  EXPECT_THAT(bars, HasSubstr("Source \xC3\xA9t\xC3\xA9.DAT"));
}

TEST(Report, ListingInUtf8AndTestDescriptionInAClosedBlock) {
  RunRecord run = twoStationExample(false);
  run.stations[0].listing = "     peak    4.6340     \xb5g/L\n  <&>\n";
  run.stations[0].test.dataPlot.points = Option::On;
  run.stations[0].test.dataPlot.curve = Option::On;
  run.control.title = "RHODAMINE AT 5 \xb5g/L";  // not UTF-8: Windows-1252
  const std::string page = render(run);
  EXPECT_THAT(page, HasSubstr("<pre class=\"listing\">     peak    4.6340     µg/L\n"
                              "  &lt;&amp;&gt;\n</pre>"));
  EXPECT_THAT(page, HasSubstr("<summary>Results listing (2 lines)</summary>"));
  EXPECT_THAT(page, HasSubstr("<h1>RHODAMINE AT 5 µg/L</h1>"));
  EXPECT_THAT(page, Not(HasSubstr(" \xb5g")));
  const std::string description =
      between(page, "<details class=\"more\"><summary>Test description", "</details>");
  EXPECT_THAT(description, HasSubstr("<tr><th>Data plot<td class=\"t\">points, curve<td>"));
  EXPECT_THAT(description, HasSubstr("<tr><th>Interpolated plot<td class=\"t\">none<td>"));
  EXPECT_THAT(description, HasSubstr("<tr><th>Distance<td>1500<td>"));
}

TEST(Report, KeyNumbersGroupedWithoutThoseThatDoNotApply) {
  const std::string page = render(twoStationExample(false));
  const std::string a = between(page, "id=\"s1-1\"", "</details>\n");
  for (const char* caption :
       {"Mass recovery", "Times", "Velocity and dispersion", "Flow system", "Chatwin method"})
    EXPECT_THAT(a, HasSubstr(std::string("<caption>") + caption + "</caption>"));
  EXPECT_THAT(a, HasSubstr("<tr><th>Recovered mass<td>2.0019<td>kg"));
  EXPECT_THAT(a, HasSubstr("<tr><th>Peclet class<td class=\"t\">"));
  // Only with the normalized curve file; a conduit has no fissure height.
  EXPECT_THAT(a, Not(HasSubstr("skewness")));
  EXPECT_THAT(a, Not(HasSubstr("Fissure height")));
}

TEST(Report, AVolumeFromADischargeRecordStartingAfterTheReleaseSaysWhatItIs) {
  RunRecord run = twoStationExample(false);
  StationResults& r = *run.stations[0].results;
  ASSERT_TRUE(r.geometry && r.mass);
  r.geometry->startsAfterRelease = false;
  const std::string before = between(render(run), "id=\"s1-1\"", "</details>\n");
  EXPECT_THAT(before, Not(HasSubstr("not since the release")));
  r.geometry->startsAfterRelease = true;
  r.mass->limits.lower = 7200;
  const std::string after = between(render(run), "id=\"s1-1\"", "</details>\n");
  EXPECT_THAT(after, HasSubstr("since the first discharge sample (2 h), not since the release"));
}

// The size rules: sections closed above 20 stations, listings closed above
// 3, figures and listings left out above 100, a long listing linked.
TEST(Report, SizeRulesForBigRuns) {
  auto openSections = [](const std::string& page) {
    return count(page, "<details class=\"station\" id=\"s1-") + "/" +
           count(page, "\" open><summary><h2>Station");
  };
  EXPECT_EQ(openSections(render(campaign(20))), "20/20");
  EXPECT_EQ(openSections(render(campaign(21))), "21/0");
  EXPECT_EQ(count(render(campaign(3)), "<details class=\"more listing\" open>"), "3");
  EXPECT_EQ(count(render(campaign(4)), "<details class=\"more listing\">"), "4");

  ReportOptions options;
  options.limits.fullSectionsUpTo = 5;
  options.limits.collapseAbove = 2;
  const RunRecord six = campaign(6);
  const std::string compact = render(six, options);
  EXPECT_EQ(svgElements(compact).size(), 4u);  // the campaign figures only
  EXPECT_THAT(compact, Not(HasSubstr("<pre")));
  EXPECT_THAT(compact, HasSubstr("With more than 5 stations each station's section holds"));
  EXPECT_EQ(count(compact, "<caption>Mass recovery</caption>"), "6");
  EXPECT_EQ(count(compact, "<span class=\"kind\">results listing</span>"), "6");
  EXPECT_THAT(compact, Not(HasSubstr("<caption>Chatwin method</caption>")));

  RunRecord longListing = twoStationExample(false);
  longListing.stations[0].listing = std::string(300 * 1024, 'x') + "\n";
  const std::string linked = render(longListing);
  EXPECT_THAT(linked, HasSubstr("The results listing (1 lines) is too long to show here: <a "
                                "href=\"A.OUT\">A.OUT</a>"));
  EXPECT_LT(linked.size(), 300u * 1024);
}

TEST(Report, SizesStayWithinTheirTargets) {
  const std::string two = render(twoStationExample(false));
  EXPECT_LT(two.size(), 1500000u);
  // Above 100 stations a station costs its key numbers and links; the
  // campaign figures share a point budget: 2,000 stations stay under 10 MB.
  const std::string many = render(campaign(150));
  const std::string sections = many.substr(many.find("<details class=\"station\""));
  EXPECT_LT(sections.size() / 150, 3500u);
  EXPECT_LT(many.size() - sections.size(), 2000000u);
}

TEST(Report, SeveralRunsEachWithItsControlFileAndFigures) {
  RunRecord first = twoStationExample(false);
  RunRecord second = campaign(2);
  second.controlFile = "other/SECOND.D";
  second.controlSha256 = "ab12";
  const std::string page = renderReport({&first, nullptr, &second});
  EXPECT_THAT(page, HasSubstr("<h1>Tracer tests of 2 control files</h1>"));
  EXPECT_THAT(page, HasSubstr("Control file <strong>KALDERO.D</strong> \u2014 DYE TRACE, SPRING "
                              "2023 \u00b7 run <time"));
  EXPECT_THAT(page, HasSubstr("Control file <strong>other/SECOND.D</strong> \u2014 CAMPAIGN OF 2 "
                              "STATIONS"));
  EXPECT_THAT(page, HasSubstr("SHA-256 ab12"));
  EXPECT_THAT(page, HasSubstr("<tr class=\"run\"><th colspan=\"14\" scope=\"rowgroup\">Control "
                              "file other/SECOND.D</th></tr>"));
  EXPECT_EQ(count(page, "<tbody>\n<tr class=\"run\">"), "2");
  for (const char* id : {"id=\"s1-1\"", "id=\"s1-2\"", "id=\"s2-1\"", "id=\"s2-2\""})
    EXPECT_THAT(page, HasSubstr(id));
  EXPECT_EQ(count(page, "<title id=\"r1-all-title\">"), "1");
  EXPECT_EQ(count(page, "<title id=\"r2-all-title\">"), "1");
  EXPECT_EQ(count(page, "<section class=\"run\""), "2");
  EXPECT_THAT(page, HasSubstr("Station ST0001.DAT <span class=\"na\">(other/SECOND.D)</span>"));
}

TEST(Report, ARecordWithNothingStillGivesAPage) {
  RunRecord nothing;
  for (const std::string& page : {renderReport({}), renderReport({&nothing}), render(emptyRun())}) {
    EXPECT_THAT(page, HasSubstr("<table class=\"summary\">"));
    EXPECT_THAT(page, HasSubstr("</html>"));
    EXPECT_EQ(svgElements(page).size(), 0u);
  }
  EXPECT_THAT(render(nothing), HasSubstr("<h1>Tracer test results</h1>"));
  EXPECT_THAT(render(nothing), HasSubstr("(control file not named) (not read)"));
}

}  // namespace
}  // namespace kaldero::html
