"""The command line: --help and --version; bad options (one-line error,
the usage, exit status 2, nothing written); results files that cannot be
written or would replace a file of the run (a console report, exit status
4, every other file written as usual); batch mode (never waits on an open
standard input, no prompt, one summary line per station and one for the
run, also for a run that stops).

usage: command_line_test.py KALDERO WORK"""
import json
import os
import re
import socket
import subprocess
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import common  # noqa: E402

OPTIONS = ["--help", "--version", "--batch", "--results", "--table", "--plots", "--report",
           "--fit"]
# What the program asks or waits for at a console.
PROMPTS = [b"RETURN", b"DO YOU WANT TO PRINT", b"ENTER INPUT FILE NAME", b"(Y=YES, N=NO)",
           b"PRINTER NUMBER"]
SUMMARY = re.compile(r"^ (?P<file>\S+): analysed; recovered (?P<mass>\S+) kg \((?P<percent>\S+)"
                     r" %\); mean transit time (?P<time>\S+) h; dispersion coefficient "
                     r"(?P<dispersion>\S+) m\^2/s; listing (?P<listing>\S+)$")
RESULTS = ["--results", "r.json", "--table", "r.csv", "--report", "r.html"]


def snapshot(folder):
    return {f: open(os.path.join(folder, f), "rb").read() for f in common.files_in(folder)}


def lines(data):
    return data.decode("cp1252").splitlines()


def close_to(text, value):
    """A summary number (5 significant digits) and the results value."""
    try:
        return abs(float(text) - value) <= 6e-5 * abs(value)
    except (TypeError, ValueError):
        return False


def check_help(c, exe, work):
    folder = common.fresh_folder(os.path.join(work, "help"))
    proc = common.run(exe, folder, ["--help"])
    c.check(proc.returncode == 0 and proc.stderr == b"",
            f"--help: exit status {proc.returncode}, standard error {proc.stderr!r}")
    text = proc.stdout.decode()
    for option in OPTIONS:
        found = [l for l in text.splitlines() if re.match(r"^\s+(-\w,)?" + option + r"(\s|$)", l)]
        c.check(len(found) == 1 and len(found[0].split()) > 2,
                f"--help: {option} not on one line of its own with its description: {found}")
    proc = common.run(exe, folder, ["--version"])
    c.check(proc.returncode == 0 and re.fullmatch(rb"KALDERO \d+\.\d+\.\d+\n", proc.stdout),
            f"--version: exit status {proc.returncode}, {proc.stdout!r}")
    c.check(not os.listdir(folder), f"--help or --version wrote {os.listdir(folder)}")
    # What the exit statuses mean, of one run and of several.
    for status in ("0 the run ended", "1 a report stopped", "2 the command line",
                   "4 the runs ended", "130 or 143", "of several control files"):
        c.check(status in " ".join(text.split()), f"--help does not say \"{status}\"")


def check_bad(c, exe, folder, before, full, named):
    proc = common.run(exe, folder, full)
    err = lines(proc.stderr)
    c.check(proc.returncode == 2, f"{' '.join(full)}: exit status {proc.returncode}")
    c.check(proc.stdout == b"", f"{' '.join(full)}: standard output {proc.stdout[:200]!r}")
    c.check(len(err) == 2 and err[0].startswith("kaldero: ") and named in err[0]
            and err[1].startswith("Usage: kaldero"),
            f"{' '.join(full)}: not a one-line error naming {named} and the usage: {err}")
    c.check(snapshot(folder) == before, f"{' '.join(full)}: files written or changed")


