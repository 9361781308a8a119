"""kelvaro.analyse against the programs: kelvaro-prep, kelvaro and kelvaro-tidy on the same
tables give the same report bytes and the same tables, whichever way the tables are handed over."""

import subprocess
import sys
import warnings

import pandas as pd
import pytest

import kelvaro
from conftest import EXAMPLE_PAIRS, run
from frames import assert_same, program_table

TABLES = {"parameters": "parameters", "blocks": "blocks", "tests": "test",
          "estimators": "estimators"}
LABELS = {"parameters": ["parameter"], "blocks": ["block"], "tests": [],
          "estimators": ["block", "estimator"]}


def pipeline(tmp_path, first, second, *options):
    """The programs' report and kelvaro-tidy's tables (CSV bytes by name) for two tables."""
    _, text, _ = run("kelvaro-prep", first, second, *options)
    _, report, _ = run("kelvaro", stdin=text, check=False)
    out = tmp_path / "tables"
    run("kelvaro-tidy", "--dir", out, stdin=report)
    return report.decode(), {name: (out / f"{tidy}.csv").read_bytes()
                             for name, tidy in TABLES.items()}


def as_frames(first, second):
    read = lambda p: pd.read_csv(p, index_col=0)  # noqa: E731
    return read(first), read(second)


def as_dicts(first, second):
    # Columns of species; the sites are numbered, as the tables' own names do not matter.
    return tuple({c: list(f[c]) for c in f.columns} for f in as_frames(first, second))


@pytest.mark.parametrize("name,first,second", EXAMPLE_PAIRS, ids=[p[0] for p in EXAMPLE_PAIRS])
@pytest.mark.parametrize("given", ["paths", "frames", "dicts"])
def test_the_programs_report_and_tables(tmp_path, name, first, second, given):
    report, tables = pipeline(tmp_path, first, second)
    inputs = {"paths": (first, second), "frames": as_frames(first, second),
              "dicts": as_dicts(first, second)}[given]
    with warnings.catch_warnings(record=True):
        result = kelvaro.analyse(*inputs)
    assert result.report == report
    for attribute, csv_bytes in tables.items():
        assert_same(getattr(result, attribute), program_table(csv_bytes, LABELS[attribute]))
    assert result.seed == 400


@pytest.mark.parametrize("options,arguments", [
    (("--nreps", "0", "--seed", "7"), dict(nreps=0, seed=7)),
    (("--nreps", "20", "--no-range-adjust"), dict(nreps=20, range_adjust=False)),
])
def test_options_as_the_programs_take_them(tmp_path, options, arguments):
    _, first, second = EXAMPLE_PAIRS[0]
    report, tables = pipeline(tmp_path, first, second, *options)
    with warnings.catch_warnings(record=True):
        result = kelvaro.analyse(first, second, **arguments)
    assert result.report == report
    assert_same(result.parameters, program_table(tables["parameters"], ["parameter"]))


def test_one_table_is_the_single_sample_run():
    _, first, _ = EXAMPLE_PAIRS[1]
    both = kelvaro.analyse(first, first, nreps=10)
    alone = kelvaro.analyse(first, nreps=10)
    # kelvaro on the same input with Sample 1 only: the header, then Sample 1's two records.
    header, f1, n1 = both_input_lines(first)
    _, report, _ = run("kelvaro", stdin=f"{header}\n{f1}\n{n1}\n".encode(), check=False)
    assert alone.report == report.decode()
    assert list(alone.blocks["block"]) == ["Sample 1"]
    assert len(alone.parameters) == 0 and len(alone.tests) == 0
    assert_same(alone.blocks, both.blocks.iloc[:1])
    assert set(alone.curves["block"]) == {"Sample 1"}


def both_input_lines(table):
    _, text, _ = run("kelvaro-prep", table, table, "--nreps", "10")
    lines = text.decode().splitlines()
    return lines[0], lines[1], lines[2]


def test_curves_of_the_two_samples():
    _, first, second = EXAMPLE_PAIRS[0]
    result = kelvaro.analyse(first, second)
    curves, blocks = result.curves, result.blocks.set_index("block")
    assert list(curves.columns) == ["block", "sites", "kind", "richness", "lower", "upper",
                                    "coverage"]
    assert list(curves["block"].unique()) == ["Sample 1", "Sample 2"]
    for block, rows in curves.groupby("block"):
        observed = rows[rows["kind"] == "observed"]
        # At the samples' own effort (12 ditches) the curve is the species observed, R; it runs
        # to twice that effort.
        assert list(observed["sites"]) == [12]
        assert observed["richness"].iloc[0] == blocks.loc[block, "R"]
        assert list(rows["sites"]) == list(range(1, 25))


def test_seed_zero_gives_a_clock_seed_that_repeats_the_run():
    _, first, second = EXAMPLE_PAIRS[0]
    with pytest.warns(kelvaro.ClockSeedWarning):
        first_run = kelvaro.analyse(first, second, nreps=20, seed=0)
    assert isinstance(first_run.seed, kelvaro.ClockSeed)
    assert 0 <= first_run.seed < 2**31
    with warnings.catch_warnings():
        warnings.simplefilter("error", kelvaro.ClockSeedWarning)  # a repeat is not warned about
        again = kelvaro.analyse(first, second, nreps=20, seed=first_run.seed)
        by_text = kelvaro.analyse(first, second, nreps=20, seed=str(first_run.seed))
    assert again.report == first_run.report == by_text.report
    assert again.seed == first_run.seed
    assert_same(again.parameters, first_run.parameters)


def test_threads_give_the_same_result():
    _, first, second = EXAMPLE_PAIRS[1]
    one = kelvaro.analyse(first, second, nreps=200)
    two = kelvaro.analyse(first, second, nreps=200, threads=2)
    assert one.report == two.report
    assert_same(one.curves, two.curves)


def test_without_pandas_tables_are_lists_of_dicts():
    _, first, second = EXAMPLE_PAIRS[0]
    script = f"""
import sys, warnings
sys.modules["pandas"] = None  # as if pandas were not installed
import kelvaro
warnings.simplefilter("ignore")
r = kelvaro.analyse({str(first)!r}, {str(second)!r})
assert isinstance(r.blocks, list) and isinstance(r.blocks[0], dict), r.blocks
print(r.blocks[0]["block"], r.blocks[0]["R"], type(r.blocks[0]["estimate"]).__name__)
print(r.blocks[2]["mh_df"], len(r.parameters), r.parameters[4]["parameter"])
b = kelvaro.batch({{"group": ["g"] * 4, "sample": ["1", "1", "2", "2"],
                   "site": ["a", "b", "a", "b"], "species": ["x", "y", "x", "z"]}}, threads=1)
print(b.pairs, b.blocks[0]["group"], b.blocks[0]["sample1"])
"""
    out = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True,
                         check=True).stdout.split("\n")
    assert out[0] == "Sample 1 83 float"
    assert out[1].split()[1:] == ["11", "PHI"]
    assert out[2] == "1 g 1"
