#include "core/console.h"

#include <unistd.h>

#include <chrono>
#include <thread>

namespace kaldero {

Console::Console(std::FILE* out, std::FILE* in)
    : Console(out, in, out && isatty(fileno(out)), in && isatty(fileno(in))) {}

Console::Console(std::FILE* out, std::FILE* in, bool outIsTerminal, bool inIsTerminal)
    : out_(out), in_(in), outTerminal_(outIsTerminal), inTerminal_(inIsTerminal) {}

void Console::line(std::string_view s) {
  if (!s.empty()) std::fwrite(s.data(), 1, s.size(), out_);
  std::fputc('\n', out_);
}

void Console::empty(int n) {
  for (int i = 0; i < n; ++i) std::fputc('\n', out_);
}

void Console::write(std::string_view s) {
  if (!s.empty()) std::fwrite(s.data(), 1, s.size(), out_);
}

std::optional<std::string> Console::readLine() {
  std::fflush(out_);
  if (inputEnded_ || in_ == nullptr) return std::nullopt;
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
  if (!outTerminal_) return;
  write("\033[2J\033[H");
  std::fflush(out_);
}

void Console::secondPause() {
  if (!(outTerminal_ && inTerminal_)) return;
  std::fflush(out_);
  std::this_thread::sleep_for(std::chrono::seconds(1));
}

void Console::flush() { std::fflush(out_); }

}  // namespace kaldero
