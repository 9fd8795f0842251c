"""--fit-reaches through the whole program on the Furfooz example: the
770 m spring fitted from the 150 m spring's measured flux through the 620 m
between them. The velocities of the two paths against the published
transport model of the second reach (tests/data/furfooz, flow over area of
its two mobile zones), the fit's R2, the JSON against its schema, the
console line, the reach's fit file, figures, CSV row and report section; the
pairs named with --reach; a run of one station has no reach.

Usage: reach_test.py KALDERO SCHEMA PARAMETERS WORK
"""
import json
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import common  # noqa: E402


def follows_schema(c, doc, schema_file, label):
    """The results document against its schema (when jsonschema is here)."""
    try:
        import jsonschema
        jsonschema.validate(doc, json.load(open(schema_file, encoding="utf-8")))
    except ImportError:
        pass
    except Exception as e:  # noqa: BLE001 - the schema's own message
        c.check(False, f"{label}: the results file does not follow its schema: {e}")


def published_velocities(path):
    """Flow over area of the mobile zones of the second reach (m/s)."""
    rows = [l.split() for l in open(path, encoding="utf-8") if l.strip() and not l.startswith("#")]
    flows = [float(x) for x in rows[1]]
    second = rows.index(["210.", "570"])
    areas = [float(rows[second + 1 + k][0]) for k in range(len(flows))]
    return sorted(q / a for q, a in zip(flows, areas) if q > 0)


def check_published(c, fit, parameters, label):
    """The 770 m station from the 150 m one with R2 0.97 at least, each
    path within 10 % of a published mobile zone of the reach."""
    c.check(fit["r_squared"] >= 0.97, f"{label} R2 {fit['r_squared']}")
    published = published_velocities(parameters)
    fitted = sorted(p["velocity_m_per_s"] for p in fit["paths"])
    for got, want in zip(fitted, published):
        c.check(abs(got - want) <= 0.1 * want,
                f"{label} velocity {got:.5f} m/s against the published {want:.5f}")


def main():
    exe, schema_file, parameters, work = common.usage(
        sys.argv, ["KALDERO", "SCHEMA", "PARAMETERS", "WORK"])
    exe = os.path.abspath(exe)
    c = common.Checks()
    common.fresh_folder(work)
    folder = common.copy_examples(os.path.join(work, "furfooz"))
    proc = common.run(exe, folder, ["--batch", "--results", "r.json", "--table", "t.csv",
                                    "--report", "r.html", "--plots", "ps,png", "--fit", "2",
                                    "--fit-reaches", "KALDERO.D"])
    c.check(proc.returncode == 0, f"exit status {proc.returncode}")
    out = proc.stdout.decode("latin-1")
    c.check(re.search(r"REACH FIT: TQF\.DAT TO GDS\.DAT \(620 M\): MODEL 2, R2 0\.9", out),
            "no console line of the reach")
    doc = json.load(open(os.path.join(folder, "r.json"), encoding="utf-8"))
    follows_schema(c, doc, schema_file, "furfooz")
    reaches = doc.get("reaches", [])
    c.check(len(reaches) == 1, f"{len(reaches)} reaches")
    if reaches:
        r = reaches[0]
        c.check((r["from"], r["to"], r["length_m"]) == ("TQF.DAT", "GDS.DAT", 620),
                f"the reach {r['from']} to {r['to']}, {r['length_m']} m")
        fit = r["fit"]
        c.check(fit["fitted"] and fit["chosen_paths"] == 2, f"the reach's fit {fit.get('reason')}")
        check_published(c, fit, parameters, "reach")
        # The shares are of the flux that passed 150 m: the 770 m spring
        # receives part of it.
        share = sum(p["mass_fraction"] for p in fit["paths"])
        c.check(0.3 < share < 1.0, f"the reach carries {share} of the upstream flux")
        c.check(r["upstream_flux_at_end_share"] < 0.05,
                f"the 150 m record ends on {r['upstream_flux_at_end_share']} of its peak")
        c.check(b"CARRIES NONE AFTER IT" not in proc.stdout, "a warning of a short record")
        # The 150 m station's errors, from its own fit, are in the reach's
        # intervals.
        errors = r.get("upstream_errors") or {}
        c.check(errors.get("offset_ug_per_L", 0) > 0 and errors.get("correlation_time_s", 0) > 0,
                f"the upstream errors {errors}")
        check_reach_outputs(c, folder, r)
    # The 150 m record cut two hours after its peak: the reach carries
    # nothing after that, and the console says so.
    cut = common.copy_examples(os.path.join(work, "cut"))
    path = os.path.join(cut, "TQF.DAT")
    with open(path, encoding="latin-1") as f:
        lines = f.read().splitlines()
    head, data = lines[:64], lines[64:]
    values = [(float(l.split()[0]), float(l.split()[1])) for l in data]
    peak = max(range(len(values)), key=lambda i: values[i][1])
    keep = [l for l, (t, _) in zip(data, values) if t <= values[peak][0] + 2]
    with open(path, "w", encoding="latin-1") as f:
        f.write("\n".join(head + keep) + "\n")
    proc = common.run(exe, cut, ["--batch", "--results", "r.json", "--fit", "2", "--fit-reaches",
                                 "KALDERO.D"])
    doc = json.load(open(os.path.join(cut, "r.json"), encoding="utf-8"))
    share = doc["reaches"][0]["upstream_flux_at_end_share"] if doc.get("reaches") else None
    c.check(share is not None and share > 0.05, f"a cut record ends on {share} of its peak")
    c.check(re.search(rb"THE RECORD OF TQF\.DAT ENDS ON A FLUX OF [0-9.]+ % OF ITS PEAK", proc.stdout),
            "no warning of the cut upstream record")
    # One station: no reach, an empty list.
    one = common.copy_examples(os.path.join(work, "one"))
    with open(os.path.join(one, "KALDERO.D"), encoding="latin-1") as f:
        lines = f.read().splitlines()
    with open(os.path.join(one, "KALDERO.D"), "w", encoding="latin-1") as f:
        f.write("\n".join(l for l in lines if l.strip() != "GDS.DAT") + "\n")
    proc = common.run(exe, one, ["--batch", "--results", "r.json", "--fit", "1", "--fit-reaches",
                                 "KALDERO.D"])
    doc = json.load(open(os.path.join(one, "r.json"), encoding="utf-8"))
    c.check(proc.returncode == 0 and doc.get("reaches") == [],
            f"one station: exit {proc.returncode}, reaches {doc.get('reaches')}")
    check_named_pairs(c, exe, work)
    check_bypass(c, exe, work, schema_file)
    check_joint(c, exe, work, schema_file, parameters)
    return c.finish()


