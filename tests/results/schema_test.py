"""The results file against docs/results.schema.json, and the CSV table
against the results file, for the two-station example run with every
results option and for the inputs of every case folder (stations analysed,
stopped, a run without stations, files on a full disk) run in batch mode.

usage: schema_test.py KALDERO SCHEMA WORK
Exit status 77 (skipped) when the jsonschema module is not installed."""
import csv
import json
import os
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import common  # noqa: E402

try:
    import jsonschema
except ImportError:
    print("python3-jsonschema is not installed: skipped")
    sys.exit(77)


def expected_status(case):
    f = os.path.join(common.CASES, case, "expected", "status")
    return int(open(f).read()) if os.path.exists(f) else 0


def check_run(c, validator, label, folder, proc, inputs, with_table=True):
    """The files a batch run with --results r.json [--table r.csv] wrote."""
    path = os.path.join(folder, "r.json")
    if not c.check(os.path.exists(path), f"{label}: no results file written"):
        return None
    raw = open(path, "rb").read()
    try:
        doc = json.loads(raw.decode("utf-8"))
    except (UnicodeDecodeError, ValueError) as e:
        c.check(False, f"{label}: the results file is not UTF-8 JSON: {e}")
        return None
    for err in validator.iter_errors(doc):
        # Of a oneOf (null or an object, say), the deepest reason that is
        # not "not null".
        while err.context:
            within = [e for e in err.context
                      if not (e.validator == "type" and e.validator_value == "null")]
            err = max(within or err.context, key=lambda e: len(e.absolute_path))
        where = "/".join(str(p) for p in err.absolute_path)
        message = err.message
        if len(message) > 300:
            message = message[:100] + " ... " + message[-150:]
        c.check(False, f"{label}: schema: at /{where}: {message}")

    stations = doc.get("stations", [])
    run = doc.get("run", {})
    c.check(run.get("exit_status") == proc.returncode,
            f"{label}: run.exit_status {run.get('exit_status')}, "
            f"the program exited with {proc.returncode}")
    analysed = sum(1 for s in stations if s.get("status") == "analysed")
    c.check(run.get("stations_analysed") == analysed,
            f"{label}: run.stations_analysed {run.get('stations_analysed')}, {analysed} stations "
            "have status analysed")
    if proc.returncode == 1 and stations:
        # The station that stopped the run, then those not run after it,
        # each with why.
        stopped = [s for s in stations if s.get("status") != "not run"]
        last = stopped[-1] if stopped else {}
        c.check(last.get("status") == "stopped" and last.get("stop_report"),
                f"{label}: the run stopped, but its last station has no stop status and report")
        after = stations[stations.index(last) + 1:] if last in stations else []
        c.check(all(s.get("status") == "not run" and s.get("stop_report") and
                    s.get("results") is None for s in after),
                f"{label}: a station after the one that stopped the run is not listed as not run")
    # Every line of a report is kept as the console showed it: the frame of
    # a value ("**ERROR**>") is not taken for the frame of a box.
    shown = proc.stdout.decode("latin-1")
    for frame in ("**ERROR**>", "<**ERROR**"):
        if frame in shown:
            texts = [s.get("stop_report") or "" for s in stations]
            c.check(any(frame in t for t in texts),
                    f"{label}: the stop report lost the frame {frame}: {texts}")
    if proc.returncode == 0:
        c.check(all(s.get("status") == "analysed" for s in stations),
                f"{label}: exit status 0 with a station not analysed")
        c.check((doc.get("totals") is not None) == bool(stations),
                f"{label}: exit status 0: totals present for a run with stations only")
    # The outputs a station or a reach lists exist and are never the run's
    # inputs.
    for s in stations + [{"station_file": r["to"], "outputs": r["outputs"]}
                         for r in doc.get("reaches") or []]:
        for o in s.get("outputs", []):
            name = o.get("file", "")
            c.check(os.path.isfile(os.path.join(folder, name)),
                    f"{label}: {s.get('station_file')} lists {name}, which does not exist")
            c.check(os.path.normpath(name) not in inputs,
                    f"{label}: {s.get('station_file')} lists the input file {name} as its output")

    if not with_table:
        return doc
    path = os.path.join(folder, "r.csv")
    if not c.check(os.path.exists(path), f"{label}: no results table written"):
        return doc
    with open(path, encoding="utf-8", newline="") as f:
        rows = list(csv.reader(f))
    c.check(rows and rows[0][:2] == ["station_file", "status"],
            f"{label}: the table does not begin with station_file, status")
    if not rows:
        return doc
    header, body = rows[0], rows[1:]
    # A row per station, then a row per reach fitted.
    reaches = doc.get("reaches") or []
    c.check(len(body) == len(stations) + len(reaches),
            f"{label}: {len(body)} table rows for {len(stations)} stations and "
            f"{len(reaches)} reaches")
    for row, r in zip(body[len(stations):], reaches):
        values = dict(zip(header, row))
        c.check(len(row) == len(header) and values["status"] == "reach"
                and values["station_file"] == r["to"] and values["reach_from"] == r["from"]
                and float(values["reach_length_m"]) == r["length_m"],
                f"{label}: reach row {row[:2]} for the reach {r['from']} to {r['to']}")
        for key in header[2:]:
            want = fit_value(r["fit"], key) if key.startswith("fit_") else None
            got = values.get(key, "")
            if key.startswith("reach_"):
                continue
            ok = got == "" if want is None else (
                got == want if isinstance(want, str) else float(got or "nan") == want)
            c.check(ok, f"{label}: reach to {r['to']} {key}: table {got!r}, JSON {want!r}")
    for row, s in zip(body, stations):
        c.check(len(row) == len(header), f"{label}: a table row of {len(row)} fields, "
                f"the header has {len(header)}")
        values = dict(zip(header, row))
        c.check(values.get("station_file") == s.get("station_file")
                and values.get("status") == s.get("status"),
                f"{label}: table row {row[:2]} for station {s.get('station_file')} "
                f"({s.get('status')})")
        results = s.get("results")
        # Columns of the station itself, beside its results.
        station_columns = {"extrapolated_mass_share", "reach_from", "reach_length_m"}
        columns = [k for k in header[2:]
                   if not k.startswith("fit_") and k not in station_columns]
        if results is not None:
            c.check(set(columns) == set(results),
                    f"{label}: table columns and results names differ: "
                    f"{sorted(set(columns) ^ set(results))}")
        for key in header[2:]:
            if key.startswith("fit_"):
                want = fit_value(s.get("fit"), key)
            elif key in station_columns:
                want = s.get(key)
            else:
                want = None if results is None else results.get(key)
            got = values.get(key, "")
            if want is None:
                ok = got == ""
            elif isinstance(want, str):
                ok = got == want
            else:
                try:
                    ok = float(got) == want
                except ValueError:
                    ok = False
            c.check(ok, f"{label}: {s.get('station_file')} {key}: table {got!r}, JSON {want!r}")
    return doc


