// What the end of a call reads: the worst exit status of its runs, and the
// start time of a run as its record gives it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "core/run_clock.h"
#include "core/stop.h"

namespace kaldero {
namespace {

TEST(ExitStatus, StoppedIsWorseThanFilesNotWrittenWorseThanNormal) {
  EXPECT_EQ(worseExitStatus(kExitNormal, kExitFilesNotWritten), kExitFilesNotWritten);
  EXPECT_EQ(worseExitStatus(kExitFilesNotWritten, kExitNormal), kExitFilesNotWritten);
  EXPECT_EQ(worseExitStatus(kExitFilesNotWritten, kExitStopped), kExitStopped);
  EXPECT_EQ(worseExitStatus(kExitStopped, kExitFilesNotWritten), kExitStopped);
  // Any other status ranks as a stop; of two equal, the first stays.
  EXPECT_EQ(worseExitStatus(kExitFilesNotWritten, kExitInternal), kExitInternal);
  EXPECT_EQ(worseExitStatus(kExitStopped, kExitInternal), kExitStopped);
}

// Sets an environment variable for the life of the object.
class Setting {
 public:
  Setting(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::setenv(name, value, 1);
    ::tzset();
  }
  ~Setting() {
    old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_);
    ::tzset();
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(RunClock, LocalTimeWithItsOffsetAndAFixedEpoch) {
  const Setting tz("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
  EXPECT_EQ(isoLocalTime(1714642200), "2024-05-02T11:30:00+0200");
  EXPECT_EQ(isoLocalTime(1704067200), "2024-01-01T01:00:00+0100");
  const Setting epoch("SOURCE_DATE_EPOCH", "86399");
  EXPECT_EQ(runStartTime(), "1970-01-02T00:59:59+0100");
}

}  // namespace
}  // namespace kaldero
