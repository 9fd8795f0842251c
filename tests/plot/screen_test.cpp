// The screen windows on a real X display: an Xvfb server started for the
// test on a display number it picks itself.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

#include "plot/plot_conventions.h"
#include "tests/plot/plot_fixture.h"

#include <X11/Xlib.h>  // last: its macros clash with ordinary names
#include <X11/Xutil.h>

namespace kaldero::testing {
namespace {

// An X server of its own for the test; stopped at the end.
class VirtualDisplay {
 public:
  VirtualDisplay() {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      const int devnull = open("/dev/null", O_RDWR);
      dup2(devnull, 0);
      dup2(devnull, 1);
      dup2(devnull, 2);
      const std::string fd = std::to_string(fds[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-noreset", "-screen", "0",
             "1280x1024x24", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    if (pid_ < 0) {
      close(fds[0]);
      return;
    }
    // The server writes its display number once it accepts connections.
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    char c;
    while (poll(&p, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (!number.empty()) name_ = ":" + number;
  }
  ~VirtualDisplay() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  const std::optional<std::string>& name() const { return name_; }

 private:
  pid_t pid_ = -1;
  std::optional<std::string> name_;
};

// Standard error into a file while it lives.
class StderrCapture {
 public:
  explicit StderrCapture(std::string path) : path_(std::move(path)) {
    std::fflush(stderr);
    saved_ = dup(2);
    const int fd = open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(fd, 2);
    close(fd);
  }
  std::string text() {
    std::fflush(stderr);
    std::ifstream in(path_);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  ~StderrCapture() {
    std::fflush(stderr);
    dup2(saved_, 2);
    close(saved_);
  }

 private:
  std::string path_;
  int saved_ = -1;
};

int mappedTopWindows(const std::string& display) {
  Display* d = XOpenDisplay(display.c_str());
  if (d == nullptr) return -1;
  Window root, parent, *children = nullptr;
  unsigned int n = 0;
  int mapped = 0;
  if (XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &n)) {
    for (unsigned int i = 0; i < n; ++i) {
      XWindowAttributes a;
      if (XGetWindowAttributes(d, children[i], &a) && a.map_state == IsViewable) ++mapped;
    }
    XFree(children);
  }
  XCloseDisplay(d);
  return mapped;
}

// Pixels of the first mapped top-level window that differ from its corner
// (the background): a drawn plot has many.
int drawnPixels(const std::string& display) {
  Display* d = XOpenDisplay(display.c_str());
  if (d == nullptr) return -1;
  Window root, parent, *children = nullptr;
  unsigned int n = 0;
  int drawn = -1;
  if (XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &n)) {
    for (unsigned int i = 0; i < n && drawn < 0; ++i) {
      XWindowAttributes a;
      if (!XGetWindowAttributes(d, children[i], &a) || a.map_state != IsViewable) continue;
      // Read from the root window: the part of the window on the screen.
      const int w = std::min(a.width, DisplayWidth(d, 0) - a.x);
      const int h = std::min(a.height, DisplayHeight(d, 0) - a.y);
      if (w <= 0 || h <= 0) continue;
      XImage* img = XGetImage(d, DefaultRootWindow(d), a.x, a.y, static_cast<unsigned>(w),
                              static_cast<unsigned>(h), AllPlanes, ZPixmap);
      if (img == nullptr) continue;
      const unsigned long background = XGetPixel(img, 0, 0);
      drawn = 0;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          if (XGetPixel(img, x, y) != background) ++drawn;
      XDestroyImage(img);
    }
    XFree(children);
  }
  XCloseDisplay(d);
  return drawn;
}

TEST(ScreenDevice, NullDeviceWithoutDisplay) {
  unsetenv("DISPLAY");
  plot::PlotDevices devices;
  EXPECT_EQ(devices.screenDevice(), "/null");
  setenv("DISPLAY", ":9999", 1);  // nothing listens there
  plot::PlotDevices other;
  EXPECT_EQ(other.screenDevice(), "/null");
}

TEST(ScreenDevice, DataPlotWindowUnderXvfb) {
  VirtualDisplay x;
  if (!x.name()) GTEST_SKIP() << "SKIPPED: the Xvfb X server could not be started (is xvfb installed?)";
  setenv("DISPLAY", x.name()->c_str(), 1);
  ScratchDir dir;
  WorkingDir wd(dir.dir());
  CapturedConsole console;
  TestDescription test;
  test.timeUnit = TimeUnit::Hours;
  test.dischargeMode = DischargeMode::Measured;
  test.dataPlot = switches(0, 1, 1, 1);
  const Samples s = breakthrough(30, 1.0f, 30.0f, 6.0f, 5.0f);
  StderrCapture err(dir.path("stderr.txt"));
  {
    plot::PlotState state;
    ASSERT_EQ(state.devices.screenDevice(), "/xw");
    OutputGate gate(console.console());
    plot::PlotContext ctx{console.console(), state, test, text::padded("SCREEN.DAT"), gate};
    plot::dataPlot(ctx, s.curve(), TailFit{}, 0, 1, ExtrapolationMethod{0}, 1);
    EXPECT_TRUE(state.devices.screenOpen(plot::dataWindow(0)));
    EXPECT_EQ(mappedTopWindows(*x.name()), 1);
    EXPECT_GT(drawnPixels(*x.name()), 2000);
    // The next station draws into the same window.
    plot::dataPlot(ctx, s.curve(), TailFit{}, 0, 1, ExtrapolationMethod{0}, 2);
    EXPECT_EQ(mappedTopWindows(*x.name()), 1);
    plot::closeGraphicsWindow(console.console(), state);
    EXPECT_EQ(mappedTopWindows(*x.name()), 0);
  }
  EXPECT_EQ(err.text(), "");
  EXPECT_EQ(console.output(), "");
  EXPECT_TRUE(std::filesystem::exists(dir.path("SCREEN_DAT.PS")));
}

}  // namespace
}  // namespace kaldero::testing
