#!/usr/bin/env python3
"""The benchmarks of the conversion and the maintenance commands.

Started by bench/run.sh, which builds the programs first. For each size it
makes a folder of the oldest release with lanvo-sample (every file in
proportion to the clients, and a member file of one record a client), then,
BENCH_REPEAT times over, on a fresh copy of it:

  - converts it (lanvo303 -C DIR convert) under /usr/bin/time -v: wall time,
    CPU time, peak resident memory; the bytes read and written come from
    /proc/self/io of this script, which takes in those of the children it
    waited for;
  - copies with cp as many bytes as the conversion reads and writes (half of
    the sum, since cp reads and writes each), followed by sync of the copies,
    as the conversion flushes its files: the practical limit of the machine;
  - runs export, import, change of group and the delinquency update on the
    converted folder, and copies its client file with cp, the reference of
    those commands (which flush nothing).

The conversion and the cp copies alternate, so that a change of the machine's
load hits both; each ratio is taken within one repetition, and the tables
give the median of the repetitions. One more conversion and the commands run
under strace, whose trace of the data files is summed here: read and write
calls, bytes per call, explicit seeks (lseek), and jumps, the positioned
reads and writes that do not start where the previous one on that file ended.
"""

import argparse
import datetime
import hashlib
import os
import platform
import re
import shutil
import statistics
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build")
LANVO = os.path.join(BUILD, "lanvo303")
SAMPLE = os.path.join(BUILD, "lanvo-sample")
TESTS = os.path.join(BUILD, "tests", "lanvo_tests")
SEED = 2024           # the end-to-end test TheBenchmarksFolderAtItsSmallestSize uses it too
GROUP = "012"         # one client in eight has it
NEW_GROUP = "777"
MiB = 1024 * 1024
KiB = 1024

# The targets of issue 8.
TARGET_CONVERSION_RATIO = 1.5
TARGET_BYTES_PER_CALL = 64 * KiB
TARGET_CONVERSION_RSS = 32 * MiB
TARGET_DELINQUENCY_RSS = 200 * MiB
TARGET_GROWTH = 11.0
TARGET_COMMAND_RATIO = 3.0
TARGET_AMPLIFICATION = 1.1
COMMANDS = ["export", "import", "regroup", "delinquency"]


def log(*args):
    print(*args, file=sys.stderr, flush=True)


def proc_io():
    values = {}
    with open("/proc/self/io") as f:
        for line in f:
            key, value = line.split(":")
            values[key] = int(value)
    return values


