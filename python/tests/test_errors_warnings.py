"""Refusals and warnings as Python users expect them: InputError (a ValueError) with the programs'
own messages, warnings through the warnings module with a category per kind, Ctrl-C stopping a
long computation, and the GIL free while the library computes."""

import os
import signal
import threading
import time
import warnings

import numpy as np
import pandas as pd
import pytest

import kelvaro
from conftest import EXAMPLE_PAIRS, SURVEY_COLUMNS, make_survey, run

SITES = [f"s{i}" for i in range(1, 6)]
GOOD = pd.DataFrame({"a": [1, 0, 1, 1, 0], "b": [0, 1, 1, 0, 0], "c": [1, 1, 0, 0, 1]},
                    index=pd.Index(SITES, name="site"))


def with_cell(column, row, value):
    table = GOOD.astype(object)
    table.loc[row, column] = value
    return table


WIDE_REFUSALS = {
    "a cell that is no value": with_cell("b", "s3", "maybe"),
    "a missing value written NA": with_cell("a", "s2", "NA"),
    "a site named twice": GOOD.rename(index={"s2": "s1"}),
    "an empty species name": GOOD.rename(columns={"b": ""}),
    "no detection": GOOD * 0,
    "more than 1000 sites": pd.DataFrame({"a": [1] * 1001}, index=[f"p{i}" for i in range(1001)]),
}


@pytest.mark.parametrize("case", list(WIDE_REFUSALS))
def test_a_refused_table_says_what_kelvaro_prep_says(tmp_path, case):
    table = WIDE_REFUSALS[case]
    # The same table as a file of the name analyse() gives it: kelvaro-prep's message.
    table.to_csv(tmp_path / "sample1")
    GOOD.to_csv(tmp_path / "sample2")
    status, _, err = run("kelvaro-prep", "sample1", "sample2", cwd=tmp_path, check=False)
    assert status == 2
    expected = err.decode().removeprefix("kelvaro-prep: ").rstrip("\n")
    with pytest.raises(kelvaro.InputError) as refused:
        kelvaro.analyse(table, GOOD)
    assert str(refused.value) == expected
    assert isinstance(refused.value, ValueError)
    assert refused.value.file == "sample1"
    assert refused.value.line is not None and expected.find(f"line {refused.value.line}") > 0


LONG_REFUSALS = {
    "a count cell that is no value": "group,sample,site,species,count\ng,1,a,x,1\ng,1,b,y,many\n",
    "no species column": "group,sample,site,count\ng,1,a,1\n",
    "an empty site": "group,sample,site,species\ng,1,,x\n",
}


@pytest.mark.parametrize("case", list(LONG_REFUSALS))
def test_a_refused_long_table_says_what_kelvaro_batch_says(tmp_path, case):
    (tmp_path / "table").write_text(LONG_REFUSALS[case])
    status, _, err = run("kelvaro-batch", "table", "-o", "out", cwd=tmp_path, check=False)
    assert status == 2
    expected = err.decode().removeprefix("kelvaro-batch: ").rstrip("\n")
    frame = pd.read_csv(tmp_path / "table", dtype=str, keep_default_na=False)
    for table in (frame, tmp_path / "table"):
        with pytest.raises(kelvaro.InputError) as refused:
            kelvaro.batch(table, threads=1)
        assert str(refused.value).replace(str(tmp_path / "table"), "table") == expected


@pytest.mark.parametrize("call,message", [
    (lambda: kelvaro.analyse(GOOD, GOOD, nreps="50"), "nreps must be a whole number"),
    (lambda: kelvaro.analyse([[1, 0]], GOOD), "sample1 must be a site-by-species table"),
    (lambda: kelvaro.analyse(GOOD, GOOD, seed=2**31), "seed must be a whole number"),
    (lambda: kelvaro.batch({"g": [1]}, seed=0), "a batch must be repeatable"),
    (lambda: kelvaro.batch({"g": [1]}, nreps=10001), "nreps must be a whole number from 0"),
    (lambda: kelvaro.batch({"g": [1]}, pairs=3), "pairs must be"),
    (lambda: kelvaro.plan(species=50, detection=1.5, heterogeneity=2, sites=10),
     "detection must be above 0 and at most 1 (a probability), not 1.5"),
    (lambda: kelvaro.plan(species=50, detection=0.2, heterogeneity=2),
     "sites"),
])
def test_bad_arguments(call, message):
    with pytest.raises((TypeError, ValueError)) as refused:
        call()
    assert message in str(refused.value)


def test_a_file_that_cannot_be_read_is_an_os_error(tmp_path):
    with pytest.raises(OSError, match="No such file"):
        kelvaro.analyse(tmp_path / "missing.csv", GOOD)
    with pytest.raises(OSError, match="No such file"):
        kelvaro.read_dwca(tmp_path / "occurrences.zip")
    # A folder is a Darwin Core Archive to kelvaro-batch; this one holds nothing it reads.
    with pytest.raises(kelvaro.InputError, match="no Darwin Core archive"):
        kelvaro.batch(tmp_path)


