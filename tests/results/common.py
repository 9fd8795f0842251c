"""Shared by the results tests: the program run in a scratch copy of the
examples or of a case folder, and the checks' bookkeeping."""
import os
import shutil
import subprocess
import sys
import tarfile
import io

SOURCE = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
EXAMPLES = os.path.join(SOURCE, "examples")
CASES = os.path.join(SOURCE, "tests", "cases")
# Files of a case folder that describe the case rather than feed the run.
CASE_META = {"expected", "NOTES", "args", "stdin", "not-compared", "tolerances"}


class Checks:
    """Collects failures so that one run reports all of them."""

    def __init__(self):
        self.failures = []
        self.count = 0

    def check(self, ok, message):
        self.count += 1
        if not ok:
            self.failures.append(message)
        return ok

    def finish(self):
        for f in self.failures:
            print("FAIL:", f)
        if self.failures:
            print(f"{len(self.failures)} of {self.count} checks failed")
            return 1
        print(f"all {self.count} checks passed")
        return 0


def fresh_folder(path):
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    return path


def copy_examples(folder):
    """The two-station example: the control file and both station files."""
    fresh_folder(folder)
    for name in ("KALDERO.D", "TQF.DAT", "GDS.DAT"):
        shutil.copy(os.path.join(EXAMPLES, name), folder)
    return folder


def copy_case(case, folder):
    """The inputs of a case folder (symbolic links such as one to /dev/full
    kept as links), and its command-line arguments."""
    fresh_folder(folder)
    src = os.path.join(CASES, case)
    buf = io.BytesIO()
    with tarfile.open(fileobj=buf, mode="w") as tar:
        for name in sorted(os.listdir(src)):
            if name not in CASE_META:
                tar.add(os.path.join(src, name), arcname=name)
    buf.seek(0)
    with tarfile.open(fileobj=buf) as tar:
        tar.extractall(folder)
    args = ["KALDERO.D"]
    args_file = os.path.join(src, "args")
    if os.path.exists(args_file):
        args = open(args_file).read().split()
    return args


def run(exe, folder, args, stdin=subprocess.DEVNULL, timeout=120):
    """The program in folder without a display; returns the completed
    process (stdout and stderr as bytes)."""
    env = dict(os.environ)
    env.pop("DISPLAY", None)
    return subprocess.run([exe] + args, cwd=folder, stdin=stdin, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, env=env, timeout=timeout)


def files_in(folder):
    """Every file below folder, as paths relative to it."""
    out = set()
    for root, dirs, files in os.walk(folder):
        for f in files + [d for d in dirs if os.path.islink(os.path.join(root, d))]:
            out.add(os.path.relpath(os.path.join(root, f), folder))
    return out


def usage(argv, names):
    if len(argv) != len(names) + 1:
        sys.exit("usage: " + os.path.basename(argv[0]) + " " + " ".join(names))
    return argv[1:]