def check_joint(c, exe, work, schema_file, parameters):
    """--fit-joint: the 150 m station and the reach to the 770 m one at
    once, the reach from the 150 m station's modelled flux; the parts in the
    JSON as its schema says, the console line, the fit file and the report's
    section; a chain whose reach was not fitted is not fitted and says why."""
    folder = common.copy_examples(os.path.join(work, "joint"))
    proc = common.run(exe, folder, ["--batch", "--results", "r.json", "--report", "r.html",
                                    "--fit", "2", "--fit-joint", "KALDERO.D"])
    c.check(proc.returncode == 0, f"joint: exit status {proc.returncode}")
    out = proc.stdout.decode("latin-1")
    c.check(re.search(r"JOINT FIT: RELEASE TO TQF\.DAT \(150 M\): MODEL 2, R2 0\.9\d+; "
                      r"TQF\.DAT TO GDS\.DAT \(620 M\): MODEL 2, R2 0\.9", out),
            "joint: no console line")
    doc = json.load(open(os.path.join(folder, "r.json"), encoding="utf-8"))
    follows_schema(c, doc, schema_file, "joint")
    joint = doc.get("joint") or {}
    c.check(joint.get("fitted") is True, f"joint: not fitted: {joint.get('reason')}")
    parts = joint.get("parts", [])
    c.check([(p["from"], p["to"], p["length_m"]) for p in parts]
            == [(None, "TQF.DAT", 150), ("TQF.DAT", "GDS.DAT", 620)],
            f"joint parts {[(p['from'], p['to']) for p in parts]}")
    c.check(len(doc.get("reaches", [])) == 1, "joint: the reach is fitted alone too")
    if len(parts) == 2 and doc.get("reaches"):
        reach = parts[1]["fit"]
        check_published(c, reach, parameters, "joint: reach")
        # The first station's paths are those of its own fit (its samples
        # dominate them) and the reach's those of the reach alone.
        own = doc["stations"][0]["fit"]["paths"]
        for got, want in zip(parts[0]["fit"]["paths"], own):
            c.check(abs(got["velocity_m_per_s"] / want["velocity_m_per_s"] - 1) < 0.01,
                    "joint: the 150 m station's velocities moved")
        alone = doc["reaches"][0]["fit"]["paths"]
        for got, want in zip(reach["paths"], alone):
            c.check(abs(got["velocity_m_per_s"] / want["velocity_m_per_s"] - 1) < 0.05,
                    "joint: the reach's velocities far from the reach alone")
            low, high = got["velocity_ci95"]
            c.check(low < got["velocity_m_per_s"] < high, "joint: an interval without its value")
    # Its fit file, named after the first station: the summary, then each
    # part as a fit file gives it, the reach from the modelled flux.
    listed = {o["file"]: o["kind"] for o in joint.get("outputs", [])}
    c.check(listed == {"TQF_JNT.OUT": "joint fit file"}, f"joint: outputs {listed}")
    path = os.path.join(folder, "TQF_JNT.OUT")
    text = open(path, encoding="latin-1").read() if os.path.isfile(path) else ""
    c.check(text.startswith(" JOINT FIT OF TQF.DAT AND THE REACHES BELOW IT"),
            "joint: the fit file's title")
    c.check(" FLOW-PATH FIT OF TQF.DAT" in text and " REACH FIT FROM TQF.DAT TO GDS.DAT" in text,
            "joint: the fit file's parts")
    c.check(re.search(r"Input +the modelled flux of TQF\.DAT \(fitted with it\)", text)
            and "measured flux of" not in text, "joint: the reach's input in the fit file")
    modelled = re.search(r"Modelled mass upstream +([0-9.e-]+) kg", text)
    c.check(modelled and len(parts) == 2
            and abs(float(modelled.group(1)) / parts[1]["fit"]["recovered_mass_kg"] - 1) < 1e-4,
            "joint: the fit file's mass upstream is not the modelled flux's")
    html = open(os.path.join(folder, "r.html"), encoding="utf-8").read()
    c.check('id="j1"' in html and "Joint fit of TQF.DAT and the reaches below it" in html
            and "TQF.DAT to GDS.DAT (620 m): model 2" in html, "joint: no section in the report")
    # The pair named the wrong way round: no chain from the release.
    proc = common.run(exe, folder, ["--batch", "--results", "n.json", "--fit", "1",
                                    "--fit-joint", "--reach", "GDS.DAT:TQF.DAT", "KALDERO.D"])
    doc = json.load(open(os.path.join(folder, "n.json"), encoding="utf-8"))
    follows_schema(c, doc, schema_file, "joint, no chain")
    joint = doc.get("joint") or {}
    c.check(proc.returncode == 0 and joint.get("fitted") is False
            and "was not fitted" in joint.get("reason", ""),
            f"joint without a chain: exit {proc.returncode}, {joint.get('reason')}")
    c.check(b"JOINT FIT: NOT FITTED: " in proc.stdout, "joint: no console line of the refusal")
    text = open(os.path.join(folder, "GDS_JNT.OUT"), encoding="latin-1").read() \
        if os.path.isfile(os.path.join(folder, "GDS_JNT.OUT")) else ""
    c.check(" NO FIT: GDS.DAT to TQF.DAT was not fitted" in text,
            "joint without a chain: the fit file's reason")


