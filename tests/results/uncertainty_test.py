"""--uncertainty through the whole program: the same seed gives the same
files byte for byte (the run's date fixed by SOURCE_DATE_EPOCH), another
seed other intervals; zero stated errors give intervals of zero width at
the listing's values; the results listing stays the single run's.

Usage: uncertainty_test.py KALDERO WORK
"""
import csv
import json
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import common  # noqa: E402

ERRORS = ["--conc-error", "3%", "--discharge-error", "5%", "--background-error", "2%"]


def run(c, exe, work, name, args):
    folder = common.copy_examples(os.path.join(work, name))
    os.environ["SOURCE_DATE_EPOCH"] = "1765000000"
    proc = common.run(exe, folder, ["--batch", "--results", "r.json", "--table", "r.csv",
                                    "--report", "r.html"] + args + ["KALDERO.D"])
    c.check(proc.returncode == 0, f"{name}: exit status {proc.returncode}")
    return folder


def check_extrapolated_share(c, exe, work):
    """A gamma-shaped curve C = 100 t^2 exp(-t) measured to t = 10 with its
    tail extrapolated: the share of the load on the tail is that of the
    analysed curve (the true curve's beyond 10 is e^-10 (100 + 20 + 2) / 2
    of 2, 0.28 %; the exponential tail, fitted to a limb that falls more
    slowly, carries more), and the console says the mass is a lower
    bound. Without a tail the share is null."""
    folder = os.path.join(work, "extrapolated")
    args = common.copy_case("listing_extrapolated", folder)
    proc = common.run(exe, folder, ["--batch", "--results", "r.json"] + args)
    doc = json.load(open(os.path.join(folder, "r.json"), encoding="utf-8"))
    share = doc["stations"][0].get("extrapolated_mass_share")
    c.check(share is not None and 0.0028 < share < 0.02, f"extrapolated share {share}")
    c.check(b"READ IT AS A LOWER BOUND" in proc.stdout, "no lower-bound warning on the console")
    # With draws, the share has its interval (JSON and CSV).
    proc = common.run(exe, folder, ["--batch", "--results", "u.json", "--table", "u.csv",
                                    "--uncertainty", "100", "--conc-error", "5%"] + args)
    doc = json.load(open(os.path.join(folder, "u.json"), encoding="utf-8"))
    q = doc["stations"][0]["uncertainty"]["quantities"].get("extrapolated_mass_share")
    c.check(q is not None and q["p2_5"] <= q["p50"] <= q["p97_5"] and q["p97_5"] > 0,
            f"the extrapolated share's interval {q}")
    with open(os.path.join(folder, "u.csv"), encoding="utf-8", newline="") as f:
        row = next(csv.DictReader(f))
    c.check(row.get("extrapolated_mass_share") and row.get("extrapolated_mass_share_p97_5"),
            "CSV: no extrapolated share or its interval")
    plain = common.copy_examples(os.path.join(work, "no-tail"))
    common.run(exe, plain, ["--batch", "--results", "r.json", "KALDERO.D"])
    doc = json.load(open(os.path.join(plain, "r.json"), encoding="utf-8"))
    c.check(all(s.get("extrapolated_mass_share", 0) is None for s in doc["stations"]),
            "a station without a tail has an extrapolated share")


def check_detection_limit(c, exe, work, plain):
    """--detection-limit: the readings below it censored in the signed
    estimates and the draws, the first arrival above it reported beside
    the listing's; the listings are the run's without it."""
    folder = run(c, exe, work, "limit", ["--uncertainty", "100", "--conc-error", "3%",
                                         "--detection-limit", "0.5"])
    for name in ("TQF.OUT", "GDS.OUT"):
        c.check(open(os.path.join(folder, name), "rb").read()
                == open(os.path.join(plain, name), "rb").read(),
                f"{name} changed by --detection-limit")
    doc = json.load(open(os.path.join(folder, "r.json"), encoding="utf-8"))
    for s in doc["stations"]:
        name = s["station_file"]
        c.check(s.get("detection_limit") == 0.5, f"{name}: detection_limit {s.get('detection_limit')}")
        first = s["results"].get("first_arrival_above_limit_h")
        c.check(first is not None and first >= s["results"]["first_arrival_h"],
                f"{name}: first arrival above the limit {first} before the listing's "
                f"{s['results']['first_arrival_h']}")
        q = s["uncertainty"]["quantities"].get("first_arrival_above_limit_h")
        # The draws keep the record's censoring: their curve starts where
        # the record's does.
        c.check(q is not None and q["p2_5"] == q["p97_5"] == first,
                f"{name}: the first arrival above the limit over the draws {q}, not {first}")
        c.check("detection_limit" in s["uncertainty"]["errors"]["laws"],
                f"{name}: the JSON does not say how censored readings are drawn")
    with open(os.path.join(folder, "r.csv"), encoding="utf-8", newline="") as f:
        rows = list(csv.DictReader(f))
    c.check(all(row.get("first_arrival_above_limit_h") for row in rows),
            "CSV: no first arrival above the limit")
    # Without the option the value is null.
    doc = json.load(open(os.path.join(plain, "r.json"), encoding="utf-8"))
    c.check(all(s["results"].get("first_arrival_above_limit_h", 0) is None
                and "detection_limit" not in s for s in doc["stations"]),
            "a first arrival above a limit without --detection-limit")


