#include "report/chatwin_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <vector>

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
  float R() const {
    float s = 0;
    for (std::size_t i = 0; i < TK.size(); ++i) s += (PK[i] - FK[i]) * (PK[i] - FK[i]);
    return std::sqrt(s);
  }
};

ChatwinTable tableOf(const Listed& l, int32_t nfit) {
  ChatwinTable t;
  t.samples = 20;
  t.TK = l.TK;
  t.PK = l.PK;
  t.FK = l.FK;
  t.fitPoints = nfit;
  t.residual = l.R();
  t.titleName = text::padded("ST.DAT");
  t.stationName = text::padded("ST.DAT");
  return t;
}

TEST(ChatwinTable, FileMatchesTheExpectedListing) {
  testing::ScratchDir dir;
  testing::InDirectory here(dir.dir());
  testing::CapturedConsole cc;
  Listed l;
  ChatwinTable t = tableOf(l, 3);
  t.toFile = true;
  const float fit = writeChatwinTable(cc.console(), t, nullptr);
  EXPECT_NEAR(fit, std::sqrt(0.2625f), 1e-6);
  EXPECT_EQ(dir.read("ST_CHT.OUT"), expectedFile("ST_CHT.OUT"));
  EXPECT_EQ(cc.output(), "");  // no paging, no prompt in the file
}

TEST(ChatwinTable, ConsoleAndFileShowTheSameFitResidual) {
  testing::ScratchDir dir;
  testing::InDirectory here(dir.dir());
  testing::CapturedConsole cc;
  Listed l;
  ChatwinTable t = tableOf(l, 3);
  t.toFile = true;
  t.onScreen = true;
  bool dismissed = false;
  t.plotShowing = true;
  writeChatwinTable(cc.console(), t, [&] { dismissed = true; });
  EXPECT_TRUE(dismissed);
  const std::string out = cc.output();
  const std::string fitLine =
      std::string(20, ' ') + "SQUARE ROOT OF THE SUM OF THE SQUARES OF THE RESIDUALS =      0.512348";
  EXPECT_NE(out.find(fitLine), std::string::npos);
  EXPECT_NE(dir.read("ST_CHT.OUT").find(fitLine), std::string::npos);
}

TEST(ChatwinTable, FitRangeNumberWidth) {
  testing::ScratchDir dir;
  testing::InDirectory here(dir.dir());
  Listed l;
  for (auto [nfit, text] : {std::pair{9, " 9 ARE"}, {10, " 10 ARE"}, {100, " 100 ARE"}, {1234, " 1234 ARE"}}) {
    testing::CapturedConsole cc;
    ChatwinTable t = tableOf(l, nfit);
    t.toFile = true;
    writeChatwinTable(cc.console(), t, nullptr);
    const std::string file = dir.read("ST_CHT.OUT");
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
    std::vector<float> TK(static_cast<std::size_t>(rows), 1.0f), PK(TK), FK(TK);
    ChatwinTable t;
    t.samples = rows;
    t.TK = TK;
    t.PK = PK;
    t.FK = FK;
    t.fitPoints = 2;
    t.onScreen = true;
    t.titleName = text::padded("ST.DAT");
    writeChatwinTable(cc.console(), t, nullptr);
    const std::string out = cc.output();
    const int pages = (rows + 14) / 15;
    // Pages of all points with the long title, one page of fit points.
    EXPECT_EQ(count(out, "CHATWIN PARAMETER VALUES FOR"), static_cast<std::size_t>(pages + 1)) << rows;
    EXPECT_EQ(count(out, "Press <RETURN> to continue program"), static_cast<std::size_t>(pages + 1));
  }
}

TEST(ChatwinTable, NoListedPointsStillEndsTheListing) {
  testing::ScratchDir dir;
  testing::InDirectory here(dir.dir());
  testing::CapturedConsole cc;
  ChatwinTable t;
  t.samples = 5;
  t.fitPoints = 3;
  t.toFile = true;
  t.onScreen = true;
  t.titleName = t.stationName = text::padded("ST.DAT");
  EXPECT_EQ(writeChatwinTable(cc.console(), t, nullptr), 0.0f);
  const std::string file = dir.read("ST_CHT.OUT");
  EXPECT_NE(file.find("END OF CHATWIN DATA"), std::string::npos);
  EXPECT_NE(file.find("END OF VALID CHATWIN DATA"), std::string::npos);
}

TEST(ChatwinTable, FileName) {
  EXPECT_EQ(chatwinTableFileName(text::padded("STATION1.DAT")), text::padded("STATION1_CHT.OUT"));
  EXPECT_EQ(chatwinTableFileName(text::padded("A.B.C")), text::padded("A_CHT.OUT"));
  EXPECT_EQ(chatwinTableFileName(text::padded("NOPERIOD")), text::padded("NOPERIOD_CHT.OUT"));
}

}  // namespace
}  // namespace kaldero
