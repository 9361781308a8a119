"""kelvaro.batch on a Dask cluster: the same tables, computed on the cluster's workers.

    from distributed import Client
    import kelvaro.dask
    client = Client("tcp://scheduler:8786")        # or Client() for a cluster on this machine
    result = kelvaro.dask.batch("survey.csv", group="RouteID", sample="Year", site="Stop",
                                species="AOU", count="SpeciesTotal")

How: the long table (a path, which the workers read with Dask, a pandas DataFrame, or a Dask
DataFrame) is cut into parts by group: each group's records go, in the table's order, to the part
a hash of its label names. Each part is then a batch of its own on a worker (kelvaro.batch's
library, in memory), told every group and sample label of the whole table so that its pairs and
their order are those of the whole table's batch. The parts' rows come back to the client and are
put in kelvaro-batch's order, by group. The numbers are the same as kelvaro.batch's (and
kelvaro-batch's) on any number of workers and parts: each pair is analysed alone, with the same
seed, whichever worker takes it.

Every worker needs kelvaro installed (the same version), and a path must be readable by every
worker under the same name (a shared file system, or a URL Dask reads such as s3://...).
"""

from __future__ import annotations

import csv
import heapq
import io
from typing import Any, Optional, Sequence

import dask
import dask.dataframe as dd
import pandas as pd
from pandas.util import hash_pandas_object

from . import (BatchResult, _archive_source, _batch_options, _batch_warnings, _columns, _core,
               _inputs, _tables)

__all__ = ["batch"]

_SLICE = "__kelvaro_part"


def _blanks(separator: str) -> str:
    """What the library's CSV reader trims around a field that is not quoted."""
    return " " if separator == "\t" else " \t"


def _library_label(value: Any, separator: str) -> str:
    """A label as the library reads it from the CSV that is written of `value`: a field that
    needs no quotes loses the blanks around it; one that does (it holds the separator, a quote
    or a line end) is kept whole. Missing values are empty."""
    text = "" if value is None or value != value else str(value)  # NaN != NaN
    if any(c in text for c in separator + '"\r\n'):
        return text
    return text.strip(_blanks(separator))


def _library_labels(values: pd.Series, separator: str) -> tuple:
    """The labels of `values` as the library reads them, as (codes, labels): the label of row i
    is labels[codes[i]]. Each distinct value is looked at once (a table holds few of them)."""
    codes, uniques = pd.factorize(values.astype(object).where(values.notna(), ""), sort=False)
    return codes, pd.Series([_library_label(u, separator) for u in uniques], dtype=object)


def _header_line(path: str) -> bytes:
    with open(path, "rb") as f:
        line = f.readline(1 << 24)
    return line.rstrip(b"\r\n")


def _find_column(columns: Sequence[Any], name: str, encode=_inputs.encoded) -> Any:
    """The column the library takes for `name` (ASCII case and blanks around it ignored)."""
    wanted = _core.folded_name(_inputs.encoded(name))
    for column in columns:
        text = encode(str(column))
        if _core.folded_name(text.removeprefix(b"\xef\xbb\xbf")) == wanted:
            return column
    return None


class _Layout:
    """How the table's parts are written and read: separator, text encoding, names."""

    def __init__(self, name: str, separator: str, encoding: str, group: Any, sample: Any):
        self.name, self.separator, self.encoding = name, separator, encoding
        self.group, self.sample = group, sample

    def encode(self, text: str) -> bytes:
        if self.encoding == "latin-1":
            return text.encode("latin-1")
        return _inputs.encoded(text)

    def csv(self, frame: pd.DataFrame, header: bool) -> bytes:
        return self.encode(frame.to_csv(index=False, header=header, sep=self.separator,
                                        lineterminator="\n", quoting=csv.QUOTE_MINIMAL))


def _split(frame: pd.DataFrame, layout: _Layout, parts: int) -> dict:
    """One partition of the table: its rows by part (CSV bytes, in the table's order) and the
    group and sample labels it holds (as the library reads them, as bytes)."""
    if layout.group is not None:
        codes, groups = _library_labels(frame[layout.group], layout.separator)
        part = (hash_pandas_object(groups, index=False).to_numpy() % parts).astype("int64")[codes]
        group_labels = {layout.encode(g) for g in groups.unique()}
    else:
        part = pd.Series(0, index=frame.index).to_numpy()
        group_labels = set()
    _, samples = _library_labels(frame[layout.sample], layout.separator)
    pieces = {}
    for k in range(parts):
        rows = frame[part == k]
        pieces[k] = layout.csv(rows, header=False) if len(rows) else b""
    return {"pieces": pieces, "groups": group_labels,
            "samples": {layout.encode(s) for s in samples.unique()}}


def _piece(split: dict, k: int) -> bytes:
    return split["pieces"][k]


def _labels(split: dict) -> tuple:
    return split["groups"], split["samples"]