def fit_value(fit, key):
    """The value a fit_ column of the table must hold, read from the
    station's fit in the JSON document (None: an empty field)."""
    if not fit or not fit.get("fitted"):
        return None
    name = key[len("fit_"):]
    bound = None
    for end, index in (("_ci95_low", 0), ("_ci95_high", 1)):
        if name.endswith(end):
            name, bound = name[:-len(end)], index
    # The intervals of a path's first fields keep their older short names.
    short = {"velocity_m_per_s": "velocity_ci95", "dispersion_m2_per_s": "dispersion_ci95"}
    def pick(obj, field):
        if obj is None or obj.get(field) is None:
            return None
        return obj[field] if bound is None else obj[short.get(field, field + "_ci95")][bound]
    simple = {"model": "chosen_model", "r_squared": "r_squared", "rmse_ug_per_L": "rmse",
              "total_mass_kg": "total_mass_kg"}
    if name in simple:
        return pick(fit, simple[name])
    if name == "residual_lag1":
        return fit["errors"]["residual_lag1"]
    if name == "effective_samples":
        return fit["errors"]["effective_samples"]
    if name == "still_improving_at_largest":
        return "true" if fit["still_improving_at_largest"] else "false"
    # A reach's bypass has columns of its own, never a path's.
    paths = [p for p in fit["paths"] if not p.get("bypass")]
    if name.startswith("bypass_"):
        bypass = [p for p in fit["paths"] if p.get("bypass")]
        return pick(bypass[0], name[len("bypass_"):]) if bypass else None
    if name.startswith("path"):
        k = int(name[4]) - 1
        return pick(paths[k], name[6:]) if k < len(paths) else None
    if name in ("storage_ratio", "exchange_rate_per_s"):
        return pick(fit["paths"][0], name) if fit["zones"] == "shared" else None
    if name == "decay_rate_per_s":
        return pick(fit, name)
    raise KeyError(key)


