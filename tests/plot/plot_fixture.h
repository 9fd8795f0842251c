// What the plot tests share: a scratch working directory, a console whose
// output is kept, the plot state on the null screen device, and synthetic
// breakthrough curves.
#pragma once

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/output_gate.h"
#include "core/text.h"
#include "model/test_description.h"
#include "plot/data_plot.h"
#include "plot/plot_conventions.h"
#include "tests/support/capture.h"
#include "tests/support/postscript.h"
#include "tests/support/temp_file.h"

namespace kaldero::testing {

// The four plot switches as a header line gives them (listing, points,
// curve, PostScript).
inline PlotSwitches switches(int listing, int points, int curve, int postscript) {
  return PlotSwitches{Option{listing}, Option{points}, Option{curve}, Option{postscript}};
}

struct Samples {
  std::vector<float> T, C, Q, sT, sC, sQ;
  int32_t n() const { return static_cast<int32_t>(T.size()); }
  plot::DataCurve curve() const { return {T, C, Q, sT, sC, sQ, n()}; }
};

// A skewed breakthrough curve of n samples from t0 to t1 with its peak at
// tp, a slowly falling discharge and small group deviations.
inline Samples breakthrough(int n, float t0, float t1, float tp, float peak) {
  Samples s;
  for (int i = 0; i < n; ++i) {
    const float t = t0 + (t1 - t0) * static_cast<float>(i) / static_cast<float>(n - 1);
    const float x = t / tp;
    s.T.push_back(t);
    s.C.push_back(peak * std::pow(x, 3.0f) * std::exp(3.0f * (1.0f - x)));
    s.Q.push_back(0.8f - 0.2f * static_cast<float>(i) / static_cast<float>(n) +
                  0.05f * std::sin(0.4f * static_cast<float>(i)));
    s.sT.push_back(0.1f);
    s.sC.push_back(0.03f * s.C.back() + 0.01f);
    s.sQ.push_back(0.02f);
  }
  return s;
}

class PlotTest : public ::testing::Test {
 protected:
  PlotTest() : wd_(dir_.dir()) { state_.devices.setScreenDevice("/null"); }

  plot::PlotContext context() {
    return plot::PlotContext{console_.console(), state_, test_, text::padded("STATION1.DAT"),
                             gate_};
  }

  // The files in the working directory, by name.
  std::vector<std::string> files() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir_.dir()))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  // Renders a PostScript file and checks that its page is not blank; keeps
  // a PNG of it under rendered-plots/ beside the test executable's folder.
  void expectRendered(const std::string& ps, const std::string& png) {
    ASSERT_TRUE(ghostscriptAvailable()) << "Ghostscript (gs) is needed to check the plots";
    ASSERT_TRUE(std::filesystem::exists(ps)) << ps;
    const auto page = renderPostScript(ps);
    ASSERT_TRUE(page.has_value()) << ps << " is not valid PostScript";
    EXPECT_GT(page->ink(), page->width * page->height / 200) << ps << " is nearly blank";
    EXPECT_GT(page->red(), 50) << ps << " has no curve";
    const auto out = renderedDir() / png;
    EXPECT_TRUE(writePng(ps, out.string())) << out;
  }

  static std::filesystem::path renderedDir() {
    const std::filesystem::path dir = startDir() / "rendered-plots";
    std::filesystem::create_directories(dir);
    return dir;
  }

  // rendered-plots/ is placed in the folder the test started in.
  static const std::filesystem::path& startDir() {
    static const std::filesystem::path dir = std::filesystem::current_path();
    return dir;
  }

  ScratchDir dir_;
  [[maybe_unused]] const std::filesystem::path& start_ = startDir();
  WorkingDir wd_;
  CapturedConsole console_;
  OutputGate gate_{console_.console()};  // every plot file is kept through it
  TestDescription test_;
  plot::PlotState state_;
};

}  // namespace kaldero::testing
