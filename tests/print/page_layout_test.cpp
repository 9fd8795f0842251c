#include "print/page_layout.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace kaldero::printing {
namespace {

// Every character 10 pixels wide; records what is drawn where.
class RecordingSink : public PageSink {
 public:
  struct Run {
    int32_t page, x, y;
    std::string text;
  };
  void startPage() override { ++page; }
  void endPage() override { ++ended; }
  int32_t width(std::string_view t) override { return 10 * static_cast<int32_t>(t.size()); }
  void draw(int32_t x, int32_t y, std::string_view t) override {
    runs.push_back({page, x, y, std::string(t)});
  }
  int32_t page = 0;
  int32_t ended = 0;
  std::vector<Run> runs;
};

// L 20, T 10, H 10, a printable area 100 by 100: B = 100 - 20 = 80 and W = 60,
// so six characters a line and eight lines a page (y = 10 to 80).
PageGeometry smallPage() {
  DeviceMetrics d;
  d.dpiX = d.dpiY = 100;
  d.printableWidth = 100;
  d.printableHeight = 100;
  return computeGeometry(d, 0.2f, 0.1f, 1.0f, 10);
}

TEST(PageGeometry, MarginsLineHeightBottomLimitAndTextWidth) {
  DeviceMetrics d;  // 600 dpi, a letter sheet printable to its edges
  d.printableWidth = 5100;
  d.printableHeight = 6600;
  const PageGeometry g = computeGeometry(d, 1.0f, 0.5f, 1.0f, 85);
  EXPECT_EQ(g.left, 600);
  EXPECT_EQ(g.top, 300);
  EXPECT_EQ(g.lineHeight, 85);
  EXPECT_EQ(g.bottom, 6600 - (300 + 85));
  EXPECT_EQ(g.textWidth, 5100 - 2 * 600);
  // Spacing rounds the line height; the printer's unprintable border is
  // taken off the margins.
  d.offsetX = 100;
  d.offsetY = 50;
  const PageGeometry o = computeGeometry(d, 1.0f, 0.5f, 1.5f, 85);
  EXPECT_EQ(o.left, 500);
  EXPECT_EQ(o.top, 250);
  EXPECT_EQ(o.lineHeight, 128);
}

TEST(PageGeometry, MarginsThatLeaveNoRoomOrLieInTheBorderAreDropped) {
  DeviceMetrics d;
  d.printableWidth = 1000;
  d.printableHeight = 1000;
  d.offsetX = d.offsetY = 150;
  EXPECT_EQ(computeGeometry(d, 3.0f, 0.5f, 1.0f, 10).left, 0);   // 1800 - 150 > 1000
  EXPECT_EQ(computeGeometry(d, 0.5f, 3.0f, 1.0f, 10).top, 0);
  EXPECT_EQ(computeGeometry(d, 0.1f, 0.1f, 1.0f, 10).left, 0);   // 60 - 150 < 0
}

TEST(PageLayout, TabsExpandToStopsEveryTabWidthColumns) {
  EXPECT_EQ(expandTabs("\t", 4), "    ");
  EXPECT_EQ(expandTabs("ab\tc", 4), "ab  c");
  EXPECT_EQ(expandTabs("abcd\te", 4), "abcd    e");
  EXPECT_EQ(expandTabs("a\t\tb", 3), "a     b");
  EXPECT_EQ(expandTabs("\tx", 0), "    x");  // a width below 1 counts as 4
  RecordingSink sink;
  PageLayout layout(sink, smallPage(), false, 4);
  layout.begin();
  layout.addLine("\t");
  layout.finish();
  ASSERT_EQ(sink.runs.size(), 1u);
  EXPECT_EQ(sink.runs[0].text, "    ");
  EXPECT_EQ(sink.runs[0].x, 20);
  EXPECT_EQ(sink.runs[0].y, 10);
}

TEST(PageLayout, AnEmptyLineIsPrintedAsOneBlank) {
  RecordingSink sink;
  PageLayout layout(sink, smallPage(), false, 4);
  layout.begin();
  layout.addLine("");
  layout.addLine("A");
  layout.finish();
  ASSERT_EQ(sink.runs.size(), 2u);
  EXPECT_EQ(sink.runs[0].text, " ");
  EXPECT_EQ(sink.runs[1].y, 20);
}

TEST(PageLayout, ALongLineContinuesOnTheFollowingLines) {
  RecordingSink sink;
  PageLayout layout(sink, smallPage(), false, 4);
  layout.begin();
  layout.addLine("ABCDEFGHIJKLMN");
  layout.addLine("NEXT");
  layout.finish();
  ASSERT_EQ(sink.runs.size(), 4u);
  EXPECT_EQ(sink.runs[0].text, "ABCDEF");
  EXPECT_EQ(sink.runs[1].text, "GHIJKL");
  EXPECT_EQ(sink.runs[2].text, "MN");
  EXPECT_EQ(sink.runs[3].text, "NEXT");
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(sink.runs[i].y, 10 + 10 * i);
    EXPECT_EQ(sink.runs[i].x, 20);
  }
}

TEST(PageLayout, ATextWidthTooSmallForACharacterStillPrintsOneALine) {
  PageGeometry g = smallPage();
  g.textWidth = 5;
  RecordingSink sink;
  PageLayout layout(sink, g, false, 4);
  layout.begin();
  layout.addLine("ABC");
  layout.finish();
  ASSERT_EQ(sink.runs.size(), 3u);
  EXPECT_EQ(sink.runs[2].text, "C");
}

