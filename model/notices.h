// What a step has to tell the user on the console while it computes: the
// reports of the interpolation package, of the zero-time estimate of the
// tail and of the incomplete beta function, each followed by a wait for
// Enter. The steps return them, in the order they arose, with their
// results; the report layer writes them (report/notices.h) before anything
// the step itself reports, which is where they would have been shown.
#pragma once

#include <cstdint>
#include <vector>

namespace kaldero {

struct Notice {
  enum class Kind {
    IntegrationDerivatives,    // the derivatives of an integral failed (code)
    IntegrationLimits,         // an integral reached beyond the samples (code)
    InterpolationDerivatives,  // the derivatives of an interpolation failed (code)
    InterpolationValues,       // the evaluation of an interpolation failed (code)
    TailTimeDifference,        // the falling limb's times do not increase (a: later, b: earlier)
    TailFunctionViolation,     // the limb ends flat (a, b: the two concentrations)
    BetaBadArgument,           // the incomplete beta function's argument outside 0 to 1
    BetaNoConvergence,         // its continued fraction did not converge
    EmptyLine,                 // an empty console line (after the Chatwin parameters)
  };
  Kind kind;
  int32_t code = 0;
  float a = 0;
  float b = 0;
};

using Notices = std::vector<Notice>;

}  // namespace kaldero
