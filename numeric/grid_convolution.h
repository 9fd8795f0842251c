// The convolution of a measured input flux with responses of a flow path:
// what reaches a station downstream of another is the upstream station's
// flux passed through the reach,
//   y(t) = integral f(tau) g(t - tau) dtau,
// f the upstream flux (piecewise linear between its samples, 0 before the
// first and after the last), g the reach's unit-mass response.
//
// On a grid of step h from time 0: f is taken as its exact mean over each
// cell [k h, (k+1) h); a response is given by its integral over each cell,
// G_j = integral over [j h, (j+1) h] of g. For a flux constant on each
// cell the convolution at the grid times is then exact,
//   y(m h) = sum_k f_k G_(m-k-1),
// (the step response's differences: y(t) = sum_k f_k (F(t - k h) -
// F(t - (k+1) h))); between grid times y is read linearly. The sum is made
// by FFT (zero-padded, so no wrap-around), the input's spectrum kept: each
// response costs two transforms of twice the grid's length.
//
// Units as the caller's (s; a flux in mass per s gives, with a response in
// 1/s, mass per s). Double precision; computes only.
#pragma once

#include <complex>
#include <memory>
#include <span>
#include <vector>

namespace kaldero::numeric {

class GridConvolution {
 public:
  // The input's samples (times increasing, at least two), the last time at
  // which the convolution is read, the grid step h.
  GridConvolution(std::span<const double> inputTimes, std::span<const double> inputFlux,
                  double lastTime, double h);
  ~GridConvolution();
  GridConvolution(GridConvolution&&) noexcept;
  GridConvolution& operator=(GridConvolution&&) noexcept;

  double step() const { return h_; }
  // The grid's cells: G holds one integral a cell.
  std::size_t cells() const { return cells_; }
  // The input's integral, mean time and variance about it (of the cell
  // means, as convolved).
  double inputIntegral() const { return integral_; }
  double inputMean() const { return mean_; }
  double inputVariance() const { return variance_; }

  // The convolution of the input with the response whose cell integrals
  // are G (cells() of them), at the times (0 to the last time), into out.
  void apply(std::span<const double> G, std::span<const double> times,
             std::span<double> out) const;

  // Where the grid is read at given times (the grid time at or before each
  // and the weight of the next one, linearly), made once for times that
  // are read many times (a fit's samples at every evaluation).
  struct Reading {
    std::vector<std::size_t> at;  // 0 to cells() + 1 (cells() + 1: past the grid)
    std::vector<double> next;     // the weight of grid time at + 1
  };
  Reading reading(std::span<const double> times) const;
  void apply(std::span<const double> G, const Reading& reading, std::span<double> out) const;
  // The convolution at the grid's times h, 2 h, ..., cells() h (cells()
  // values into out): what apply() reads linearly (0 at time 0 and past the
  // grid).
  void nodeValues(std::span<const double> G, std::span<double> out) const;

  // The mean over each cell of another flux at its own times (piecewise
  // linear, 0 outside them), as the grid takes the input's.
  std::vector<double> cellMeans(std::span<const double> times,
                                std::span<const double> flux) const;
  // The zero-padded spectrum of a response's cell integrals G; a weighted
  // sum of spectra is that of the weighted sum of the responses.
  std::vector<std::complex<double>> responseSpectrum(std::span<const double> G) const;
  // The integral of a flux given by its cell means.
  double integralOf(std::span<const double> cellMeans) const;
  // The convolution of a flux given by its cell means with the response of
  // the given spectrum, read as apply() reads (linear in the cell means).
  void convolve(std::span<const double> cellMeans, std::span<const std::complex<double>> spectrum,
                const Reading& reading, std::span<double> out) const;
  // The adjoint of apply() in the input's cell means f_k: for weights ybar
  // at the reading's times, fbar_k = d (sum_i ybar_i out_i) / d f_k for the
  // response of the given spectrum (cells() values into fbar).
  void adjoint(std::span<const std::complex<double>> spectrum, const Reading& reading,
               std::span<const double> ybar, std::span<double> fbar) const;

 private:
  // The inverse transform of a product of spectra, read at the reading.
  void read(std::vector<std::complex<double>>& product, const Reading& reading,
            std::span<double> out) const;
  struct Transform;
  std::unique_ptr<Transform> fft_;
  std::vector<std::complex<double>> inputSpectrum_;
  std::size_t cells_ = 0, padded_ = 0;
  double h_ = 1, integral_ = 0, mean_ = 0, variance_ = 0;
};

}  // namespace kaldero::numeric
