#include "plot/data_listing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/capture.h"

namespace kaldero::plot {
namespace {

const std::string kMode2Header =
    std::string(27, ' ') + "SAMPLE          TIME          CONCENTRATION\n" + std::string(27, ' ') +
    "------       ----------       -------------\n";
const std::string kEnd = "\n\n" + std::string(38, ' ') + "END OF DATA FILE\n" +
                         std::string(17, ' ') + std::string(73, '-') + "\n\n\n\n";
const std::string kContinue =
    "\n" + std::string(30, ' ') + "Press <RETURN> to continue program\n\n";

std::string listing(const TestDescription& t, const std::vector<float>& T,
                    const std::vector<float>& C, const std::vector<float>& Q,
                    const std::string& input = "") {
  testing::CapturedConsole cc(input);
  dataListing(cc.console(), t, T, C, Q, static_cast<int32_t>(T.size()));
  return cc.output();
}

TEST(DataListing, ConstantDischargeFixedAndGeneralRows) {
  TestDescription t;
  t.dischargeMode = DischargeMode::Constant;
  const std::string out = listing(t, {1.0f, 2000.0f, 0.0f}, {0.12f, 3.5f, 0.0005f}, {});
  EXPECT_EQ(out, "\n\n\n\n" + kMode2Header +
                     "                               1           1.0000            0.1200\n"
                     "                              2            2000.             3.500    \n"
                     "                              3            0.000            0.5000E-03\n" +
                     kEnd);
}

TEST(DataListing, MeasuredDischargeColumns) {
  TestDescription t;
  t.dischargeMode = DischargeMode::Measured;
  // The general form for a small discharge, the fixed form otherwise; a
  // zero concentration keeps a small time in the fixed form.
  const std::string out =
      listing(t, {1.5f, 0.0f, 3.0f}, {2.25f, 0.0f, 0.5f}, {0.8f, 0.5f, 0.0005f});
  const std::string header =
      std::string(17, ' ') + "SAMPLE          TIME          CONCENTRATION        DISCHARGE\n" +
      std::string(17, ' ') + "------       ----------       -------------        ---------\n";
  EXPECT_EQ(out, "\n\n\n\n" + header +
                     "                     1           1.5000            2.2500             0.8000\n"
                     "                     2           0.0000            0.0000             0.5000\n"
                     "                    3            3.000            0.5000            0.5000E-03\n" +
                     kEnd);
}

TEST(DataListing, PagesOfFifteenRowsWithWaitsWhenEchoed) {
  TestDescription t;
  t.dischargeMode = DischargeMode::Constant;
  t.screenEcho = Option::On;
  std::vector<float> T, C;
  for (int i = 1; i <= 16; ++i) {
    T.push_back(static_cast<float>(i));
    C.push_back(1.0f);
  }
  const std::string out = listing(t, T, C, {});
  std::string rows1;
  for (int i = 1; i <= 15; ++i) {
    char buf[100];
    std::snprintf(buf, sizeof buf, "%26s%6d%7s%10.4f%8s%10.4f\n", "", i, "", static_cast<double>(i),
                  "", 1.0);
    rows1 += buf;
  }
  const std::string row16 =
      "                              16          16.0000            1.0000\n";
  EXPECT_EQ(out, "\n\n\n\n" + kMode2Header + rows1 + "\n" + kContinue + std::string(9, '\n') +
                     "\n\n\n\n" + kMode2Header + row16 + kEnd + kContinue +
                     std::string(9, '\n'));
  // Without the echo the same pages follow each other without waits.
  t.screenEcho = Option::Off;
  EXPECT_EQ(listing(t, T, C, {}),
            "\n\n\n\n" + kMode2Header + rows1 + "\n" + "\n\n\n\n" + kMode2Header + row16 + kEnd);
}

TEST(DataListing, OtherDischargeModesListNoRows) {
  TestDescription t;
  t.dischargeMode = DischargeMode{3};
  std::vector<float> T(16, 1.0f), C(16, 1.0f);
  EXPECT_EQ(listing(t, T, C, {}), "\n\n\n\n\n\n\n\n\n" + kEnd);
}

}  // namespace
}  // namespace kaldero::plot
