"""kelvaro: species richness and community dynamics from two samples of species detections, by
capture-recapture reasoning, in Python.

The same library as the kelvaro programs, the same numbers and report bytes:

- analyse(sample1, sample2): two site-by-species tables, read as kelvaro-prep reads them and run
  as kelvaro runs them; kelvaro-tidy's tables (parameters, blocks, tests, estimators), the curves,
  the warnings and the report.
- batch(table, ...): every pair of samples of every group of a long table, as kelvaro-batch
  analyses them; its five tables.
- plan(...): kelvaro-plan's simulation of survey designs; its table and its answer.
- kelvaro.dask.batch(table, ...): batch() on a Dask cluster.

Tables are pandas DataFrames when pandas is installed, else lists of dicts (one per row). Input
that kelvaro refuses raises InputError (a ValueError) with the programs' message; warnings go
through Python's warnings module (KelvaroWarning and a category per kind). The library computes
with the GIL released, and Ctrl-C (KeyboardInterrupt) stops a long computation cleanly.

>>> import kelvaro
>>> kelvaro.OutsideIntervalWarning.__mro__[1].__name__
'KelvaroWarning'
"""

from __future__ import annotations

import importlib
import sys
import warnings as _warnings_module
from dataclasses import dataclass, field
from typing import Any, Callable, Optional, Sequence, Union

from . import _core, _inputs, _tables, _warnings
from ._warnings import KelvaroWarning

__version__: str = _core.version

InputError = _core.InputError

__all__ = [
    "analyse", "batch", "plan", "read_dwca", "Result", "BatchResult", "Plan", "ClockSeed",
    "InputError", "KelvaroWarning", "__version__",
]

_INT32 = (-2**31, 2**31 - 1)
_MAX_REPLICATES = 10000


class ClockSeed(int):
    """The clock value a run with seed 0 seeded from (Result.seed after seed=0). Giving it back
    as seed= repeats that run; printed as "clock N", as the R package prints it.

    >>> import kelvaro
    >>> kelvaro.ClockSeed(123456)
    ClockSeed(123456)
    >>> str(kelvaro.ClockSeed(123456))
    'clock 123456'
    """

    def __repr__(self) -> str:
        return f"ClockSeed({int(self)})"

    def __str__(self) -> str:
        return f"clock {int(self)}"


Table = Any  # a pandas DataFrame, or a list of dicts (one per row) without pandas


@dataclass(frozen=True, repr=False)
class Result:
    """What analyse() gives: kelvaro-tidy's tables of the run, the curves, the warnings, the
    report and the seed.

    Attributes:
        parameters: the community-dynamics parameters (parameter, estimate, bootstrap_average,
            standard_error, lower, upper); no rows for a single sample.
        blocks: each block's richness estimate (block, R, estimate, SE, mh_chi_square, mh_df,
            mh_probability).
        tests: the test between the samples (chi_square, df, probability); no row when their
            numbers of sites differ.
        estimators: Chao2, jack1, jack2, the bootstrap estimator and kelvaro's own per block.
        curves: richness by number of sites, interpolated and extrapolated, with intervals and
            coverage, for each sample (block, sites, kind, richness, lower, upper, coverage).
        warnings: every warning (kind, block, text), also issued through the warnings module.
        report: the report kelvaro writes for the same input, byte for byte (CR LF line ends).
        seed: the seed number; after seed=0, the ClockSeed the run seeded from.
    """

    parameters: Table
    blocks: Table
    tests: Table
    estimators: Table
    curves: Table
    warnings: Table
    report: str
    seed: int

    def __repr__(self) -> str:
        return (f"<kelvaro.Result: {_rows(self.blocks)} blocks, {_rows(self.parameters)} "
                f"parameters, {_rows(self.warnings)} warnings; seed {self.seed}>")


@dataclass(frozen=True, repr=False)
class BatchResult:
    """What batch() gives: kelvaro-batch's five tables, each row after the pair's group,
    sample1 and sample2, and how many pairs there were.

    Attributes:
        parameters, blocks, tests, estimators: kelvaro-batch's tables of the analysed pairs.
        problems: pairs that could not be analysed, and the warnings of those that were
            (group, sample1, sample2, kind, message).
        pairs, analysed, not_analysed: the numbers of pairs.
        source: for a Darwin Core Archive, the source.json kelvaro-batch writes beside its
            tables (the archive, how it was read, its citation); else None.
    """

    parameters: Table
    blocks: Table
    tests: Table
    estimators: Table
    problems: Table
    pairs: int = 0
    analysed: int = 0
    not_analysed: int = 0
    source: Optional[str] = None

    def __repr__(self) -> str:
        return (f"<kelvaro.BatchResult: {self.pairs} pairs, {self.analysed} analysed, "
                f"{self.not_analysed} not analysed, {_rows(self.problems)} problems rows>")


