#include "core/file_reports.h"

#include "core/console.h"
#include "core/text.h"

namespace kaldero {

std::string boxed(std::string_view inner) { return "*" + text::padded(inner, 65) + "*"; }

std::vector<std::string> box(int indent, const std::vector<std::string>& inner) {
  const std::string pad(static_cast<std::size_t>(indent), ' ');
  std::vector<std::string> out;
  out.push_back(pad + kStars67);
  for (const auto& s : inner) out.push_back(pad + boxed(s));
  out.push_back(pad + kStars67);
  return out;
}

namespace {

// The frame of the file reports: five empty lines, a line of 80 asterisks,
// the body (an empty string is an empty line), 80 asterisks and the given
// number of empty lines.
void framed(Console& c, const std::vector<std::string>& body, int after = 6) {
  Console::ReportScope report(c, ShownReport::Kind::Error);
  c.empty(5);
  c.line(kStars80);
  for (const auto& l : body) c.line(l);
  c.line(kStars80);
  c.empty(after);
}

const std::string kFile = "         FILE ";
const std::string kFileName = "         FILENAME ";
const std::string kSpelling = "                      ALSO CHECK SPELLING OF FILENAME.";

}  // namespace

void reportControlFileNotFound(Console& c, std::string_view controlName50) {
  framed(c, {"", kFile + std::string(controlName50), "",
             "              HAS NOT BEEN FOUND IN THE CURRENT  DIRECTORY!!!", "",
             "                CHECK PATH STATEMENT AND FOR  ERRORS IN FILE.", "",
             "                      ALSO CHECK SPELLING OF  FILENAME.", ""});
}

void reportWrongFormat(Console& c, FormatSelector selector, std::string_view controlName50,
                       std::string_view stationName50) {
  const bool control = selector == FormatSelector::ControlFile;
  const bool station = selector == FormatSelector::StationFile;
  std::vector<std::string> body{""};
  if (control) body.push_back(kFile + std::string(controlName50));
  if (station) body.push_back(kFile + std::string(stationName50));
  for (std::string l : {std::string("         HAS A WRONG FORMAT!!!"), std::string(),
                        "         CHECK THE FILE " +
                            std::string(control ? controlName50 : stationName50),
                        std::string("         FOR TYPOGRAPHICAL ERRORS."), std::string(),
                        std::string("        CHECK END-OF-FILE FOR BLANK LINES."), std::string()})
    body.push_back(l);
  framed(c, body);
}

void reportStationFileNotFound(Console& c, std::string_view stationName50) {
  framed(c,
         {"", kFile + std::string(stationName50), "",
          "              HAS NOT BEEN FOUND IN THE CURRENT DIRECTORY!!!", "",
          "                CHECK PATH STATEMENT AND FOR ERRORS IN FILE.", "", kSpelling, "", "",
          "        IF FILE = 0, THEN YOU ENTERED AN EXISTING FILE THAT IS NOT OF",
          "        THE CORRECT TYPE (i.e., IT IS NOT A HEADER FILE)!!!", ""},
         3);
}

void reportListingNotOpened(Console& c, std::string_view listingName50) {
  framed(c, {"", kFile + std::string(listingName50) + " HAS NOT BEEN FOUND IN THE CURRENT DIRECTORY!!!",
             "", "                CHECK PATH STATEMENT AND FOR ERRORS IN FILE.", "", kSpelling, ""});
}

void reportListingNameReused(Console& c, std::string_view listingName50) {
  framed(c, {"", kFileName + std::string(listingName50),
             "         HAS ALREADY BEEN USED AND CANNOT BE USED AGAIN!!!", "",
             "                PLEASE USE ANOTHER FILE NAME NOT PREVIOUSLY USED.", "", kSpelling, ""});
}

void reportInterpolatedNameReused(Console& c, std::string_view interpName50) {
  framed(c, {"", kFileName + std::string(interpName50) +
                     " HAS ALREADY BEEN USED AND CANNOT BE USED AGAIN!!!",
             "", "                PLEASE ENTER ANOTHER FILE NAME NOT PREVIOUSLY USED.", "",
             kSpelling, ""});
}

std::vector<std::string> curveFilePrerequisiteLines() {
  return {kStars80,
          "     A NORMALIZED TRACER FILE MUST BE CREATED PRIOR TO CREATING A TRACER",
          "     LOAD FILE OR A STANDARDIZED TIME/CONCENTRATION FILE!",
          "",
          kStars80};
}

void reportCurveFilePrerequisite(Console& c) {
  Console::ReportScope report(c, ShownReport::Kind::Warning);
  const auto lines = curveFilePrerequisiteLines();
  c.empty(5);
  c.line(lines[0]);
  c.empty();
  for (std::size_t i = 1; i < lines.size(); ++i) c.line(lines[i]);
  c.empty(6);
}

void reportFileNotWritten(Console& c, std::string_view what, std::string_view name,
                          const WriteOutcome& outcome) {
  Console::ReportScope report(c, ShownReport::Kind::Warning);
  const bool created = outcome.status != WriteOutcome::Status::NotCreated;
  c.free(fmt::FreeLine("THE ")
             .text(what)
             .text(" ")
             .text(name)
             .text(created ? " COULD NOT BE WRITTEN COMPLETELY: " : " CANNOT BE CREATED: ")
             .text(outcome.error));
}

void reportNonFiniteQuantity(Console& c, std::string_view stationName50,
                             std::string_view quantity) {
  framed(c, {"", kFile + std::string(stationName50),
             "         GIVES A VALUE OF \"" + std::string(quantity) + "\"",
             "         BEYOND THE RANGE OF THE PROGRAM'S NUMBERS (1.2E-38 TO 3.4E+38)!!!", "",
             "                THE VALUE IS NOT WRITTEN.  CHECK THE UNITS AND THE",
             "                SIZE OF THE VALUES IN THE DATA FILE.", ""});
}

void reportListingNotWritten(Console& c, std::string_view listingName50, std::string_view reason) {
  framed(c, {"", kFile + std::string(listingName50),
             "         COULD NOT BE WRITTEN COMPLETELY: " + std::string(reason) + "!!!", "",
             "                THE RESULTS LISTING IS INCOMPLETE.  CHECK THE SPACE LEFT",
             "                ON THE DISK AND THE FILE NAME, THEN RUN AGAIN.", ""});
}

}  // namespace kaldero
