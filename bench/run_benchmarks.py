#!/usr/bin/env python3
"""Whole-program timings of taverlune, with the reference walk beside them.

Each dialogue is given to the program through a pipe, standard output goes to
/dev/null, and the wall time is measured around the whole process: from
starting it (Popen) to its end (os.wait4). The figures are the median, minimum
and maximum of --runs runs (and the median CPU time, user + system, from
wait4: less disturbed by other loads on a shared machine), after one untimed run under /usr/bin/time -v
whose output is kept: it gives the peak resident memory ("Maximum resident
set size"), the count line of the row and, where the reference walk runs, is
compared byte for byte with the reference's output.

The peak memory is not taken from os.wait4: a child of this Python process
inherits the high-water mark of the interpreter's memory (about 20 MB) from
the fork, through exec. /usr/bin/time is a small program, so its child starts
from about 1 MB; "/usr/bin/time -v /bin/true" is printed for scale. Without
/usr/bin/time, the wait4 figure is shown, marked as an upper bound.

The reference program (taverlune_reference, the plain pattern walk) runs only
the 720 rows, --reference-runs times (about 25 s a run); --no-reference skips
it.

Rows that count beyond the old tables run fewer times (--long-runs), some
under a limit of address space (setrlimit RLIMIT_AS, as `ulimit -v` does);
where PARI/GP is installed (Debian: pari-gp), its bare count of the same
solutions (bench/count.gp: the product of the 1 + x^d by a balanced tree,
truncated at the target) is timed beside them, once, and its count compared
with ours.

The last row is the time to the first question: the program is started with
its standard input a pipe that stays open and nothing written, and the time
is taken when "Valeur de N ? " has arrived on its standard output.

Two comparisons follow the table:

- Side by side with coreutils factor: for each number N of FACTOR_NUMBERS,
  the dialogue "N 0 0 0" (the factorisation, the divisors and a quick outcome
  or the count) and "factor N", run one after the other --runs times each;
  the medians of wall and CPU time, and their ratios (taverlune / factor).
- The listing against the output limit, from the Google Benchmark program
  listing_bench (bench/listing_bench.cpp) of BENCH_DIR, when it is built:
  the listing's CPU time, the time to write the same bytes through a 64 KiB
  buffer to /dev/null, and their ratio, medians of --repetitions.
- The factorisation alone, class by class, from factorisation_bench
  (bench/factorisation_bench.cpp) of BENCH_DIR, when it is built: each
  number's least time over the iterations, and per class the mean, the 99th
  percentile, the largest, and how many numbers took more than 0.1 ms.

Usage: run_benchmarks.py [BUILD_DIR] [--runs N] [--long-runs N]
                         [--reference-runs N] [--no-reference] [--no-pari]
                         [--only TEXT] [--skip TEXT] [--timeout SECONDS]
                         [--bench-dir BENCH_DIR] [--repetitions N]
BUILD_DIR (default ./build) holds taverlune and taverlune_reference;
BENCH_DIR (default ./build-bench) is a build with -DTAVERLUNE_BENCHMARKS=ON.
Standard library only.
"""

import argparse
import hashlib
import json
import os
import re
import resource
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time

# (answers, target wall time in seconds, target peak RSS in KiB or None,
#  whether the reference walk runs it); COUNTS adds a limit of address space
#  in KiB (or None) and whether PARI/GP counts it too.
DIALOGUES = [
    ("720 0 0 0", 0.010, None, True),
    ("720 1 0 0", 0.300, None, True),
    ("5040 0 0 0", 0.050, None, False),
    ("10080 0 0 0", 0.150, None, False),
    ("55440 0 0 0", 2.0, None, False),
    ("9223372036854775783 0 0 0", 0.005, 20 * 1024, False),
    ("8976124847866176000 0 1 100 0", 0.100, None, False),
    # Beyond the tables: a large prime factor (groups), and 3 x 2^60
    # (remembered remainders). No target was set; 0.1 s is ours.
    ("864691128466931712 1 1 1441146383222177713 0", 0.100, None, False),
    ("3458764513820540928 0 0 0", 0.100, None, False),
]
GIB = 1024 * 1024
COUNTS = [
    ("332640 0 0 0", 5.0, None, None, True),
    ("360360 0 0 0", 5.0, None, None, True),
    ("221760 0 1 364608 0", 5.0, None, None, True),
    ("720720 0 0 0", 6.0, 4 * GIB, None, True),
    ("720720 0 0 0", 60.0, None, 2000000, False),
    ("1081080 0 0 0", 120.0, 8 * GIB, None, True),
    ("8976124847866176000 0 1 30000 0", 45.0, None, None, True),
    ("8976124847866176000 0 1 70000 0", 120.0, None, None, False),
]
PARI_SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "count.gp")