@dataclass(frozen=True, repr=False)
class Plan:
    """What plan() gives: kelvaro-plan's table (one row per design and parameter), the answer to
    the targets, the notes on how values were taken, the pilot's fit, and the seed.

    Attributes:
        table: kelvaro-plan's CSV as a table; meets_target is True, False or missing (no target
            names the parameter).
        answer: kelvaro-plan's answer to the targets: the smallest design that meets every
            target (or the closest), with how many simulated surveys (or communities consistent
            with the pilot) decided it, or that they did not; None without targets.
        notes: lines on how values were taken (kelvaro-plan's "note: ..." lines).
        pilot_fit: the pilot's fit, with from_pilot; else None.
        seed: the seed the simulation ran with.
    """

    table: Table
    answer: Optional[str]
    notes: list = field(default_factory=list)
    pilot_fit: Optional[str] = None
    seed: int = 400

    def __repr__(self) -> str:
        answer = f"; {self.answer}" if self.answer else ""
        return f"<kelvaro.Plan: {_rows(self.table)} rows{answer}>"


def _rows(table: Table) -> int:
    return len(table)


def _whole(value: Any, name: str, low: int, high: int, extra: str = "") -> int:
    if isinstance(value, bool) or not isinstance(value, int):
        raise TypeError(f"{name} must be a whole number (an int), not {type(value).__name__}")
    if not low <= value <= high:
        raise ValueError(f"{name} must be a whole number from {low} to {high}{extra}, not {value}")
    return int(value)


def _flag(value: Any, name: str) -> bool:
    if not isinstance(value, bool):
        raise TypeError(f"{name} must be True or False, not {type(value).__name__}")
    return value


def _seed_and_clock(seed: Any) -> tuple[int, Optional[int]]:
    """A run's seed number, and with seed 0 the clock value to repeat (ClockSeed, "clock N")."""
    if isinstance(seed, ClockSeed):
        return 0, int(seed)
    if isinstance(seed, str) and seed.startswith("clock ") and seed[6:].isdigit():
        return 0, _whole(int(seed[6:]), "seed's clock value", 0, _INT32[1])
    return _whole(seed, "seed", *_INT32, " (0 takes the seed from the clock)"), None


class _ProgressLine:
    """A progress line on standard error, drawn over itself, erased at the end."""

    def __init__(self, who: str, shown: Optional[bool]):
        self.who = who
        self.shown = sys.stderr.isatty() if shown is None else bool(shown)
        self.drawn = 0

    def __call__(self, text: str) -> None:
        line = f"{self.who}: {text}"
        sys.stderr.write("\r" + line.ljust(self.drawn))
        sys.stderr.flush()
        self.drawn = max(self.drawn, len(line))

    def callback(self) -> Optional[Callable[[str], None]]:
        return self if self.shown else None

    def erase(self) -> None:
        if self.drawn:
            sys.stderr.write("\r" + " " * self.drawn + "\r")
            sys.stderr.flush()


