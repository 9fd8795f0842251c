#include "core/scratch_files.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <regex>
#include <system_error>

namespace kaldero {

namespace fs = std::filesystem;

std::string scratchTag() { return "kaldero-" + std::to_string(::getpid()) + "-"; }

std::vector<std::string> removeStaleScratchFiles(const std::string& folder) {
  // A hidden name, an optional file name before the tag, the process id,
  // six random characters and an optional extension.
  static const std::regex kScratch(R"(^\.(.*\.)?kaldero-([0-9]{1,9})-[A-Za-z0-9]{6}(\.[a-z]{1,4})?$)");
  std::vector<std::string> removed;
  std::error_code ec;
  const fs::path dir = folder.empty() ? fs::path(".") : fs::path(folder);
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    std::smatch m;
    if (name.empty() || name[0] != '.' || !std::regex_match(name, m, kScratch)) continue;
    const long pid = std::stol(m[2].str());
    if (pid <= 0 || pid == ::getpid()) continue;
    // The process must be gone: kill(pid, 0) says ESRCH only then (EPERM:
    // it runs, as another user).
    if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
    struct stat st {};
    if (::lstat(it->path().c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::getuid())
      continue;
    std::error_code gone;
    if (fs::remove(it->path(), gone)) removed.push_back(name);
  }
  return removed;
}

}  // namespace kaldero