TEST(PageLayout, APageBreaksWhenTheNextLineWouldStartBelowTheBottomLimit) {
  const PageGeometry g = smallPage();
  ASSERT_EQ(g.bottom, 80);
  RecordingSink sink;
  PageLayout layout(sink, g, false, 4);
  layout.begin();
  for (int i = 0; i < 9; ++i) layout.addLine("L" + std::to_string(i));
  // A wrapped line breaks in its middle too.
  for (int i = 0; i < 6; ++i) layout.addLine("M");
  layout.addLine("ABCDEFGH");
  layout.finish();
  ASSERT_EQ(sink.runs.size(), 17u);
  EXPECT_EQ(sink.runs[7].y, 80);
  EXPECT_EQ(sink.runs[7].page, 1);
  EXPECT_EQ(sink.runs[8].page, 2);
  EXPECT_EQ(sink.runs[8].y, 10);
  EXPECT_EQ(sink.runs[15].text, "ABCDEF");
  EXPECT_EQ(std::make_pair(sink.runs[15].page, sink.runs[15].y), std::make_pair(2, 80));
  EXPECT_EQ(sink.runs[16].text, "GH");
  EXPECT_EQ(std::make_pair(sink.runs[16].page, sink.runs[16].y), std::make_pair(3, 10));
  EXPECT_EQ(layout.pageCount(), 3);
  EXPECT_EQ(sink.ended, 3);
}

TEST(PageLayout, CarriageControlCharactersMoveThePaper) {
  RecordingSink sink;
  PageLayout layout(sink, smallPage(), true, 4);
  layout.begin();
  layout.addLine("1HEAD");   // first line: no blank sheet before it
  layout.addLine(" NORM");
  layout.addLine("0ONE");    // after one empty line
  layout.addLine("-TWO");    // after two
  layout.addLine("+__");     // over the previous line
  layout.addLine("XOTHER");  // any other character: a normal advance
  layout.addLine("1");       // a new page holding an empty line
  layout.addLine("");        // the blank of an empty line is its control
  layout.finish();
  ASSERT_EQ(sink.runs.size(), 8u);
  const std::vector<std::string> texts{"HEAD", "NORM", "ONE", "TWO", "__", "OTHER", " ", " "};
  const std::vector<std::pair<int32_t, int32_t>> where{{1, 10}, {1, 20}, {1, 40}, {1, 70},
                                                       {1, 70}, {1, 80}, {2, 10}, {2, 20}};
  for (std::size_t i = 0; i < texts.size(); ++i) {
    EXPECT_EQ(sink.runs[i].text, texts[i]) << i;
    EXPECT_EQ(std::make_pair(sink.runs[i].page, sink.runs[i].y), where[i]) << i;
  }
  EXPECT_EQ(layout.pageCount(), 2);
}

TEST(PageLayout, SkippedLinesPastTheBottomLimitStartANewPage) {
  RecordingSink sink;
  PageLayout layout(sink, smallPage(), true, 4);
  layout.begin();
  for (int i = 0; i < 7; ++i) layout.addLine(" L");  // y = 10 to 70
  layout.addLine("-X");                               // would start at 100
  layout.addLine("+Y");                               // overprints X on the new page
  layout.finish();
  ASSERT_EQ(sink.runs.size(), 9u);
  EXPECT_EQ(std::make_pair(sink.runs[7].page, sink.runs[7].y), std::make_pair(2, 10));
  EXPECT_EQ(std::make_pair(sink.runs[8].page, sink.runs[8].y), std::make_pair(2, 10));
}

TEST(PageLayout, WithoutCarriageControlTheFirstCharacterIsText) {
  RecordingSink sink;
  PageLayout layout(sink, smallPage(), false, 4);
  layout.begin();
  layout.addLine("1A");
  layout.addLine("+B");
  layout.finish();
  EXPECT_EQ(sink.runs[0].text, "1A");
  EXPECT_EQ(sink.runs[1].text, "+B");
  EXPECT_EQ(sink.runs[1].y, 20);
}

TEST(PageLayout, JobNameIsTheFileNameAfterTheLastSeparator) {
  EXPECT_EQ(jobName("D:\\KALDERO\\RUN2\\STATION1.OUT"), "STATION1.OUT");
  EXPECT_EQ(jobName("D:STATION1.OUT"), "STATION1.OUT");
  EXPECT_EQ(jobName("results/run2/STATION1.OUT"), "STATION1.OUT");
  EXPECT_EQ(jobName("STATION1.OUT"), "STATION1.OUT");
}

// The file read line by line: line ends of either kind, a last line without
// its end, lines longer than the longest piece.
TEST(PageLayout, FileLinesAreReadInPiecesOfAtMost512Characters) {
  const std::string longLine = std::string(512, 'A') + "BBB";
  const std::string text = "first\r\n" + longLine + "\n\nlast";
  std::FILE* f = fmemopen(const_cast<char*>(text.data()), text.size(), "r");
  ASSERT_NE(f, nullptr);
  PageGeometry g = smallPage();
  g.textWidth = 10000;
  g.bottom = 10000;
  RecordingSink sink;
  PageLayout layout(sink, g, true, 4);
  layout.begin();
  layoutFile(f, layout);
  layout.finish();
  std::fclose(f);
  ASSERT_EQ(sink.runs.size(), 5u);
  EXPECT_EQ(sink.runs[0].text, "irst");
  EXPECT_EQ(sink.runs[1].text, std::string(511, 'A'));
  EXPECT_EQ(sink.runs[2].text, "BBB");  // a continuation has no control character
  EXPECT_EQ(sink.runs[3].text, " ");
  EXPECT_EQ(sink.runs[4].text, "ast");
}

}  // namespace
}  // namespace kaldero::printing