def check_error_beyond_record(c, exe, work):
    """An absolute error beyond a station's largest value: that station's
    draws are not made, the others are, every file is written, and the run
    ends with status 2. (GDS peaks at 9.53 ug/L, TQF at 3367.6.)"""
    folder = common.copy_examples(os.path.join(work, "beyond"))
    proc = common.run(exe, folder, ["--batch", "--results", "r.json", "--uncertainty", "100",
                                    "--conc-error", "20", "KALDERO.D"])
    c.check(proc.returncode == 2, f"an error beyond a record: exit status {proc.returncode}")
    c.check(b"--conc-error 20 is beyond the largest concentration of the record" in proc.stdout
            and b"DRAWS ARE NOT MADE (EXIT STATUS 2)" in proc.stdout,
            "the console does not say why the draws were not made")
    doc = json.load(open(os.path.join(folder, "r.json"), encoding="utf-8"))
    by = {s["station_file"]: s for s in doc["stations"]}
    c.check("uncertainty" in by["TQF.DAT"] and "uncertainty_not_made" not in by["TQF.DAT"],
            "TQF: draws not made though 20 ug/L is within its record")
    c.check("uncertainty" not in by["GDS.DAT"] and "9.53" in by["GDS.DAT"].get(
        "uncertainty_not_made", ""), f"GDS: {by['GDS.DAT'].get('uncertainty_not_made')}")
    c.check(doc["run"]["exit_status"] == 2, f"the results file's exit status {doc['run']}")
    c.check(os.path.exists(os.path.join(folder, "GDS.OUT")), "GDS's listing not written")


def main():
    exe, work = common.usage(sys.argv, ["KALDERO", "WORK"])
    exe = os.path.abspath(exe)
    c = common.Checks()
    common.fresh_folder(work)
    check_extrapolated_share(c, exe, work)
    plain = run(c, exe, work, "plain", [])
    check_detection_limit(c, exe, work, plain)
    check_error_beyond_record(c, exe, work)
    a = run(c, exe, work, "a", ["--uncertainty", "100", "--seed", "5"] + ERRORS)
    b = run(c, exe, work, "b", ["--uncertainty", "100", "--seed", "5"] + ERRORS)
    other = run(c, exe, work, "other", ["--uncertainty", "100", "--seed", "6"] + ERRORS)
    # The PostScript plots carry the time they were drawn in a comment.
    def content(folder, name):
        data = open(os.path.join(folder, name), "rb").read()
        return re.sub(rb"^%%CreationDate:.*$", b"", data, flags=re.M) if name.endswith(".PS") else data
    for name in sorted(common.files_in(a)):
        c.check(content(a, name) == content(b, name), f"the same seed: {name} differs")
    # The listings are the single run's, with or without draws.
    for name in ("TQF.OUT", "GDS.OUT"):
        c.check(open(os.path.join(a, name), "rb").read()
                == open(os.path.join(plain, name), "rb").read(),
                f"{name} changed by --uncertainty")
    doc_a = json.load(open(os.path.join(a, "r.json"), encoding="utf-8"))
    doc_o = json.load(open(os.path.join(other, "r.json"), encoding="utf-8"))
    q_a = doc_a["stations"][0]["uncertainty"]["quantities"]["recovered_mass_kg"]
    q_o = doc_o["stations"][0]["uncertainty"]["quantities"]["recovered_mass_kg"]
    c.check(q_a != q_o, "another seed gives the same interval of the recovered mass")
    laws = doc_a["stations"][0]["uncertainty"]["errors"].get("laws", {})
    c.check("lognormal" in laws.get("discharge_error", ""),
            f"the JSON does not name the rating error's law: {laws}")
    # The CSV: the draws, those stopped, the seed given, and the 50 % point.
    with open(os.path.join(a, "r.csv"), encoding="utf-8", newline="") as f:
        rows = list(csv.DictReader(f))
    for row in rows:
        c.check((row.get("uncertainty_draws"), row.get("uncertainty_draws_stopped"),
                 row.get("uncertainty_seed")) == ("100", "0", "5"),
                f"CSV draws, stopped, seed of {row.get('station_file')}: "
                f"{row.get('uncertainty_draws')}, {row.get('uncertainty_draws_stopped')}, "
                f"{row.get('uncertainty_seed')}")
        c.check(float(row["recovered_mass_kg_p2_5"]) <= float(row["recovered_mass_kg_p50"])
                <= float(row["recovered_mass_kg_p97_5"]), "CSV: the 50 % point is not between")
    # The report shows the seed given, the 95 % label and how each
    # station's stream comes from the seed.
    html = open(os.path.join(a, "r.html"), encoding="utf-8").read()
    c.check("seed 5 (--seed; this station&#39;s draws are stream 1 of it" in html
            or "seed 5 (--seed; this station's draws are stream 1 of it" in html,
            "the report does not show the seed given and the station's stream")
    c.check('title="95 % interval"' in html, "the report's intervals are not labelled 95 %")
    # No stated error: every interval is the listing's value itself.
    zero = run(c, exe, work, "zero", ["--uncertainty", "100"])
    doc = json.load(open(os.path.join(zero, "r.json"), encoding="utf-8"))
    for s in doc["stations"]:
        for key, q in s["uncertainty"]["quantities"].items():
            value = s["results"].get(key)
            if value is None:
                continue
            c.check(q["p2_5"] == q["p50"] == q["p97_5"] == value,
                    f"zero errors: {s['station_file']} {key} {q} vs {value}")
    return c.finish()


if __name__ == "__main__":
    sys.exit(main())
