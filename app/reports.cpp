#include "app/reports.h"

#include "app/console.h"
#include "app/text.h"

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

void reportControlFileNotFound(Console& c, std::string_view controlName50) {
  c.empty(5);
  c.line(kStars80);
  c.empty();
  c.line("         FILE " + std::string(controlName50));
  c.empty();
  c.line("              HAS NOT BEEN FOUND IN THE CURRENT  DIRECTORY!!!");
  c.empty();
  c.line("                CHECK PATH STATEMENT AND FOR  ERRORS IN FILE.");
  c.empty();
  c.line("                      ALSO CHECK SPELLING OF  FILENAME.");
  c.empty();
  c.line(kStars80);
  c.empty(6);
}

void reportWrongFormat(Console& c, FormatSelector selector, std::string_view controlName50,
                       std::string_view stationName50) {
  const bool control = selector == FormatSelector::ControlFile;
  const bool station = selector == FormatSelector::StationFile;
  c.empty(5);
  c.line(kStars80);
  c.empty();
  if (control) c.line("         FILE " + std::string(controlName50));
  if (station) c.line("         FILE " + std::string(stationName50));
  c.line("         HAS A WRONG FORMAT!!!");
  c.empty();
  c.line("         CHECK THE FILE " +
         std::string(control ? controlName50 : stationName50));
  c.line("         FOR TYPOGRAPHICAL ERRORS.");
  c.empty();
  c.line("        CHECK END-OF-FILE FOR BLANK LINES.");
  c.empty();
  c.line(kStars80);
  c.empty(6);
}

void reportStationFileNotFound(Console& c, std::string_view stationName50) {
  c.empty(5);
  c.line(kStars80);
  c.empty();
  c.line("         FILE " + std::string(stationName50));
  c.empty();
  c.line("              HAS NOT BEEN FOUND IN THE CURRENT DIRECTORY!!!");
  c.empty();
  c.line("                CHECK PATH STATEMENT AND FOR ERRORS IN FILE.");
  c.empty();
  c.line("                      ALSO CHECK SPELLING OF FILENAME.");
  c.empty(2);
  c.line("        IF FILE = 0, THEN YOU ENTERED AN EXISTING FILE THAT IS NOT OF");
  c.line("        THE CORRECT TYPE (i.e., IT IS NOT A HEADER FILE)!!!");
  c.empty();
  c.line(kStars80);
  c.empty(3);
}

void reportListingNotOpened(Console& c, std::string_view listingName50) {
  c.empty(5);
  c.line(kStars80);
  c.empty();
  c.line("         FILE " + std::string(listingName50) +
         " HAS NOT BEEN FOUND IN THE CURRENT DIRECTORY!!!");
  c.empty();
  c.line("                CHECK PATH STATEMENT AND FOR ERRORS IN FILE.");
  c.empty();
  c.line("                      ALSO CHECK SPELLING OF FILENAME.");
  c.empty();
  c.line(kStars80);
  c.empty(6);
}

void reportListingNameReused(Console& c, std::string_view listingName50) {
  c.empty(5);
  c.line(kStars80);
  c.empty();
  c.line("         FILENAME " + std::string(listingName50));
  c.line("         HAS ALREADY BEEN USED AND CANNOT BE USED AGAIN!!!");
  c.empty();
  c.line("                PLEASE USE ANOTHER FILE NAME NOT PREVIOUSLY USED.");
  c.empty();
  c.line("                      ALSO CHECK SPELLING OF FILENAME.");
  c.empty();
  c.line(kStars80);
  c.empty(6);
}

void reportInterpolatedNameReused(Console& c, std::string_view interpName50) {
  c.empty(5);
  c.line(kStars80);
  c.empty();
  c.line("         FILENAME " + std::string(interpName50) +
         " HAS ALREADY BEEN USED AND CANNOT BE USED AGAIN!!!");
  c.empty();
  c.line("                PLEASE ENTER ANOTHER FILE NAME NOT PREVIOUSLY USED.");
  c.empty();
  c.line("                      ALSO CHECK SPELLING OF FILENAME.");
  c.empty();
  c.line(kStars80);
  c.empty(6);
}

std::vector<std::string> curveFilePrerequisiteLines() {
  return {kStars80,
          "     A NORMALIZED TRACER FILE MUST BE CREATED PRIOR TO CREATING A TRACER",
          "     LOAD FILE OR A STANDARDIZED TIME/CONCENTRATION FILE!",
          "",
          kStars80};
}

void reportCurveFilePrerequisite(Console& c) {
  const auto lines = curveFilePrerequisiteLines();
  c.empty(5);
  c.line(lines[0]);
  c.empty();
  for (std::size_t i = 1; i < lines.size(); ++i) c.line(lines[i]);
  c.empty(6);
}

void reportFileNotCreated(Console& c, std::string_view what, std::string_view name) {
  c.free(fmt::FreeLine("THE ").text(what).text(" ").text(name).text(" CANNOT BE CREATED"));
}

}  // namespace kaldero
