#include "print/pdf_pages.h"

#include <gtest/gtest.h>

#include <string>

namespace kaldero::printing {
namespace {

int count(const std::string& s, const std::string& what) {
  int n = 0;
  for (std::size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + 1)) ++n;
  return n;
}

TEST(PdfPages, ListingBytesAreWindows1252) {
  EXPECT_EQ(windows1252ToUtf8("\xB5g/L"), "\xC2\xB5g/L");       // the micro sign
  EXPECT_EQ(windows1252ToUtf8("\x80"), "\xE2\x82\xAC");         // euro sign
  EXPECT_EQ(windows1252ToUtf8("\xE9t\xE9"), "\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(windows1252ToUtf8("a\fb\x7F"), "a b ");             // controls: blanks
  EXPECT_EQ(windows1252ToUtf8("\x81\x8D"), "??");               // unassigned
  EXPECT_EQ(windows1252ToUtf8("PLAIN 1.0"), "PLAIN 1.0");
}

TEST(PdfPages, DeviceOfAPaperWithBorders) {
  Paper p;
  p.width = 612;
  p.height = 792;
  p.left = p.right = 18;
  p.top = 36;
  p.bottom = 0;
  const DeviceMetrics d = deviceFor(p, 600);
  EXPECT_EQ(d.dpiX, 600);
  EXPECT_EQ(d.offsetX, 150);
  EXPECT_EQ(d.offsetY, 300);
  EXPECT_EQ(d.printableWidth, 4800);
  EXPECT_EQ(d.printableHeight, 6300);
}

// The run driver's face is found or substituted by a metric-compatible
// monospace face: every character has the same advance.
TEST(PdfPages, CourierNewIsAMonospaceFaceOfTheAskedSize) {
  PdfPages pages(Paper{}, 600, "Courier New", 9, "ST.OUT");
  ASSERT_TRUE(pages.ok());
  const int32_t one = pages.width("W");
  EXPECT_NEAR(one, 45, 1);  // 0.6 em of 9 points at 600 dpi
  EXPECT_NEAR(pages.width("iiiiiiiiii"), 10 * one, 2);
  EXPECT_NEAR(pages.width("\xB5g/L"), 4 * one, 2);
  EXPECT_GT(pages.textHeight(), 75);  // more than the em of 75 pixels
  EXPECT_LT(pages.textHeight(), 100);
}

TEST(PdfPages, DocumentHoldsItsPagesWithoutPageGroups) {
  PdfPages pages(Paper{}, 600, "Courier New", 9, "STATION1.OUT");
  pages.startPage();
  pages.draw(600, 300, "TOTAL MASS \xB5g");
  pages.endPage();
  pages.startPage();
  pages.draw(600, 300, "PAGE 2");
  pages.endPage();
  const std::string pdf = pages.finish();
  ASSERT_FALSE(pdf.empty());
  EXPECT_EQ(pdf.rfind("%PDF-", 0), 0u);
  EXPECT_EQ(count(pdf, "/Type /Page "), 2);
  EXPECT_EQ(count(pdf, "/S /Transparency"), 0);
  EXPECT_NE(pdf.find("STATION1.OUT"), std::string::npos);  // the title
  EXPECT_NE(pdf.find("/MediaBox [ 0 0 595.275"), std::string::npos);
  EXPECT_NE(pdf.find("LiberationMono"), std::string::npos);
}

TEST(PdfPages, RemovingPageGroupsKeepsEveryOffset) {
  const std::string group =
      "/Group <<\n      /Type /Group\n      /S /Transparency\n      /I true\n"
      "      /CS /DeviceRGB\n   >>";
  std::string pdf = "2 0 obj\n<< /Type /Page % 1\n   " + group + "\n>>\nendobj\n" +
                    "9 0 obj\n<< /Type /XObject\n   " + group + "\n>>\nendobj\n";
  const std::size_t size = pdf.size();
  removePageGroups(pdf);
  EXPECT_EQ(pdf.size(), size);
  EXPECT_EQ(count(pdf, "/S /Transparency"), 1);  // only the page's group goes
  EXPECT_LT(pdf.find("/S /Transparency"), pdf.size());
  EXPECT_GT(pdf.find("/S /Transparency"), pdf.find("9 0 obj"));
}

}  // namespace
}  // namespace kaldero::printing
