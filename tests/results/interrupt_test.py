"""One run at a time in a folder, and an interrupt ends a run cleanly: SIGINT (exit status 130) or SIGTERM
(143) during the uncertainty draws of the first station keeps every file
written so far complete, writes the results files with the stations done
and "status": "interrupted", names what was written, and leaves no scratch
file; a later run removes the scratch files a killed run left, and only
those.

Usage: interrupt_test.py KALDERO WORK
"""
import json
import os
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import common  # noqa: E402


def hidden(folder):
    return sorted(f for f in os.listdir(folder) if f.startswith("."))


def check_signal(c, exe, work, signo, status):
    name = signal.Signals(signo).name
    folder = common.copy_examples(os.path.join(work, name))
    env = dict(os.environ)
    env.pop("DISPLAY", None)
    # Draws enough to take minutes: the signal comes while they run.
    proc = subprocess.Popen([exe, "--batch", "--results", "r.json", "--table", "r.csv",
                             "--plots", "png", "--uncertainty", "1000000", "--conc-error", "3%",
                             "KALDERO.D"], cwd=folder, stdin=subprocess.DEVNULL,
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, env=env)
    # The first station's listing is written before its draws begin.
    deadline = time.time() + 60
    while not os.path.exists(os.path.join(folder, "TQF.OUT")) and time.time() < deadline:
        time.sleep(0.05)
    time.sleep(0.3)
    # A second run in the same folder meanwhile is refused: two runs at
    # once would mix their files.
    second = common.run(exe, folder, ["--batch", "--results", "second.json", "KALDERO.D"])
    c.check(second.returncode == 1 and b"ANOTHER RUN OF THE PROGRAM IS WRITING IN THIS FOLDER"
            in second.stdout, f"{name}: a second run in the folder: status {second.returncode}")
    c.check(not os.path.exists(os.path.join(folder, "second.json")),
            f"{name}: the refused run wrote its results file")
    proc.send_signal(signo)
    try:
        out, err = proc.communicate(timeout=60)
    except subprocess.TimeoutExpired:
        proc.kill()
        c.check(False, f"{name}: the run did not end within 60 s of the signal")
        return
    c.check(proc.returncode == status, f"{name}: exit status {proc.returncode}, expected {status}")
    c.check(err == b"", f"{name}: standard error {err[:300]!r}")
    text = out.decode("latin-1")
    c.check(f"INTERRUPTED ({name})" in text, f"{name}: the console does not say it was interrupted")
    for f in ("TQF.OUT", "r.json", "r.csv"):
        c.check(f in text.split(f"INTERRUPTED ({name})")[-1],
                f"{name}: the console does not name {f} among the files written")
    c.check(hidden(folder) == [], f"{name}: scratch files left: {hidden(folder)}")
    try:
        doc = json.load(open(os.path.join(folder, "r.json"), encoding="utf-8"))
    except (OSError, ValueError) as e:
        c.check(False, f"{name}: no complete results file: {e}")
        return
    run = doc.get("run", {})
    c.check(run.get("status") == "interrupted" and run.get("exit_status") == status,
            f"{name}: results file run {run.get('status')}, {run.get('exit_status')}")
    stations = doc.get("stations", [])
    c.check([s["status"] for s in stations] == ["stopped", "not run"],
            f"{name}: statuses {[s['status'] for s in stations]}")
    if len(stations) == 2:
        c.check(f"Interrupted ({name})" in (stations[0].get("stop_report") or ""),
                f"{name}: stop report {stations[0].get('stop_report')!r}")
        c.check(f"Interrupted ({name})" in (stations[1].get("stop_report") or ""),
                f"{name}: not-run report {stations[1].get('stop_report')!r}")
    # The listing written before the signal is the listing of a run
    # without draws, byte for byte.
    plain = common.copy_examples(os.path.join(work, name + "-plain"))
    common.run(exe, plain, ["--batch", "KALDERO.D"])
    same = open(os.path.join(plain, "TQF.OUT"), "rb").read() == \
        open(os.path.join(folder, "TQF.OUT"), "rb").read()
    c.check(same, f"{name}: the listing written before the signal is not complete")


def check_stale_scratch_files(c, exe, work):
    folder = common.copy_examples(os.path.join(work, "stale"))
    # A process id that no process has (beyond the largest one the system
    # gives), one that runs (this test), and a hidden file of another kind.
    gone = int(open("/proc/sys/kernel/pid_max").read()) + 1
    dead = f".kaldero-{gone}-aB3dE9.png"
    dead_import = f".TQF.DAT.kaldero-{gone}-Zz0099"
    alive = f".kaldero-{os.getpid()}-aB3dE9.png"
    other = ".kaldero-notes"
    for f in (dead, dead_import, alive, other):
        open(os.path.join(folder, f), "w").write("x")
    proc = common.run(exe, folder, ["--batch", "KALDERO.D"])
    c.check(proc.returncode == 0, f"stale: exit status {proc.returncode}")
    c.check(hidden(folder) == sorted([alive, other]), f"stale: hidden files {hidden(folder)}")
    c.check(f"REMOVED {dead}" in proc.stdout.decode("latin-1"),
            "stale: the console does not name the scratch file removed")


def main():
    exe, work = common.usage(sys.argv, ["KALDERO", "WORK"])
    exe = os.path.abspath(exe)
    c = common.Checks()
    common.fresh_folder(work)
    check_signal(c, exe, work, signal.SIGINT, 130)
    check_signal(c, exe, work, signal.SIGTERM, 143)
    check_stale_scratch_files(c, exe, work)
    return c.finish()


if __name__ == "__main__":
    sys.exit(main())