def analyse(sample1: Any, sample2: Any = None, *, nreps: int = 50, seed: Union[int, str] = 400,
            range_adjust: bool = True, threads: int = 1) -> Result:
    """Analyses two samples as kelvaro-prep, kelvaro and kelvaro-tidy would.

    Args:
        sample1, sample2: site-by-species tables: pandas DataFrames with the sites as the index
            and one column per species (read as kelvaro-prep reads the CSV that
            DataFrame.to_csv() writes: a value above 0, x, TRUE, yes or present is a
            detection; 0, empty or missing, FALSE, no or absent is none), dicts of species name
            -> values (sites numbered from 1), NumPy structured arrays, or paths to CSV files
            (read as kelvaro-prep reads them). Without sample2, Sample 1 alone: its richness
            estimate (the single-sample run).
        nreps: bootstrap replicates, 0 to 10000.
        seed: the seed number; 0 takes it from the clock (the run cannot be repeated: the
            Result's seed, a ClockSeed, given back as seed= repeats it).
        range_adjust: hold replicate estimates and parameters to their natural ranges.
        threads: threads that may draw a block's bootstrap replicates at once (0: the machine's
            cores); the result is the same for every number.

    Returns:
        A Result: .parameters, .blocks, .tests, .estimators, .curves, .warnings (tables), .report
        (the command's report, the same bytes) and .seed.

    Raises:
        InputError: a table kelvaro-prep would refuse (its message), or a run kelvaro refuses.
        OSError: a path that cannot be read.

    Each warning of the run is also issued through the warnings module, with a category of its
    own kind (kelvaro.OutsideIntervalWarning, ...; all KelvaroWarning).

    >>> import kelvaro
    >>> import pandas as pd
    >>> sites = [f"s{i}" for i in range(1, 13)]
    >>> def sample(shift):
    ...     return pd.DataFrame({f"sp{k}": [int((i * k + 3 * k + shift) % 11 < 1 + k % 4)
    ...                                     for i in range(12)] for k in range(1, 41)},
    ...                         index=sites)
    >>> r = kelvaro.analyse(sample(0), sample(5), nreps=20)
    >>> r.blocks[["block", "R", "estimate"]]
          block   R  estimate
    0  Sample 1  40      46.0
    1  Sample 2  37      42.0
    2  Subset A  37      42.0
    3  Subset B  37      44.0
    >>> r.parameters.set_index("parameter").loc["PHI", ["estimate", "lower", "upper"]].tolist()
    [1.0, 0.8335, 1.0]
    >>> r.report.splitlines()[5]
    '  bootstrap iterations:    20  seed number:      400'
    """
    nreps = _whole(nreps, "nreps", _INT32[0], _INT32[1])
    seed_number, clock = _seed_and_clock(seed)
    range_adjust = _flag(range_adjust, "range_adjust")
    threads = _whole(threads, "threads", 0, 1024, " (0: the machine's cores)")
    first = _inputs.wide_source(sample1, "sample1")
    second = None if sample2 is None else _inputs.wide_source(sample2, "sample2")
    out = _core.analyse(first, second, nreps, seed_number, clock, range_adjust, threads)
    tables = {name: _tables.table(described) for name, described in out["tables"].items()}
    warning_rows = [tuple(w) for w in out["warnings"]]
    _warnings.issue(warning_rows, stacklevel=2)
    warning_columns = {"kind": [w[0] for w in warning_rows], "block": [w[1] for w in warning_rows],
                       "text": [w[2] for w in warning_rows]}
    clock_seed = out["clock_seed"]
    return Result(
        parameters=tables["parameters"], blocks=tables["blocks"], tests=tables["tests"],
        estimators=tables["estimators"], curves=tables["curves"],
        warnings=_tables.frame(warning_columns, warning_columns),
        report=out["report"],
        seed=ClockSeed(clock_seed) if clock_seed is not None else out["seed"])


_PAIR_RULES = ("consecutive", "all", "first")


def _pairs_source(pairs: Any) -> Union[str, tuple]:
    if isinstance(pairs, str) and pairs in _PAIR_RULES:
        return pairs
    if _inputs.is_path(pairs):
        return _inputs.path_source(pairs)
    try:
        text = _inputs.long_text(pairs, "pairs")
    except TypeError:
        raise TypeError(
            "pairs must be 'consecutive', 'all', 'first', a table of pairs (columns group, "
            "sample1, sample2: a DataFrame, a dict of columns or a list of row dicts) or a path "
            f"to a CSV file of them; not {type(pairs).__name__}") from None
    return ("bytes", _inputs.encoded(text), "pairs")


def _columns(group: Optional[str], sample: str, site: str, species: str,
             count: Optional[str]) -> list[str]:
    names = {"group": group, "sample": sample, "site": site, "species": species, "count": count}
    for name, value in names.items():
        optional = name in ("group", "count")
        if not (isinstance(value, str) or (optional and value is None)):
            raise TypeError(f"{name} must be a column name (a str)"
                            f"{' or None' if optional else ''}, not {type(value).__name__}")
    return [group or "", sample, site, species, count or ""]


