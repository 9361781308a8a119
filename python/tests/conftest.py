"""What the package's tests share: the programs of the build they compare with, the example
tables, and generated surveys.

KELVARO_BUILD names the build folder whose programs (kelvaro, kelvaro-prep, kelvaro-tidy,
kelvaro-batch, kelvaro-plan) the tests run; CTest sets it, and it defaults to build/ beside
python/.
"""

import os
import subprocess
import sys
from pathlib import Path

import pytest

SOURCE = Path(os.environ.get("KELVARO_SOURCE", Path(__file__).resolve().parents[2]))
BUILD = Path(os.environ.get("KELVARO_BUILD", SOURCE / "build"))
EXAMPLES = SOURCE / "examples" / "data"
PROGRAMS = {
    "kelvaro": BUILD / "src" / "cli" / "kelvaro",
    "kelvaro-prep": BUILD / "tools" / "kelvaro-prep",
    "kelvaro-tidy": BUILD / "tools" / "kelvaro-tidy",
    "kelvaro-batch": BUILD / "tools" / "kelvaro-batch",
    "kelvaro-plan": BUILD / "tools" / "plan" / "kelvaro-plan",
}

# The two pairs of example tables: two periods at one place, two places.
EXAMPLE_PAIRS = [
    ("ditches", EXAMPLES / "ditches-week-4.csv", EXAMPLES / "ditches-week24.csv"),
    ("plots", EXAMPLES / "plots-1-25.csv", EXAMPLES / "plots-26-50.csv"),
]


def program(name):
    path = PROGRAMS[name]
    if not path.exists():
        pytest.skip(f"{name} is not built ({path})")
    return str(path)


def run(name, *args, stdin=None, cwd=None, check=True):
    """Runs one of the programs; its (status, standard output, standard error) as bytes."""
    done = subprocess.run([program(name), *map(str, args)], input=stdin, capture_output=True,
                          cwd=cwd)
    if check and done.returncode != 0:
        raise AssertionError(f"{name} {args}: status {done.returncode}: {done.stderr.decode()}")
    return done.returncode, done.stdout, done.stderr


def make_survey(path, routes, years, shuffle=False):
    args = [sys.executable, str(SOURCE / "bench" / "make_survey.py"), "--routes", str(routes),
            "--years", str(years)] + (["--shuffle"] if shuffle else [])
    with open(path, "wb") as out:
        subprocess.run(args, stdout=out, check=True)
    return path


@pytest.fixture(scope="session")
def survey(tmp_path_factory):
    """A simulated monitoring scheme (bench/make_survey.py): 30 routes x 3 years x 50 stops,
    rows in an order drawn at random."""
    return make_survey(tmp_path_factory.mktemp("survey") / "survey.csv", 30, 3, shuffle=True)


SURVEY_COLUMNS = dict(group="RouteID", sample="Year", site="Stop", species="AOU",
                      count="SpeciesTotal")
