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
  EXPECT_EQ(o.paths, 3);
  EXPECT_EQ(o.storage, StorageChoice::Forced);
  ASSERT_TRUE(parseFitModel("auto", o));
  EXPECT_EQ(o.paths, kAutomaticPaths);
  EXPECT_EQ(o.storage, StorageChoice::Allowed);
  // Refused names leave the options as they were.
  o.paths = 1;
  o.storage = StorageChoice::None;
  for (const char* bad : {"", "0", "4", "1S", "1s2", "12", "s", "2x", "Auto", " 1"}) {
    EXPECT_FALSE(parseFitModel(bad, o)) << '"' << bad << '"';
    EXPECT_EQ(o.paths, 1);
    EXPECT_EQ(o.storage, StorageChoice::None);
  }
}

TEST(FitOptionWords, ErrorModelsAndIntervals) {
  EXPECT_EQ(parseErrorModel("ar1"), ErrorModel::Ar1);
  EXPECT_EQ(parseErrorModel("independent"), ErrorModel::Independent);
  EXPECT_EQ(parseErrorModel("ar1-gls"), ErrorModel::Ar1Gls);
  EXPECT_EQ(parseIntervalMethod("covariance"), IntervalMethod::Covariance);
  EXPECT_EQ(parseIntervalMethod("bootstrap"), IntervalMethod::Bootstrap);
  for (const char* bad : {"", "AR1", "ar1 ", "gls", "bootstrap"})
    EXPECT_FALSE(parseErrorModel(bad).has_value()) << '"' << bad << '"';
  for (const char* bad : {"", "Bootstrap", "ar1"})
    EXPECT_FALSE(parseIntervalMethod(bad).has_value()) << '"' << bad << '"';
}

}  // namespace
}  // namespace kaldero
