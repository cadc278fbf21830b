"""The Python module taverlune: its figures against a brute force over the subsets written here and against
PARI/GP (cypari2), the laziness of its iterators, Ctrl-C and the exceptions of callbacks, its refusals."""
import doctest
import itertools
import os
import random
import re
import signal
import threading
import time
from collections import Counter

import pytest

import taverlune

cypari2 = pytest.importorskip("cypari2")
pari = cypari2.Pari(sizemax=2 ** 30)
A720720 = 218070824142095497248809692911681589615265054251943034326654589941
LONG = 367567200  # a count of minutes: long enough to be stopped in its middle


def brute(values, target):
    """{terms: count} of the subsets of `values` summing to `target`, and those subsets in ascending order."""
    subsets = [s for k in range(1, len(values) + 1) for s in itertools.combinations(sorted(values), k)
               if sum(s) == target]
    return dict(sorted(Counter(map(len, subsets)).items())), sorted(subsets)


def proper(n, target):
    return [d for d in range(1, min(n - 1, target) + 1) if n % d == 0]


def pari_count(values, target):
    """The coefficient of x^target in the product of the 1 + x^v, multiplied by a balanced tree, truncated."""
    return 0 if not values else int(pari(f"my(v=apply(e->1+'x^e,{list(values)}));while(#v>1,v=vector((#v+1)\\2,i,if(2*i<=#v,"
                    f"truncate(v[2*i-1]*v[2*i]+O('x^{target + 1})),v[2*i-1])));polcoef(v[1],{target})"))


def threads_now():
    return len(os.listdir("/proc/self/task"))


CASES = [(n, n) for n in range(1, 61)] + [(12, 10), (24, 30), (30, 7), (60, 100), (120, 120), (120, 50), (96, 1)]


@pytest.mark.parametrize("n,target", CASES)
def test_counts_distributions_and_solutions_against_the_subsets(n, target):
    by_terms, subsets = brute(proper(n, target), target)
    assert taverlune.count(n, target) == sum(by_terms.values())
    assert taverlune.distribution(n, target) == by_terms
    assert list(taverlune.solutions(n, target)) == subsets


