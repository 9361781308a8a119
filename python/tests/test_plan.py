"""kelvaro.plan against kelvaro-plan: the same table, the same answer, the same warnings, with
and without a pilot's communities."""

import io
import math
import warnings

import pandas as pd
import pytest

import kelvaro
from conftest import EXAMPLES, run

PILOT = EXAMPLES / "plots-1-25.csv"
COMMON = dict(sites=[5, 10], nreps=10, threads=1)
COMMON_ARGS = ["--sites", "5,10", "--nreps", "10", "--threads", "1"]


@pytest.mark.parametrize("kwargs, args", [
    (dict(species=60, detection=0.3, heterogeneity=2, surveys=10, target="N(1):bias<=0.2"),
     ["--species", "60", "--detection", "0.3", "--heterogeneity", "2", "--surveys", "10",
      "--target", "N(1):bias<=0.2"]),
    (dict(species=60, detection=0.3, heterogeneity=2, surveys=8, max_surveys=8,
          target="N(1):bias<=0.01"),
     ["--species", "60", "--detection", "0.3", "--heterogeneity", "2", "--surveys", "8",
      "--max-surveys", "8", "--target", "N(1):bias<=0.01"]),
    (dict(from_pilot=str(PILOT), assurance=0.6, communities=10, community_surveys=2,
          max_surveys=40, target="N(1):coverage>=0.5"),
     ["--from-pilot", str(PILOT), "--assurance", "0.6", "--communities", "10",
      "--community-surveys", "2", "--max-surveys", "40", "--target", "N(1):coverage>=0.5"]),
], ids=["decided", "undecided", "pilot"])
def test_plan_gives_what_kelvaro_plan_gives(kwargs, args):
    _, out, err = run("kelvaro-plan", *COMMON_ARGS, *args)
    lines = [line.removeprefix("kelvaro-plan: ") for line in err.decode().splitlines()]
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        got = kelvaro.plan(**COMMON, **kwargs)
    assert got.answer == lines[-1]
    assert [str(w.message.text) for w in caught if w.category.__name__ == "PlanWarning"] == \
        [line.removeprefix("warning: ") for line in lines if line.startswith("warning: ")]
    expected = pd.read_csv(io.BytesIO(out), keep_default_na=False)
    assert list(got.table.columns) == list(expected.columns)
    for column in expected.columns:
        for mine, theirs in zip(got.table[column], expected[column]):
            if column in ("meets_target", "decided"):
                assert mine == {"yes": True, "no": False, "": None}[theirs], column
            elif isinstance(mine, float) and math.isnan(mine):
                assert theirs in ("", "NA"), column
            else:
                assert str(mine) == str(theirs) or float(mine) == float(theirs), column


def test_plan_refuses_an_assurance_outside_its_range():
    with pytest.raises(kelvaro.InputError, match="assurance"):
        kelvaro.plan(from_pilot=str(PILOT), sites=5, target="N(1):bias<=0.2", assurance=1.5)