def main():
    exe, schema_file, work = common.usage(sys.argv, ["KALDERO", "SCHEMA", "WORK"])
    exe = os.path.abspath(exe)
    schema = json.load(open(schema_file))
    jsonschema.Draft202012Validator.check_schema(schema)
    validator = jsonschema.Draft202012Validator(schema)
    c = common.Checks()
    common.fresh_folder(work)

    # The example with every results option.
    folder = common.copy_examples(os.path.join(work, "examples"))
    inputs = common.files_in(folder)
    # Every fit of both stations: minutes in the sanitizer build.
    proc = common.run(exe, folder, ["--batch", "--results", "r.json", "--table", "r.csv",
                                    "--report", "r.html", "--plots", "ps,png,svg,pdf",
                                    "--fit", "auto", "KALDERO.D"], timeout=900)
    c.check(proc.returncode == 0, f"examples: exit status {proc.returncode}")
    doc = check_run(c, validator, "examples", folder, proc, inputs)
    if doc:
        c.check([s["station_file"] for s in doc["stations"]] == ["TQF.DAT", "GDS.DAT"]
                and all(s["status"] == "analysed" for s in doc["stations"]),
                "examples: not the two stations analysed")
    c.check(os.path.getsize(os.path.join(folder, "r.html")) > 0, "examples: no HTML report")
    # TQF.DAT is analysed on knots (TQF.INT); its fit takes the measured
    # samples, one a data line below the 64-line header.
    if doc:
        with open(os.path.join(folder, "TQF.DAT"), encoding="latin-1") as f:
            samples = sum(1 for line in f.read().splitlines()[64:] if line.strip())
        fit = doc["stations"][0].get("fit") or {}
        c.check(os.path.exists(os.path.join(folder, "TQF.INT")), "examples: TQF.DAT not on knots")
        c.check(fit.get("samples_fitted") == samples and fit.get("sample_source") == "measured",
                f"examples: TQF.DAT fit of {fit.get('samples_fitted')} "
                f"{fit.get('sample_source')} samples, the file has {samples}")

    # A reach fit and the report's figures as files: their outputs listed
    # with their kinds and formats, the reach's table row.
    folder = common.copy_examples(os.path.join(work, "reach"))
    inputs = common.files_in(folder)
    proc = common.run(exe, folder, ["--batch", "--results", "r.json", "--table", "r.csv",
                                    "--figures", "svg", "--fit", "1", "--fit-reaches",
                                    "KALDERO.D"], timeout=900)
    c.check(proc.returncode == 0, f"reach: exit status {proc.returncode}")
    doc = check_run(c, validator, "reach", folder, proc, inputs)
    if doc:
        kinds = {o["kind"] for s in doc["stations"] for o in s["outputs"]}
        c.check({"concentration figure", "recovery figure"} <= kinds, f"reach: kinds {kinds}")
        c.check(len(doc.get("reaches") or []) == 1, "reach: no reach")

    # Every case folder's inputs in batch mode: the same exit status as the
    # case expects, and a results file that fits the schema.
    cases = sorted(d for d in os.listdir(common.CASES)
                   if os.path.isdir(os.path.join(common.CASES, d)))
    for case in cases:
        folder = os.path.join(work, "cases", case)
        args = common.copy_case(case, folder)
        # A case run with results options of its own writes them here under
        # the names below instead.
        for option in ("--batch", "--results", "--table"):
            while option in args:
                i = args.index(option)
                del args[i:i + (1 if option == "--batch" else 2)]
        inputs = common.files_in(folder)
        proc = common.run(exe, folder, ["--batch", "--results", "r.json", "--table", "r.csv"]
                          + args)
        c.check(proc.returncode == expected_status(case),
                f"{case}: exit status {proc.returncode} in batch mode, "
                f"the case expects {expected_status(case)}")
        c.check(proc.stderr == b"", f"{case}: standard error: {proc.stderr[:200]!r}")
        check_run(c, validator, case, folder, proc, inputs)

    # A station file named in Windows-1252 that does not exist: the name is
    # in the results file, the table and the report as UTF-8.
    folder = common.fresh_folder(os.path.join(work, "windows-1252"))
    with open(os.path.join(folder, "KALDERO.D"), "wb") as f:
        f.write(b"TEST RUN\n100.0\nMASS UNIT\n3\nRELEASE\n1\nFLOW-ZONE ARRIVAL TIME\n0.0\n"
                b"STATIONS\nSTATION\xe9.DAT\n")
    proc = common.run(exe, folder, ["--batch", "--results", "r.json", "--table", "r.csv",
                                    "--report", "r.html", "KALDERO.D"])
    c.check(proc.returncode == 1, f"windows-1252: exit status {proc.returncode}, expected 1")
    doc = check_run(c, validator, "windows-1252", folder, proc, {"KALDERO.D"})
    if doc and doc["stations"]:
        c.check(doc["stations"][0]["station_file"] == "STATION\u00e9.DAT",
                f"windows-1252: station_file {doc['stations'][0]['station_file']!r}")
    c.check(os.path.exists(os.path.join(folder, "r.html")), "windows-1252: no HTML report")

    check_leftovers(c, validator, exe, work)
    return c.finish()


