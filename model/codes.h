// The codes read from the control file and the station data files. Each
// becomes an enumeration where it is read; the program compares names, not
// numbers. A code that is none of the names keeps its value (the steps that
// meet one leave out what it would select, as the files allow any integer).
#pragma once

#include <cstdint>

#include "core/units.h"

namespace kaldero {

// The unit of the hydraulic conductivity (or fissure height) of header line
// 23. The codes have no names of their own: porous zones scale the value by
// 3600 (code 2), 0.3048 (code 3) or both (code 4); fractures take code 2 as a
// height in feet, and code 2 also shows the lengths of conduits and
// fractures in feet. A porous zone with code 0 is not described.
enum class ConductivityUnit : int32_t { None = 0, Code1 = 1, Code2 = 2, Code3 = 3, Code4 = 4 };

// How the discharge is given: a column of the data lines, or one value for
// the whole test.
enum class DischargeMode : int32_t { Measured = 1, Constant = 2 };

enum class FlowForm : int32_t { Conduit = 1, ConduitZone = 2, PorousZone = 3, Fractures = 4 };

// Step: a release written as a step input into the CXTFIT file.
enum class ReleaseMode : int32_t { Instantaneous = 1, Pulse = 2, Step = 3 };

enum class ExtrapolationMethod : int32_t { Exponential = 1, Pchip = 2, ZeroTime = 3 };

enum class ReductionMode : int32_t { EveryLine = 1, GroupMeans = 2, EveryKth = 3 };

// A yes/no option or switch of the header: on only when it is 1.
enum class Option : int32_t { Off = 0, On = 1 };
inline bool on(Option o) { return o == Option::On; }

// The four switches of a plot, in the order of the header line.
struct PlotSwitches {
  Option listing = Option::Off;     // the data listing on the console
  Option points = Option::Off;      // points on the screen plot
  Option curve = Option::Off;       // the curve on the screen plot
  Option postscript = Option::Off;  // the PostScript file

  bool any() const {
    return listing != Option::Off || points != Option::Off || curve != Option::Off ||
           postscript != Option::Off;
  }
  // Whether the plot shows on the screen.
  bool onScreen() const { return on(points) || on(curve); }
};

// The four Chatwin switches, in the order of the header line.
struct ChatwinSwitches {
  Option tableOnScreen = Option::Off;
  Option tableFile = Option::Off;
  Option screenPlot = Option::Off;
  Option postscript = Option::Off;
};

// A code as the integer it was read as (for messages and files).
template <class E>
constexpr int32_t code(E e) {
  return static_cast<int32_t>(e);
}

}  // namespace kaldero
