// The HTML report of one or more runs: one self-contained page (inline CSS,
// inline SVG figures drawn in memory, no script and no network resource)
// rendered from the runs' records alone; it reads no file.
//
// The page, top to bottom:
//   header    the test's title, program and version, run date, each control
//             file with its SHA-256, links to the results files (JSON, CSV)
//             and to the files each run wrote outside its stations;
//   summary   one table of every station of every run (stopped and not-run
//             stations with their reason), then per run the campaign
//             figures: all stations' concentrations normalized per kg
//             recovered (the raw concentrations in a collapsed block), and
//             the cumulative recovery of each station and in total;
//   runs      per run its test, totals and run-level reports;
//   stations  per station a collapsible section: key numbers, its figures
//             (curve with discharge, recovery, Chatwin plot, flow-path fit),
//             the fit's models, reports, the results listing and links to
//             its files.
//
// Size rule (ReportLimits): station sections start collapsed above
// collapseAbove stations; listings start collapsed above listingsOpenUpTo
// stations; above fullSectionsUpTo stations a section holds the key
// numbers, reports and links only (no figures, no listing: the listing is
// the station's results listing file, linked). Every line of a figure is
// thinned to at most a few thousand points; the campaign figures share a
// point budget among their stations.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "report/figures.h"
#include "report/run_record.h"

namespace kaldero::html {

struct ReportLimits {
  std::size_t collapseAbove = 20;         // station sections closed by default
  std::size_t listingsOpenUpTo = 3;       // listings open by default
  std::size_t fullSectionsUpTo = 100;     // figures and listings in the page
  std::size_t listingBytes = 256 * 1024;  // a longer listing is linked, not shown
};

struct ReportOptions {
  // Put before every relative file name in a link: the way from the folder
  // of the page to the folder the run's file names are relative to (empty
  // when the page is written there). Absolute names are linked as they are.
  std::string linkBase;
  // The results files written with the page (empty: none), linked from the
  // header.
  std::string resultsFile;  // JSON
  std::string tableFile;    // CSV
  ReportLimits limits;
  // The figures' options (--figure-scale, --campaign-scale).
  figures::Options figures;
};

// The page for the runs, in their order (one run is the common case; a null
// pointer is skipped). Every text from the records is escaped; names and
// reports that are not valid UTF-8 are read as Windows-1252.
std::string renderReport(const std::vector<const RunRecord*>& runs,
                         const ReportOptions& options = {});

// The figures' options as the page draws them: the options asked for, in
// the page's own size (its text sizes are CSS pixels).
figures::Options reportFigureOptions(figures::Options options);

// The pieces the page is made of, for other HTML writers and for tests.

// Text escaped for HTML content and attribute values (& < > " '). Invalid
// UTF-8 bytes are read as Windows-1252; control characters other than tab,
// line feed, form feed and carriage return become U+FFFD.
std::string escape(std::string_view text);

// Windows-1252 bytes as UTF-8 (the five unassigned bytes become U+FFFD).
std::string windows1252ToUtf8(std::string_view bytes);

// A file name as a relative URL: every byte other than letters, digits,
// "-._~" and "/" percent-encoded, so that no name reads as a scheme, query
// or fragment; leading slashes are folded into one.
std::string fileUrl(std::string_view name);

// A number with `digits` significant digits; large and small magnitudes as
// "m × 10<sup>e</sup>" (HTML). Not finite: an em dash.
std::string formatNumber(double value, int digits = 5);

}  // namespace kaldero::html