def check_leftovers(c, validator, exe, work):
    """A station that stops lists as its outputs only the files it wrote:
    the files an earlier run left under its names are not its own."""
    folder = common.copy_examples(os.path.join(work, "leftovers"))
    proc = common.run(exe, folder, ["--batch", "KALDERO.D"])
    if not c.check(proc.returncode == 0, f"leftovers: first run, exit status {proc.returncode}"):
        return
    before = {n: os.stat(os.path.join(folder, n)).st_mtime_ns for n in common.files_in(folder)}
    # GDS.DAT now stops the run in its data: text where a time should be.
    path = os.path.join(folder, "GDS.DAT")
    with open(path, encoding="cp1252") as f:
        lines = f.readlines()
    lines[70] = "abc  0  21.60\n"
    with open(path, "w", encoding="cp1252") as f:
        f.writelines(lines)
    inputs = {"KALDERO.D", "TQF.DAT", "GDS.DAT"}
    proc = common.run(exe, folder, ["--batch", "--results", "r.json", "--table", "r.csv",
                                    "KALDERO.D"])
    c.check(proc.returncode == 1, f"leftovers: second run, exit status {proc.returncode}")
    doc = check_run(c, validator, "leftovers", folder, proc, inputs)
    if not doc or len(doc["stations"]) != 2:
        c.check(False, "leftovers: not two stations in the results file")
        return
    gds = doc["stations"][1]
    c.check(gds["status"] == "stopped", f"leftovers: GDS.DAT {gds['status']}")
    listed = [o["file"] for o in gds["outputs"]]
    for name in listed:
        c.check(name not in before
                or os.stat(os.path.join(folder, name)).st_mtime_ns != before[name],
                f"leftovers: GDS.DAT lists {name}, a file of the earlier run it did not write")
    left = [n for n in before if n.startswith("GDS") and n != "GDS.DAT" and n not in listed]
    c.check(left, f"leftovers: the earlier run left no GDS file unlisted ({listed})")


if __name__ == "__main__":
    sys.exit(main())
