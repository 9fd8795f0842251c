"""--fit-reaches through the whole program on the Furfooz example: the
770 m spring fitted from the 150 m spring's measured flux through the 620 m
between them. The velocities of the two paths against the published
transport model of the second reach (tests/data/furfooz, flow over area of
its two mobile zones), the fit's R2, the JSON against its schema, the
console line; a run of one station has no reach.

Usage: reach_test.py KALDERO SCHEMA PARAMETERS WORK
"""
import json
import os
import re
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import common  # noqa: E402


def published_velocities(path):
    """Flow over area of the mobile zones of the second reach (m/s)."""
    rows = [l.split() for l in open(path, encoding="utf-8") if l.strip() and not l.startswith("#")]
    flows = [float(x) for x in rows[1]]
    second = rows.index(["210.", "570"])
    areas = [float(rows[second + 1 + k][0]) for k in range(len(flows))]
    return sorted(q / a for q, a in zip(flows, areas) if q > 0)


def main():
    exe, schema_file, parameters, work = common.usage(
        sys.argv, ["KALDERO", "SCHEMA", "PARAMETERS", "WORK"])
    exe = os.path.abspath(exe)
    c = common.Checks()
    common.fresh_folder(work)
    folder = common.copy_examples(os.path.join(work, "furfooz"))
    proc = common.run(exe, folder, ["--batch", "--results", "r.json", "--fit", "2",
                                    "--fit-reaches", "KALDERO.D"])
    c.check(proc.returncode == 0, f"exit status {proc.returncode}")
    out = proc.stdout.decode("latin-1")
    c.check(re.search(r"REACH FIT: TQF\.DAT TO GDS\.DAT \(620 M\): MODEL 2, R2 0\.9", out),
            "no console line of the reach")
    doc = json.load(open(os.path.join(folder, "r.json"), encoding="utf-8"))
    try:
        import jsonschema
        jsonschema.validate(doc, json.load(open(schema_file, encoding="utf-8")))
    except ImportError:
        pass
    except Exception as e:  # noqa: BLE001 - the schema's own message
        c.check(False, f"the results file does not follow its schema: {e}")
    reaches = doc.get("reaches", [])
    c.check(len(reaches) == 1, f"{len(reaches)} reaches")
    if reaches:
        r = reaches[0]
        c.check((r["from"], r["to"], r["length_m"]) == ("TQF.DAT", "GDS.DAT", 620),
                f"the reach {r['from']} to {r['to']}, {r['length_m']} m")
        fit = r["fit"]
        c.check(fit["fitted"] and fit["chosen_paths"] == 2, f"the reach's fit {fit.get('reason')}")
        c.check(fit["r_squared"] >= 0.97, f"R2 {fit['r_squared']}")
        # Each path within 10 % of a published mobile zone of the reach.
        published = published_velocities(parameters)
        fitted = sorted(p["velocity_m_per_s"] for p in fit["paths"])
        for got, want in zip(fitted, published):
            c.check(abs(got - want) <= 0.1 * want,
                    f"reach velocity {got:.5f} m/s against the published {want:.5f}")
        # The shares are of the flux that passed 150 m: the 770 m spring
        # receives part of it.
        share = sum(p["mass_fraction"] for p in fit["paths"])
        c.check(0.3 < share < 1.0, f"the reach carries {share} of the upstream flux")
        c.check(r["upstream_flux_at_end_share"] < 0.05,
                f"the 150 m record ends on {r['upstream_flux_at_end_share']} of its peak")
        c.check(b"CARRIES NONE AFTER IT" not in proc.stdout, "a warning of a short record")
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
    return c.finish()


if __name__ == "__main__":
    sys.exit(main())
