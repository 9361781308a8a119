"""Tables handed to the library: a path it reads itself, or the CSV text of a table held in
Python, under a name that its messages give it.

A pandas DataFrame is read as the library reads the CSV file that DataFrame.to_csv() writes of
it: a site-by-species table with its index (the sites), a long table without its index (unless
the index has names: then its levels are columns too). A missing value (NaN, None) is an empty
cell, which kelvaro-prep and kelvaro-batch read as "not detected". Without pandas, a mapping of
columns (name -> values) or, for a long table, a sequence of row mappings does the same.
"""

from __future__ import annotations

import csv
import io
import math
import os
from typing import Any, Mapping, Sequence, Tuple, Union

Source = Tuple[Any, ...]  # ("path", str) or ("bytes", bytes, name)
PathLike = Union[str, "os.PathLike[str]"]


def is_path(table: Any) -> bool:
    return isinstance(table, (str, os.PathLike))


def path_source(path: PathLike) -> Source:
    text = os.fspath(path)
    if text == "-":  # the library's name for standard input; here a file called "-"
        text = os.path.join(".", text)
    return ("path", text)


def encoded(text: str) -> bytes:
    # Labels that came from bytes which are not UTF-8 (surrogate escapes) go back to those bytes.
    return text.encode("utf-8", "surrogateescape")


def cell_text(value: Any) -> str:
    """A value as DataFrame.to_csv() writes it: missing values empty."""
    if value is None:
        return ""
    if isinstance(value, float) and math.isnan(value):
        return ""
    return str(value)


def _csv_text(header: Sequence[Any], rows) -> str:
    out = io.StringIO()
    writer = csv.writer(out, lineterminator="\n")
    writer.writerow([cell_text(h) for h in header])
    for row in rows:
        writer.writerow([cell_text(v) for v in row])
    return out.getvalue()


def _frame_csv(table: Any, index: bool) -> str:
    if not index and any(name is not None for name in table.index.names):
        table = table.reset_index()
    return table.to_csv(index=index, lineterminator="\n")


def _structured_columns(table: Any) -> Mapping[str, Sequence[Any]] | None:
    names = getattr(getattr(table, "dtype", None), "names", None)
    if names:
        return {name: [v.item() if hasattr(v, "item") else v for v in table[name]] for name in names}
    return None


def wide_source(table: Any, name: str) -> Source:
    """A site-by-species table: a path, a DataFrame (sites as its index), a mapping of species to
    their columns (sites numbered from 1), or a NumPy structured array (fields as species)."""
    if is_path(table):
        return path_source(table)
    if hasattr(table, "to_csv") and hasattr(table, "columns"):
        return ("bytes", encoded(_frame_csv(table, index=True)), name)
    columns = table if isinstance(table, Mapping) else _structured_columns(table)
    if columns is None:
        raise TypeError(
            f"{name} must be a site-by-species table: a pandas DataFrame with the sites as its "
            "index and one column per species, a dict of species name -> column of values, or "
            f"a path to a CSV file; not {type(table).__name__}")
    species = list(columns)
    length = max((len(columns[s]) for s in species), default=0)
    rows = [[i + 1] + [columns[s][i] if i < len(columns[s]) else None for s in species]
            for i in range(length)]
    return ("bytes", encoded(_csv_text(["site"] + species, rows)), name)


def long_text(table: Any, name: str) -> str:
    """A long table held in Python as CSV text (see the module's docstring)."""
    if hasattr(table, "to_csv") and hasattr(table, "columns"):
        return _frame_csv(table, index=False)
    if isinstance(table, Mapping):
        names = list(table)
        return _csv_text(names, zip(*(table[n] for n in names)))
    columns = _structured_columns(table)
    if columns is not None:
        names = list(columns)
        return _csv_text(names, zip(*(columns[n] for n in names)))
    if isinstance(table, Sequence) and all(isinstance(r, Mapping) for r in table):
        names: list[str] = []
        for row in table:
            names.extend(k for k in row if k not in names)
        return _csv_text(names, ([row.get(n) for n in names] for row in table))
    raise TypeError(
        f"{name} must be a long table: a pandas DataFrame, a dict of column name -> values, a "
        f"list of row dicts, or a path to a CSV file; not {type(table).__name__}")
