"""kelvaro.dask.batch on a LocalCluster of 2 worker processes: the same tables as kelvaro.batch,
whatever the table's form and however many parts it is cut into."""

import warnings

import pandas as pd
import pytest

import kelvaro
from conftest import SURVEY_COLUMNS
from frames import assert_same

dd = pytest.importorskip("dask.dataframe")
distributed = pytest.importorskip("distributed")

TABLES = ["parameters", "blocks", "tests", "estimators", "problems"]


@pytest.fixture(scope="module")
def client():
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")  # the cluster's own notes on ports and memory
        cluster = distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                           dashboard_address=None, silence_logs=50)
    with distributed.Client(cluster) as client:
        yield client
    cluster.close()


def assert_tables(actual, expected):
    for name in TABLES:
        assert_same(getattr(actual, name), getattr(expected, name))
    assert (actual.pairs, actual.analysed) == (expected.pairs, expected.analysed)


@pytest.mark.parametrize("given,partitions", [
    ("path", None), ("path", 1), ("frame", 3), ("dask frame", 5),
])
def test_the_same_tables_as_batch(client, survey, given, partitions):
    expected = kelvaro.batch(survey, **SURVEY_COLUMNS, nreps=10)
    table = {"path": survey, "frame": pd.read_csv(survey),
             "dask frame": dd.read_csv(survey, blocksize=200_000, dtype=str)}[given]
    result = kelvaro.dask.batch(table, client=client, **SURVEY_COLUMNS, nreps=10,
                                partitions=partitions, blocksize=300_000)
    assert_tables(result, expected)


def test_labels_ordered_over_the_whole_table(client):
    # Sample labels that are numbers in some groups and not in others: the whole table orders
    # them by bytes ("10" before "9"), as each part must, although a part may hold only numbers.
    # Group labels likewise; blanks around a label are not part of it.
    rows = []
    for g, samples in [("3", ["9", "10", "11"]), ("20", ["9", "10"]), ("x", ["9", "a", "10"]),
                       (" 100", ["9", "10"]), ("b", ["2019", "2020"])]:
        for s in samples:
            for site in ("p1", "p2", "p3"):
                rows.append({"group": g, "sample": s, "site": site, "species": f"sp{site}{s}"})
                rows.append({"group": g, "sample": s, "site": site, "species": "common"})
    table = pd.DataFrame(rows)
    expected = kelvaro.batch(table, nreps=10, pairs="all")
    for parts in (2, 7):
        result = kelvaro.dask.batch(table, client=client, nreps=10, pairs="all",
                                    partitions=parts)
        assert_tables(result, expected)
    assert list(expected.blocks["group"].unique()) == ["100", "20", "3", "b", "x"]


def test_pairs_listed_in_a_table(client, survey):
    pairs = pd.DataFrame({"group": ["1", "2", "2", "99"], "sample1": ["2015", "2015", "2016", "2015"],
                          "sample2": ["2017", "2016", "2017", "2016"]})
    expected = kelvaro.batch(survey, **SURVEY_COLUMNS, pairs=pairs, nreps=10)
    result = kelvaro.dask.batch(survey, client=client, **SURVEY_COLUMNS, pairs=pairs, nreps=10,
                                partitions=3)
    assert_tables(result, expected)
    assert "missing_sample" in set(result.problems["kind"])


def test_a_refusal_on_a_worker_is_an_input_error(client, tmp_path):
    (tmp_path / "records.csv").write_text(
        "group,sample,site,species,count\ng,1,a,x,1\ng,1,b,y,many\n")
    with pytest.raises(kelvaro.InputError, match=r"records.csv \[part [0-9] of [0-9]\].*line 3"):
        kelvaro.dask.batch(tmp_path / "records.csv", client=client)
    with pytest.raises(kelvaro.InputError, match="species"):
        kelvaro.dask.batch(pd.DataFrame({"group": ["g"], "sample": ["1"], "site": ["a"]}),
                           client=client)
