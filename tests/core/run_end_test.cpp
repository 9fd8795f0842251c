// What the end of a call says: the worst exit status of its runs, and the
// time the run started as its record gives it.
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
  EXPECT_EQ(worseExitStatus(kExitNormal, kExitNormal), kExitNormal);
  EXPECT_EQ(worseExitStatus(kExitNormal, kExitFilesNotWritten), kExitFilesNotWritten);
  EXPECT_EQ(worseExitStatus(kExitFilesNotWritten, kExitNormal), kExitFilesNotWritten);
  EXPECT_EQ(worseExitStatus(kExitFilesNotWritten, kExitStopped), kExitStopped);
  EXPECT_EQ(worseExitStatus(kExitStopped, kExitFilesNotWritten), kExitStopped);
  // Any other status ranks as a stop; of two equal, the first stays.
  EXPECT_EQ(worseExitStatus(kExitFilesNotWritten, kExitInternal), kExitInternal);
  EXPECT_EQ(worseExitStatus(kExitStopped, kExitInternal), kExitStopped);
}

// Sets an environment variable for the test, restoring it afterwards.
class Environment {
 public:
  Environment(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::setenv(name, value, 1);
    ::tzset();
  }
  ~Environment() {
    if (old_)
      ::setenv(name_, old_->c_str(), 1);
    else
      ::unsetenv(name_);
    ::tzset();
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(RunClock, LocalTimeWithItsOffsetAndAFixedEpoch) {
  const Environment tz("TZ", "UTC");
  EXPECT_EQ(isoLocalTime(0), "1970-01-01T00:00:00+0000");
  {
    const Environment berlin("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
    EXPECT_EQ(isoLocalTime(1714642200), "2024-05-02T11:30:00+0200");
    EXPECT_EQ(isoLocalTime(1704067200), "2024-01-01T01:00:00+0100");
  }
  const Environment epoch("SOURCE_DATE_EPOCH", "86399");
  EXPECT_EQ(runStartTime(), "1970-01-01T23:59:59+0000");
}

}  // namespace
}  // namespace kaldero