def check_bad_options(c, exe, work):
    folder = common.copy_examples(os.path.join(work, "bad"))
    before = snapshot(folder)
    for args, named in [(["--frobnicate"], "--frobnicate"),
                        (["--plots", "gif"], "gif"),
                        (["--plots", "ps,gif"], "gif"),
                        (["--plots", ""], "--plots"),
                        (["--plots", "ps,"], "ps,"),
                        (["--plots", "ps,,png"], "ps,,png"),
                        (["--fit", "4"], "4"),
                        (["--fit", "one"], "one"),
                        (["--fit", "4s"], "4s"),
                        (["--fit", "2x"], "2x"),
                        (["--fit", "1", "--fit-errors", "white"], "white"),
                        (["--fit-errors", "ar1"], "--fit-errors needs --fit"),
                        (["--fit-baseline"], "--fit-baseline needs --fit"),
                        (["--fit", "1", "--fit-intervals", "jackknife"], "jackknife"),
                        (["--fit", "1", "--fit-seed", "3"], "--fit-seed needs"),
                        (["--fit-decay"], "--fit-decay needs --fit"),
                        (["--fit-reaches"], "--fit-reaches needs --fit"),
                        (["--reach", "TQF.DAT:GDS.DAT"], "--reach needs --fit"),
                        (["--fit", "1", "--reach", "TQF.DAT"], "TQF.DAT"),
                        (["--fit", "1", "--reach", "TQF.DAT:"], "TQF.DAT:"),
                        (["--fit", "1", "--reach", ":GDS.DAT"], ":GDS.DAT"),
                        (["--fit", "1", "--reach", "A:B:C"], "A:B:C"),
                        (["--fit", "1", "--reach", "TQF.DAT:TQF.DAT"], "names one station twice"),
                        (["--fit", "1", "--reach-bypass"], "--reach-bypass needs"),
                        (["--fit-joint"], "--fit-joint needs --fit"),
                        (["--fit", "2q"], "2q"),
                        (["--fit", "1", "--fit-errors", "relative"], "relative"),
                        (["--plots", "ps", "--campaign-scale", "logarithmic"], "logarithmic"),
                        (["--figures", "gif"], "gif"),
                        (["--figures", "png", "--figure-scale", "cubic"], "cubic"),
                        (["--figures", "png", "--figure-size", "1x10"], "1x10"),
                        (["--figures", "png", "--figure-size", "16"], "16"),
                        (["--figures", "png", "--dpi", "20"], "20"),
                        (["--figures", "png", "--dpi", "300x"], "300x"),
                        (["--detection-limit", "0"], "--detection-limit"),
                        (["--detection-limit", "-0.1"], "--detection-limit"),
                        (["--detection-limit", "2e6"], "--detection-limit"),
                        (["--detection-limit", "0x1"], "0x1"),
                        (["--detection-limit", "inf"], "inf")]:
        check_bad(c, exe, folder, before, ["--batch"] + RESULTS + args + ["KALDERO.D"], named)
    # A seed is decimal digits, 0 to 2^64 - 1: never wrapped, clamped or
    # read in another base.
    for option, before_seed in (("--fit-seed", ["--fit", "1", "--fit-intervals", "bootstrap"]),
                                ("--seed", ["--uncertainty", "100"])):
        for seed in ("-1", "18446744073709551616", "0x10", " 3", "+3", "1e3", ""):
            check_bad(c, exe, folder, before,
                      ["--batch"] + RESULTS + before_seed + [option, seed, "KALDERO.D"], option)
    # A detection limit changes only the estimates of the results files
    # and the draws: without them it would do nothing.
    check_bad(c, exe, folder, before, ["--batch", "--detection-limit", "0.1", "KALDERO.D"],
              "--detection-limit needs")
    # An option without its value at the end.
    for option in ("--results", "--report"):
        check_bad(c, exe, folder, before, ["--batch", "KALDERO.D", option], option)
    # An option with an empty value is a mistake, not the option left out:
    # every option that takes a value, with the options it needs.
    needs = {"--fit-errors": ["--fit", "1"], "--fit-intervals": ["--fit", "1"],
             "--fit-seed": ["--fit", "1", "--fit-intervals", "bootstrap"],
             "--campaign-scale": ["--plots", "ps"], "--figure-scale": ["--figures", "png"],
             "--figure-size": ["--figures", "png"], "--dpi": ["--figures", "png"],
             "--reach": ["--fit", "1"]}
    draws = ["--uncertainty", "100"]
    for option in ("--conc-error", "--conc-error-correlation", "--discharge-error",
                   "--discharge-noise", "--background-error", "--time-error", "--tail-methods",
                   "--seed"):
        needs[option] = draws + ["--conc-error", "3%"]
    needs["--conc-error"] = draws
    needs["--detection-limit"] = draws
    for option in ("--results", "--table", "--report", "--fit", "--plots", "--figures",
                   "--uncertainty") + tuple(needs):
        check_bad(c, exe, folder, before,
                  ["--batch"] + needs.get(option, []) + [option, "", "KALDERO.D"], option)
        # "--option=" is the same empty value, never the next argument.
        check_bad(c, exe, folder, before,
                  ["--batch"] + needs.get(option, []) + [option + "=", "KALDERO.D"], option)
    check_bad(c, exe, folder, before, ["--batch", ""], "control file name is empty")
    # Numbers are decimal, as a person types them.
    for option, value in (("--uncertainty", "0x10"), ("--uncertainty", " 100"),
                          ("--uncertainty", "1e2"), ("--time-error", "0x1p-2"),
                          ("--time-error", " 3"), ("--time-error", "inf"),
                          ("--conc-error-correlation", "0x0.8"), ("--conc-error", "0x10"),
                          ("--conc-error", " 3%"), ("--discharge-error", "nan"),
                          ("--dpi", "0x100"), ("--dpi", "150.0")):
        check_bad(c, exe, folder, before,
                  ["--batch"] + needs.get(option, draws) + [option, value, "KALDERO.D"], value)
    # Several control files: one missing is found before the first runs.
    check_bad(c, exe, folder, before, ["--batch", "KALDERO.D", "MISSING.D"], "MISSING.D")