# Numbers factorised side by side with coreutils factor: the factorisations
# that are hardest for trial division, and 720.
FACTOR_NUMBERS = [
    ("720", "720"),
    ("2^63 - 1", "9223372036854775807"),
    ("largest prime below 2^63", "9223372036854775783"),
    ("3000000019 x 3000000037", "9000000168000000703"),
    ("2147483659 x 3037000493", "6521908931092443887"),
    ("3000000019^2", "9000000114000000361"),
]

FIRST_QUESTION = b"Valeur de N ? "
FIRST_QUESTION_TARGET = 0.002

COUNT_LINE = re.compile(
    rb"Il y a  [0-9]+ sommes egales a  -?[0-9]+"
    rb"|Il n'y a aucune solution\.[^\n]*(?:\n[^\n]*la somme devrait[^\n]*)?"
    rb"|La somme de tous les diviseurs propres[^\n]*convient\."
)


TIME = "/usr/bin/time"
MAXRSS = re.compile(r"Maximum resident set size \(kbytes\): *([0-9]+)")


class Run:
    """One run: wall time in seconds, peak RSS in KiB, exit status."""

    def __init__(self, seconds, maxrss_kib, status, timed_out, cpu=0.0):
        self.seconds = seconds
        self.cpu = cpu  # user + system time of the child, in seconds
        self.maxrss_kib = maxrss_kib
        self.status = status
        self.timed_out = timed_out
        self.rss_exact = False


def command(exe, time_file):
    """exe alone, or under /usr/bin/time -v writing its report to time_file."""
    if time_file is None:
        return [exe]
    return [TIME, "-v", "-o", time_file, exe]


def maxrss_from(time_file, fallback_kib):
    """Peak RSS in KiB from a /usr/bin/time -v report, and whether it is exact."""
    if time_file is None:
        return fallback_kib, False
    try:
        with open(time_file, encoding="latin-1") as f:
            m = MAXRSS.search(f.read())
    except OSError:
        m = None
    return (int(m.group(1)), True) if m else (fallback_kib, False)


