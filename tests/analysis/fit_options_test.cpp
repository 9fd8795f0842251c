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
  ASSERT_TRUE(parseFitModel("2p", o));
  EXPECT_EQ(o.paths, 2);
  EXPECT_EQ(o.storage, StorageChoice::PerPath);
  // One path with a zone of its own is the path with the zone.
  ASSERT_TRUE(parseFitModel("1p", o));
  EXPECT_EQ(o.storage, StorageChoice::Forced);
  ASSERT_TRUE(parseFitModel("auto", o));
  EXPECT_EQ(o.paths, kAutomaticPaths);
  EXPECT_EQ(o.storage, StorageChoice::Allowed);
  for (const char* bad : {"", "0", "4", "1S", "1s2", "12", "s", "Auto", " 1", "2P", "2ps", "p"})
    EXPECT_FALSE(parseFitModel(bad, o)) << '"' << bad << '"';
  EXPECT_EQ(o.paths, kAutomaticPaths);  // left as it was
}

TEST(FitOptionWords, ErrorModelsAndIntervals) {
  EXPECT_EQ(parseErrorModel("ar1"), ErrorModel::Ar1);
  EXPECT_EQ(parseErrorModel("independent"), ErrorModel::Independent);
  EXPECT_EQ(parseErrorModel("ar1-gls"), ErrorModel::Ar1Gls);
  EXPECT_EQ(parseErrorModel("ar1-relative"), ErrorModel::Ar1Relative);
  EXPECT_FALSE(parseErrorModel("AR1").has_value());
  EXPECT_EQ(parseIntervalMethod("covariance"), IntervalMethod::Covariance);
  EXPECT_EQ(parseIntervalMethod("bootstrap"), IntervalMethod::Bootstrap);
  EXPECT_FALSE(parseIntervalMethod("").has_value());
}

TEST(FitOptionTexts, EveryFitOptionNeedsTheFitAndTheSeedNeedsTheBootstrap) {
  std::optional<FitOptions> out;
  FitOptionTexts t;
  EXPECT_FALSE(fitOptionsFrom(t, out).has_value());
  EXPECT_FALSE(out.has_value());  // no --fit, no fit
  const auto refused = [&](FitOptionTexts bad, const std::string& why) {
    std::optional<FitOptions> o;
    EXPECT_EQ(fitOptionsFrom(bad, o).value_or(""), why);
    EXPECT_FALSE(o.has_value());
  };
  refused({"", "ar1", "", std::nullopt, false}, "--fit-errors needs --fit");
  refused({"", "", "bootstrap", std::nullopt, false}, "--fit-intervals needs --fit");
  refused({"", "", "", 7, false}, "--fit-seed needs --fit");
  refused({"", "", "", std::nullopt, true}, "--fit-baseline needs --fit");
  FitOptionTexts decay;
  decay.decay = true;
  refused(decay, "--fit-decay needs --fit");
  refused({"2", "", "", 7, false}, "--fit-seed needs --fit-intervals bootstrap");
  refused({"4", "", "", std::nullopt, false}, "--fit: \"4\" is not 1, 2, 3, 1s, 2s, 3s, 1p, 2p, 3p or auto");
  refused({"2", "white", "", std::nullopt, false},
          "--fit-errors: \"white\" is not ar1, independent, ar1-gls or ar1-relative");
}

TEST(FitOptionTexts, AllChoicesTakenTogether) {
  std::optional<FitOptions> out;
  ASSERT_FALSE(fitOptionsFrom({"2s", "independent", "bootstrap", 42, true}, out).has_value());
  ASSERT_TRUE(out.has_value());
  EXPECT_EQ(out->paths, 2);
  EXPECT_EQ(out->storage, StorageChoice::Forced);
  EXPECT_EQ(out->errors, ErrorModel::Independent);
  EXPECT_EQ(out->intervals, IntervalMethod::Bootstrap);
  EXPECT_EQ(out->bootstrapSeed, 42u);
  EXPECT_TRUE(out->baseline);
  EXPECT_EQ(out->samples, SampleSource::Measured);
}

}  // namespace
}  // namespace kaldero
