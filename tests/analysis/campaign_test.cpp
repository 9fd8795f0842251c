#include "analysis/campaign.h"

#include <gtest/gtest.h>

#include <vector>

namespace kaldero {
namespace {

TEST(CampaignCurves, AStationsRecoveryEndsAtItsMassAsAFractionOfTheInjected) {
  // 0, 2 and 5 g recovered by 1, 2 and 3 h of a 10 g (10,000 mg) release.
  const std::vector<double> T{3600, 7200, 10800};
  const std::vector<double> cumulative{0, 2e6, 5e6};  // ug
  const RecoveryCurve c = stationRecoveryCurve(T, cumulative, 1e4f);
  EXPECT_EQ(c.hours, (std::vector<double>{1, 2, 3}));
  ASSERT_EQ(c.fraction.size(), 3u);
  EXPECT_DOUBLE_EQ(c.fraction.back(), 0.5);
  EXPECT_DOUBLE_EQ(c.fraction[1], 0.2);
  // Without an injected mass there is no fraction to give.
  EXPECT_TRUE(stationRecoveryCurve(T, cumulative, 0).hours.empty());
  EXPECT_TRUE(stationRecoveryCurve(T, {cumulative.data(), 2}, 1e4f).hours.empty());
}

TEST(CampaignCurves, TheTotalAddsEachStationBeforeDuringAndAfterItsSamples) {
  const RecoveryCurve a{{1, 3}, {0.0, 0.4}};
  const RecoveryCurve b{{2, 4}, {0.0, 0.2}};
  const RecoveryCurve total = totalRecoveryCurve({a, b});
  EXPECT_EQ(total.hours, (std::vector<double>{1, 2, 3, 4}));
  // b adds nothing before 2 h; a its final 0.4 after 3 h.
  const std::vector<double> want{0.0, 0.2, 0.4 + 0.1, 0.4 + 0.2};
  ASSERT_EQ(total.fraction.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(total.fraction[i], want[i], 1e-12);
  EXPECT_TRUE(totalRecoveryCurve({}).hours.empty());
}

TEST(CampaignCurves, ManySamplesGiveTheTotalOnAGridThatStillEndsAtTheSum) {
  // Beyond the union limit the total is taken on a grid: its end is still
  // the sum of the stations' final recoveries, at the last station's end.
  std::vector<RecoveryCurve> stations;
  double sum = 0;
  for (int s = 0; s < 30; ++s) {
    RecoveryCurve c;
    for (int i = 0; i <= 1000; ++i) {
      c.hours.push_back(s + 0.01 * i);
      c.fraction.push_back(0.001 * (s + 1) * i / 1000.0);
    }
    sum += c.fraction.back();
    stations.push_back(c);
  }
  const RecoveryCurve total = totalRecoveryCurve(stations);
  EXPECT_LT(total.hours.size(), 30u * 1001u);
  EXPECT_DOUBLE_EQ(total.hours.back(), 39.0);
  EXPECT_NEAR(total.fraction.back(), sum, 1e-12);
  for (std::size_t i = 1; i < total.fraction.size(); ++i)
    EXPECT_GE(total.fraction[i], total.fraction[i - 1] - 1e-15);
}

TEST(CampaignCurves, ConcentrationsRawOrPerKgRecovered) {
  const std::vector<double> T{0, 3600};
  const std::vector<double> C{0, 5000};  // ng/L
  const ConcentrationCurve raw = stationConcentrationCurve(T, C, 500, ConcentrationScale::Raw);
  EXPECT_EQ(raw.hours, (std::vector<double>{0, 1}));
  EXPECT_DOUBLE_EQ(raw.values[1], 5.0);  // ug/L
  // 5 ug/L over 0.5 kg recovered: 10 ug/L per kg, 0.01 mg/L per kg.
  const ConcentrationCurve perKg =
      stationConcentrationCurve(T, C, 500, ConcentrationScale::PerKgRecovered);
  EXPECT_DOUBLE_EQ(perKg.values[1], 0.01);
  EXPECT_TRUE(stationConcentrationCurve(T, C, 0, ConcentrationScale::PerKgRecovered).hours.empty());
  EXPECT_EQ(campaignLabel("B.DAT", 770), "B.DAT (770 m)");
  EXPECT_EQ(campaignLabel("A.DAT", 1234.5f), "A.DAT (1234 m)");
}

TEST(CampaignCurves, ScaleByItsName) {
  EXPECT_EQ(parseConcentrationScale("per-kg"), ConcentrationScale::PerKgRecovered);
  EXPECT_EQ(parseConcentrationScale("raw"), ConcentrationScale::Raw);
  for (const char* bad : {"", "Raw", "per kg", "perkg"})
    EXPECT_FALSE(parseConcentrationScale(bad).has_value()) << '"' << bad << '"';
}

}  // namespace
}  // namespace kaldero