def run_once(exe, answers, stdout, timeout, time_file=None, argv=None, limit_kib=None):
    """Starts exe, writes the answers on its stdin (a pipe), closes it, and
    waits for the end. stdout: a file object or subprocess.DEVNULL. With
    time_file, runs it under /usr/bin/time -v (for the peak RSS only). argv:
    the whole command instead (its answers may be empty). limit_kib: a limit
    of address space."""
    data = (answers + "\n").encode()

    def limit():
        if limit_kib is not None:
            resource.setrlimit(resource.RLIMIT_AS, (limit_kib * 1024, limit_kib * 1024))

    start = time.perf_counter()
    p = subprocess.Popen(argv or command(exe, time_file), stdin=subprocess.PIPE, stdout=stdout,
                         stderr=subprocess.DEVNULL, preexec_fn=limit)
    timed_out = []

    def kill():
        timed_out.append(True)
        try:
            os.kill(p.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass

    timer = threading.Timer(timeout, kill)
    timer.start()
    try:
        try:
            p.stdin.write(data)
            p.stdin.close()
        except BrokenPipeError:
            pass
        _, status, usage = os.wait4(p.pid, 0)
        end = time.perf_counter()
    finally:
        timer.cancel()
    p.returncode = os.waitstatus_to_exitcode(status)  # already reaped
    run = Run(end - start, usage.ru_maxrss, p.returncode, bool(timed_out),
              usage.ru_utime + usage.ru_stime)
    run.maxrss_kib, run.rss_exact = maxrss_from(time_file, usage.ru_maxrss)
    return run


def time_to_first_question(exe, timeout, time_file=None):
    """Time from start until FIRST_QUESTION is on exe's stdout; stdin a pipe
    left open with nothing written. The program is then killed; under
    /usr/bin/time (time_file), its stdin is closed instead, so that it ends
    by itself and time writes its report."""
    start = time.perf_counter()
    p = subprocess.Popen(command(exe, time_file), stdin=subprocess.PIPE,
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    fd = p.stdout.fileno()
    seen = b""
    end = None
    deadline = start + timeout
    while FIRST_QUESTION not in seen:
        chunk = os.read(fd, 65536)
        if not chunk or time.perf_counter() > deadline:
            break
        seen += chunk
    else:
        end = time.perf_counter()
    if time_file is None:
        os.kill(p.pid, signal.SIGKILL)
        p.stdin.close()
    else:
        p.stdin.close()  # end of input: the program ends (status 1)
        timer = threading.Timer(timeout, lambda: os.kill(p.pid, signal.SIGKILL))
        timer.start()
        while os.read(fd, 65536):
            pass
        timer.cancel()
    _, status, usage = os.wait4(p.pid, 0)
    p.returncode = os.waitstatus_to_exitcode(status)
    p.stdout.close()
    run = Run(float("inf") if end is None else end - start, usage.ru_maxrss,
              p.returncode, end is None)
    run.maxrss_kib, run.rss_exact = maxrss_from(time_file, usage.ru_maxrss)
    return run, seen


def file_digest(path):
    h = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(1 << 20), b""):
            h.update(block)
    return h.hexdigest()


def count_line(path):
    """The count line of a saved output (the last one, that of the final
    calculation), made readable on one line."""
    with open(path, "rb") as f:
        f.seek(0, os.SEEK_END)
        size = f.tell()
        # The report is at the end; the listing before it can be long.
        f.seek(max(0, size - (1 << 20)))
        tail = f.read()
    found = COUNT_LINE.findall(tail)
    if not found:
        return "(no count line found)"
    return " ".join(found[-1].decode("latin-1").split())


def fmt_time(s):
    if s == float("inf"):
        return "n/a"
    if s >= 1.0:
        return f"{s:.2f} s"
    if s >= 0.1:
        return f"{s * 1000:.0f} ms"
    return f"{s * 1000:.2f} ms"


def fmt_rss(kib, exact=True):
    text = f"{kib / 1024:.1f} MB"
    return text if exact else f"≤ {text} (wait4)"


def fmt_target(t, rss):
    text = fmt_time(t)
    if rss is not None:
        text += f", ≤ {rss // 1024} MB"
    return text


def pari_count(answers, timeout):
    """PARI/GP's bare count of the dialogue's solutions: (seconds, count, peak
    RSS in KiB), or None when gp is not installed or does not finish."""
    gp = shutil.which("gp")
    if gp is None:
        return None
    words = answers.split()
    n, target = words[0], words[3] if words[2] == "1" else words[0]
    start = time.perf_counter()
    try:
        p = subprocess.run([TIME, "-f", "%M", gp, "-q", "-s", "8000000000", PARI_SCRIPT],
                           input=f"print(compte({n}, {target}))\n", capture_output=True,
                           text=True, timeout=timeout)
    except subprocess.TimeoutExpired:
        return None
    seconds = time.perf_counter() - start
    lines = p.stdout.split()
    rss = p.stderr.strip().splitlines()
    return seconds, lines[0] if lines else "?", int(rss[-1]) if rss and rss[-1].isdigit() else 0


def summary(runs):
    times = [r.seconds for r in runs]
    return statistics.median(times), min(times), max(times), statistics.median(r.cpu for r in runs)


def side_by_side_with_factor(exe, runs, timeout):
    """Rows comparing "N 0 0 0" with "factor N", or None without factor."""
    factor = shutil.which("factor")
    if factor is None:
        return None
    rows = []
    for name, n in FACTOR_NUMBERS:
        print(f"... {n} beside factor", file=sys.stderr, flush=True)
        ours, theirs = [], []
        run_once(exe, f"{n} 0 0 0", subprocess.DEVNULL, timeout)  # warm-up
        run_once(None, "", subprocess.DEVNULL, timeout, argv=[factor, n])
        for _ in range(runs):
            ours.append(run_once(exe, f"{n} 0 0 0", subprocess.DEVNULL, timeout))
            theirs.append(run_once(None, "", subprocess.DEVNULL, timeout, argv=[factor, n]))
        t_wall = statistics.median(r.seconds for r in ours)
        t_cpu = statistics.median(r.cpu for r in ours)
        f_wall = statistics.median(r.seconds for r in theirs)
        f_cpu = statistics.median(r.cpu for r in theirs)
        rows.append((f"{name} (`{n}`)", fmt_time(t_wall), fmt_time(t_cpu),
                     fmt_time(f_wall), fmt_time(f_cpu), f"{t_wall / f_wall:.2f}",
                     f"{t_cpu / f_cpu:.2f}" if f_cpu > 0 else "–",
                     "yes" if t_wall <= f_wall else "**no**"))
    return rows


def listing_against_limit(bench_dir, repetitions):
    """Medians from listing_bench: rows (case, listing ms, limit ms, ratio),
    or None when it is not built."""
    exe = os.path.join(bench_dir, "bench", "listing_bench")
    if not os.access(exe, os.X_OK):
        return None
    print("... listing against the output limit", file=sys.stderr, flush=True)
    out = subprocess.run([exe, f"--benchmark_repetitions={repetitions}", "--benchmark_format=json",
                          "--benchmark_report_aggregates_only=true"],
                         capture_output=True, check=True).stdout
    rows = []
    for b in json.loads(out)["benchmarks"]:
        if b.get("aggregate_name") != "median":
            continue
        rows.append((b["run_name"].split("/")[0], f"{b['real_time']:.2f} ms",
                     f"{b['limite_ms']:.2f} ms", f"{b['rapport']:.2f}"))
    return rows


def factorisation_classes(bench_dir):
    """Rows (class, numbers, mean, p99, max, over 0.1 ms) from
    factorisation_bench, or None when it is not built."""
    exe = os.path.join(bench_dir, "bench", "factorisation_bench")
    if not os.access(exe, os.X_OK):
        return None
    print("... factorisation by class", file=sys.stderr, flush=True)
    out = subprocess.run([exe, "--benchmark_format=json"], capture_output=True, check=True).stdout
    return [(b["run_name"].split("/")[0], f"{b['nombres']:.0f}", f"{b['moyenne_us']:.1f} µs",
             f"{b['p99_us']:.1f} µs", f"{b['max_us']:.1f} µs", f"{b['plus_de_0.1ms']:.0f}")
            for b in json.loads(out)["benchmarks"]]


def print_table(header, rows):
    print("| " + " | ".join(header) + " |")
    print("|" + "|".join("---" for _ in header) + "|")
    for row in rows:
        print("| " + " | ".join(row) + " |")


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("build_dir", nargs="?", default="./build",
                    help="build directory holding taverlune and taverlune_reference (default ./build)")
    ap.add_argument("--runs", type=int, default=5, help="timed runs of taverlune per row (default 5)")
    ap.add_argument("--reference-runs", type=int, default=3,
                    help="timed runs of the reference walk per row (default 3)")
    ap.add_argument("--no-reference", action="store_true", help="do not run the reference walk")
    ap.add_argument("--long-runs", type=int, default=3,
                    help="timed runs of the long counts (default 3)")
    ap.add_argument("--no-pari", action="store_true", help="do not run PARI/GP")
    ap.add_argument("--only", default="", help="only the rows whose answers contain this text")
    ap.add_argument("--skip", default=None, help="leave out the rows whose answers contain this text")
    ap.add_argument("--timeout", type=float, default=600.0,
                    help="seconds after which a run is killed (default 600)")
    ap.add_argument("--bench-dir", default="./build-bench",
                    help="build with -DTAVERLUNE_BENCHMARKS=ON holding bench/listing_bench (default ./build-bench)")
    ap.add_argument("--repetitions", type=int, default=9,
                    help="repetitions of listing_bench, whose medians are shown (default 9)")
    args = ap.parse_args()
    if args.runs < 1 or args.reference_runs < 1 or args.repetitions < 1:
        ap.error("--runs, --reference-runs and --repetitions must be at least 1")

    exe = os.path.join(args.build_dir, "taverlune")
    ref = os.path.join(args.build_dir, "taverlune_reference")
    if not os.access(exe, os.X_OK):
        sys.exit(f"{exe}: not found or not executable")
    use_ref = not args.no_reference
    if use_ref and not os.access(ref, os.X_OK):
        print(f"{ref}: not found, the reference walk is skipped", file=sys.stderr)
        use_ref = False

    have_time = os.access(TIME, os.X_OK)
    if not have_time:
        print(f"{TIME}: not found, peak RSS from wait4 (an upper bound)", file=sys.stderr)

    rows = []
    checks = []
    with tempfile.TemporaryDirectory(prefix="taverlune-bench-") as tmp:
        time_file = os.path.join(tmp, "time.txt") if have_time else None
        table = [d + (None, False, args.runs) for d in DIALOGUES] + [c[:3] + (False,) + c[3:] + (args.long_runs,) for c in COUNTS]
        for answers, target, rss_target, with_ref, limit_kib, with_pari, nruns in table:
            if args.only not in answers or (args.skip is not None and args.skip in answers):
                continue
            print(f"... {answers}", file=sys.stderr, flush=True)
            # Untimed run: the peak RSS, the output to check, and a warm-up.
            out_path = os.path.join(tmp, "taverlune.out")
            with open(out_path, "wb") as out:
                first = run_once(exe, answers, out, args.timeout, time_file, limit_kib=limit_kib)
            line = count_line(out_path)
            runs = [run_once(exe, answers, subprocess.DEVNULL, args.timeout, limit_kib=limit_kib)
                    for _ in range(nruns)]
            ref_cell = "–"
            if with_pari and not args.no_pari:
                pari = pari_count(answers, args.timeout)
                if pari is not None:
                    ref_cell = f"PARI/GP {fmt_time(pari[0])}, {fmt_rss(pari[2])}"
                    ours = re.search(r"Il y a +([0-9]+)", line)
                    same_count = ours is not None and ours.group(1) == pari[1]
                    ref_cell += ", same count" if same_count else f", COUNT {pari[1]} DIFFERS"
            same = None
            if use_ref and with_ref:
                ref_runs = []
                ref_path = os.path.join(tmp, "reference.out")
                for n in range(args.reference_runs):
                    print(f"    reference run {n + 1}/{args.reference_runs}",
                          file=sys.stderr, flush=True)
                    # The reference's output goes to a file: its first run's
                    # output is compared with taverlune's.
                    with open(ref_path if n == 0 else os.devnull, "wb") as out:
                        ref_runs.append(run_once(ref, answers, out, args.timeout))
                    if ref_runs[-1].timed_out:
                        break
                if any(r.timed_out for r in ref_runs):
                    ref_cell = f"> {fmt_time(args.timeout)} (killed)"
                else:
                    ref_cell = (f"{fmt_time(statistics.median(r.seconds for r in ref_runs))}"
                                f" (CPU {fmt_time(statistics.median(r.cpu for r in ref_runs))},"
                                f" {len(ref_runs)} runs)")
                    same = file_digest(ref_path) == file_digest(out_path)
                    ref_line = count_line(ref_path)
                    checks.append(f"reference `{answers}`: {ref_line}")
                os.unlink(ref_path)
            os.unlink(out_path)

            med, lo, hi, cpu = summary(runs)
            rss = first.maxrss_kib
            bad = [r for r in [first] + runs if r.timed_out or r.status != 1]
            met = med <= target and (rss_target is None or rss <= rss_target) and not bad
            note = ""
            if bad:
                note = f" (exit {bad[0].status}{', killed' if bad[0].timed_out else ''})"
            if same is not None:
                note += "; output = reference" if same else "; OUTPUT DIFFERS FROM REFERENCE"
            shown = f"`{answers}`" + (f" under `ulimit -v {limit_kib}`" if limit_kib else "")
            rows.append((shown, ref_cell, fmt_time(med), fmt_time(lo), fmt_time(hi), fmt_time(cpu),
                         fmt_rss(rss, first.rss_exact), fmt_target(target, rss_target),
                         ("yes" if met else "**no**") + note))
            checks.append(f"`{answers}`: {line}")

        # Time to the first question.
        print("... first question", file=sys.stderr, flush=True)
        first, _ = time_to_first_question(exe, args.timeout, time_file)  # RSS, warm-up
        fq = [time_to_first_question(exe, args.timeout)[0] for _ in range(args.runs)]
        med, lo, hi, _ = summary(fq)
        met = med <= FIRST_QUESTION_TARGET and not any(r.timed_out for r in fq)
        rows.append(("time to the first question", "–", fmt_time(med), fmt_time(lo),
                     fmt_time(hi), "–", fmt_rss(first.maxrss_kib, first.rss_exact),
                     fmt_time(FIRST_QUESTION_TARGET),
                     "yes" if met else "**no**"))

        # What starting any process costs from here, for scale.
        base = [run_once("/bin/true", "", subprocess.DEVNULL, args.timeout)
                for _ in range(max(args.runs, 5))]
        base_rss = run_once("/bin/true", "", subprocess.DEVNULL, args.timeout, time_file)

    factor_rows = side_by_side_with_factor(exe, args.runs, args.timeout)
    limit_rows = listing_against_limit(args.bench_dir, args.repetitions)
    factor_classes = factorisation_classes(args.bench_dir)

    header = ("dialogue", "reference walk (median), or PARI/GP's bare count", "taverlune median", "min", "max",
              "CPU (median)", "peak RSS", "target", "met?")
    print(f"taverlune: {os.path.abspath(exe)}; {args.runs} runs per row"
          + (f", reference {args.reference_runs} runs" if use_ref else ", no reference"))
    print()
    print_table(header, rows)
    print()
    print("Count lines (one untimed run each):")
    for c in checks:
        print(f"- {c}")
    print()
    print(f"Starting and ending /bin/true the same way: median "
          f"{fmt_time(statistics.median(r.seconds for r in base))} (included in every "
          f"time above); its peak RSS: {fmt_rss(base_rss.maxrss_kib, base_rss.rss_exact)}.")
    print()
    if factor_rows is None:
        print("coreutils factor: not found, no comparison.")
    else:
        print(f"Side by side with coreutils factor, {args.runs} runs each, alternating (medians):")
        print()
        print_table(("N", "taverlune `N 0 0 0`", "CPU", "`factor N`", "CPU", "ratio", "CPU ratio",
                     "no slower?"), factor_rows)
    print()
    if limit_rows is None:
        print(f"{args.bench_dir}/bench/listing_bench: not built, no listing against the output limit.")
    else:
        print(f"The listing against the output limit (listing_bench, CPU time, medians of "
              f"{args.repetitions} repetitions; the limit writes the same bytes through a 64 KiB "
              f"buffer to /dev/null):")
        print()
        print_table(("listing", "listing", "limit", "ratio"), limit_rows)
    print()
    if factor_classes is None:
        print(f"{args.bench_dir}/bench/factorisation_bench: not built, no factorisation by class.")
    else:
        print("The factorisation alone (factorisation_bench; each number's least time over the iterations):")
        print()
        print_table(("class", "numbers", "mean", "p99", "max", "over 0.1 ms"), factor_classes)


if __name__ == "__main__":
    main()
