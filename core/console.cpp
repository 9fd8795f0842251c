#include "core/console.h"

#include <unistd.h>

#include <chrono>
#include <thread>

namespace kaldero {

Console::Console(std::FILE* out, std::FILE* in)
    : Console(out, in, out && isatty(fileno(out)), in && isatty(fileno(in))) {}

Console::Console(std::FILE* out, std::FILE* in, bool outIsTerminal, bool inIsTerminal)
    : out_(out), in_(in), outTerminal_(outIsTerminal), inTerminal_(inIsTerminal) {}

// The text of a report line as the results keep it: without the blanks
// around it and without the asterisks of frames and boxes.
void Console::record(std::string_view s) {
  if (reportDepth_ == 0) return;
  auto trim = [](std::string_view t) {
    const std::size_t a = t.find_first_not_of(' ');
    if (a == std::string_view::npos) return std::string_view{};
    return t.substr(a, t.find_last_not_of(' ') - a + 1);
  };
  std::string_view t = trim(s);
  // A boxed line: an asterisk, the text padded with blanks, an asterisk
  // (not a line of its own that begins and ends with asterisks, such as the
  // "**ERROR**>" frame of a value).
  if (t.size() >= 3 && t.front() == '*' && t.back() == '*' && t[1] == ' ' && t[t.size() - 2] == ' ')
    t = trim(t.substr(1, t.size() - 2));
  if (t.empty() || t.find_first_not_of('*') == std::string_view::npos) return;
  current_.text += t;
  current_.text += '\n';
}

void Console::line(std::string_view s) {
  record(s);
  if (!shown()) return;
  if (!s.empty()) std::fwrite(s.data(), 1, s.size(), out_);
  std::fputc('\n', out_);
}

void Console::empty(int n) {
  if (!shown()) return;
  for (int i = 0; i < n; ++i) std::fputc('\n', out_);
}

void Console::write(std::string_view s) {
  record(s);
  if (!shown()) return;
  if (!s.empty()) std::fwrite(s.data(), 1, s.size(), out_);
}

void Console::summary(std::string_view s) {
  std::fwrite(s.data(), 1, s.size(), out_);
  std::fputc('\n', out_);
}

std::vector<ShownReport> Console::takeReports() {
  std::vector<ShownReport> out;
  out.swap(reports_);
  return out;
}

Console::ReportScope::ReportScope(Console& c, ShownReport::Kind kind) : console_(c) {
  if (c.reportDepth_++ == 0) c.current_ = ShownReport{kind, {}};
}

Console::ReportScope::~ReportScope() {
  if (--console_.reportDepth_ == 0 && !console_.current_.text.empty())
    console_.reports_.push_back(std::move(console_.current_));
}

std::optional<std::string> Console::readLine() {
  std::fflush(out_);
  if (inputEnded_ || in_ == nullptr || batch_) return std::nullopt;
  std::string s;
  int c;
  bool any = false;
  while ((c = std::fgetc(in_)) != EOF) {
    any = true;
    if (c == '\n') break;
    s += static_cast<char>(c);
  }
  if (c == EOF) {
    inputEnded_ = true;
    if (!any) return std::nullopt;
  }
  if (!s.empty() && s.back() == '\r') s.pop_back();
  return s;
}

void Console::continuePrompt() {
  empty();
  line(std::string(30, ' ') + "Press <RETURN> to continue program");
  empty();
}

void Console::pause() {
  continuePrompt();
  waitEnter();
}

void Console::clear() {
  if (!outTerminal_ || batch_) return;
  write("\033[2J\033[H");
  std::fflush(out_);
}

void Console::secondPause() {
  if (!(outTerminal_ && inTerminal_) || batch_) return;
  std::fflush(out_);
  std::this_thread::sleep_for(std::chrono::seconds(1));
}

void Console::flush() { std::fflush(out_); }

}  // namespace kaldero