def test_each_warning_is_issued_with_its_kind_category():
    _, first, second = EXAMPLE_PAIRS[0]
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        result = kelvaro.analyse(first, second, nreps=10)
    issued = [(w.category, w.message.kind, w.message.block, w.message.text) for w in caught]
    rows = list(result.warnings.itertuples(index=False))
    assert len(rows) > 0  # fewer than 20 replicates: few_replicates, at least
    assert [(k, b, t) for _, k, b, t in issued] == [tuple(r) for r in rows]
    for category, kind, block, text in issued:
        assert category is getattr(kelvaro, kelvaro._warnings.category_name(kind))
        assert issubclass(category, kelvaro.KelvaroWarning)
        assert issubclass(category, UserWarning)
    assert "few_replicates" in set(result.warnings["kind"])
    # Each file of the warning points at the caller, not into the package.
    assert all(w.filename == __file__ for w in caught)


def test_warnings_filter_by_kind():
    _, first, second = EXAMPLE_PAIRS[0]
    with warnings.catch_warnings():
        warnings.simplefilter("error", kelvaro.FewReplicatesWarning)
        with pytest.raises(kelvaro.FewReplicatesWarning, match="fewer than 20"):
            kelvaro.analyse(first, second, nreps=10)
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        warnings.simplefilter("ignore", kelvaro.KelvaroWarning)
        kelvaro.analyse(first, second, nreps=10)
    assert caught == []


def test_every_kind_has_one_category():
    kinds = kelvaro._warnings.kinds()
    assert {"outside_interval", "clock_seed", "no_intervals", "name_variant"} <= set(kinds)
    for kind in kinds:
        name = kelvaro._warnings.category_name(kind)
        assert getattr(kelvaro, name) is kelvaro._warnings.category(kind)
        assert name in dir(kelvaro)
    with pytest.raises(AttributeError):
        kelvaro.NoSuchKindWarning


def interrupt_soon(after=0.3):
    timer = threading.Timer(after, lambda: os.kill(os.getpid(), signal.SIGINT))
    timer.start()
    return timer


def rare_species(seed):
    """300 sites of 1500 species, each found at a site with probability 0.02: a community whose
    bootstrap of 10000 replicates takes minutes."""
    found = np.random.default_rng(seed).random((300, 1500)) < 0.02
    return pd.DataFrame(found.astype(int), index=[f"s{i}" for i in range(300)],
                        columns=[f"sp{j}" for j in range(1500)])


RARE = (rare_species(1), rare_species(2))


@pytest.fixture(scope="module")
def long_survey(tmp_path_factory):
    """200 routes x 3 years, shuffled: a batch of 10000 replicates takes seconds even on two
    threads (the 30 routes of `survey` took a third of a second, done before the interrupt)."""
    return make_survey(tmp_path_factory.mktemp("long") / "survey.csv", 200, 3, shuffle=True)


@pytest.mark.parametrize("long_call", [
    lambda survey: kelvaro.analyse(RARE[0], RARE[1], nreps=10000),
    lambda survey: kelvaro.batch(survey, **SURVEY_COLUMNS, nreps=10000, threads=2),
    lambda survey: kelvaro.plan(species=200, detection=0.2, heterogeneity=2, sites="5:50:5",
                                surveys=100000, nreps=100, threads=2),
], ids=["analyse", "batch", "plan"])
def test_ctrl_c_stops_a_long_computation(long_survey, long_call):
    # Python's own handler, whatever the tests inherited (a shell's background job ignores SIGINT).
    previous = signal.signal(signal.SIGINT, signal.default_int_handler)
    try:
        check_ctrl_c(long_survey, long_call)
    finally:
        signal.signal(signal.SIGINT, previous)


def check_ctrl_c(survey, long_call):
    threads = threading.active_count()
    start = time.monotonic()
    timer = interrupt_soon()
    with pytest.raises(KeyboardInterrupt):
        long_call(survey)
    timer.join()
    # Stopped long before the end (each call takes minutes), its threads joined.
    assert time.monotonic() - start < 30
    assert threading.active_count() == threads
    kelvaro.analyse(GOOD, GOOD, nreps=5)  # and the next call runs as usual


def test_the_gil_is_free_while_the_library_computes():
    _, first, second = EXAMPLE_PAIRS[1]
    done = threading.Event()
    worker = threading.Thread(target=lambda: (kelvaro.analyse(first, second, nreps=2000),
                                              done.set()))
    worker.start()
    counted = 0
    while not done.is_set() and worker.is_alive():
        counted += 1  # runs only while the worker lets the GIL go
    worker.join()
    assert done.is_set()
    assert counted > 10000
