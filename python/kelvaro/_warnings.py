"""kelvaro's warnings through Python's warnings module, each kind with a category of its own.

Every kind of warning the library gives (a run's, such as outside_interval; a curve's, such as
no_intervals; the reading of tables, name_variant and table_layout; a Darwin Core Archive's, such
as na_cells; a batch's, same_number_samples and no_pairs) has a category named after it,
OutsideIntervalWarning for outside_interval, a subclass of KelvaroWarning (a UserWarning). The kinds are the library's names, so kinds that a
later library adds get their categories the same way. Filter them as any warning:

    warnings.simplefilter("ignore", kelvaro.OutsideIntervalWarning)
    warnings.simplefilter("error", kelvaro.KelvaroWarning)      # every kind raises
"""

from __future__ import annotations

import threading
import warnings
from typing import Iterable

from . import _core


class KelvaroWarning(UserWarning):
    """A warning of kelvaro's: input that is probably a slip, or a result not to trust.

    Attributes: kind (the library's name, such as "outside_interval"), block (the block,
    parameter or table it is about) and text (what was found and what it means)."""

    kind: str = ""
    block: str = ""
    text: str = ""


# The kinds the reading of tables, of Darwin Core Archives (kelvaro/darwin_core.h) and a batch add
# to the library's own.
FACE_KINDS = ("name_variant", "table_layout", "same_number_samples", "no_pairs",
              "above_species_rank", "na_cells", "term_blanks", "byte_order_mark", "line_ends",
              "id_for_coreid", "file_name_case", "encoding", "short_rows", "header_row",
              "unknown_parent", "container_records", "count_not_number", "no_location",
              "left_out_entries", "metadata", "other_tables", "plan")

_categories: dict[str, type] = {}
_made = threading.Lock()  # one class per kind, whichever thread asks first


def category_name(kind: str) -> str:
    """OutsideIntervalWarning for outside_interval."""
    return "".join(part.capitalize() for part in kind.split("_")) + "Warning"


def kinds() -> list[str]:
    """Every kind of warning there is a category for."""
    return list(_core.warning_kinds()) + list(FACE_KINDS)


def category(kind: str) -> type:
    """The category of a kind (made the first time it is asked for)."""
    with _made:
        found = _categories.get(kind)
        if found is not None:
            return found
        found = type(category_name(kind), (KelvaroWarning,), {
            "__module__": "kelvaro",
            "__doc__": f"kelvaro's warning of kind {kind!r} (a KelvaroWarning).",
            "kind": kind,
        })
        _categories[kind] = found
        return found


def by_category_name(name: str) -> type | None:
    for kind in kinds():
        if category_name(kind) == name:
            return category(kind)
    return None


def issue(rows: Iterable[tuple[str, str, str]], stacklevel: int) -> None:
    """Issues each (kind, block, text) through the warnings module: "block: text"."""
    for kind, block, text in rows:
        warning = category(kind)(f"{block}: {text}")
        warning.kind, warning.block, warning.text = kind, block, text
        warnings.warn(warning, stacklevel=stacklevel + 1)
