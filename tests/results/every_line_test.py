"""--every-line on a long record whose exact answers are known, and the
thinning said aloud without it.

The station: an instantaneous release of 0.57 of the injected 1 kg into one
advection-dispersion flow path (the flux concentration of Kreft and Zuber,
L = 1000 m, v = 0.01 m/s, D = 0.1 m2/s, constant discharge 2 m3/s),
written by this test at 200,000 lines, one every 2.5 s from 2.5 s to
500,000 s. The flux density's moments are exact: mean L/v = 1e5 s, variance
2 D L / v^3 = 2e8 s^2, so the recovery is 57.0 %, the mean transit time
27.7778 h, the variance 15.4321 h^2 and the dispersion coefficient by
moments 0.1 m2/s; the window holds all but 1e-12 of the mass.

- With --every-line every line is analysed: the results file gives those
  values within 0.1 %, says "every line" and has analysed 200,000 samples.
- Without it the file is thinned to group means of 250 lines (800
  samples): the listing is byte for byte the one the
  program wrote before the measured record was kept
  (data/every_line_thinned.OUT, written by the landed program of
  2026-12-08 on this very file), and the console and the results file's
  reports say how the lines were thinned.

usage: every_line_test.py KALDERO WORK"""
import json
import math
import os
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import common  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
L, V, D, Q = 1000.0, 0.01, 0.1, 2.0
MASS_UG = 0.57e9
LINES, STEP = 200000, 2.5


def header(reduction):
    """The 64 header lines: seconds, ug/L, constant discharge, a conduit."""
    h = ["TIME UNIT CODE", "4", "CONCENTRATION UNIT CODE", "3",
         "BACKGROUND OPTION, BACKGROUND CONCENTRATION", "0",
         "DISCHARGE MODE", "2", "DISCHARGE UNIT CODE", "AND CONSTANT DISCHARGE", "4 %g" % Q,
         "STATION-TOTALS OPTION", "1", "DISTANCE UNIT, TRAVEL DISTANCE", "1 %g" % L,
         "SINUOSITY OPTION, FACTOR", "0", "FLOW-GEOMETRY CODE", "POROSITY", "1",
         "CONDUCTIVITY UNIT CODE", "HYDRAULIC CONDUCTIVITY", "0",
         "RESULTS LISTING", "LONG.OUT", "KNOT OPTION, INTERVALS", "0",
         "INTERPOLATED-DATA FILE", "LONG.INT", "EXTRAPOLATION OPTION, METHOD", "0",
         "DATA PLOT SWITCHES", "0 0 0 0", "INTERPOLATED PLOT SWITCHES", "0 0 0 0",
         "CHATWIN SWITCHES", "0 0 0 0", "CXTFIT OPTION, SETTINGS", "0 1 0",
         "CXTFIT FILE", "LONG.CXT", "NORMALIZED FILE OPTION", "0", "NORMALIZED FILE", "LONG.NRM",
         "NORMALIZED PLOT SWITCHES", "0 0 0 0", "LOAD FILE OPTION", "0", "LOAD FILE", "LONG.LOD",
         "LOAD PLOT SWITCHES", "0 0 0 0", "STANDARDIZED FILE OPTION", "0",
         "STANDARDIZED FILE", "LONG.STN", "STANDARDIZED PLOT SWITCHES", "0 0 0 0",
         "SCREEN-ECHO OPTION", "0", "DATA-REDUCTION MODE", reduction,
         "TIME CONCENTRATION"]
    assert len(h) == 64
    return "\n".join(h) + "\n"


def concentration(t):
    """ug/L at t s: M / Q times the flux density, ug/m3 to ug/L."""
    density = L / math.sqrt(4 * math.pi * D * t ** 3) * math.exp(-(L - V * t) ** 2 / (4 * D * t))
    return MASS_UG * density / Q / 1000.0


