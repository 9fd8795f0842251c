#include "report/chatwin_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <vector>

#include "core/output_gate.h"
#include "core/text.h"
#include "input/output_names.h"
#include "tests/support/capture.h"
#include "tests/support/temp_file.h"

namespace kaldero {
namespace {

std::string expectedFile(const std::string& name) {
  std::ifstream in(std::string(KALDERO_TEST_DATA) + "/" + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Listed {
  std::vector<float> TK{1.5f, 2.25f, 123456.0f, 4.0f};
  std::vector<float> PK{3.2f, 1.1f, -0.5f, -2.75f};
  std::vector<float> FK{3.0f, 1.5f, -0.25f, -2.0f};
  // The root of the sum of the squared residuals of the first n rows.
  float R(std::size_t n) const {
    float s = 0;
    for (std::size_t i = 0; i < n && i < TK.size(); ++i) s += (PK[i] - FK[i]) * (PK[i] - FK[i]);
    return std::sqrt(s);
  }
};

// The results of the Chatwin method with the listed points l and nfit fit
// points, as chatwinMethod leaves them.
ChatwinResults resultsOf(const Listed& l, int32_t nfit) {
  ChatwinResults r;
  r.fitted = true;
  r.fitPoints = nfit;
  r.listedTimes = l.TK;
  r.pointsListed = static_cast<int32_t>(l.TK.size());
  r.listedParameters = l.PK;
  r.listedFits = l.FK;
  for (std::size_t i = 0; i < l.TK.size(); ++i) r.listedResiduals.push_back(l.PK[i] - l.FK[i]);
  r.residual = l.R(l.TK.size());
  r.fitResidual = l.R(static_cast<std::size_t>(nfit));
  return r;
}

ChatwinTable tableOf(const ChatwinResults& r) {
  ChatwinTable t;
  t.samples = 20;
  t.fit = &r;
  t.titleName = text::padded("ST.DAT");
  return t;
}

// The table file as the run writes it: its lines through the output gate.
std::string writtenFile(const ChatwinTable& t) {
  testing::ScratchDir dir("table");
  testing::CapturedConsole cc;
  OutputGate gate(cc.console());
  const std::string name = dir.path("ST_CHT.OUT");
  EXPECT_TRUE(gate.writeLines({name, "Chatwin table file", ""}, chatwinTableFileLines(t)));
  EXPECT_EQ(cc.output(), "");  // no paging, no prompt in the file
  return dir.read("ST_CHT.OUT");
}

TEST(ChatwinTable, FileMatchesTheExpectedListing) {
  const ChatwinResults r = resultsOf(Listed{}, 3);
  EXPECT_NEAR(r.fitResidual, std::sqrt(0.2625f), 1e-6);
  EXPECT_EQ(writtenFile(tableOf(r)), expectedFile("ST_CHT.OUT"));
}

TEST(ChatwinTable, ConsoleAndFileShowTheSameFitResidual) {
  testing::CapturedConsole cc;
  const ChatwinResults r = resultsOf(Listed{}, 3);
  ChatwinTable t = tableOf(r);
  bool dismissed = false;
  t.plotShowing = true;
  showChatwinTable(cc.console(), t, [&] { dismissed = true; });
  EXPECT_TRUE(dismissed);
  const std::string out = cc.output();
  const std::string fitLine =
      std::string(20, ' ') + "SQUARE ROOT OF THE SUM OF THE SQUARES OF THE RESIDUALS =      0.512348";
  EXPECT_NE(out.find(fitLine), std::string::npos);
  EXPECT_NE(writtenFile(t).find(fitLine), std::string::npos);
}

TEST(ChatwinTable, FitRangeNumberWidth) {
  const Listed l;
  for (auto [nfit, text] : {std::pair{9, " 9 ARE"}, {10, " 10 ARE"}, {100, " 100 ARE"}, {1234, " 1234 ARE"}}) {
    const ChatwinResults r = resultsOf(l, nfit);
    const std::string file = writtenFile(tableOf(r));
    EXPECT_NE(file.find("ONLY SAMPLES 1 THROUGH" + std::string(text)), std::string::npos) << nfit;
    // More fit points than listed points: the rows end with the last one.
    EXPECT_EQ(file.find("    21        "), std::string::npos);
  }
}

std::size_t count(const std::string& s, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + 1)) ++n;
  return n;
}

TEST(ChatwinTable, ConsolePagesOfFifteenRows) {
  for (int rows : {15, 16, 31}) {
    testing::CapturedConsole cc;
    Listed l;
    l.TK = l.PK = l.FK = std::vector<float>(static_cast<std::size_t>(rows), 1.0f);
    const ChatwinResults r = resultsOf(l, 2);
    ChatwinTable t = tableOf(r);
    t.samples = rows;
    showChatwinTable(cc.console(), t, nullptr);
    const std::string out = cc.output();
    const int pages = (rows + 14) / 15;
    // Pages of all points with the long title, one page of fit points.
    EXPECT_EQ(count(out, "CHATWIN PARAMETER VALUES FOR"), static_cast<std::size_t>(pages + 1)) << rows;
    EXPECT_EQ(count(out, "Press <RETURN> to continue program"), static_cast<std::size_t>(pages + 1));
  }
}

TEST(ChatwinTable, NoListedPointsStillEndsTheListing) {
  testing::CapturedConsole cc;
  ChatwinResults r;
  r.fitted = true;
  r.fitPoints = 3;
  ChatwinTable t = tableOf(r);
  t.samples = 5;
  const std::string file = writtenFile(t);
  EXPECT_NE(file.find("END OF CHATWIN DATA"), std::string::npos);
  EXPECT_NE(file.find("END OF VALID CHATWIN DATA"), std::string::npos);
  EXPECT_NE(file.find("RESIDUALS =      0.000000"), std::string::npos);
  showChatwinTable(cc.console(), t, nullptr);
  const std::string out = cc.output();
  EXPECT_NE(out.find("END OF CHATWIN DATA"), std::string::npos);
  EXPECT_NE(out.find("END OF VALID CHATWIN DATA"), std::string::npos);
}

TEST(ChatwinTable, FileName) {
  EXPECT_EQ(chatwinTableFileName(text::padded("STATION1.DAT")), text::padded("STATION1_CHT.OUT"));
  EXPECT_EQ(chatwinTableFileName(text::padded("A.B.C")), text::padded("A_CHT.OUT"));
  EXPECT_EQ(chatwinTableFileName(text::padded("NOPERIOD")), text::padded("NOPERIOD_CHT.OUT"));
}

TEST(ChatwinTable, TitleAndShowingPlotOfTheProcessingPhase) {
  const ChatwinResults r = resultsOf(Listed{}, 3);
  TestDescription test;
  test.interpolatedName = text::padded("ST.INT");
  test.dataPlot.curve = Option::On;  // the measured curve on the screen
  const std::string station = text::padded("ST.DAT");
  const ChatwinTable measured = chatwinTable(r, 20, test, station, 0);
  EXPECT_EQ(measured.titleName, station);
  EXPECT_TRUE(measured.plotShowing);
  EXPECT_EQ(measured.fit, &r);
  EXPECT_EQ(measured.samples, 20);
  const ChatwinTable knots = chatwinTable(r, 40, test, station, 1);
  EXPECT_EQ(knots.titleName, test.interpolatedName);
  EXPECT_FALSE(knots.plotShowing);
}

}  // namespace
}  // namespace kaldero
