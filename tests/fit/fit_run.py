"""The flow-path fit through the whole program (--fit): synthetic curves of
known paths, computed here from the advection-dispersion solution written
out independently of the program, in the station units of a field file
(hours, ug/L, m3/s). The program must give back the paths it was made from,
choose the right number of paths, and write the fit file and figures.

Usage: fit_run.py KALDERO_EXE HEADER_TEMPLATE WORK_DIR
"""
import json
import math
import os
import shutil
import subprocess
import sys

exe, template, work = sys.argv[1:4]
failures = []

L = 300.0   # m
Q = 0.05    # m3/s


def dirac(t, v, D):
    """Flux concentration per unit mass and discharge (1/m3) at time t (s)."""
    if t <= 0:
        return 0.0
    return L / math.sqrt(4 * math.pi * D * t ** 3) * math.exp(-(L - v * t) ** 2 / (4 * D * t))


def step(t, v, D):
    """Time integral of the Dirac response from 0 to t."""
    if t <= 0:
        return 0.0
    a = (L - v * t) / math.sqrt(4 * D * t)
    b = (L + v * t) / math.sqrt(4 * D * t)
    return 0.5 * math.erfc(a) + 0.5 * math.exp(v * L / D) * math.erfc(b)


def concentration(t, paths, release):
    """ug/L at time t (s) for paths of (v m/s, D m2/s, mass g)."""
    total = 0.0
    for v, D, grams in paths:
        ug = grams * 1e6
        if release > 0:
            h = (step(t, v, D) - step(t - release, v, D)) / release
        else:
            h = dirac(t, v, D)
        total += ug / Q * h  # ug/m3 = ng/L
    return total * 1e-3


def station(name, paths, release, hours, dt, noise=None):
    """A station file of samples every dt hours up to hours; noise(i), when
    given, is added to the i-th concentration (ug/L)."""
    with open(template) as f:
        head = f.read().splitlines()[:64]
    head = [line.replace("A.", name + ".") if line.startswith("A.") else line for line in head]
    lines = head[:]
    i = 0
    while i * dt <= hours + 1e-9:
        t = i * dt
        c = concentration(t * 3600, paths, release) + (noise(i) if noise else 0.0)
        lines.append("%.6f %.6g" % (t, c))
        i += 1
    with open(os.path.join(work, name + ".DAT"), "w") as f:
        f.write("\n".join(lines) + "\n")


def control(names, grams, release_hours):
    mode = "2 %.3f" % release_hours if release_hours > 0 else "1"
    text = ["SYNTHETIC FLOW PATHS", "%.3f" % grams, "MASS UNIT CODE", "3",
            "RELEASE MODE, DURATION", mode, "FLOW-ZONE ARRIVAL TIME IN HOURS", "0.0",
            "STATION DATA FILES"] + [n + ".DAT" for n in names]
    with open(os.path.join(work, "KALDERO.D"), "w") as f:
        f.write("\n".join(text) + "\n")


def run(*options):
    r = subprocess.run([exe, "--batch", "--results", "r.json"] + list(options) + ["KALDERO.D"],
                       cwd=work, stdin=subprocess.DEVNULL, capture_output=True, text=True,
                       timeout=120)
    if r.returncode != 0:
        failures.append("exit status %d with %s:\n%s" % (r.returncode, options, r.stdout[-2000:]))
        return None
    with open(os.path.join(work, "r.json")) as f:
        return json.load(f)


def near(what, got, want, rel):
    if not abs(got - want) <= rel * abs(want):
        failures.append("%s: %.6g, expected %.6g within %g %%" % (what, got, want, rel * 100))


def check_paths(doc, station_index, truth, tolerances, chosen):
    fit = doc["stations"][station_index].get("fit")
    name = doc["stations"][station_index]["station_file"]
    if not fit or not fit.get("fitted"):
        failures.append("%s: no fit: %s" % (name, fit))
        return
    if fit["chosen_paths"] != chosen:
        failures.append("%s: %d paths chosen, expected %d" % (name, fit["chosen_paths"], chosen))
        return
    total = sum(p[2] for p in truth)
    for p, (v, D, grams) in zip(fit["paths"], sorted(truth)):
        near(name + " velocity", p["velocity_m_per_s"], v, tolerances[0])
        near(name + " dispersion", p["dispersion_m2_per_s"], D, tolerances[1])
        lo, hi = p["velocity_ci95"]
        if not lo <= p["velocity_m_per_s"] <= hi:
            failures.append("%s: velocity outside its own interval" % name)
        recovered = doc["stations"][station_index]["results"]["recovered_mass_kg"] * 1000
        # Fractions are of the recovered mass, which the program integrates
        # from the samples; the truth's share of it:
        near(name + " mass fraction", p["mass_fraction"] * recovered / total, grams / total, 0.05)
        # Each derived quantity in the unit its name carries, against the
        # path's own velocity and dispersion: L (1 + beta) / v in hours,
        # D / v in m, v L / D, the mass in kg (1000 g).
        beta = p["storage_ratio"] or 0.0
        v_fit, d_fit = p["velocity_m_per_s"], p["dispersion_m2_per_s"]
        near(name + " mean travel time (h)", p["mean_travel_time_h"], L * (1 + beta) / v_fit / 3600,
             1e-6)
        near(name + " dispersivity (m)", p["dispersivity_m"], d_fit / v_fit, 1e-6)
        near(name + " Peclet number", p["peclet_number"], v_fit * L / d_fit, 1e-6)
        near(name + " mass (kg)", p["mass_kg"], p["mass_fraction"] * recovered / 1000, 1e-3)