def check_bypass(c, exe, work, schema_file):
    """--reach-bypass: each reach model also with a bypass from the release,
    the bypass the last path and flagged, its own CSV columns, the JSON as
    its schema says."""
    folder = common.copy_examples(os.path.join(work, "bypass"))
    proc = common.run(exe, folder, ["--batch", "--results", "r.json", "--table", "t.csv",
                                    "--fit", "2", "--fit-reaches", "--reach-bypass", "KALDERO.D"])
    c.check(proc.returncode == 0, f"bypass: exit status {proc.returncode}")
    doc = json.load(open(os.path.join(folder, "r.json"), encoding="utf-8"))
    follows_schema(c, doc, schema_file, "bypass")
    fit = doc["reaches"][0]["fit"]
    c.check([m["model"] for m in fit["models"]] == ["2", "2+bypass"],
            f"bypass: models {[m['model'] for m in fit['models']]}")
    flags = [p["bypass"] for p in fit["paths"]]
    if fit["chosen_model"].endswith("+bypass"):
        c.check(flags == [False, False, True], f"bypass: the paths' flags {flags}")
    # Station fits never have one.
    c.check(all(not p["bypass"] for s in doc["stations"] for p in s["fit"]["paths"]),
            "bypass: a station's path flagged")
    header = open(os.path.join(folder, "t.csv"), encoding="utf-8").readline().strip().split(",")
    c.check("fit_bypass_velocity_m_per_s" in header
            and header.index("fit_bypass_velocity_m_per_s") > header.index(
                "fit_path3_velocity_m_per_s"), "bypass: no bypass columns after the paths'")


