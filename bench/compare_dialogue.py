#!/usr/bin/env python3
"""Check that two taverlune binaries hold exactly the same dialogue.

Usage: python3 bench/compare_dialogue.py OLD_BINARY NEW_BINARY [--quick]

Both binaries get the same answers on a pipe; their stdout is hashed
(sha256, streamed) and compared together with the exit status.  stderr is
ignored.  One summary line is printed per family and the exit status is 0
only when every session matched.
"""

import argparse
import hashlib
import os
import random
import re
import signal
import subprocess
import sys
import threading
import time

RUN_TIMEOUT = 120.0
FUZZ_TIMEOUT = 20.0
PRINT_LIMIT = 200000          # print every solution only up to this count
BATCH_CALCS = 100             # calculations chained in one process
BATCH_SOLUTIONS = 100000      # printed solutions per process, roughly
CAPTURE_LIMIT = 64 << 20      # bytes kept when the output has to be parsed
DEFAULT_SEED = 20240607

COUNT_RE = re.compile(r"Il y a\s+(\d+)\s+sommes egales a\s+(-?\d+)")
NUMBER_RE = re.compile(r"Le nombre\s+(-?\d+)\s")
CALC_END = "Nouveau calcul"


class Run:
    __slots__ = ("digest", "rc", "timed_out", "nbytes", "text", "seconds")