@pytest.mark.parametrize("n,target", [(5040, 5040), (55440, 55440), (720720 // 7, 10000), (2 ** 14 * 3, 2 ** 14 * 3)])
def test_large_counts_against_pari(n, target):
    assert taverlune.count(n, target) == pari_count(proper(n, target), target)


def test_known_figures():
    assert taverlune.count(720720) == A720720
    assert taverlune.distribution(24) == {3: 1, 4: 2, 5: 1, 6: 1}
    assert taverlune.factor(720720) == [(2, 4), (3, 2), (5, 1), (7, 1), (11, 1), (13, 1)]
    assert taverlune.factor(2 ** 63 - 1) == [(7, 2), (73, 1), (127, 1), (337, 1), (92737, 1), (649657, 1)]
    assert taverlune.divisors(1) == [1] and taverlune.factor(1) == []
    assert taverlune.divisors(2 ** 62) == [2 ** k for k in range(63)]
    version = re.search(r"project\(taverlune VERSION (\S+)", open(os.path.join(
        os.path.dirname(__file__), "..", "..", "CMakeLists.txt")).read()).group(1)
    assert taverlune.__version__ == version
    for f in (taverlune.count, taverlune.distribution, taverlune.solutions, taverlune.table, taverlune.records,
              taverlune.count_subsets, taverlune.divisors, taverlune.factor):
        assert f.__doc__.startswith(f.__name__ + "(") and ">>>" in f.__doc__
    assert doctest.testmod(taverlune).failed == 0  # the examples of the docstrings


def test_the_readme_session_as_typed():
    readme = open(os.path.join(os.path.dirname(__file__), "..", "..", "README.md")).read()
    session = readme.split("```pycon\n")[1].split("```")[0]
    test = doctest.DocTestParser().get_doctest(session, {}, "README", "README.md", 0)
    assert doctest.DocTestRunner().run(test).failed == 0


def test_count_subsets_in_any_order():
    rng = random.Random(7)
    for size, top in [(0, 9), (1, 9), (12, 40), (16, 100)]:
        values = rng.sample(range(1, top + 1), size)
        for target in (1, top, sum(values) // 2 + 1, sum(values) + 1):
            assert taverlune.count_subsets(iter(values), target) == sum(brute(values, target)[0].values())
    values = rng.sample(range(1, 3000), 80)
    assert taverlune.count_subsets(values, 20000, threads=1) == pari_count(values, 20000)


def test_tables_and_records_against_pari():
    a = [pari_count(proper(n, n), n) for n in range(1, 301)]
    assert list(taverlune.table(1, 300, threads=2)) == list(enumerate(a, 1))
    best, records = 0, []
    for n, x in enumerate(a, 1):
        if x > best:
            best, records = x, records + [(n, x)]
    assert list(taverlune.records(1, 300)) == records
    for offset in (-3, 0, 5):
        expected = [(n, sum(brute(proper(n, n + offset), n + offset)[0].values()) if n + offset > 0 else 0)
                    for n in range(40, 61)]
        assert list(taverlune.table(40, 60, offset, threads=1)) == expected


def test_an_endless_listing_read_lazily_then_closed():
    before = threads_now()
    start = time.monotonic()
    with taverlune.solutions(720720) as s:
        first = list(itertools.islice(s, 5))
    assert time.monotonic() - start < 30 and threads_now() == before
    assert [sum(x) for x in first] == [720720] * 5 and first == sorted(first)
    s = taverlune.solutions(720720)
    next(s)
    s.close()
    assert list(s) == [] and threads_now() == before
    del s


def test_progress_runs_forward_and_ends_at_one():
    seen = []
    assert taverlune.count(720720, progress=seen.append) == A720720
    assert seen == sorted(seen) and seen[-1] == 1.0 and all(0 <= f <= 1 for f in seen)


class Stop(Exception):
    pass


def raising(error):
    def progress(fraction):
        raise error()
    return progress


@pytest.mark.parametrize("call,error", [
    (lambda p: taverlune.count(LONG, progress=p), KeyboardInterrupt),
    (lambda p: taverlune.distribution(21621600, progress=p), Stop),
    (lambda p: next(taverlune.table(10 ** 6, 10 ** 7, progress=p)), Stop),
])
def test_an_exception_of_the_progress_callback_stops_the_engine(call, error):
    before = threads_now()
    with pytest.raises(error):
        call(raising(error))
    assert threads_now() == before


def test_ctrl_c_stops_a_long_count():
    started = threading.Event()
    killer = threading.Thread(target=lambda: started.wait(60) and os.kill(os.getpid(), signal.SIGINT))
    killer.start()
    with pytest.raises(KeyboardInterrupt):
        taverlune.count(LONG, progress=lambda fraction: started.set())
    killer.join()


def test_the_family_in_python_terms():
    # By hand from the divisors of 24 (sigma 60): the sets of sum 30 are 24+6, 24+4+2, 24+3+2+1 and their
    # complements; 6 divides 24; a(24) = 5 as distribution(24) has it.
    assert taverlune.classify(24) == {
        "semiperfect": True, "primitive-semiperfect": False, "weird": False, "primitive-weird": False,
        "zumkeller": True, "practical": True, "abundant": True, "perfect": False, "deficient": False,
        "zumkeller-splits": 3, "a065205": 5}
    assert taverlune.select("A006036", 1, 350) == [6, 20, 28, 88, 104, 272, 304, 350]  # the encyclopedia's terms
    assert taverlune.count_property("Weird", 1, 10 ** 5) == 204  # the published count


REFUSALS = {
    ValueError: ["count(0)", "count(-12)", "count(2 ** 63)", "count(12, 0)", "count(12, threads=-1)",
                 "distribution(12, memory=-1)", "divisors(0)", "factor(-7)", "solutions(0)", "table(0, 5)",
                 "table(6, 5)", "table(1, 2 ** 63 - 1, 1)", "records(1, 2 ** 63 - 10, 11)",
                 "count_subsets([3, 1, 3], 4)", "count_subsets([2, 0], 2)", "count_subsets([-1], 1)",
                 "select('odd', 1, 9)", "count_property('weird', 9, 1)", "table(1, 9, 1, sequence='A083206')",
                 "table(1, 9, sequence='A000001')", "classify(0)"],
    TypeError: ["count(12.0)", "count('12')", "count_subsets(5, 5)"],
    MemoryError: ["count(720720, memory=1000)"],  # only the listing fits, and it would not end
}


@pytest.mark.parametrize("error,call", [(e, c) for e, calls in REFUSALS.items() for c in calls])
def test_refusals(error, call):
    with pytest.raises(error):
        eval(call, vars(taverlune))
