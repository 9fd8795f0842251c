// Kept apart: the X headers define macros (None, Status, ...) that clash
// with ordinary names elsewhere.
#include <X11/Xlib.h>

#include <cstdlib>

#include "plot/plot_device.h"

namespace kaldero::plot {

bool xDisplayAvailable() {
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || *name == '\0') return false;
  Display* display = XOpenDisplay(name);
  if (display == nullptr) return false;
  XCloseDisplay(display);
  return true;
}

}  // namespace kaldero::plot