def run_binary(binary, data, timeout, capture=0):
    """Run binary with data on a pipe; hash stdout, optionally keep a prefix."""
    run = Run()
    h = hashlib.sha256()
    kept = []
    kept_len = 0
    nbytes = 0
    fired = threading.Event()
    start = time.monotonic()
    proc = subprocess.Popen([binary], stdin=subprocess.PIPE,
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                            start_new_session=True)

    def feed():
        try:
            proc.stdin.write(data)
        except OSError:
            pass  # the dialogue may end before reading everything
        try:
            proc.stdin.close()
        except OSError:
            pass

    def kill():
        if proc.poll() is None:
            fired.set()
            try:
                os.killpg(proc.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass

    writer = threading.Thread(target=feed, daemon=True)
    writer.start()
    timer = threading.Timer(timeout, kill)
    timer.start()
    try:
        while True:
            chunk = proc.stdout.read(1 << 16)
            if not chunk:
                break
            h.update(chunk)
            nbytes += len(chunk)
            if kept_len < capture:
                piece = chunk[:capture - kept_len]
                kept.append(piece)
                kept_len += len(piece)
        proc.wait()
    finally:
        timer.cancel()
        if proc.poll() is None:
            kill()
            proc.wait()
        proc.stdout.close()
        writer.join(5)
    run.digest = h.hexdigest()
    run.rc = proc.returncode
    run.timed_out = fired.is_set()
    run.nbytes = nbytes
    run.text = b"".join(kept).decode("latin-1") if capture else None
    run.seconds = time.monotonic() - start
    return run


def describe(run):
    if run.timed_out:
        return "timeout after %.0f s" % run.seconds
    return "exit %s, %d bytes, sha256 %s" % (run.rc, run.nbytes, run.digest[:16])


def first_line_difference(old, new, data, timeout):
    """Rerun a differing input keeping some output, to show where it diverges."""
    cap = 1 << 20
    a = run_binary(old, data, timeout, cap).text.splitlines()
    b = run_binary(new, data, timeout, cap).text.splitlines()
    for i, (x, y) in enumerate(zip(a, b)):
        if x != y:
            return "line %d: old %r / new %r" % (i + 1, x[:120], y[:120])
    if len(a) != len(b):
        return "output lengths differ (%d vs %d lines kept)" % (len(a), len(b))
    return None


def short(text, limit=200):
    text = text.strip()
    return text if len(text) <= limit else text[:limit] + "..."


class Comparer:
    def __init__(self, old, new):
        self.old = old
        self.new = new
        self.all_ok = True

    def pair(self, data, timeout=RUN_TIMEOUT, capture=0, timeouts_ok=False):
        """Run old then new on the same input; return (same, old_run, new_run)."""
        a = run_binary(self.old, data, timeout, capture)
        b = run_binary(self.new, data, timeout, 0)
        if a.timed_out or b.timed_out:
            same = timeouts_ok and a.timed_out and b.timed_out
        else:
            same = a.digest == b.digest and a.rc == b.rc
        return same, a, b

    def mismatch_text(self, label, data, a, b, timeout):
        msg = "first difference on %s: old %s; new %s" % (label, describe(a), describe(b))
        if not a.timed_out and not b.timed_out and a.digest != b.digest:
            where = first_line_difference(self.old, self.new, data, timeout)
            if where:
                msg += "; " + where
        return msg


class Family:
    def __init__(self, comparer, name):
        self.cmp = comparer
        self.name = name
        self.sessions = 0
        self.failure = None
        self.started = time.monotonic()

    @property
    def failed(self):
        return self.failure is not None

    def single(self, answers, timeout=RUN_TIMEOUT, capture=0, label=None, timeouts_ok=False):
        """One session whose stdin is answers (str or bytes).  Returns old's run."""
        if self.failed:
            return None
        data = answers if isinstance(answers, bytes) else (answers.strip() + "\n").encode()
        same, a, b = self.cmp.pair(data, timeout, capture, timeouts_ok)
        self.sessions += 1
        if not same:
            shown = label or repr(short(answers if isinstance(answers, str) else data.decode("latin-1")))
            self.failure = self.cmp.mismatch_text(shown, data, a, b, timeout)
        return a

    def batch(self, calcs, capture=0):
        """Chain the calculations in one process.  Returns old's run."""
        if self.failed or not calcs:
            return None
        data = (" 1 ".join(calcs) + " 0\n").encode()
        same, a, b = self.cmp.pair(data, RUN_TIMEOUT, capture)
        self.sessions += 1
        if not same:
            self.failure = self.narrow(calcs, data, a, b)
        return a

    def narrow(self, calcs, data, a, b):
        # Find the first calculation that differs on its own.
        for calc in calcs:
            single = (calc + " 0\n").encode()
            same, x, y = self.cmp.pair(single, RUN_TIMEOUT)
            if not same:
                return self.cmp.mismatch_text(repr(calc + " 0"), single, x, y, RUN_TIMEOUT)
        label = "batch %r (no single calculation differs alone)" % short(data.decode(), 160)
        return self.cmp.mismatch_text(label, data, a, b, RUN_TIMEOUT)

    def report(self):
        took = time.monotonic() - self.started
        if self.failure is None:
            line = "%s: %d sessions, all identical" % (self.name, self.sessions)
        else:
            self.cmp.all_ok = False
            line = "%s: %s (after %d sessions)" % (self.name, self.failure, self.sessions)
        print("%s  [%.1f s]" % (line, took), flush=True)


def split_batches(items, weight=lambda item: 1, max_weight=None):
    batch, total = [], 0
    for item in items:
        w = weight(item)
        if batch and (len(batch) >= BATCH_CALCS or
                      (max_weight is not None and total + w > max_weight)):
            yield batch
            batch, total = [], 0
        batch.append(item)
        total += w
    if batch:
        yield batch


def parse_counts(text, numbers):
    """Solution count of each chained calculation, None when not shown."""
    pieces = text.split(CALC_END)[:-1] if text is not None else []
    if len(pieces) != len(numbers):
        return [None] * len(numbers)
    counts = []
    for n, piece in zip(numbers, pieces):
        m = NUMBER_RE.search(piece)
        c = COUNT_RE.search(piece)
        if m and int(m.group(1)) == n and c:
            counts.append(int(c.group(1)))
        else:
            counts.append(None)
    return counts


def counted_then_printed(fam, cases):
    """cases: (n, count answers, print answers).  Count in batches, then
    print every solution of the cases whose count is small enough."""
    to_print = []
    for group in split_batches(cases):
        run = fam.batch([c[1] for c in group], capture=CAPTURE_LIMIT)
        if fam.failed:
            return
        counts = parse_counts(run.text, [c[0] for c in group])
        for case, count in zip(group, counts):
            if count is None or count <= PRINT_LIMIT:
                to_print.append((case[2], count or 1))
    for group in split_batches(to_print, weight=lambda c: c[1], max_weight=BATCH_SOLUTIONS):
        fam.batch([c[0] for c in group])
        if fam.failed:
            return


def sigma(n):
    total = 0
    d = 1
    while d * d <= n:
        if n % d == 0:
            total += d
            if d * d != n:
                total += n // d
        d += 1
    return total


def is_prime(n):
    if n < 2:
        return False
    small = (2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37)
    for p in small:
        if n % p == 0:
            return n == p
    d, s = n - 1, 0
    while d % 2 == 0:
        d //= 2
        s += 1
    for a in small:
        x = pow(a, d, n)
        if x in (1, n - 1):
            continue
        for _ in range(s - 1):
            x = x * x % n
            if x == n - 1:
                break
        else:
            return False
    return True


def family_range(cmp):
    fam = Family(cmp, "1..1500 target N")
    cases = [(n, "%d 0 0" % n, "%d 1 0" % n) for n in range(1, 1501)]
    counted_then_printed(fam, cases)
    fam.report()


def family_random(cmp, seed):
    fam = Family(cmp, "random targets (seed %d)" % seed)
    rng = random.Random(seed)
    cases = []
    for _ in range(400):
        n = rng.randint(2, 1500)
        s = n
        while s == n:  # S == N would be asked again
            s = rng.randint(1, sigma(n))
        cases.append((n, "%d 0 1 %d" % (n, s), "%d 1 1 %d" % (n, s)))
    counted_then_printed(fam, cases)
    fam.report()


def family_special(cmp):
    fam = Family(cmp, "special numbers and words")
    perfect = [6, 28, 496, 8128, 33550336, 8589869056, 137438691328,
               2305843008139952128]
    top = (1 << 63) - 1
    primes = []
    n = top
    while len(primes) < 3:
        if is_prime(n):
            primes.append(n)
        n -= 1
    big = 8976124847866176000
    sessions = []
    for n in perfect + primes + [top]:
        sessions += ["%d 0 0 0" % n, "%d 1 0 0" % n]
    sessions += ["%d 0 1 %d 0" % (p, s) for p in primes[:1] + [top] for s in (1, 2, 1000)]
    sessions.append("%d 0 0 0" % (3 << 60))
    sessions += ["%d 0 1 %d 0" % (big, s) for s in (1, 2, 50, 100, 1000, 5000)]
    sessions.append("%d 1 1 100 0" % big)
    # out of range and odd words, each followed by answers that finish the dialogue
    odd = ["+12", "012", "abc", "-5", "0", "12abc", "1.5", "9223372036854775808",
           "18446744073709551617", "99999999999999999999999"]
    for w in odd:
        sessions.append("%s 12 0 0 0" % w)
        sessions.append("%s 12 1 0 0" % w)
        sessions.append("28 %s 1 0 0" % w)
        sessions.append("28 1 %s 0 0" % w)
        sessions.append("12 1 1 %s 5 0" % w)
        sessions.append("12 0 1 %s 5 0" % w)
        sessions.append("12 0 0 %s 6 0 0 0" % w)
    sessions += ["9223372036854775808 0 0 0", "9223372036854775808 1 0 0",
                 "18446744073709551617 0 0 0", "18446744073709551616 0 0 0",
                 "12 1 1 12 5 0", "12 0 1 12 12 7 0", "28 0 1 28 0",
                 "12 0 1 9223372036854775808 5 0", "12 0 1 18446744073709551617 5 0",
                 "12 0 1 9223372036854775807 0", "12 0 1 1 1 24 0 1 3 0",
                 "720 0 0 1 28 1 0 0", "12 1 1 5 0", "28 1 0 0", "1 1 0 0", "1 0 1 1 0",
                 "2 1 1 1 1 3 1 1 2 0"]
    for s in sessions:
        fam.single(s)
        if fam.failed:
            break
    fam.report()


def family_fuzz(cmp, corpus):
    fam = Family(cmp, "fuzz corpus")
    names = sorted(os.listdir(corpus)) if os.path.isdir(corpus) else []
    for name in names:
        path = os.path.join(corpus, name)
        if not os.path.isfile(path):
            continue
        with open(path, "rb") as f:
            data = f.read()
        fam.single(data, timeout=FUZZ_TIMEOUT, label=path, timeouts_ok=True)
        if fam.failed:
            break
    if not names:
        print("warning: no corpus files in %s" % corpus, file=sys.stderr)
    fam.report()


def family_long(cmp):
    fam = Family(cmp, "long counts")
    for s in ("332640 0 0 0", "360360 0 0 0", "221760 0 1 364608 0"):
        fam.single(s)
        if fam.failed:
            break
    fam.report()


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("old")
    parser.add_argument("new")
    parser.add_argument("--quick", action="store_true", help="skip the long counts")
    parser.add_argument("--seed", type=int, default=DEFAULT_SEED)
    parser.add_argument("--corpus", default=os.path.join(here, "..", "tests", "fuzz", "corpus"))
    args = parser.parse_args()
    for b in (args.old, args.new):
        if not (os.path.isfile(b) and os.access(b, os.X_OK)):
            parser.error("not an executable file: %s" % b)

    start = time.monotonic()
    print("old: %s\nnew: %s\nrandom seed: %d" % (args.old, args.new, args.seed), flush=True)
    cmp = Comparer(os.path.abspath(args.old), os.path.abspath(args.new))
    family_range(cmp)
    family_random(cmp, args.seed)
    family_special(cmp)
    family_fuzz(cmp, os.path.normpath(args.corpus))
    if not args.quick:
        family_long(cmp)
    print("%s in %.1f s" % ("ALL IDENTICAL" if cmp.all_ok else "DIFFERENCES FOUND",
                            time.monotonic() - start), flush=True)
    return 0 if cmp.all_ok else 1


if __name__ == "__main__":
    sys.exit(main())