shutil.rmtree(work, ignore_errors=True)
os.makedirs(work)

# One path, instantaneous; two paths, instantaneous (auto must choose two).
one = [(0.02, 0.05, 6.0)]
two = [(0.02, 0.05, 6.0), (0.008, 0.02, 4.0)]
station("ONE", one, 0, 24, 0.05)
station("TWO", two, 0, 40, 0.05)
control(["ONE", "TWO"], 10.0, 0)
doc = run("--fit", "auto", "--plots", "ps,png,svg")
if doc:
    check_paths(doc, 0, one, (0.001, 0.001), 1)
    check_paths(doc, 1, two, (0.02, 0.05), 2)
    for stem in ("ONE", "TWO"):
        for ext in ("_FIT.OUT", "_FIT.PS", "_FIT.png", "_FIT.svg"):
            if not os.path.isfile(os.path.join(work, stem + ext)):
                failures.append("not written: " + stem + ext)
        listed = [o["file"] for o in doc["stations"][0 if stem == "ONE" else 1]["outputs"]]
        if stem + "_FIT.OUT" not in listed:
            failures.append(stem + "_FIT.OUT not among the station's outputs in the results")
    with open(os.path.join(work, "TWO_FIT.OUT")) as f:
        text = f.read()
    if "<- chosen" not in text or "2 paths (chosen)" not in text:
        failures.append("TWO_FIT.OUT does not mark the chosen fit:\n" + text)

# Two paths asked for explicitly on the one-path curve: a fit or a clear
# reason, never a failure of the run.
doc = run("--fit", "2")
if doc:
    fit = doc["stations"][0]["fit"]
    if not fit.get("fitted") and not fit.get("reason"):
        failures.append("two paths on one: neither a fit nor a reason: %s" % fit)

# A pulse release of half an hour: the exact average over the release.
pulse = [(0.015, 0.04, 8.0)]
station("PULSE", pulse, 1800, 24, 0.05)
control(["PULSE"], 8.0, 0.5)
doc = run("--fit", "1")
if doc:
    check_paths(doc, 0, pulse, (0.005, 0.005), 1)

# Every line of a long record is fitted, signed: 12,000 lines, which the
# listing's analyses thin to 800 group means, are 12,000 samples of the fit.
# Zero-mean noise of 5 % of the peak over long tails, background option
# off: the fitted total mass is the truth's within 2 % (the tails' negative
# values kept; set to 0 they would raise the fitted tails and the mass), and
# the listing's own integral of the clipped samples lies above it.
import random  # noqa: E402
noisy = random.Random(28)
peak = max(concentration(h * 3600, one, 0) for h in (3.8, 4.0, 4.2, 4.4))
long_path = [(0.02, 0.05, 6.0)]
station("LONG", long_path, 0, 96, 0.008, lambda i: noisy.gauss(0, 0.05 * peak))
control(["LONG"], 10.0, 0)
doc = run("--fit", "1")
if doc:
    st = doc["stations"][0]
    fit = st["fit"]
    if fit["samples_fitted"] != 12001 or fit["sample_source"] != "measured":
        failures.append("LONG: %d %s samples fitted, not 12001 measured" %
                        (fit["samples_fitted"], fit["sample_source"]))
    if st["samples_analysed"] > 1000:
        failures.append("LONG: the listing analysed %d samples, not the thinned curve" %
                        st["samples_analysed"])
    if fit.get("fitted"):
        near("LONG fitted total mass", fit["total_mass_kg"] * 1000, 6.0, 0.02)
        if not st["results"]["recovered_mass_kg"] * 1000 > 6.0 * 1.02:
            failures.append("LONG: the listing's clipped mass %.4g g is not above the truth" %
                            (st["results"]["recovered_mass_kg"] * 1000))
    else:
        failures.append("LONG: no fit: %s" % fit.get("reason"))

# Without --fit nothing of the fit is written.
os.remove(os.path.join(work, "PULSE_FIT.OUT"))
doc = run()
if doc:
    if "fit" in doc["stations"][0]:
        failures.append("a fit in the results without --fit")
    if os.path.exists(os.path.join(work, "PULSE_FIT.OUT")):
        failures.append("a fit file without --fit")

for f in failures:
    print("FAIL:", f)
sys.exit(1 if failures else 0)