def _all_labels(*labels: tuple) -> tuple:
    groups, samples = set(), set()
    for g, s in labels:
        groups |= g
        samples |= s
    return sorted(groups), sorted(samples)


def _run_part(k: int, parts: int, header: bytes, pieces: list, labels: tuple, pairs: Any,
              layout_name: str, columns: list, options: tuple) -> dict:
    """One part's batch, on a worker."""
    groups, samples = labels
    records = ("bytes", header + b"".join(pieces), f"{layout_name} [part {k + 1} of {parts}]")
    nreps, seed, range_adjust, threads = options
    out = _core.batch(records, pairs, columns, nreps, seed, range_adjust, threads, groups,
                      samples, None)
    return out


def _pairs_by_part(pairs: Any, parts: int, separator: str) -> tuple[list, set, set]:
    """A table of pairs cut as the records are (by group), and its labels."""
    if isinstance(pairs, str) and pairs in ("consecutive", "all", "first"):
        return [pairs] * parts, set(), set()
    if _inputs.is_path(pairs):
        path = _inputs.path_source(pairs)[1]
        sep = _core.detect_separator(_header_line(path).removeprefix(b"\xef\xbb\xbf"))
        frame = pd.read_csv(path, sep=sep, dtype=str, keep_default_na=False, na_filter=False,
                            encoding="latin-1")
        encode = _latin1
    else:
        sep, encode = ",", _inputs.encoded
        frame = pd.read_csv(io.StringIO(_inputs.long_text(pairs, "pairs")), dtype=str,
                            keep_default_na=False, na_filter=False)
    group = _find_column(frame.columns, "group", encode)
    sample_columns = [_find_column(frame.columns, c, encode) for c in ("sample1", "sample2")]
    if group is None or None in sample_columns:
        # The library says what is missing, as kelvaro-batch would.
        whole = frame.to_csv(index=False, sep=sep, lineterminator="\n")
        return [("bytes", encode(whole), "pairs")] * parts, set(), set()
    codes, groups = _library_labels(frame[group], sep)
    part = (hash_pandas_object(groups, index=False).to_numpy() % parts).astype("int64")[codes]
    by_part = []
    for k in range(parts):
        rows = frame[part == k]
        by_part.append(("bytes", encode(rows.to_csv(index=False, sep=sep, lineterminator="\n")),
                        "pairs"))
    samples = set()
    for c in sample_columns:
        samples |= {encode(s) for s in _library_labels(frame[c], sep)[1].unique()}
    return by_part, {encode(g) for g in groups.unique()}, samples


def _latin1(text: str) -> bytes:
    return text.encode("latin-1")


def _merged(outs: list, table: str, ranks: dict) -> dict:
    """One table of every part, its rows in kelvaro-batch's order: by group (each group's rows
    come from one part, already in order)."""
    labels = outs[0]["tables"][table]["labels"]
    per_part = [_tables.columns_of(o["tables"][table]["csv"], labels) for o in outs]
    names = list(per_part[0])
    keyed = []
    for p, cols in enumerate(per_part):
        keyed.append([(ranks[_inputs.encoded(g)], p, i) for i, g in enumerate(cols[names[0]])])
    order = list(heapq.merge(*keyed))
    return {n: [per_part[p][n][i] for _, p, i in order] for n in names}


def _ranks(groups: Sequence[bytes]) -> dict:
    """Each group label's place in kelvaro-batch's order of the whole table's groups."""
    return dict(zip(groups, _core.label_ranks(list(groups))))


def _default_parts(client: Any) -> int:
    if client is None:
        return 8
    threads = sum(client.nthreads().values())
    return max(1, 2 * threads)


def _client(client: Any) -> Any:
    if client is not None:
        return client
    try:
        from distributed import default_client
        return default_client()
    except (ImportError, ValueError):
        return None  # Dask's own scheduler on this machine