class Run:
    """One timed run of a command under /usr/bin/time -v."""

    def __init__(self, argv, workdir, env=None):
        time_file = os.path.join(workdir, "time.txt")
        before = proc_io()
        start = time.perf_counter()
        done = subprocess.run(["/usr/bin/time", "-v", "-o", time_file] + argv, env=env,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        self.wall = time.perf_counter() - start
        after = proc_io()
        self.status = done.returncode
        self.output = done.stdout.decode("utf-8", "replace").strip()
        self.read = after["rchar"] - before["rchar"]
        self.written = after["wchar"] - before["wchar"]
        with open(time_file) as f:
            report = f.read()
        os.remove(time_file)
        self.rss = int(re.search(r"Maximum resident set size \(kbytes\): (\d+)", report).group(1)) * KiB
        self.user = float(re.search(r"User time \(seconds\): ([\d.]+)", report).group(1))
        self.system = float(re.search(r"System time \(seconds\): ([\d.]+)", report).group(1))


def sh(command):
    subprocess.run(command, shell=True, check=True)


def fresh_copy(source, target):
    if os.path.exists(target):
        shutil.rmtree(target)
    sh(f"cp -a '{source}' '{target}'")
    # What the copy left in memory is written now, not during the timed run.
    sh("sync")


def make_reference_source(path, size, filler):
    """A file of size bytes (the bytes of filler over and over), on the disk
    and in memory, as the sources of a conversion are."""
    chunk = 4 * MiB
    with open(filler, "rb") as f:
        block = f.read(chunk) or b" " * chunk
    while len(block) < chunk:
        block += block
    block = block[:chunk]
    with open(path, "wb") as out:
        left = size
        while left > 0:
            out.write(block[:min(left, chunk)])
            left -= chunk
    sh("sync")


def copy_reference(workdir, source, total, with_sync):
    """cp of total bytes: source (total / k bytes) copied k times, then each
    copy flushed to the disk (sync FILE, the fsync that the conversion makes
    of each of its files) when with_sync."""
    size = os.path.getsize(source)
    count = max(1, round(total / size)) if size else 1
    targets = [os.path.join(workdir, f"copy{i}") for i in range(count)]
    command = " && ".join(f"cp '{source}' '{t}'" for t in targets)
    if with_sync:
        command += " && sync " + " ".join(f"'{t}'" for t in targets)
    run = Run(["sh", "-c", command], workdir)
    for t in targets:
        os.remove(t)
    return run, count * size


# ---------------------------------------------------------------------------
# The trace of the data files.

TRACED = ("read,write,pread64,pwrite64,readv,writev,preadv,pwritev,preadv2,pwritev2,"
          "lseek,copy_file_range,sendfile,splice,openat,close")
LINE = re.compile(r"^(\d+)\s+(\w+)\((\d+)<([^>]*)>(.*)\)\s+=\s+(-?\d+)")
SYSTEM_FILES = ("/lib", "/usr", "/etc", "/proc", "/sys", "/dev")


class Trace:
    """Read and write calls of the data files, bytes, seeks and jumps."""

    def __init__(self):
        self.reads = self.writes = self.read_bytes = self.written_bytes = 0
        self.seeks = self.jumps = 0
        # The furthest byte read of each file (by its name when it was read):
        # what the steps need of it, if each byte were read once.
        self.read_extent = {}

    def needed_read_bytes(self):
        return sum(self.read_extent.values())

    def calls(self):
        return self.reads + self.writes

    def bytes_per_call(self):
        return (self.read_bytes + self.written_bytes) / self.calls() if self.calls() else 0

    @staticmethod
    def of(path):
        trace = Trace()
        next_at = {}  # (pid, fd) -> where the next sequential access starts
        with open(path, errors="replace") as f:
            for line in f:
                m = LINE.match(line)
                if not m:
                    continue
                pid, call, fd, name, args, result = m.groups()
                key = (pid, fd)
                if call in ("close", "openat"):
                    next_at.pop(key, None)
                    continue
                if name.startswith(SYSTEM_FILES) or ":[" in name or "/" not in name:
                    continue  # the loader's libraries, pipes, the terminal
                moved = max(int(result), 0)
                if call == "lseek":
                    trace.seeks += 1
                    next_at[key] = moved
                    continue
                is_read = call in ("read", "pread64", "readv", "preadv", "preadv2")
                is_write = call in ("write", "pwrite64", "writev", "pwritev", "pwritev2")
                if call in ("copy_file_range", "sendfile", "splice"):
                    trace.reads += 1
                    trace.writes += 1
                    trace.read_bytes += moved
                    trace.written_bytes += moved
                    # copy_file_range(in, &off_in or NULL, ...): where the source was read
                    offset = re.match(r"\s*,\s*\[(\d+)", args)
                    start = int(offset.group(1)) if offset else next_at.get(key, 0)
                    if not offset:
                        next_at[key] = start + moved
                    trace.read_extent[name] = max(trace.read_extent.get(name, 0), start + moved)
                    continue
                if not (is_read or is_write):
                    continue
                if is_read:
                    trace.reads += 1
                    trace.read_bytes += moved
                else:
                    trace.writes += 1
                    trace.written_bytes += moved
                if call.startswith("p"):
                    at = int(args.rsplit(",", 1)[1])
                    if key in next_at and next_at[key] != at:
                        trace.jumps += 1
                    elif key not in next_at and at != 0:
                        trace.jumps += 1
                    next_at[key] = at + moved
                else:
                    at = next_at.get(key, 0)
                    next_at[key] = at + moved
                if is_read:
                    trace.read_extent[name] = max(trace.read_extent.get(name, 0), at + moved)
        return trace


def traced(argv, trace_file, env=None):
    subprocess.run(["strace", "-f", "-qq", "-y", "-e", "trace=" + TRACED, "-o", trace_file] + argv, env=env,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    trace = Trace.of(trace_file)
    os.remove(trace_file)
    return trace


# ---------------------------------------------------------------------------
# One size.

def temporary_folder(top):
    """The system's temporary folder of one conversion, which parks the
    folder R02 there: a fresh one each time."""
    temp = os.path.join(top, "tmp")
    if os.path.exists(temp):
        shutil.rmtree(temp)
    os.makedirs(temp)
    return dict(os.environ, TMPDIR=temp)


def command_argv(name, data, diskette, root):
    base = [LANVO, "-C", data]
    if name == "export":
        return base + ["--diskette", diskette, "export", GROUP]
    if name == "import":
        return base + ["--diskette", diskette, "import", GROUP]
    if name == "regroup":
        return base + ["regroup", GROUP, NEW_GROUP]
    return base + ["--root", root, "delinquency"]


def first_line(text):
    return text.splitlines()[0] if text else ""


def file_hashes(folders):
    """(size, SHA-256) of every file under the folders."""
    found = []
    for folder in folders:
        for parent, _, files in os.walk(folder):
            for name in files:
                path = os.path.join(parent, name)
                digest = hashlib.sha256()
                with open(path, "rb") as f:
                    for block in iter(lambda: f.read(4 * MiB), b""):
                        digest.update(block)
                found.append((os.path.getsize(path), digest.hexdigest()))
    return found


def new_content(before, after):
    """The bytes of the files under the folders after whose content is that of
    no file under the folders before: what the conversion had to write."""
    old = {digest for _, digest in file_hashes(before)}
    return sum(size for size, digest in file_hashes(after) if digest not in old)


def folder_size(path):
    total = 0
    for parent, _, files in os.walk(path):
        for name in files:
            total += os.path.getsize(os.path.join(parent, name))
    return total


def measure_size(clients, repeat, base):
    top = os.path.join(base, str(clients))
    if os.path.exists(top):
        shutil.rmtree(top)
    os.makedirs(top)
    pristine, members = os.path.join(top, "sample"), os.path.join(top, "root")
    data, diskette = os.path.join(top, "data"), os.path.join(top, "diskette")
    os.makedirs(diskette)
    log(f"== {clients:,} clients: making the folder")
    subprocess.run([SAMPLE, "--clients", str(clients), "--seed", str(SEED), "--stage", "f10",
                    "--proportional", "--members", members, pristine], check=True)
    result = {"clients": clients, "folder": describe_folder(pristine, members),
              "load": os.getloadavg(), "runs": []}
    reference_source = os.path.join(top, "reference.dat")

    for rep in range(repeat):
        log(f"   repetition {rep + 1} of {repeat}: load {os.getloadavg()[0]:.2f}")
        fresh_copy(pristine, data)
        rec = {}
        conversion = Run([LANVO, "-C", data, "convert"], top, temporary_folder(top))
        if conversion.status != 0 or conversion.output != "[Lanvo] A conversão foi realizada.":
            sys.exit(f"the conversion failed: {conversion.output}")
        rec["conversion"] = conversion
        if "new_content" not in result:
            result["new_content"] = new_content([pristine], [data, os.path.join(top, "tmp")])
        if not os.path.exists(reference_source):
            make_reference_source(reference_source, result["new_content"] // 8, os.path.join(pristine, "F10.DAT"))
        client_file = os.path.join(data, "F10R2.DAT")
        rec["client_file"] = os.path.getsize(client_file)
        rec["cp_clients"], _ = copy_reference(top, client_file, rec["client_file"], False)
        for name in COMMANDS:
            rec[name] = Run(command_argv(name, data, diskette, members), top)
        shutil.rmtree(data)
        # A copy of as many bytes as the conversion makes new (the least it
        # must write), and the same copy again at once, which finds the memory
        # that the first one just gave back (see README.md: memory that the
        # system has not used for a while costs much more to fill here).
        total = result["new_content"]
        rec["cp"], rec["cp_bytes"] = copy_reference(top, reference_source, total, True)
        rec["cp_again"], _ = copy_reference(top, reference_source, total, True)
        result["runs"].append(rec)

    log("   traced runs")
    fresh_copy(pristine, data)
    trace_file = os.path.join(top, "trace.txt")
    result["trace"] = {"conversion": traced([LANVO, "-C", data, "convert"], trace_file, temporary_folder(top))}
    for name in COMMANDS:
        result["trace"][name] = traced(command_argv(name, data, diskette, members), trace_file)
    shutil.rmtree(top)
    return result


def describe_folder(pristine, members):
    reg = os.path.join(pristine, "REG")
    return {
        "F10.DAT": os.path.getsize(os.path.join(pristine, "F10.DAT")),
        "registrations": (len(os.listdir(reg)), folder_size(reg)),
        "F14.DAT": os.path.getsize(os.path.join(pristine, "F14.DAT")),
        "F90.DAT": os.path.getsize(os.path.join(pristine, "F90.DAT")),
        "members": os.path.getsize(os.path.join(members, "Vamk", "Rud", "F10R4.DAT")),
        "total": folder_size(pristine),
    }


# ---------------------------------------------------------------------------
# Tables.

def median(values):
    return statistics.median(values)


def spread(values, unit="s"):
    return f"{median(values):.2f} {unit} ({min(values):.2f}–{max(values):.2f})"


def mb(n):
    return f"{n / 1e6:,.1f} MB"


def mib(n):
    return f"{n / MiB:.1f} MiB"


def yes(ok):
    return "**met**" if ok else "**NOT met**"


def size_table(r):
    runs = r["runs"]
    conv = [x["conversion"] for x in runs]
    cps = [x["cp"] for x in runs]
    ratio = median([x["conversion"].wall / x["cp"].wall for x in runs])
    trace = r["trace"]["conversion"]
    f = r["folder"]
    out = []
    out.append(f"### {r['clients']:,} clients\n")
    out.append(f"Folder of the oldest release: F10.DAT {mb(f['F10.DAT'])}, {f['registrations'][0]} registration "
               f"files ({mb(f['registrations'][1])}), F14.DAT {mb(f['F14.DAT'])}, F90.DAT {mb(f['F90.DAT'])}; "
               f"{mb(f['total'])} in all; member file {mb(f['members'])}. "
               f"{len(runs)} repetitions; times are medians (lowest–highest); load average at the start "
               f"{r['load'][0]:.2f}.\n")
    out.append("| conversion | measured | target | |")
    out.append("|---|---|---|---|")
    out.append(f"| wall time | {spread([c.wall for c in conv])} | | |")
    out.append(f"| CPU time, user + system | {spread([c.user for c in conv])} + "
               f"{spread([c.system for c in conv])} | | |")
    out.append(f"| bytes read, written | {mb(conv[0].read)}, {mb(conv[0].written)} | | |")
    new = r["new_content"]
    written = trace.written_bytes / new if new else 0
    needed = trace.needed_read_bytes()
    read = trace.read_bytes / needed if needed else 0
    out.append(f"| new content of the converted folder (files whose bytes no file of the original holds) | "
               f"{mb(new)} | | |")
    out.append(f"| write amplification: bytes written (traced, in-kernel copies included) / new content | "
               f"{written:.2f} ({mb(trace.written_bytes)}) | ≤ {TARGET_AMPLIFICATION} | "
               f"{yes(written <= TARGET_AMPLIFICATION)} |")
    out.append(f"| read amplification: bytes read (traced) / bytes of the files read, each once | "
               f"{read:.2f} ({mb(trace.read_bytes)} / {mb(needed)}) | ≤ {TARGET_AMPLIFICATION} | "
               f"{yes(read <= TARGET_AMPLIFICATION)} |")
    out.append(f"| cp of the new content ({mb(runs[0]['cp_bytes'])}) + sync | {spread([c.wall for c in cps])} | | |")
    out.append(f"| its CPU time, user + system | {spread([c.user for c in cps])} + "
               f"{spread([c.system for c in cps])} | | |")
    again = [x["cp_again"] for x in runs]
    ratio_again = median([x["conversion"].wall / x["cp_again"].wall for x in runs])
    out.append(f"| the same cp again at once | {spread([c.wall for c in again])}, CPU "
               f"{spread([c.user + c.system for c in again])} | | |")
    out.append(f"| conversion / cp (within each repetition) | {ratio:.2f} | ≤ {TARGET_CONVERSION_RATIO} | "
               f"{yes(ratio <= TARGET_CONVERSION_RATIO)} |")
    out.append(f"| conversion / the same cp again | {ratio_again:.2f} | ≤ {TARGET_CONVERSION_RATIO} | "
               f"{yes(ratio_again <= TARGET_CONVERSION_RATIO)} |")
    out.append(f"| read calls, write calls (traced) | {trace.reads:,}, {trace.writes:,} | | |")
    out.append(f"| bytes per read or write call | {trace.bytes_per_call() / KiB:,.0f} KiB | "
               f"≥ {TARGET_BYTES_PER_CALL // KiB} KiB | {yes(trace.bytes_per_call() >= TARGET_BYTES_PER_CALL)} |")
    out.append(f"| seeks (lseek), jumps (positioned I/O not where the last one ended) | "
               f"{trace.seeks}, {trace.jumps:,} | | |")
    rss = max(c.rss for c in conv)
    out.append(f"| peak resident memory | {mib(rss)} | ≤ {TARGET_CONVERSION_RSS // MiB} MiB | "
               f"{yes(rss <= TARGET_CONVERSION_RSS)} |")
    out.append("")
    out.append("Each repetition, wall (user + system) in seconds: " + "; ".join(
        f"conversion {x['conversion'].wall:.2f} ({x['conversion'].user:.2f} + {x['conversion'].system:.2f}), "
        f"cp {x['cp'].wall:.2f} ({x['cp'].user:.2f} + {x['cp'].system:.2f}), "
        f"again {x['cp_again'].wall:.2f} ({x['cp_again'].user:.2f} + {x['cp_again'].system:.2f})"
        for x in runs) + ".\n")
    cp_clients = [x["cp_clients"] for x in runs]
    out.append(f"Maintenance commands on the converted folder (client file {mb(runs[0]['client_file'])}; "
               f"cp of it without sync, as the commands flush nothing: {spread([c.wall for c in cp_clients])}):\n")
    out.append("| command | wall time | / cp | target | peak memory | read + write calls | bytes a call | "
               "jumps | what it said |")
    out.append("|---|---|---|---|---|---|---|---|---|")
    for name in COMMANDS:
        cmd = [x[name] for x in runs]
        ratio = median([x[name].wall / x["cp_clients"].wall for x in runs])
        t = r["trace"][name]
        limit = TARGET_DELINQUENCY_RSS if name == "delinquency" else None
        rss = max(c.rss for c in cmd)
        memory = mib(rss) + (f" (≤ {limit // MiB} MiB: {yes(rss <= limit)})" if limit else "")
        out.append(f"| {name} | {spread([c.wall for c in cmd])} | {ratio:.2f} | ≤ {TARGET_COMMAND_RATIO:g}: "
                   f"{yes(ratio <= TARGET_COMMAND_RATIO)} | {memory} | {t.calls():,} | "
                   f"{t.bytes_per_call() / KiB:,.0f} KiB | {t.jumps:,} | {first_line(cmd[0].output)} |")
    out.append("")
    return "\n".join(out)


def summary_table(results):
    by_size = {r["clients"]: r for r in results}
    out = ["### Across sizes\n", "| target | measured | |", "|---|---|---|"]
    if 100000 in by_size and 1000000 in by_size:
        def cpu(n):
            return median([x["conversion"].user + x["conversion"].system for x in by_size[n]["runs"]])

        def wall(n):
            return median([x["conversion"].wall for x in by_size[n]["runs"]])
        growth = cpu(1000000) / cpu(100000)
        out.append(f"| conversion's CPU time (user + system) at 1,000,000 clients ≤ {TARGET_GROWTH:g} × at 100,000 | "
                   f"{growth:.2f} × ({cpu(1000000):.2f} s / {cpu(100000):.2f} s) | {yes(growth <= TARGET_GROWTH)} |")
        out.append(f"| the same in wall time (for information) | {wall(1000000) / wall(100000):.2f} × "
                   f"({wall(1000000):.2f} s / {wall(100000):.2f} s) | |")
    sizes = sorted(by_size)
    if len(sizes) >= 2:
        rss = {n: max(x["conversion"].rss for x in by_size[n]["runs"]) for n in sizes}
        low, high = rss[sizes[0]], rss[sizes[-1]]
        same = abs(high - low) <= 2 * MiB
        out.append(f"| conversion's peak memory the same at every size | "
                   + ", ".join(f"{mib(rss[n])} at {n:,}" for n in sizes) + f" | {yes(same)} |")
    out.append("")
    return "\n".join(out)


def machine():
    cpu = "unknown processor"
    try:
        with open("/proc/cpuinfo") as f:
            cpu = next(l.split(":", 1)[1].strip() for l in f if l.startswith("model name"))
    except (OSError, StopIteration):
        pass
    with open("/proc/meminfo") as f:
        memory = int(f.readline().split()[1]) * KiB
    commit = subprocess.run(["git", "-C", ROOT, "rev-parse", "--short", "HEAD"], capture_output=True,
                            text=True).stdout.strip()
    return (f"{os.cpu_count()} × {cpu}, {memory / 2**30:.0f} GiB of memory, Linux {platform.release()}; "
            f"commit {commit or 'unknown'}; {datetime.datetime.now():%Y-%m-%d %H:%M}")


def check_outputs():
    """The conversion of the benchmarks' folder at 10,000 clients, checked
    against the model of the end-to-end tests."""
    if not os.path.exists(TESTS):
        return "the end-to-end test was not built: outputs not checked"
    done = subprocess.run([TESTS, "--gtest_filter=ConversionEndToEnd.TheBenchmarksFolderAtItsSmallestSize"],
                          capture_output=True, text=True)
    if done.returncode != 0:
        sys.exit("the conversion of the benchmarks' folder differs from the end-to-end tests' model:\n" +
                 done.stdout[-3000:])
    return ("the conversion of this folder at 10,000 clients matches the end-to-end tests' model "
            "(ConversionEndToEnd.TheBenchmarksFolderAtItsSmallestSize passed)")


def main():
    parser = argparse.ArgumentParser(description="lanvo303 benchmarks")
    parser.add_argument("sizes", nargs="*", type=int, default=[10000, 100000, 1000000])
    parser.add_argument("--repeat", type=int, default=int(os.environ.get("BENCH_REPEAT", "3")))
    parser.add_argument("--dir", default=os.environ.get("BENCH_DIR", "/tmp/lanvo-bench"))
    parser.add_argument("--out", default=os.path.join(ROOT, "bench", "results.md"))
    parser.add_argument("--program", help="another build of lanvo303 to measure (the outputs are "
                        "checked with the tests' build only)")
    args = parser.parse_args()
    if args.program:
        global LANVO
        LANVO = os.path.abspath(args.program)

    os.makedirs(args.dir, exist_ok=True)
    # A folder, its converted copy, the member file and the cp copies take
    # about 24 KB a client at their largest.
    need = max(args.sizes) * 24000
    free = shutil.disk_usage(args.dir).free
    if free < need:
        sys.exit(f"{args.dir} has {free / 1e9:.1f} GB free; {need / 1e9:.1f} GB are needed")

    checked = check_outputs()
    log(checked)
    results = []
    for clients in args.sizes:
        results.append(measure_size(clients, args.repeat, args.dir))
        print(size_table(results[-1]), flush=True)

    text = ["# Benchmark results\n",
            f"Made by `bash bench/run.sh {' '.join(map(str, args.sizes))}` (see README.md in this folder) "
            f"on {machine()}. Working folder on {filesystem(args.dir)}.\n",
            f"Outputs: {checked}.\n"]
    text += [size_table(r) for r in results]
    text.append(summary_table(results))
    with open(args.out, "w") as f:
        f.write("\n".join(text))
    print(summary_table(results))
    log(f"written to {args.out}")


def filesystem(path):
    done = subprocess.run(["df", "-T", path], capture_output=True, text=True)
    lines = done.stdout.splitlines()
    return f"{lines[1].split()[1]} ({path})" if len(lines) > 1 else path


if __name__ == "__main__":
    main()