def _batch_options(nreps: Any, seed: Any, range_adjust: Any, threads: Any) -> tuple:
    nreps = _whole(nreps, "nreps", 0, _MAX_REPLICATES)
    if seed == 0 and not isinstance(seed, bool):
        raise ValueError("seed 0 would take each pair's seed from the clock, and a batch must be "
                         "repeatable: give a non-zero seed (the default is 400)")
    seed = _whole(seed, "seed", *_INT32)
    return nreps, seed, _flag(range_adjust, "range_adjust"), _whole(
        threads, "threads", 0, 1024, " (0: the machine's cores)")


def _long_source(table: Any, name: str = "table") -> tuple:
    if _inputs.is_path(table):
        return _inputs.path_source(table)
    return ("bytes", _inputs.encoded(_inputs.long_text(table, name)), name)


def _archive_source(table: Any, columns: list, taxon_id: Any, species_rank_only: Any,
                    progress: Optional[bool], stacklevel: int) -> tuple:
    """A Darwin Core archive given to batch(): its long table, the columns to read it by, and
    its source.json. The column names batch() takes by default stand for the archive's own
    terms, as kelvaro-batch's options left out do."""
    names = ("group", "sample", "site", "species", "count")
    terms = {n: (c if c and c != _LONG_DEFAULTS.get(n) else None) for n, c in zip(names, columns)}
    out = _archive(table, terms, taxon_id, species_rank_only, progress, stacklevel + 1)
    return ("bytes", _inputs.encoded(out["csv"]), out["name"]), list(names), out["source_json"]


def _batch_result(out: dict, source: Optional[str] = None) -> BatchResult:
    tables = {name: _tables.table(described) for name, described in out["tables"].items()}
    return BatchResult(**tables, pairs=out["pairs"], analysed=out["analysed"],
                       not_analysed=out["not_analysed"], source=source)


def _batch_warnings(out: dict, stacklevel: int) -> None:
    """What kelvaro-batch says on standard error after a batch, as warnings."""
    rows = []
    if out["variants"]:
        kind, first, first_place, other, other_place = out["variants"][0]
        rows.append(("name_variant", "table",
                     f"{len(out['variants'])} pair(s) of species or site names differ only in "
                     f"case or blanks around them and count as different names, such as {kind} "
                     f"{first} ({first_place}) and {other} ({other_place})"))
    if out["same_number_samples"]:
        a, b = out["same_number_samples"][0]
        rows.append(("same_number_samples", "table",
                     f"{len(out['same_number_samples'])} sample label(s) are the same number as "
                     f"another written differently and count as different samples, such as {a} "
                     f"and {b}; write them alike if they are one"))
    if out["pairs"] == 0:
        rows.append(("no_pairs", "table",
                     "no pairs to analyse (every group has fewer than two samples)"))
    _warnings.issue(rows, stacklevel=stacklevel + 1)


