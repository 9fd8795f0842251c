// The text console: lines and prompts out, whole lines in.
//
// Every wait for the user reads one line. The end of input counts as Enter,
// so a run with standard input closed or piped never hangs. Screen clearing
// and the cosmetic one-second pauses happen only on a terminal.
//
// The reports (what stops the run, warnings, notes) are written inside a
// ReportScope: the console keeps each report's kind and text for the
// results of the run, and in batch mode (for scripts) they are all that
// reaches the output: nothing else is written and nothing is waited for.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/format.h"

namespace kaldero {

// A report as the console showed it.
struct ShownReport {
  enum class Kind { Error, Warning, Note };
  Kind kind = Kind::Note;
  std::string text;  // its lines, each ended by a line end, blank lines left out
};

class Console {
 public:
  // out and in stay owned by the caller. Whether they are terminals decides
  // screen clearing (out) and the one-second pauses (both).
  Console(std::FILE* out, std::FILE* in);
  Console(std::FILE* out, std::FILE* in, bool outIsTerminal, bool inIsTerminal);

  // One formatted line: the text as it stands, then the line end.
  void line(std::string_view s = {});
  // n empty lines.
  void empty(int n = 1);
  // A free-format line (it begins with one blank).
  void free(const fmt::FreeLine& l) { line(l.str()); }
  void free(std::string_view s) { line(fmt::FreeLine(s).str()); }
  // Text without ending the line (a prompt).
  void write(std::string_view s);

  // One line from the keyboard without its line end; nullopt at end of input.
  std::optional<std::string> readLine();
  // Waits for Enter: one line is read and ignored.
  void waitEnter() { (void)readLine(); }
  // The standard pause: an empty line, "Press <RETURN> to continue program"
  // indented 30 blanks, an empty line, then a line is read and ignored.
  void pause();
  // The continue prompt alone (the three lines of the pause, no read).
  void continuePrompt();

  void clear();
  // The one-second pause between processing steps; only when a person is
  // watching (input and output both terminals).
  void secondPause();
  // Window focus and maximizing belong to a windowing console; a text
  // terminal has neither.
  void focus() {}
  void maximize() {}

  void flush();

  bool outIsTerminal() const { return outTerminal_; }

  // Batch mode: only reports are written and every read meets the end of
  // input at once.
  void setBatch(bool batch) { batch_ = batch; }
  bool batch() const { return batch_; }
  // A line written in batch mode whatever the scope (the summaries).
  void summary(std::string_view s);

  // The reports shown since the last call, in order.
  std::vector<ShownReport> takeReports();

  // The lines written while it lives are a report of its kind (nested
  // scopes belong to the outermost).
  class ReportScope {
   public:
    ReportScope(Console& console, ShownReport::Kind kind);
    ~ReportScope();
    ReportScope(const ReportScope&) = delete;
    ReportScope& operator=(const ReportScope&) = delete;

   private:
    Console& console_;
  };

 private:
  std::FILE* out_;
  std::FILE* in_;
  bool outTerminal_;
  bool inTerminal_;
  bool inputEnded_ = false;
  bool batch_ = false;
  int reportDepth_ = 0;
  ShownReport current_;
  std::vector<ShownReport> reports_;

  // Whether output reaches the stream: always, except outside a report in
  // batch mode.
  bool shown() const { return !batch_ || reportDepth_ > 0; }
  void record(std::string_view s);
};

}  // namespace kaldero