def batch(table: Any, *, client: Any = None, group: Optional[str] = "group",
          sample: str = "sample", site: str = "site", species: str = "species",
          count: Optional[str] = None, pairs: Any = "consecutive", nreps: int = 50,
          seed: int = 400, range_adjust: bool = True, threads: int = 1,
          taxon_id: bool = False, species_rank_only: bool = False,
          partitions: Optional[int] = None, blocksize: Any = "64MB") -> BatchResult:
    """kelvaro.batch() on a Dask cluster: the same tables, computed on its workers.

    Args:
        table: a path to a CSV long table (read by the workers, with Dask, in blocks of
            `blocksize`), a pandas DataFrame or a Dask DataFrame, or a Darwin Core Archive (a
            zip or a folder: read on this machine as kelvaro.read_dwca() reads it, its long
            table then cut into parts).
        client: the distributed Client to compute on; None: the default client (the one made
            last), or Dask's local scheduler when there is none.
        group, sample, site, species, count, pairs, nreps, seed, range_adjust, taxon_id,
            species_rank_only: as for kelvaro.batch().
        threads: threads each part's batch analyses pairs on (1: a worker's threads run several
            parts at once).
        partitions: how many parts the groups are cut into (None: twice the cluster's threads).

    Returns:
        A BatchResult equal to kelvaro.batch()'s for the same table and options.

    Raises:
        InputError: a table kelvaro-batch would refuse. A refusal of a record names the part of
            the table that holds it and its line in that part ("survey.csv [part 3 of 8]
            (comma-separated), line 12, ..."); kelvaro.batch() on one machine names the file's
            own line.

    >>> import kelvaro
    >>> import pandas as pd
    >>> records = pd.DataFrame({"group": ["r1"] * 8 + ["r2"] * 8,
    ...                         "sample": (["2019"] * 4 + ["2020"] * 4) * 2,
    ...                         "site": ["1", "1", "2", "3"] * 4,
    ...                         "species": ["a", "b", "a", "c", "a", "c", "c", "d"] * 2})
    >>> local = kelvaro.dask.batch(records, nreps=10, partitions=2)
    >>> local.blocks.equals(kelvaro.batch(records, nreps=10, threads=1).blocks)
    True
    """
    names = _columns(group, sample, site, species, count)
    options = _batch_options(nreps, seed, range_adjust, threads)
    options = options[:3] + (max(1, options[3]),)
    client = _client(client)
    parts = partitions if partitions is not None else _default_parts(client)
    if not isinstance(parts, int) or isinstance(parts, bool) or parts < 1:
        raise ValueError(f"partitions must be a whole number of at least 1, not {partitions!r}")

    source = None
    if _inputs.is_path(table) and _core.is_archive_path(_inputs.path_source(table)[1]):
        records, names, source = _archive_source(table, names, taxon_id, species_rank_only,
                                                 False, stacklevel=2)
        table = pd.read_csv(io.BytesIO(records[1]), dtype=str, keep_default_na=False,
                            na_filter=False)
        group, sample = "group", "sample"
    if _inputs.is_path(table):
        path = _inputs.path_source(table)[1]
        header = _header_line(path)
        _core.check_long_header(("bytes", header + b"\n", path), names)
        separator = _core.detect_separator(header.removeprefix(b"\xef\xbb\xbf"))
        frames = dd.read_csv(path, sep=separator, dtype=str, keep_default_na=False,
                             na_filter=False, encoding="latin-1", blocksize=blocksize)
        name, encoding = path, "latin-1"
    else:
        if isinstance(table, pd.DataFrame):
            if any(n is not None for n in table.index.names):
                table = table.reset_index()
            frames = dd.from_pandas(table, npartitions=max(1, min(parts, len(table) or 1)),
                                    sort=False)
        elif isinstance(table, dd.DataFrame):
            frames = table
        else:
            raise TypeError("table must be a path, a pandas DataFrame or a Dask DataFrame, not "
                            f"{type(table).__name__}")
        separator, name, encoding = ",", "table", "utf-8"
        header = _inputs.encoded(frames._meta.to_csv(index=False, lineterminator="\n"))
        _core.check_long_header(("bytes", header, name), names)
        header = header.rstrip(b"\n")
    encode = _latin1 if encoding == "latin-1" else _inputs.encoded
    group_column = _find_column(frames.columns, group, encode) if group else None
    layout = _Layout(name, separator, encoding, group_column,
                     _find_column(frames.columns, sample, encode))
    if group_column is None:
        parts = 1  # one group: one part

    pair_parts, pair_groups, pair_samples = _pairs_by_part(pairs, parts, separator)
    splits = [dask.delayed(_split)(f, layout, parts) for f in frames.to_delayed()]
    labels = dask.delayed(_all_labels)(*[dask.delayed(_labels)(s) for s in splits],
                                       (pair_groups, pair_samples))
    runs = [dask.delayed(_run_part)(
        k, parts, header + b"\n", [dask.delayed(_piece)(s, k) for s in splits], labels,
        pair_parts[k], name, names, options) for k in range(parts)]
    if client is not None:
        futures = client.compute(runs + [labels])
        try:
            *outs, (all_groups, _) = client.gather(futures)
        finally:
            client.cancel(futures)
    else:
        outs, (all_groups, _) = dask.compute(runs, labels)
    ranks = _ranks(all_groups)
    tables = {}
    for t in ("parameters", "blocks", "tests", "estimators", "problems"):
        labels_of = outs[0]["tables"][t]["labels"]
        tables[t] = _tables.frame(_merged(outs, t, ranks), labels_of)
    summary = {
        "pairs": sum(o["pairs"] for o in outs), "analysed": sum(o["analysed"] for o in outs),
        "not_analysed": sum(o["not_analysed"] for o in outs),
        "variants": [v for o in outs for v in o["variants"]],
        "same_number_samples": outs[0]["same_number_samples"],
    }
    _batch_warnings(summary, stacklevel=2)
    return BatchResult(**tables, pairs=summary["pairs"], analysed=summary["analysed"],
                       not_analysed=summary["not_analysed"], source=source)
