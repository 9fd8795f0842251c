"""Independent check of the flow-path model and its fit, with SciPy.

Reads a curve written by the flow-path fit test:
    L Td N                      distance (m), release duration (s), paths
    v D M                       N lines: the true paths
    t c q model                 one line a sample: time (s), concentration
                                (ng/L), discharge (m3/s), and the C++ model
                                concentration of the true paths
and prints
    model_difference X          largest |SciPy model - C++ model| / peak
    path v se_v D se_D M se_M   N lines, by increasing velocity
    rss X

The model comes from SciPy's inverse Gaussian distribution: the step
response F(t) is its distribution function with mean L/v and shape
L^2/(2D), the pulse response (F(t) - F(t - Td)) / Td (through the survival
function past the median), the Dirac response its density. The fit is
scipy.optimize.curve_fit (Levenberg-Marquardt) on v, D, M directly, with its
usual covariance s^2 (J^T J)^-1.

Exits with 77 when SciPy is not available.
"""

import sys

try:
    import numpy as np
    from scipy import optimize, stats
except ImportError:
    sys.exit(77)


def response(t, L, v, D, Td):
    mean, shape = L / v, L * L / (2 * D)
    dist = stats.invgauss(mean / shape, scale=shape)
    t = np.asarray(t, dtype=float)
    if Td == 0:
        return np.where(t > 0, dist.pdf(np.maximum(t, 1e-300)), 0.0)
    hi = np.maximum(t, 0.0)
    lo = np.maximum(t - Td, 0.0)
    by_cdf = dist.cdf(hi) - dist.cdf(lo)
    by_sf = dist.sf(lo) - dist.sf(hi)
    return np.where(dist.cdf(lo) < 0.5, by_cdf, by_sf) / Td


def main(path):
    with open(path) as f:
        L, Td, N = f.readline().split()
        L, Td, N = float(L), float(Td), int(N)
        start = [float(x) for _ in range(N) for x in f.readline().split()]
        data = np.loadtxt(f, ndmin=2)
    t, c, q, cpp = data[:, 0], data[:, 1], data[:, 2], data[:, 3]

    def model(t, *p):
        out = np.zeros_like(t)
        for j in range(N):
            v, D, M = p[3 * j:3 * j + 3]
            out += M / q * response(t, L, v, D, Td)
        return out

    # The two models at the true paths.
    print("model_difference %.6e" % (np.max(np.abs(model(t, *start) - cpp)) / np.max(cpp)))

    # Start a little away from the truth, so that the fit has work to do.
    p0 = np.array(start) * np.tile([1.05, 0.9, 1.1], N)
    popt, pcov = optimize.curve_fit(model, t, c, p0=p0, method="lm", maxfev=20000,
                                    xtol=1e-14, ftol=1e-14)
    se = np.sqrt(np.diag(pcov))
    order = np.argsort(popt[0::3])
    for j in order:
        v, D, M = popt[3 * j:3 * j + 3]
        sv, sD, sM = se[3 * j:3 * j + 3]
        print("path %.12e %.6e %.12e %.6e %.12e %.6e" % (v, sv, D, sD, M, sM))
    print("rss %.12e" % np.sum((model(t, *popt) - c) ** 2))


if __name__ == "__main__":
    main(sys.argv[1])