def check_reach_outputs(c, folder, reach):
    """The reach's fit file and figures, named after both stations and
    listed in the JSON; its CSV row; its section of the HTML report."""
    names = {"GDS_TQF_RCH.OUT": "reach fit file", "GDS_TQF_RCH.PS": "reach fit plot",
             "GDS_TQF_RCH.png": "reach fit plot"}
    listed = {o["file"]: o["kind"] for o in reach["outputs"]}
    c.check(listed == names, f"the reach's outputs {listed}")
    for name in names:
        path = os.path.join(folder, name)
        c.check(os.path.isfile(path) and os.path.getsize(path) > 0, f"{name} not written")
    text = open(os.path.join(folder, "GDS_TQF_RCH.OUT"), encoding="latin-1").read()
    c.check(text.startswith(" REACH FIT FROM TQF.DAT TO GDS.DAT"), "the fit file's title")
    c.check(re.search(r"Input +the measured flux of TQF\.DAT \(\d+ reads\)", text),
            "the fit file does not name the upstream flux")
    c.check("method of moments" not in text, "a reach has no moment estimate to compare with")
    c.check("carried into the covariance intervals" in text, "the fit file does not say the upstream errors")
    rows = open(os.path.join(folder, "t.csv"), encoding="utf-8").read().splitlines()
    header = rows[0].split(",")
    c.check(header[-2:] == ["reach_from", "reach_length_m"], f"CSV header ends {header[-2:]}")
    reach_rows = [r.split(",") for r in rows[1:] if r.split(",")[1] == "reach"]
    c.check(len(reach_rows) == 1 and len(rows) == 4, f"{len(rows) - 1} CSV rows")
    for r in rows[1:]:
        c.check(len(r.split(",")) == len(header), f"a CSV row of {len(r.split(','))} fields")
    if reach_rows:
        row = dict(zip(header, reach_rows[0]))
        c.check(row["station_file"] == "GDS.DAT" and row["reach_from"] == "TQF.DAT"
                and float(row["reach_length_m"]) == 620, f"the reach row {row['station_file']}")
        c.check(row["recovered_mass_kg"] == "", "a reach row holds a station's value")
        fitted = [float(p["velocity_m_per_s"]) for p in reach["fit"]["paths"]]
        values = [float(v) for v in reach_rows[0] if re.fullmatch(r"[0-9.e-]+", v)]
        c.check(all(any(abs(v - f) <= 1e-12 * f for v in values) for f in fitted),
                "the reach row does not hold the fit's velocities")
    html = open(os.path.join(folder, "r.html"), encoding="utf-8").read()
    c.check('id="r1-1"' in html and "Reach TQF.DAT to GDS.DAT (620 m)" in html,
            "no reach section in the report")
    c.check("TQF.DAT to GDS.DAT (620 m): reach fit" in html, "no reach figure in the report")


def check_named_pairs(c, exe, work):
    """--reach fits the pairs named only, in their order; a pair the wrong
    way round or of a station not in the run is reported, not fitted."""
    folder = common.copy_examples(os.path.join(work, "named"))
    proc = common.run(exe, folder, ["--batch", "--results", "r.json", "--fit", "1",
                                    "--reach", "GDS.DAT:TQF.DAT", "--reach", "TQF.DAT:GDS.DAT",
                                    "--reach", "TQF.DAT:NONE.DAT", "KALDERO.D"])
    c.check(proc.returncode == 0, f"named pairs: exit status {proc.returncode}")
    doc = json.load(open(os.path.join(folder, "r.json"), encoding="utf-8"))
    got = [(r["from"], r["to"], r["fit"]["fitted"]) for r in doc.get("reaches", [])]
    c.check(got == [("GDS.DAT", "TQF.DAT", False), ("TQF.DAT", "GDS.DAT", True),
                    ("TQF.DAT", "NONE.DAT", False)], f"named reaches {got}")
    if len(got) == 3:
        reasons = [r["fit"].get("reason", "") for r in doc["reaches"]]
        c.check("not farther" in reasons[0] and "NONE.DAT was not fitted" in reasons[2],
                f"reasons {reasons}")
        c.check(doc["reaches"][0]["outputs"] == [] and len(doc["reaches"][1]["outputs"]) == 2,
                "files of the named reaches")
    out = proc.stdout.decode("latin-1")
    c.check("REACH FIT: TQF.DAT TO NONE.DAT: NOT FITTED" in out, "no console line of a bad pair")
    c.check(os.path.isfile(os.path.join(folder, "GDS_TQF_RCH.OUT"))
            and not os.path.exists(os.path.join(folder, "TQF_GDS_RCH.OUT")), "reach files")


if __name__ == "__main__":
    sys.exit(main())