def batch(table: Any, *, group: Optional[str] = "group", sample: str = "sample",
          site: str = "site", species: str = "species", count: Optional[str] = None,
          pairs: Any = "consecutive", nreps: int = 50, seed: int = 400, range_adjust: bool = True,
          threads: int = 0, taxon_id: bool = False, species_rank_only: bool = False,
          progress: Optional[bool] = False) -> BatchResult:
    """Analyses every pair of samples of every group of a long table, as kelvaro-batch does.

    Args:
        table: the long table, one row per record (group, sample, site, species and, optionally,
            count): a path to a CSV file (read as kelvaro-batch reads it), a pandas DataFrame
            (read as kelvaro-batch reads the CSV DataFrame.to_csv(index=False) writes), a dict of
            column name -> values, a list of row dicts, or a Darwin Core Archive (a zip file or
            a folder, read as read_dwca() reads it; group, sample, site, species and count then
            name Darwin Core terms, their default names standing for the archive's defaults).
        group, sample, site, species: the columns' names (ASCII case and blanks around them
            ignored); group=None: no groups (every record in one).
        count: the column that says whether the species was detected (0, empty, FALSE: not
            detected, but the site was visited); None: a column count, detected or abundance if
            there is one, else every record is a detection.
        pairs: "consecutive" (each sample with the next), "all", "first" (the first with every
            later one), or the pairs themselves: a table with columns group, sample1, sample2 (or
            a path to a CSV file of them).
        nreps: bootstrap replicates of every pair, 0 to 10000.
        seed: the seed number of every pair (not 0: a batch must be repeatable).
        range_adjust: hold replicate estimates and parameters to their natural ranges.
        threads: pairs analysed at once (0: the machine's cores); the tables are the same for
            every number.
        taxon_id, species_rank_only: for a Darwin Core Archive, as read_dwca() takes them.
        progress: show how far the batch is on standard error (None: when it is a terminal).

    Returns:
        A BatchResult: .parameters, .blocks, .tests, .estimators and .problems, equal to the
        files kelvaro-batch writes for the same options (labels as text, values as numbers).

    Raises:
        InputError: a table (or pairs table) kelvaro-batch would refuse, with its message.
        OSError: a path that cannot be read.

    >>> import kelvaro
    >>> records = {"group": ["r1"] * 8, "sample": ["2019"] * 4 + ["2020"] * 4,
    ...            "site": ["1", "1", "2", "3"] * 2,
    ...            "species": ["a", "b", "a", "c", "a", "c", "c", "d"]}
    >>> b = kelvaro.batch(records, nreps=10, threads=1)
    >>> b.pairs, b.analysed
    (1, 1)
    >>> b.blocks[["group", "sample1", "sample2", "block", "R"]].head(2)
      group sample1 sample2     block  R
    0    r1    2019    2020  Sample 1  3
    1    r1    2019    2020  Sample 2  3
    """
    columns = _columns(group, sample, site, species, count)
    nreps, seed, range_adjust, threads = _batch_options(nreps, seed, range_adjust, threads)
    archive = None
    if _inputs.is_path(table) and _core.is_archive_path(_inputs.path_source(table)[1]):
        source, columns, archive = _archive_source(table, columns, taxon_id, species_rank_only,
                                                   progress, stacklevel=2)
    else:
        source = _long_source(table)
    pair_source = _pairs_source(pairs)
    line = _ProgressLine("kelvaro.batch", progress)
    try:
        out = _core.batch(source, pair_source, columns, nreps, seed, range_adjust, threads, [], [],
                          line.callback())
    finally:
        line.erase()
    _batch_warnings(out, stacklevel=2)
    return _batch_result(out, archive)


def _sites_text(value: Any, name: str) -> Optional[str]:
    if value is None or isinstance(value, str):
        return value
    if isinstance(value, int) and not isinstance(value, bool):
        return str(value)
    if isinstance(value, Sequence) or hasattr(value, "__iter__"):
        values = list(value)
        if values and all(isinstance(v, int) and not isinstance(v, bool) for v in values):
            return ",".join(str(v) for v in values)
    raise TypeError(f"{name} must be numbers of sites: an int, a list of ints, or text such as "
                    f"'5,10,20' or '5:50:5'; not {type(value).__name__}")


def _number(value: Any, name: str) -> float:
    if isinstance(value, bool) or not isinstance(value, (int, float)):
        raise TypeError(f"{name} must be a number, not {type(value).__name__}")
    return float(value)


