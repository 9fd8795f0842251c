#include "report/chatwin_table.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "core/console.h"
#include "core/output_gate.h"
#include "core/format.h"
#include "core/text.h"
#include "input/output_names.h"

namespace kaldero {

namespace {

const std::string kRule = std::string(17, ' ') + std::string(73, '-');

// The table as lines; the console and the file differ only in paging.
class Lines {
 public:
  explicit Lines(const ChatwinTable& t) : t_(t) {}

  std::vector<std::string> title(bool longForm) const {
    std::vector<std::string> out(longForm ? 6 : 3, "");
    out.push_back(std::string(30, ' ') + "CHATWIN PARAMETER VALUES FOR " +
                  text::padded(t_.titleName, 40));
    out.push_back(kRule);
    return out;
  }

  static std::vector<std::string> header() {
    return {"",
            "",
            std::string(17, ' ') + "SAMPLE" + std::string(10, ' ') + "TIME" +
                std::string(11, ' ') + "CHATWIN" + std::string(12, ' ') + "FIT" +
                std::string(11, ' ') + "RESIDUAL",
            std::string(17, ' ') + std::string(6, '-') + std::string(7, ' ') +
                std::string(10, '-') + std::string(6, ' ') + std::string(10, '-') +
                std::string(7, ' ') + std::string(10, '-') + std::string(7, ' ') +
                std::string(10, '-')};
  }

  // Row k, 1-based.
  std::string row(int32_t k) const {
    const std::size_t i = static_cast<std::size_t>(k - 1);
    const ChatwinResults& f = *t_.fit;
    const int32_t sample = t_.samples - f.listed() + k;
    return std::string(15, ' ') + fmt::I(sample, 6) + std::string(8, ' ') +
           fmt::F(f.listedTimes[i], 10, 4) + std::string(6, ' ') +
           fmt::F(f.listedParameters[i], 11, 4) + std::string(6, ' ') +
           fmt::F(f.listedFits[i], 11, 4) + std::string(6, ' ') +
           fmt::F(f.listedResiduals[i], 11, 4);
  }

  static std::vector<std::string> end(bool fitPoints) {
    return {"", std::string(38, ' ') + (fitPoints ? "END OF VALID CHATWIN DATA" : "END OF CHATWIN DATA"),
            kRule, "", ""};
  }

  static std::vector<std::string> residual(float r) {
    return {std::string(20, ' ') + "SQUARE ROOT OF THE SUM OF THE SQUARES OF THE RESIDUALS =" +
                fmt::F(r, 14, 6),
            ""};
  }

  std::string fitRange() const {
    // One digit below 10, two below 100, and as many as the count needs
    // from there on.
    const int32_t n = t_.fit->fitPoints;
    const int width = n < 10 ? 1 : n < 100 ? 2 : std::max<int>(3, static_cast<int>(std::to_string(n).size()));
    return std::string(20, ' ') + "ONLY SAMPLES 1 THROUGH " + fmt::I(n, width) +
           " ARE USED FOR THE FINAL STRAIGHT-LINE FIT";
  }

  // Rows of the fit points that exist among the listed points.
  int32_t fitRows() const { return std::min<int32_t>(t_.fit->fitPoints, t_.fit->listed()); }

 private:
  const ChatwinTable& t_;
};

void put(Console& c, const std::vector<std::string>& lines) {
  for (const auto& l : lines) c.line(l);
}

void put(std::vector<std::string>& out, const std::vector<std::string>& lines) {
  out.insert(out.end(), lines.begin(), lines.end());
}

// Rows 1 .. count in pages of 15, each page with its title and header;
// then the end block, the residual line, the continue prompt and the gap.
void consolePages(Console& c, const ChatwinTable& t, const Lines& lines, int32_t count,
                  bool fitPoints, float residual) {
  const bool longTitle = !fitPoints;
  if (count == 0) {
    put(c, lines.title(longTitle));
    put(c, Lines::header());
  }
  for (int32_t k = 1; k <= count; ++k) {
    if ((k - 1) % 15 == 0) {
      put(c, lines.title(longTitle));
      put(c, Lines::header());
    }
    c.line(lines.row(k));
    if (k % 15 == 0 && k < count) {
      c.empty();
      c.continuePrompt();
      c.waitEnter();
      c.clear();
      c.empty(t.plotShowing ? 4 : 2);
    }
  }
  put(c, Lines::end(fitPoints));
  put(c, Lines::residual(residual));
  c.continuePrompt();
  c.waitEnter();
  c.clear();
  c.empty(9);
}

}  // namespace

ChatwinTable chatwinTable(const ChatwinResults& fit, int32_t samples, const TestDescription& test,
                          const std::string& stationName50, int32_t phase) {
  const PlotSwitches& group = phase == 0 ? test.dataPlot : test.interpolatedPlot;
  ChatwinTable t;
  t.samples = samples;
  t.fit = &fit;
  t.plotShowing = group.onScreen();
  t.titleName = phase == 0 ? stationName50 : test.interpolatedName;
  return t;
}

void showChatwinTable(Console& c, const ChatwinTable& t,
                      const std::function<void()>& dismissScreenPlot) {
  const Lines lines(t);
  if (t.plotShowing) {
    if (dismissScreenPlot) dismissScreenPlot();
    c.maximize();
    c.clear();
  }
  consolePages(c, t, lines, t.fit->listed(), false, t.fit->residual);
  c.line(lines.fitRange());
  consolePages(c, t, lines, lines.fitRows(), true, t.fit->fitResidual);
}

std::vector<std::string> chatwinTableFileLines(const ChatwinTable& t) {
  const Lines lines(t);
  const int32_t K = t.fit->listed();
  std::vector<std::string> f;
  put(f, lines.title(true));
  put(f, Lines::header());
  for (int32_t k = 1; k <= K; ++k) put(f, {lines.row(k)});
  put(f, Lines::end(false));
  put(f, Lines::residual(t.fit->residual));
  put(f, std::vector<std::string>(9, ""));
  put(f, {lines.fitRange()});
  put(f, lines.title(false));
  put(f, Lines::header());
  for (int32_t k = 1; k <= lines.fitRows(); ++k) put(f, {lines.row(k)});
  put(f, Lines::end(true));
  put(f, Lines::residual(t.fit->fitResidual));
  put(f, std::vector<std::string>(9, ""));
  return f;
}

void writeChatwinTable(Console& c, OutputGate& gate, const ChatwinTable& t,
                       const TestDescription& test, const std::string& stationName50,
                       const std::function<void()>& dismissScreenPlot) {
  const ChatwinSwitches& cs = test.chatwinPlot;
  if (on(cs.tableOnScreen)) showChatwinTable(c, t, dismissScreenPlot);
  if (on(cs.tableFile))
    gate.writeLines({text::trimmed(chatwinTableFileName(stationName50)), "Chatwin table file", ""},
                    chatwinTableFileLines(t));
  if (on(cs.tableOnScreen)) c.clear();
}

}  // namespace kaldero
