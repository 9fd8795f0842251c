// The HTML report of a run: one self-contained page (inline CSS, inline SVG
// figures, no script and no network resource) with a summary table of every
// station, then per station its key numbers, model-fit comparison, figures,
// reports, full results listing and links to the files the run wrote.
#pragma once

#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kaldero::html {

// A figure of a station: the SVG document as the graphics library wrote it.
struct Figure {
  std::string title;
  std::string svg;
};

// A file written by the run, linked relatively from the page.
struct LinkedFile {
  std::string name;
  std::string kind;
};

// What the page shows of a station besides its entry in the results
// document. stationFile matches the entry's "station_file" (the k-th page of
// a name goes with the k-th entry of that name).
struct StationPage {
  std::string stationFile;
  std::string listing;  // the results listing as written (Windows-1252 bytes)
  std::vector<Figure> figures;
  std::vector<LinkedFile> files;  // added to the entry's "outputs" unless already there
};

struct ReportOptions {
  // Put before every relative file name in a link: the way from the folder
  // of the page to the folder the run's file names are relative to (empty
  // when the page is written there). Absolute names are linked as they are.
  std::string linkBase;
};

// The page for a run. results: the results document (the layout the
// --results option writes); any member may be null or absent, and one of an
// unexpected type is shown as text or left out (it never makes the call
// fail). Texts that are not valid UTF-8 are read as Windows-1252.
std::string renderReport(const nlohmann::json& results, const std::vector<StationPage>& stations,
                         const ReportOptions& options = {});

// The pieces the page is made of, for other HTML writers and for tests.

// Text escaped for HTML content and attribute values (& < > " '). Invalid
// UTF-8 bytes are read as Windows-1252; control characters other than tab,
// line feed, form feed and carriage return become U+FFFD.
std::string escape(std::string_view text);

// Windows-1252 bytes as UTF-8 (the five unassigned bytes become U+FFFD).
std::string windows1252ToUtf8(std::string_view bytes);

// An SVG document made ready to sit inside an HTML page: the XML
// declaration, doctype and comments before the root element dropped; every
// id, and every reference to it (url(#...), href and xlink:href "#..."),
// given idPrefix so that several figures do not clash; the root's width and
// height replaced by width="100%" with the viewBox kept (made from width and
// height when missing), so that it scales to the column. nullopt when the
// text is not an SVG document that can be read.
std::optional<std::string> inlineSvg(std::string_view svg, std::string_view idPrefix);

// A file name as a relative URL: every byte other than letters, digits,
// "-._~" and "/" percent-encoded, so that no name reads as a scheme, query
// or fragment; leading slashes are folded into one.
std::string fileUrl(std::string_view name);

// A number with `digits` significant digits; large and small magnitudes as
// "m × 10<sup>e</sup>" (HTML). Not finite: an em dash.
std::string formatNumber(double value, int digits = 5);

}  // namespace kaldero::html
