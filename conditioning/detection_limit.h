// Readings below a detection limit (--detection-limit): censored. Such a
// reading says only that the concentration lies between the background and
// the limit; the analyses beyond the listing (the signed estimates and each
// uncertainty draw) put in its place
//   - before the curve (which starts at the first of two successive
//     readings at or above the limit, the first arrival above the limit):
//     the rising limb continued backwards;
//   - after the curve (which ends at the last of two successive readings
//     at or above the limit): the falling limb continued;
//   - between two readings of the curve: the middle of the censored range
//     in the signed estimates, a value drawn uniformly in it in each draw
//     (nothing more is known of it).
// A limb is the exponential of a parabola curved down (a Gaussian shape in
// time) fitted by least squares to the logarithms of the tracer
// concentrations of the curve's readings on that side of the peak; or,
// where that is not curved down or does not fall away from the curve, of a
// straight line (an exponential); never above the limit. Without either
// (fewer readings than terms plus one), the background: no tracer.
// A lone reading at or above the limit outside the curve is taken for
// noise and censored: a limit of three standard deviations of the noise is
// passed by one reading of the background in 700, by two successive ones
// once in 500,000.
//
// Why limbs and not half the limit everywhere: on a record that runs long
// before and after the curve, a constant level adds tracer where there is
// none (more than the curve holds when the limit is a few percent of the
// peak and the record a few times the transit time). Why this shape: over
// generated curves of one advection-dispersion path with a limit of 6 % of
// the peak, the tracer below the limit before and after the curve holds
// 1.5 % of the mass; leaving it out moves the mean transit time by -0.12 %
// and the dispersion coefficient by -8 %, an exponential recession adds
// 0.3 % to the mean transit time, the fitted parabolas leave both within
// 0.2 % on noise-free curves.
//
// Values in the station's concentration and time units, as read. Computes
// only.
#pragma once

#include <cstddef>
#include <optional>
#include <span>

#include "numeric/random.h"

namespace kaldero {

class Censoring {
 public:
  // Of the readings C at times T (increasing) with the limit and the
  // background (0 when none is subtracted). A reading is censored when it
  // is below the limit or, with measured given (the station's own
  // readings, read by read, of which C is a draw), when that one is: the
  // draws keep the record's censoring, the readings it resolved perturbed
  // and those it did not put in place again from the draw's own limbs. (A
  // draw that censored its own readings anew would censor more than the
  // record, never less, since what lies below the limit is not known to
  // rise above it: its curve would start later and end sooner than the
  // record's.)
  Censoring(std::span<const float> T, std::span<const float> C, float limit, float background,
            std::span<const float> measured = {});

  bool censored(std::size_t i, float reading) const {
    return i < also_.size() ? also_[i] < limit_ : reading < limit_;
  }
  // Whether read i lies from the first to the last detected reading; a
  // reading outside, at or above the limit, is a lone one taken for noise
  // and censored.
  bool inCurve(std::size_t i) const;
  // The reading in the place of censored read i at time t; share in [0, 1]
  // places a reading between two detected ones in the censored range (0.5:
  // its middle).
  float substitute(std::size_t i, float t, double share) const;

  // The first and last readings of the curve (at or above the limit); none
  // without one.
  std::optional<std::size_t> firstDetected() const { return first_; }
  std::optional<std::size_t> lastDetected() const { return last_; }

 private:
  float limit_, floor_;  // the censored range: the background (at most the limit) to the limit
  float background_;
  std::span<const float> also_;
  std::optional<std::size_t> first_, last_;
  // ln(c - background) = a + b x + q x^2 on a limb, x = t - t0 from the
  // peak's time t0.
  struct Limb {
    double a, b, q;
  };
  std::optional<Limb> rise_, recession_;  // q < 0; q = 0 and b < 0
  double t0_ = 0;
};

// Every censored reading of C replaced: those between detected ones by
// values drawn uniformly in the censored range (rng), or its middle
// without rng.
void replaceCensored(const Censoring& censoring, std::span<const float> T, std::span<float> C,
                     numeric::Random* rng);

}  // namespace kaldero
