// The choices of the flow-path fit as the user names them.
#include <gtest/gtest.h>

#include "analysis/flow_path_fit.h"

namespace kaldero {
namespace {

TEST(FitOptionWords, ModelsByPathsStorageOrAuto) {
  FitOptions o;
  ASSERT_TRUE(parseFitModel("2", o));
  EXPECT_EQ(o.paths, 2);
  EXPECT_EQ(o.storage, StorageChoice::None);
  ASSERT_TRUE(parseFitModel("3s", o));
  EXPECT_EQ(o.storage, StorageChoice::Forced);
  ASSERT_TRUE(parseFitModel("auto", o));
  EXPECT_EQ(o.paths, kAutomaticPaths);
  EXPECT_EQ(o.storage, StorageChoice::Allowed);
  for (const char* bad : {"", "0", "4", "1S", "1s2", "12", "s", "Auto", " 1"})
    EXPECT_FALSE(parseFitModel(bad, o)) << '"' << bad << '"';
  EXPECT_EQ(o.paths, kAutomaticPaths);  // left as it was
}

TEST(FitOptionWords, ErrorModelsAndIntervals) {
  EXPECT_EQ(parseErrorModel("ar1"), ErrorModel::Ar1);
  EXPECT_EQ(parseErrorModel("independent"), ErrorModel::Independent);
  EXPECT_EQ(parseErrorModel("ar1-gls"), ErrorModel::Ar1Gls);
  EXPECT_FALSE(parseErrorModel("AR1").has_value());
  EXPECT_EQ(parseIntervalMethod("covariance"), IntervalMethod::Covariance);
  EXPECT_EQ(parseIntervalMethod("bootstrap"), IntervalMethod::Bootstrap);
  EXPECT_FALSE(parseIntervalMethod("").has_value());
}

}  // namespace
}  // namespace kaldero
