#!/usr/bin/env python3
"""Runs the conversion cases of ../shared/conformance and checks the ones that differ
only where this program keeps data that older releases deleted.

    tools/conformance.py build/lanvo303

Older releases deleted a source (F10.DAT, F10R1.DAT, F14.DAT, F09.DAT, ...) when its backup
name (F10.TMP, ...) was taken, whatever that name held. This program keeps the source under
the next free name of the backup's numbered series (F10-1.TMP, ...) and lists it in an
information message. A case whose only differences are such files is checked here in full:
each numbered file holds exactly the bytes of its source in the case's folder, the rest of
the folder is what the case expects, the messages of the case are shown (the shared runner
checks them), and a second run changes nothing and shows only the closing message.
Every other difference fails, as in the shared runner. Ends with "N passed, M failed".
"""
import os
import re
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
SHARED = os.path.join(HERE, "..", "..", "shared", "conformance")
sys.path.insert(0, SHARED)

# The shared runner, loaded as a module for its snapshot and comparison routines.
import importlib.machinery  # noqa: E402
import importlib.util  # noqa: E402

_loader = importlib.machinery.SourceFileLoader("conformance_run", os.path.join(SHARED, "run"))
_spec = importlib.util.spec_from_loader("conformance_run", _loader)
runner = importlib.util.module_from_spec(_spec)
_loader.exec_module(runner)

NUMBERED = re.compile(r"^run 1, data folder: unexpected ((?:[A-Za-z0-9]+)(?:-250)?)-([0-9]+)\.(TMP|BAK)$")
# The source of each backup name, as the conversion names them.
SOURCES = {"F10": "F10.DAT", "F10R1": "F10R1.DAT", "F14": "F14.DAT", "F09": "F09.DAT",
           "F90": "F90.DAT", "F10R2-250": "F10R2.DAT"}


def find(folder, name):
    """The file of folder whose name equals name in any letter case, or None."""
    for entry in os.listdir(folder):
        if entry.lower() == name.lower():
            return os.path.join(folder, entry)
    return None


def check_mended(exe, work, problems):
    """Problems left once the numbered backups of a case are accounted for."""
    numbered = []
    for line in problems:
        match = NUMBERED.match(line)
        if not match:
            return [line]
        numbered.append((match.group(0).split("unexpected ")[1], match.group(1)))
    case, folder, temp = (os.path.join(work, d) for d in ("case", "Lanvo", "tmp"))
    left = []
    for name, stem in numbered:
        source = find(os.path.join(case, "before"), SOURCES.get(stem, ""))
        # A source that the run itself made (F10R1.DAT from F10.DAT, the client file
        # before the split) is not in the case's folder; one that was must be kept whole.
        with open(os.path.join(folder, name), "rb") as kept:
            if source is not None and open(source, "rb").read() != kept.read():
                left.append(f"{name} does not hold the bytes of its source")
    got = runner.snapshot(folder)
    for name, _ in numbered:
        got.pop(name, None)
    left += runner.compare("data folder", got, runner.snapshot(os.path.join(case, "after")))
    left += runner.compare("temporary folder", runner.snapshot(temp),
                           runner.snapshot(os.path.join(case, "temp-after")))
    # The second run: nothing changes, only the closing message.
    before = runner.snapshot(folder), runner.snapshot(temp)
    status, out = runner.run_once(exe, folder, temp)
    if status != 0 or out != runner.DONE + "\n":
        left.append(f"run 2: exit status {status}, messages {out!r}")
    if (runner.snapshot(folder), runner.snapshot(temp)) != before:
        left.append("run 2 changed the folders")
    return left


def main():
    exe = os.path.abspath(sys.argv[1])
    passed = failed = 0
    with tempfile.TemporaryDirectory(prefix="conformance-") as keep:
        done = subprocess.run([sys.executable, os.path.join(SHARED, "run"), exe, "--keep", keep],
                              capture_output=True, text=True)
        cases, current = {}, None
        for line in done.stdout.splitlines():
            if line.endswith(": FAILED"):
                current = line[: -len(": FAILED")]
                cases[current] = []
            elif line.startswith("  ") and current:
                cases[current].append(line[2:])
        summary = re.search(r"(\d+) passed, (\d+) failed", done.stdout)
        passed = int(summary.group(1)) if summary else 0
        for case, problems in sorted(cases.items()):
            # The shared runner stops at the first run's problems; the messages of a mended
            # case differ by the one information message.
            data = [p for p in problems if not p.startswith("run 1: ")]
            messages = [p for p in problems if p.startswith("run 1: ")]
            left = check_mended(exe, os.path.join(keep, case), data) if data else problems
            if messages:
                left += messages
            if not left:
                print(f"{case}: passed, keeping {len(data)} source(s) under a numbered backup name")
                passed += 1
            else:
                print(f"{case}: FAILED")
                for problem in left[:12]:
                    print("  " + problem)
                failed += 1
        subprocess.run(["chmod", "-R", "u+w", keep])
    print(f"{passed} passed, {failed} failed")
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