def good_run(c, exe, work):
    """The example with every option, for comparison."""
    folder = common.copy_examples(os.path.join(work, "good"))
    proc = common.run(exe, folder, ["--batch", "--plots", "ps,svg"] + RESULTS + ["KALDERO.D"])
    c.check(proc.returncode == 0, f"the run with every option: exit status {proc.returncode}")
    return snapshot(folder)


def check_unwritable(c, exe, work, good):
    bad = "/nonexistent/folder/results"
    for option, what, index in [("--results", "RESULTS FILE", 1), ("--table", "RESULTS TABLE", 3),
                                ("--report", "HTML REPORT", 5)]:
        folder = common.copy_examples(os.path.join(work, "unwritable" + option))
        args = list(RESULTS)
        args[index] = bad
        proc = common.run(exe, folder, ["--batch", "--plots", "ps,svg"] + args + ["KALDERO.D"])
        out = lines(proc.stdout)
        c.check(proc.returncode == 4, f"{option} {bad}: exit status {proc.returncode}")
        c.check(proc.stderr == b"", f"{option} {bad}: standard error {proc.stderr!r}")
        c.check(any(l == f" THE {what} {bad} CANNOT BE CREATED: No such file or directory"
                    for l in out), f"{option} {bad}: no report naming the file on the console")
        c.check(out and out[-1] == " 2 stations analysed; exit status 4",
                f"{option} {bad}: last console line {out[-1:]}")
        # Everything else as in the good run: listings, curve files, plots,
        # the other results files (the documents tell of the lost file).
        written = snapshot(folder)
        for name, data in good.items():
            if name == RESULTS[index] or name.endswith(".PS"):
                continue
            if name in RESULTS:
                c.check(name in written, f"{option} {bad}: {name} not written")
            else:
                c.check(written.get(name) == data, f"{option} {bad}: {name} not as in the good run")
        if "r.json" in written:
            run = json.loads(written["r.json"])["run"]
            c.check(run["exit_status"] == 4 and run["files_not_written"] == 1
                    and any(bad in r["text"] for r in run["reports"]),
                    f"{option} {bad}: the results file does not tell of the lost file: {run}")


def check_replacing(c, exe, work, good):
    # Results files named like the control file, a station data file and a
    # listing the run writes are refused; those files stay as they are.
    folder = common.copy_examples(os.path.join(work, "replacing"))
    inputs = snapshot(folder)
    proc = common.run(exe, folder, ["--batch", "--results", "KALDERO.D", "--table", "TQF.DAT",
                                    "--report", "./GDS.OUT", "KALDERO.D"])
    out = lines(proc.stdout)
    c.check(proc.returncode == 4, f"replacing files of the run: exit status {proc.returncode}")
    for what, name, replaced in (("RESULTS FILE", "KALDERO.D", "THE CONTROL FILE"),
                                 ("RESULTS TABLE", "TQF.DAT", "A STATION DATA FILE OF THE RUN"),
                                 ("HTML REPORT", "./GDS.OUT",
                                  "THE RESULTS LISTING GDS.OUT OF THE RUN")):
        c.check(f" THE {what} {name} IS NOT WRITTEN: IT WOULD REPLACE {replaced}" in out,
                f"no report refusing {what} {name}")
    after = snapshot(folder)
    for name in ("KALDERO.D", "TQF.DAT"):
        c.check(after[name] == inputs[name], f"the input file {name} was changed")
    c.check(after["GDS.OUT"] == good["GDS.OUT"], "the listing GDS.OUT was changed")
    # Two results options naming one file: the later one is refused.
    folder = common.copy_examples(os.path.join(work, "same-name"))
    proc = common.run(exe, folder, ["--batch", "--results", "r.json", "--table", "./r.json",
                                    "KALDERO.D"])
    c.check(proc.returncode == 4, f"--table naming the results file: exit status "
            f"{proc.returncode}")
    try:
        doc = json.load(open(os.path.join(folder, "r.json"), encoding="utf-8"))
        c.check(doc["run"]["files_not_written"] == 1 and doc["run"]["exit_status"] == 4,
                f"--table naming the results file: {doc['run']}")
    except (OSError, ValueError) as e:
        c.check(False, f"--table naming the results file spoilt it: {e}")


