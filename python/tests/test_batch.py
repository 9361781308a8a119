"""kelvaro.batch against kelvaro-batch: the same five tables for the same table and options,
whichever way the table is handed over."""

import warnings

import pandas as pd
import pytest

import kelvaro
from conftest import SURVEY_COLUMNS, run
from frames import assert_same, program_table

KEY = ["group", "sample1", "sample2"]
LABELS = {"parameters": KEY + ["parameter"], "blocks": KEY + ["block"], "tests": KEY,
          "estimators": KEY + ["block", "estimator"], "problems": KEY + ["kind", "message"]}

BATCH_OPTIONS = {"group": "--group", "sample": "--sample", "site": "--site",
                 "species": "--species", "count": "--count", "pairs": "--pairs",
                 "nreps": "--nreps", "seed": "--seed"}


def program_tables(tmp_path, records, **options):
    """kelvaro-batch's five tables for the same options as kelvaro.batch's."""
    args = [records, "-o", tmp_path / "out", "-q", "--threads", "2"]
    for name, value in options.items():
        if name == "range_adjust":
            args += [] if value else ["--no-range-adjust"]
        else:
            args += [BATCH_OPTIONS[name], value]
    run("kelvaro-batch", *args)
    return {name: program_table((tmp_path / "out" / f"{name}.csv").read_bytes(), LABELS[name])
            for name in LABELS}


def assert_tables(result, expected):
    for name in LABELS:
        assert_same(getattr(result, name), expected[name])


@pytest.mark.parametrize("given", ["path", "frame"])
@pytest.mark.parametrize("options", [
    dict(SURVEY_COLUMNS, nreps=20),
    dict(SURVEY_COLUMNS, nreps=10, pairs="all", seed=17, range_adjust=False),
], ids=["consecutive", "all"])
def test_kelvaro_batch_tables(tmp_path, survey, given, options):
    expected = program_tables(tmp_path, survey, **options)
    table = survey if given == "path" else pd.read_csv(survey)
    result = kelvaro.batch(table, **options)
    assert_tables(result, expected)
    assert result.pairs == result.analysed + result.not_analysed
    assert result.pairs == len(expected["blocks"].drop_duplicates(KEY)) + len(
        expected["problems"][expected["problems"]["kind"].isin(
            ["missing_sample", "no_detection", "too_many_sites", "refused"])])


def test_pairs_listed_and_pairs_that_cannot_be_analysed(tmp_path):
    # Labels the table holds apart (" 7" and "7" are one label once read; "NA" is text), a
    # sample with no detection, pairs listed in a table (one of a sample the table lacks).
    records = pd.DataFrame({
        "Group": ["7", " 7", "7", "7", "NA", "NA", "NA", "NA", "NA", "NA"],
        "sample": ["2019", "2019", "2020", "2020", "a", "a", "b", "b", "c", "c"],
        "site": ["s1", "s2", "s1", "s2", "p1", "p2", "p1", "p2", "p1", "p2"],
        "species": ["x", "y", "x", "", "x", "y", "y", "z", "", ""],
        "count": [1, 2, 1, 0, 1, 1, 1, 1, 0, 0],
    })
    pairs = pd.DataFrame({"group": ["NA", "NA", "7", "7"], "sample1": ["a", "b", "2019", "2019"],
                          "sample2": ["b", "c", "2020", "2021"]})
    records.to_csv(tmp_path / "records.csv", index=False)
    pairs.to_csv(tmp_path / "pairs.csv", index=False)
    expected = program_tables(tmp_path, tmp_path / "records.csv",
                              pairs=tmp_path / "pairs.csv", nreps=10)
    with warnings.catch_warnings(record=True):
        from_frames = kelvaro.batch(records, pairs=pairs, nreps=10)
        from_paths = kelvaro.batch(tmp_path / "records.csv", pairs=tmp_path / "pairs.csv",
                                   nreps=10)
    for result in (from_frames, from_paths):
        assert_tables(result, expected)
    problems = from_frames.problems
    kinds = {(r.sample1, r.sample2, r.kind) for r in problems.itertuples()}
    assert ("b", "c", "no_detection") in kinds
    assert ("2019", "2021", "missing_sample") in kinds


def test_threads_give_the_same_tables(survey):
    one = kelvaro.batch(survey, **SURVEY_COLUMNS, nreps=10, threads=1)
    three = kelvaro.batch(survey, **SURVEY_COLUMNS, nreps=10, threads=3)
    for name in LABELS:
        assert_same(getattr(one, name), getattr(three, name))
