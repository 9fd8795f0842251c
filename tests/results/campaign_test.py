"""A campaign in one call: several control files, each in its own folder,
give the same station results and files as separate calls; one results
file covers all runs; --keep-going analyses the stations after one that
stops; the campaign figures are written beside each control file and
listed.

Usage: campaign_test.py KALDERO WORK
"""
import csv
import filecmp
import json
import os
import shutil
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import common  # noqa: E402

# The station files' outputs named in their headers (line numbers from 1).
OUTPUT_LINES = (25, 29, 41, 45, 51, 57)


def bad_station(folder):
    """BAD.DAT: TQF.DAT with outputs of its own and a sample time that goes
    back, which stops the station with the time-order report."""
    lines = open(os.path.join(folder, "TQF.DAT"), encoding="latin-1").read().splitlines()
    for n in OUTPUT_LINES:
        lines[n - 1] = lines[n - 1].replace("TQF.", "BAD.")
    first = lines[64 + 200].split()
    lines[64 + 200] = " ".join(["0.5"] + first[1:])
    with open(os.path.join(folder, "BAD.DAT"), "w", encoding="latin-1", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


def control(folder, stations):
    path = os.path.join(folder, "KALDERO.D")
    lines = open(path, encoding="latin-1").read().splitlines()
    at = lines.index("TQF.DAT")
    with open(path, "w", encoding="latin-1", newline="\n") as f:
        f.write("\n".join(lines[:at] + stations) + "\n")


def results(doc):
    return {s["station_file"]: s.get("results") for s in doc["stations"]}


def check_two_folders(c, exe, work):
    # A: both stations; B: the 770 m station alone (another run total).
    together = common.fresh_folder(os.path.join(work, "together"))
    a = common.copy_examples(os.path.join(together, "A"))
    b = common.copy_examples(os.path.join(together, "B"))
    control(b, ["GDS.DAT"])
    proc = common.run(exe, together, ["--batch", "--results", "r.json", "--table", "r.csv",
                                      "--plots", "png", "A/KALDERO.D", "B/KALDERO.D"])
    c.check(proc.returncode == 0, f"two folders: exit status {proc.returncode}")
    doc = json.load(open(os.path.join(together, "r.json"), encoding="utf-8"))
    runs = doc.get("runs", [])
    c.check([r.get("control_file") for r in runs] == ["A/KALDERO.D", "B/KALDERO.D"],
            f"two folders: runs {[r.get('control_file') for r in runs]}")
    c.check(doc["run"]["stations_analysed"] == 3, "two folders: not three stations analysed")
    with open(os.path.join(together, "r.csv"), encoding="utf-8", newline="") as f:
        rows = list(csv.DictReader(f))
    c.check([(r["control_file"], r["station_file"]) for r in rows]
            == [("A/KALDERO.D", "TQF.DAT"), ("A/KALDERO.D", "GDS.DAT"), ("B/KALDERO.D", "GDS.DAT")],
            f"two folders: table rows {[(r['control_file'], r['station_file']) for r in rows]}")

    for name, stations in (("A", None), ("B", ["GDS.DAT"])):
        alone = common.copy_examples(os.path.join(work, "alone", name))
        if stations:
            control(alone, stations)
        proc = common.run(exe, alone, ["--batch", "--results", "r.json", "--plots", "png",
                                       "KALDERO.D"])
        c.check(proc.returncode == 0, f"{name} alone: exit status {proc.returncode}")
        one = json.load(open(os.path.join(alone, "r.json"), encoding="utf-8"))
        run = runs[0 if name == "A" else 1] if len(runs) == 2 else {"stations": [], "totals": None}
        c.check(results(run) == results(one), f"{name}: station results differ from its own call")
        c.check(run.get("totals") == one.get("totals"), f"{name}: run totals differ")
        # Every file of the separate call, written in the control file's own
        # folder, byte for byte (the listings and curve files).
        folder = os.path.join(together, name)
        for f in sorted(os.listdir(alone)):
            if f.endswith((".OUT", ".NRM", ".LOD", ".STN", ".CXT", ".INT")):
                c.check(os.path.exists(os.path.join(folder, f)) and
                        filecmp.cmp(os.path.join(folder, f), os.path.join(alone, f), shallow=False),
                        f"{name}/{f} differs from its own call")
        # The campaign figures beside the control file, listed with the
        # folder the call knows them by.
        listed = {o["file"]: o["kind"] for o in run.get("run", {}).get("outputs", [])}
        for stem, kind in (("KALDERO_ALL", "campaign concentration plot"),
                           ("KALDERO_RECOVERY", "campaign recovery plot")):
            c.check(os.path.exists(os.path.join(folder, stem + ".png")),
                    f"{name}: {stem}.png not beside the control file")
            c.check(listed.get(f"{name}/{stem}.png") == kind,
                    f"{name}: {stem}.png listed as {listed}")
    c.check(not any(f.startswith("KALDERO_") for f in os.listdir(together)),
            "campaign figures written in the call's folder")


def check_same_stem(c, exe, work):
    # CAMP.D and CAMP.X in one folder, each with a station of its own: the
    # second run's campaign figures take the control file's whole name
    # rather than replace the first run's.
    folder = common.copy_examples(os.path.join(work, "same-stem"))
    for name, station in (("CAMP.D", "TQF.DAT"), ("CAMP.X", "GDS.DAT")):
        shutil.copy(os.path.join(common.EXAMPLES, "KALDERO.D"), folder)
        control(folder, [station])
        os.replace(os.path.join(folder, "KALDERO.D"), os.path.join(folder, name))
    proc = common.run(exe, work, ["--batch", "--results", "r.json", "--plots", "ps",
                                  "same-stem/CAMP.D", "same-stem/CAMP.X"])
    c.check(proc.returncode == 0, f"same stem: exit status {proc.returncode}")
    doc = json.load(open(os.path.join(work, "r.json"), encoding="utf-8"))
    for run, stem in ((0, "CAMP"), (1, "CAMP.X")):
        listed = [o["file"] for o in doc["runs"][run]["run"]["outputs"]]
        for suffix in ("_ALL.PS", "_RECOVERY.PS"):
            name = stem + suffix
            c.check(f"same-stem/{name}" in listed, f"same stem: run {run} lists {listed}")
            c.check(os.path.exists(os.path.join(folder, name)), f"same stem: no {name}")
    # Each run's figure draws its own station.
    first, second = (os.path.join(folder, n) for n in ("CAMP_ALL.PS", "CAMP.X_ALL.PS"))
    c.check(os.path.exists(second) and not filecmp.cmp(first, second, shallow=False),
            "same stem: the two runs' figures are the same")


def check_keep_going(c, exe, work):
    folder = common.copy_examples(os.path.join(work, "keep-going"))
    bad_station(folder)
    control(folder, ["TQF.DAT", "BAD.DAT", "GDS.DAT"])
    # Without --keep-going the run stops at BAD.DAT and GDS.DAT is not run.
    proc = common.run(exe, folder, ["--batch", "--results", "stop.json", "KALDERO.D"])
    c.check(proc.returncode == 1, f"stop: exit status {proc.returncode}")
    doc = json.load(open(os.path.join(folder, "stop.json"), encoding="utf-8"))
    c.check([s["status"] for s in doc["stations"]] == ["analysed", "stopped", "not run"],
            f"stop: statuses {[s['status'] for s in doc['stations']]}")
    c.check(doc["totals"] is None, "stop: run totals written")

    proc = common.run(exe, folder, ["--batch", "--keep-going", "--results", "go.json",
                                    "KALDERO.D"])
    c.check(proc.returncode == 1, f"keep going: exit status {proc.returncode}")
    doc = json.load(open(os.path.join(folder, "go.json"), encoding="utf-8"))
    c.check([s["status"] for s in doc["stations"]] == ["analysed", "stopped", "analysed"],
            f"keep going: statuses {[s['status'] for s in doc['stations']]}")
    c.check(doc["stations"][1]["stop_report"], "keep going: the stopped station has no report")
    totals = doc.get("totals") or {}
    c.check(totals.get("stations_included") == 2,
            f"keep going: the totals include {totals.get('stations_included')} stations")
    gds = open(os.path.join(folder, "GDS.OUT"), encoding="latin-1").read()
    c.check("The run totals include 2 of 3 stations (the others stopped)." in gds,
            "keep going: the totals listing does not say which stations it includes")
    # The recovered total is that of the two stations analysed.
    masses = [s["results"]["recovered_mass_kg"] for s in doc["stations"] if s["results"]]
    c.check(abs(totals.get("recovered_mass_kg", 0) - sum(masses)) <= 1e-6 * sum(masses),
            f"keep going: total {totals.get('recovered_mass_kg')} kg, stations {masses}")


def main():
    exe, work = common.usage(sys.argv, ["KALDERO", "WORK"])
    exe = os.path.abspath(exe)
    c = common.Checks()
    common.fresh_folder(work)
    check_two_folders(c, exe, work)
    check_same_stem(c, exe, work)
    check_keep_going(c, exe, work)
    return c.finish()


if __name__ == "__main__":
    sys.exit(main())