def write_station(folder):
    with open(os.path.join(folder, "LONG.DAT"), "w") as f:
        f.write(header("1"))
        for i in range(1, LINES + 1):
            t = STEP * i
            f.write("%g %.7g\n" % (t, concentration(t)))
    with open(os.path.join(folder, "KALDERO.D"), "w") as f:
        f.write("A LONG RECORD\n1.0\nMASS UNIT\n2\nRELEASE MODE, DURATION\n1 0\n"
                "FLOW-ZONE ARRIVAL\n0.0\nSTATIONS\nLONG.DAT\n")


def main():
    exe, work = common.usage(sys.argv, ["KALDERO", "WORK"])
    exe = os.path.abspath(exe)
    c = common.Checks()

    folder = common.fresh_folder(os.path.join(work, "every_line"))
    write_station(folder)
    proc = common.run(exe, folder, ["--batch", "--every-line", "--results", "r.json",
                                    "KALDERO.D"])
    c.check(proc.returncode == 0, f"--every-line: exit status {proc.returncode}")
    doc = json.load(open(os.path.join(folder, "r.json"), encoding="utf-8"))
    st = doc["stations"][0]
    r = st["results"]
    exact = {"recovered_mass_kg": 0.57, "percent_recovery": 57.0,
             "mean_transit_time_h": L / V / 3600, "transit_time_variance_h2": 2 * D * L / V ** 3 / 3600 ** 2,
             "moment_dispersion_coefficient_m2_per_s": D,
             "signed_recovered_mass_kg": 0.57, "signed_mean_transit_time_h": L / V / 3600}
    for name, value in exact.items():
        got = r.get(name)
        c.check(got is not None and abs(got - value) <= 1e-3 * abs(value),
                f"--every-line: {name} {got}, exact {value:.6g}")
    c.check(st["samples_analysed"] == LINES and st["data_lines"] == LINES,
            f"--every-line: {st['samples_analysed']} samples of {st['data_lines']} lines")
    c.check(st["test_description"]["data_reduction"] == "every line",
            f"--every-line: data_reduction {st['test_description']['data_reduction']!r}")
    c.check(not any("ANALYSED AS" in x["text"] for x in st["reports"]),
            "--every-line: a thinning is reported")

    folder = common.fresh_folder(os.path.join(work, "thinned"))
    write_station(folder)
    proc = common.run(exe, folder, ["--batch", "--results", "r.json", "KALDERO.D"])
    c.check(proc.returncode == 0, f"thinned: exit status {proc.returncode}")
    listing = open(os.path.join(folder, "LONG.OUT"), "rb").read()
    expected = open(os.path.join(HERE, "data", "every_line_thinned.OUT"), "rb").read()
    c.check(listing == expected, "thinned: the listing is not the one written before")
    warning = ("WARNING: LONG.DAT: 200000 DATA LINES ARE ANALYSED AS 800 SAMPLES, GROUP MEANS OF "
               "250 LINES (MORE THAN 6000 LINES IN DATA-REDUCTION MODE 1); --every-line ANALYSES "
               "EVERY LINE")
    c.check(warning in proc.stdout.decode("cp1252"), "thinned: no warning on the console")
    doc = json.load(open(os.path.join(folder, "r.json"), encoding="utf-8"))
    st = doc["stations"][0]
    c.check(any(warning in x["text"] for x in st["reports"]), "thinned: no warning in the reports")
    c.check(st["test_description"]["data_reduction"] ==
            "group means of 250 lines: more than 6000 lines in data-reduction mode 1",
            f"thinned: data_reduction {st['test_description']['data_reduction']!r}")
    c.check(st["test_description"]["data_reduction_asked"] == "every line",
            "thinned: data_reduction_asked")
    c.check(st["samples_analysed"] == 800, f"thinned: {st['samples_analysed']} samples analysed")
    return c.finish()


if __name__ == "__main__":
    sys.exit(main())