def plan(*, species: Optional[int] = None, persistence: float = 1.0, colonists: int = 0,
         detection: Optional[float] = None, heterogeneity: Union[float, str, None] = None,
         detection_change: float = 1.0, sites: Any = None, sites1: Any = None, sites2: Any = None,
         surveys: int = 200, nreps: int = 100, seed: int = 400, threads: Optional[int] = None,
         target: Union[str, Sequence[str], None] = None, until_target: bool = False,
         carryover: str = "kept", from_pilot: Any = None, assurance: float = 0.8,
         communities: int = 100, community_surveys: int = 25,
         max_surveys: Optional[int] = None, progress: Optional[bool] = False) -> Plan:
    """Plans a survey as kelvaro-plan does: bias, precision and interval coverage of kelvaro's
    estimates for each design, by simulating surveys of an assumed community.

    The arguments are kelvaro-plan's options (--detection-change is detection_change, --target
    is target, a str or a list of them, --from-pilot is from_pilot, --max-surveys is
    max_surveys), checked as it checks them; a refusal names the argument. With targets,
    surveys are added in rounds until the answer is decided (or max_surveys stops them: None is
    kelvaro-plan's default); with a pilot and targets, the design named meets every target in
    at least `assurance` of the communities consistent with the pilot (`communities` of them in
    the first round, each simulated `community_surveys` times with each design). species, detection and heterogeneity are needed unless
    from_pilot fits them: a pilot survey's site-by-species table (a DataFrame, a dict of
    columns, or a path to a CSV file or to a kelvaro input). sites (t1 = t2) or sites1 and
    sites2 (every pair) give the designs: an int, a list of ints, or kelvaro-plan's text
    ("5,10,20", "5:50:5"). threads=None: the machine's cores. The results are the same for any
    number of threads.

    Returns:
        A Plan: .table (kelvaro-plan's CSV as a table, one row per design and parameter),
        .answer (kelvaro-plan's answer to the targets, with targets), .notes, .pilot_fit and
        .seed. kelvaro-plan's warnings (an ill-determined pilot fit, say) are issued through the
        warnings module, category PlanWarning.

    Raises:
        InputError: a request kelvaro-plan would refuse, with its message.

    >>> import kelvaro
    >>> p = kelvaro.plan(species=60, persistence=0.8, colonists=10, detection=0.3,
    ...                  heterogeneity=2, sites=[5, 10], surveys=4, nreps=20, threads=1,
    ...                  target="N(1):coverage>=0.5")
    >>> p.table[["sites1", "parameter", "true_value"]].head(3)
       sites1 parameter  true_value
    0       5      N(1)        60.0
    1       5      N(2)        58.0
    2       5       PHI         0.8
    >>> p.answer.split(":")[0]
    'the smallest design that meets every target'
    """
    if heterogeneity is not None and not isinstance(heterogeneity, str):
        heterogeneity = repr(_number(heterogeneity, "heterogeneity"))
    targets = [target] if isinstance(target, str) else list(target or [])
    if not all(isinstance(t, str) for t in targets):
        raise TypeError("target must be text such as 'N(1):bias<=0.10,coverage>=0.90', or a "
                        "list of such texts")
    if not isinstance(carryover, str):
        raise TypeError("carryover must be 'kept' or 'redrawn'")
    pilot = None
    if from_pilot is not None:
        pilot = (_inputs.path_source(from_pilot) if _inputs.is_path(from_pilot)
                 else _inputs.wide_source(from_pilot, "from_pilot")[:2] + ("the pilot table",))
    request = {
        "species": None if species is None else _whole(species, "species", *_INT32),
        "persistence": _number(persistence, "persistence"),
        "colonists": _whole(colonists, "colonists", *_INT32),
        "detection": None if detection is None else _number(detection, "detection"),
        "heterogeneity": heterogeneity,
        "detection_change": _number(detection_change, "detection_change"),
        "sites": _sites_text(sites, "sites"), "sites1": _sites_text(sites1, "sites1"),
        "sites2": _sites_text(sites2, "sites2"),
        "surveys": _whole(surveys, "surveys", *_INT32),
        "nreps": _whole(nreps, "nreps", *_INT32),
        "seed": _whole(seed, "seed", 0, 2**64 - 1),
        "threads": None if threads is None else _whole(threads, "threads", *_INT32),
        "target": targets, "until_target": _flag(until_target, "until_target"),
        "carryover": carryover, "from_pilot": pilot,
        "assurance": _number(assurance, "assurance"),
        "communities": _whole(communities, "communities", *_INT32),
        "community_surveys": _whole(community_surveys, "community_surveys", *_INT32),
        "max_surveys": None if max_surveys is None else _whole(max_surveys, "max_surveys",
                                                               -2**63, 2**63 - 1),
    }
    line = _ProgressLine("kelvaro.plan", progress)
    try:
        out = _core.plan(request, line.callback())
    finally:
        line.erase()
    _warnings.issue([("plan", "plan", w) for w in out["warnings"]], stacklevel=2)
    table = _tables.table({"csv": out["csv"], "labels": ["parameter"]},
                          booleans=["meets_target", "decided"])
    return Plan(table=table, answer=out["answer"], notes=list(out["notes"]),
                pilot_fit=out["pilot_fit"], seed=request["seed"])


_LONG_DEFAULTS = {"group": "group", "sample": "sample", "site": "site", "species": "species"}