def check_batch(c, exe, work):
    folder = common.copy_examples(os.path.join(work, "batch"))
    # Standard input stays open and nothing is ever written to it: a run
    # that waited for a key would never end.
    read_end, write_end = os.pipe()
    try:
        proc = common.run(exe, folder, ["--batch", "--results", "r.json", "KALDERO.D"],
                          stdin=read_end, timeout=120)
    except subprocess.TimeoutExpired:
        c.check(False, "--batch waited on an open standard input")
        return
    finally:
        os.close(read_end)
        os.close(write_end)
    c.check(proc.returncode == 0 and proc.stderr == b"",
            f"--batch: exit status {proc.returncode}, standard error {proc.stderr[:200]!r}")
    for p in PROMPTS:
        c.check(p not in proc.stdout, f"--batch: the console shows {p!r}")
    out = lines(proc.stdout)
    summaries = [SUMMARY.match(l) for l in out if SUMMARY.match(l)]
    c.check([m["file"] for m in summaries] == ["TQF.DAT", "GDS.DAT"],
            f"--batch: summary lines {[m.group(0) for m in summaries]}")
    c.check(out and out[-1] == " 2 stations analysed; exit status 0",
            f"--batch: last line {out[-1:]}")
    doc = json.load(open(os.path.join(folder, "r.json"), encoding="utf-8"))
    for m, st in zip(summaries, doc["stations"]):
        r = st["results"]
        c.check(close_to(m["mass"], r["recovered_mass_kg"])
                and close_to(m["percent"], r["percent_recovery"])
                and close_to(m["time"], r["mean_transit_time_h"])
                and close_to(m["dispersion"], r["dispersion_coefficient_m2_per_s"])
                and m["listing"] == st["test_description"]["results_listing"],
                f"--batch: summary {m.group(0)!r} and results {r} differ")

    # Without batch mode the same run asks and waits (what the checks above
    # look for is there).
    proc = common.run(exe, common.copy_examples(os.path.join(work, "interactive")),
                      ["KALDERO.D"])
    c.check(b"DO YOU WANT TO PRINT" in proc.stdout and b"RETURN" in proc.stdout,
            "the interactive run shows no prompt")
    c.check(not any(SUMMARY.match(l) for l in lines(proc.stdout)),
            "the interactive run shows batch summary lines")

    # Without a control-file name: the default, no prompt.
    proc = common.run(exe, common.copy_examples(os.path.join(work, "default")), ["--batch"])
    c.check(proc.returncode == 0 and b"ENTER INPUT FILE NAME" not in proc.stdout
            and lines(proc.stdout)[-1:] == [" 2 stations analysed; exit status 0"],
            f"--batch without a control file: exit status {proc.returncode}")

    # A station that stops the run.
    folder = os.path.join(work, "stopped")
    args = common.copy_case("station_not_found", folder)
    proc = common.run(exe, folder, ["--batch"] + args)
    out = lines(proc.stdout)
    c.check(proc.returncode == 1, f"--batch, stopped: exit status {proc.returncode}")
    c.check(" MISSING.DAT: stopped (see the report above)" in out
            and out[-1:] == [" 0 stations analysed; exit status 1"],
            f"--batch, stopped: summary lines {[l for l in out if 'stopped' in l or 'analysed' in l]}")
    for p in PROMPTS:
        c.check(p not in proc.stdout, f"--batch, stopped: the console shows {p!r}")


