// Files with given contents in a fresh scratch directory, removed at the end
// of the test.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

namespace kaldero::testing {

class ScratchDir {
 public:
  // A tag tells apart the directories of helpers within one test.
  explicit ScratchDir(const std::string& tag = "") {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info ? info->test_suite_name() : "t") + "." +
                       (info ? info->name() : "t");
    if (!tag.empty()) name += "-" + tag;
    // Test runs of other builds or checkouts may run at the same time.
    name += "-" + std::to_string(::getpid());
    for (char& ch : name)
      if (ch == '/') ch = '_';
    dir_ = std::filesystem::temp_directory_path() / ("kaldero-test-" + name);
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  ~ScratchDir() { std::filesystem::remove_all(dir_); }

  std::string write(const std::string& name, const std::string& contents) const {
    const auto p = dir_ / name;
    std::ofstream(p, std::ios::binary) << contents;
    return p.string();
  }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  std::string read(const std::string& name) const {
    std::ifstream in(dir_ / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  const std::filesystem::path& dir() const { return dir_; }

 private:
  std::filesystem::path dir_;
};

// Makes a directory the working directory for the lifetime of the object,
// so that file names stay short (names are cut at 50 characters).
class InDirectory {
 public:
  explicit InDirectory(const std::filesystem::path& dir)
      : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  ~InDirectory() { std::filesystem::current_path(previous_); }

 private:
  std::filesystem::path previous_;
};

}  // namespace kaldero::testing