def _archive(path: Any, terms: dict, taxon_id: Any, species_rank_only: Any,
             progress: Optional[bool], stacklevel: int) -> dict:
    """The archive read by the library; its warnings issued."""
    for name, term in terms.items():
        if term is not None and not isinstance(term, str):
            raise TypeError(f"{name} must be a Darwin Core term (a str) or None, not "
                            f"{type(term).__name__}")
    options = {name: term or "" for name, term in terms.items()}
    options["taxon_id"] = _flag(taxon_id, "taxon_id")
    options["species_rank_only"] = _flag(species_rank_only, "species_rank_only")
    line = _ProgressLine("kelvaro.read_dwca", progress)
    try:
        out = _core.read_archive(_inputs.path_source(path)[1], options, line.callback())
    finally:
        line.erase()
    archive = out["name"].removesuffix(" as a long table")
    _warnings.issue([(kind, archive, message) for kind, _, message in out["warnings"]],
                    stacklevel=stacklevel + 1)
    return out


def read_dwca(path: Any, *, group: Optional[str] = None, sample: Optional[str] = None,
              site: Optional[str] = None, species: Optional[str] = None,
              count: Optional[str] = None, taxon_id: bool = False,
              species_rank_only: bool = False, progress: Optional[bool] = False) -> Table:
    """A Darwin Core Archive read as kelvaro-batch reads one: the long table of its records.

    Args:
        path: a zip file, or a folder holding the archive's files (meta.xml and the tables, or
            tables with header rows).
        group, sample, site, species, count: the Darwin Core terms each column is read from
            (None: locationID, year, eventID, scientificName, and individualCount then
            organismQuantity then occurrenceStatus for the count), as kelvaro-batch's options.
        taxon_id: the species are the records' taxonID, not their scientificName.
        species_rank_only: leave out records of taxa above species rank (their visits count).
        progress: show how far the reading is on standard error (None: when it is a terminal).

    Returns:
        The long table, one row per record, columns group, sample, site, species (text) and
        count (1 detected, 0 not: a site visited where the species, or nothing, was found). A
        DataFrame carries in .attrs the archive's "citation" (a dict: title, creators, licence,
        licence_url, published, identifier, text), "description" (its tables) and "source" (the
        source.json kelvaro-batch writes beside its tables). Without pandas, a list of dicts.

    Raises:
        InputError: an archive kelvaro-batch would refuse, with its message.
        OSError: a path that cannot be read.

    Each warning about how the archive was read (literal NA cells, taxa above species rank,
    ...) is issued through the warnings module (kelvaro.NaCellsWarning, ...; all
    KelvaroWarning).

    >>> import kelvaro, os, tempfile
    >>> folder = tempfile.mkdtemp()
    >>> with open(os.path.join(folder, "event.txt"), "w") as f:
    ...     _ = f.write("eventID,parentEventID,locationID,eventDate\\n"
    ...                 "walk1,,R7,2019-05-03\\nwalk1-a,walk1,,\\nwalk1-b,walk1,,\\n")
    >>> with open(os.path.join(folder, "occurrence.txt"), "w") as f:
    ...     _ = f.write("eventID,scientificName,occurrenceStatus\\n"
    ...                 "walk1-a,Parus major,present\\nwalk1-a,Sitta europaea,absent\\n")
    >>> kelvaro.read_dwca(folder)
      group sample     site         species  count
    0    R7   2019  walk1-a     Parus major      1
    1    R7   2019  walk1-a  Sitta europaea      0
    2    R7   2019  walk1-b                      0
    """
    terms = {"group": group, "sample": sample, "site": site, "species": species, "count": count}
    out = _archive(path, terms, taxon_id, species_rank_only, progress, stacklevel=2)
    labels = ["group", "sample", "site", "species"]
    table = _tables.table({"csv": out["csv"], "labels": labels})
    if _tables.pandas_available():
        table.attrs.update(citation=dict(out["citation"]), description=out["description"],
                           source=out["source_json"])
    return table


def __getattr__(name: str) -> Any:
    # kelvaro.dask is imported when first used (importing Dask takes a moment), and the warning
    # categories are made when first named (kelvaro.OutsideIntervalWarning).
    if name == "dask":
        return importlib.import_module(".dask", __name__)
    if name.endswith("Warning"):
        found = _warnings.by_category_name(name)
        if found is not None:
            return found
    raise AttributeError(f"module 'kelvaro' has no attribute {name!r}")


def __dir__() -> list[str]:
    return sorted(set(globals()) | {"dask"} |
                  {_warnings.category_name(k) for k in _warnings.kinds()})