def check_batch_draws_no_window(c, exe, work):
    """With a display that seems to be there (a socket where an X server
    would listen, which accepts but never answers), a batch run must not
    connect to it: it would wait for the server, and a script must never
    get a window."""
    os.makedirs("/tmp/.X11-unix", exist_ok=True)
    number = next((n for n in range(350, 450)
                   if not os.path.exists(f"/tmp/.X11-unix/X{n}")), None)
    if number is None:
        return
    path = f"/tmp/.X11-unix/X{number}"
    server = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    try:
        server.bind(path)
        server.listen(8)
        server.setblocking(False)
        folder = common.copy_examples(os.path.join(work, "batch-display"))
        env = dict(os.environ, DISPLAY=f":{number}")
        try:
            proc = subprocess.run([exe, "--batch", "KALDERO.D"], cwd=folder,
                                  stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                  stderr=subprocess.PIPE, env=env, timeout=60)
            c.check(proc.returncode == 0, f"--batch with a display: exit status {proc.returncode}")
        except subprocess.TimeoutExpired:
            c.check(False, "--batch with a display: the run waited for the X server")
        try:
            server.accept()
            c.check(False, "--batch with a display: the run connected to the X server")
        except BlockingIOError:
            pass
        c.check(os.path.exists(os.path.join(folder, "GDS_DAT.PS")),
                "--batch with a display: the PostScript plots were not written")
    finally:
        server.close()
        os.unlink(path)


def check_curves_csv(c, exe, work):
    """--curves-csv: each curve file has a CSV twin with a header naming
    its columns and units and every sample of the fixed-width file, listed
    in the results file; the fixed-width files stay as they are."""
    plain = common.copy_examples(os.path.join(work, "curves-plain"))
    common.run(exe, plain, ["--batch", "KALDERO.D"])
    folder = common.copy_examples(os.path.join(work, "curves-csv"))
    proc = common.run(exe, folder, ["--batch", "--curves-csv", "--results", "r.json",
                                    "KALDERO.D"])
    c.check(proc.returncode == 0, f"--curves-csv: exit status {proc.returncode}")
    doc = json.load(open(os.path.join(folder, "r.json"), encoding="utf-8"))
    listed = {o["file"]: o["kind"] for s in doc["stations"] for o in s["outputs"]}
    # TQF.DAT gives its times in hours, GDS.DAT in minutes.
    for station, unit in (("TQF", "h"), ("GDS", "min")):
        headers = {".NRM": f"time_{unit},concentration_mg_per_L_per_kg_recovered",
                   ".LOD": f"time_{unit},load_mg_per_s_per_kg_recovered",
                   ".STN": "time_standard_deviations_from_mean,concentration_fraction_of_peak"}
        for ext, header in headers.items():
            name = station + ext
            fixed = open(os.path.join(folder, name), "rb").read()
            c.check(fixed == open(os.path.join(plain, name), "rb").read(),
                    f"{name} differs from the run without --curves-csv")
            path = os.path.join(folder, name + ".csv")
            if not c.check(os.path.exists(path), f"{name}.csv not written"):
                continue
            rows = open(path, encoding="ascii").read().splitlines()
            c.check(rows[0] == header, f"{name}.csv header {rows[0]!r}")
            fixed_rows = fixed.decode("ascii").splitlines()
            c.check(len(rows) == len(fixed_rows) + 1,
                    f"{name}.csv has {len(rows) - 1} samples, the curve file {len(fixed_rows)}")
            for row, line in zip(rows[1:], fixed_rows):
                a = [float(v) for v in row.split(",")]
                b = [float(v) for v in line.split()]
                if not c.check(all(abs(p - q) <= 1e-6 * max(abs(q), 1e-30) + 1e-9
                                   for p, q in zip(a, b)), f"{name}.csv {row} vs {line}"):
                    break
            c.check(listed.get(name + ".csv", "").endswith("curve CSV file"),
                    f"{name}.csv listed as {listed.get(name + '.csv')}")


def main():
    exe, work = common.usage(sys.argv, ["KALDERO", "WORK"])
    exe = os.path.abspath(exe)
    c = common.Checks()
    common.fresh_folder(work)
    check_help(c, exe, work)
    check_bad_options(c, exe, work)
    good = good_run(c, exe, work)
    check_unwritable(c, exe, work, good)
    check_replacing(c, exe, work, good)
    check_batch(c, exe, work)
    check_batch_draws_no_window(c, exe, work)
    check_curves_csv(c, exe, work)
    return c.finish()


if __name__ == "__main__":
    sys.exit(main())
