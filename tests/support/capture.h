// A console whose output is collected in memory and whose keyboard input is
// a given text. As a terminal it also writes the screen controls (the
// clearing of the screen).
#pragma once

#include <cstdio>
#include <string>

#include "core/console.h"

namespace kaldero::testing {

class CapturedConsole {
 public:
  explicit CapturedConsole(const std::string& input = "", bool terminal = false) : input_(input) {
    out_ = open_memstream(&buf_, &size_);
    in_ = input_.empty() ? nullptr : fmemopen(input_.data(), input_.size(), "r");
    console_ = new Console(out_, in_, terminal, false);
  }
  ~CapturedConsole() {
    delete console_;
    std::fclose(out_);
    if (in_) std::fclose(in_);
    std::free(buf_);
  }
  Console& console() { return *console_; }
  std::string output() {
    std::fflush(out_);
    return std::string(buf_, size_);
  }

 private:
  std::string input_;
  char* buf_ = nullptr;
  std::size_t size_ = 0;
  std::FILE* out_ = nullptr;
  std::FILE* in_ = nullptr;
  Console* console_ = nullptr;
};

}  // namespace kaldero::testing
