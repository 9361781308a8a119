"""The programs' CSV tables read back independently of the package (pandas' own reader, digits
read exactly), to compare with the package's tables."""

import csv
import io

import pandas as pd


def program_table(data, labels):
    """A CSV table (bytes or text) as a DataFrame: `labels` as text, other columns as numbers
    (empty and NaN missing), read by pandas with exact digits."""
    text = data.decode() if isinstance(data, bytes) else data
    header = next(csv.reader(io.StringIO(text)))
    numeric = [c for c in header if c not in labels]
    return pd.read_csv(io.StringIO(text), dtype={c: object for c in labels},
                       keep_default_na=False, na_values={c: ["", "NaN"] for c in numeric},
                       float_precision="round_trip")


def assert_same(actual, expected):
    """Equal tables: the same columns, rows and values, exactly (no tolerance)."""
    actual = actual.reset_index(drop=True)
    expected = expected.reset_index(drop=True)
    for column in expected.columns:
        if expected[column].dtype.kind in "iu" and actual[column].dtype.kind == "f":
            expected[column] = expected[column].astype("float64")
        if len(expected) == 0 and expected[column].dtype == object:
            expected[column] = expected[column].astype(actual[column].dtype)
    pd.testing.assert_frame_equal(actual, expected, check_exact=True)
