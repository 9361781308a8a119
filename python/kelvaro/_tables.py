"""The library's tables as Python tables: pandas DataFrames, or lists of dicts without pandas.

The library hands each table over as the CSV text its programs write (kelvaro-tidy's tables,
kelvaro-batch's files, kelvaro-plan's output) with the names of its label columns. Labels stay
text; every other column becomes numbers: whole numbers (int) when every value of the column is
one, else floats. A value the programs leave empty (one that does not exist, such as a block
without the M(h) test) is missing (None in a list of dicts, NaN in a DataFrame); text that is no
number ("**********", an overflowing field; "NA") is NaN. Python's float() reads the digits
exactly as written (correctly rounded), so a value is the double nearest the printed text.
"""

from __future__ import annotations

import csv
import io
import math
from typing import Any, Iterable, Sequence

try:  # pandas is optional: without it, tables are lists of dicts
    import pandas as _pandas
except ImportError:  # pragma: no cover - exercised in a subprocess by the tests
    _pandas = None


def pandas_available() -> bool:
    """True when pandas can be imported (tables are then DataFrames)."""
    return _pandas is not None


def _is_whole(text: str) -> bool:
    digits = text[1:] if text[:1] in "+-" else text
    return digits.isdigit() and digits.isascii()


def _number(text: str) -> float | None:
    if text == "":
        return None
    try:
        return float(text)
    except ValueError:
        return math.nan


def _column(values: list[str], label: bool, booleans: bool) -> list[Any]:
    if label:
        return values
    if booleans:
        return [None if v == "" else v == "yes" for v in values]
    if values and all(_is_whole(v) for v in values):
        return [int(v) for v in values]
    return [_number(v) for v in values]


def columns_of(text: str, labels: Iterable[str], booleans: Iterable[str] = ()) -> dict[str, list]:
    """The columns of a CSV text (header row first), each a list: labels as text, other columns
    as numbers, `booleans` (yes, no or empty) as True, False or None."""
    rows = list(csv.reader(io.StringIO(text, newline="")))
    if not rows:
        return {}
    header, body = rows[0], rows[1:]
    labels, booleans = set(labels), set(booleans)
    return {
        name: _column([r[j] for r in body], name in labels, name in booleans)
        for j, name in enumerate(header)
    }


def frame(columns: dict[str, list], labels: Iterable[str] = (), kinds: dict[str, str] | None = None):
    """A DataFrame of the columns (pandas), or a list of dicts, one per row."""
    if _pandas is None:
        names = list(columns)
        rows = zip(*(columns[n] for n in names)) if names else iter(())
        return [dict(zip(names, row)) for row in rows]
    labels = set(labels)
    data = {}
    for name, values in columns.items():
        if name in labels:
            data[name] = _pandas.Series(values, dtype=object)
        elif (kinds or {}).get(name) == "bool":
            data[name] = _pandas.Series(values, dtype=object)
        elif values and all(isinstance(v, int) for v in values):
            data[name] = _pandas.Series(values, dtype="int64")
        else:
            data[name] = _pandas.Series(
                [math.nan if v is None else v for v in values], dtype="float64")
    return _pandas.DataFrame(data, columns=list(columns))


def table(spec: dict, booleans: Sequence[str] = ()):
    """The table the library handed over as {"csv": text, "labels": [...]}."""
    columns = columns_of(spec["csv"], spec["labels"], booleans)
    return frame(columns, spec["labels"], {b: "bool" for b in booleans})


def concatenated(texts: Sequence[str]) -> str:
    """CSV texts of one table (each with the header row) put one after another, the header once."""
    if not texts:
        return ""
    out = [texts[0]]
    for text in texts[1:]:
        end = text.find("\r\n")
        out.append(text[end + 2:] if end >= 0 else "")
    return "".join(out)

