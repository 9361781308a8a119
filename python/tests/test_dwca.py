"""Darwin Core Archives: read_dwca's long table, and batch() on an archive against kelvaro-batch
on the same archive (tables and source.json)."""

import warnings
import zipfile

import pytest

import kelvaro
from conftest import run
from frames import assert_same, program_table
from test_batch import LABELS


def write_archive(folder, routes=3, years=(2019, 2020), walks=4):
    """An event-core archive without meta.xml: walks (child events) of routes, occurrences with
    presences, absences, a genus and a literal NA."""
    events = ["eventID,parentEventID,locationID,eventDate"]
    occurrences = ["eventID,scientificName,occurrenceStatus,individualCount"]
    for r in range(routes):
        for year in years:
            parent = f"R{r}-{year}"
            events.append(f"{parent},,R{r},{year}-05-0{1 + r % 9}")
            for w in range(walks):
                walk = f"{parent}-w{w}"
                events.append(f"{walk},{parent},,")
                for k in range(6):
                    if (r + w * k + year) % 3 == 0:
                        status = "absent" if (w + k) % 5 == 0 else "present"
                        occurrences.append(f"{walk},Species {k} sp{k},{status},{1 + k % 2}")
                if w == 1:
                    occurrences.append(f"{walk},Parus,present,NA")
    folder.mkdir(parents=True, exist_ok=True)
    (folder / "event.txt").write_text("\n".join(events) + "\n")
    (folder / "occurrence.txt").write_text("\n".join(occurrences) + "\n")
    return folder


def zipped(folder, path):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for f in sorted(folder.iterdir()):
            z.write(f, f.name)
    return path


@pytest.mark.parametrize("form", ["folder", "zip"])
def test_batch_on_an_archive_is_kelvaro_batch_on_it(tmp_path, form):
    archive = write_archive(tmp_path / "archive")
    if form == "zip":
        archive = zipped(archive, tmp_path / "archive.zip")
    run("kelvaro-batch", archive, "-o", tmp_path / "out", "-q", "--nreps", "10")
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        result = kelvaro.batch(archive, nreps=10, threads=1)
    for name in LABELS:
        expected = program_table((tmp_path / "out" / f"{name}.csv").read_bytes(), LABELS[name])
        assert_same(getattr(result, name), expected)
    assert result.pairs == 3
    assert result.source == (tmp_path / "out" / "source.json").read_text()
    # The genus records are kept and warned about, as kelvaro-batch warns.
    assert any(isinstance(w.message, kelvaro.AboveSpeciesRankWarning) for w in caught)


def test_read_dwca_rows_options_and_refusals(tmp_path):
    archive = write_archive(tmp_path / "archive", routes=1, years=(2019,), walks=2)
    with warnings.catch_warnings(record=True):
        rows = kelvaro.read_dwca(archive)
        species_only = kelvaro.read_dwca(archive, species_rank_only=True)
        by_date = kelvaro.read_dwca(archive, sample="eventDate")
    assert list(rows.columns) == ["group", "sample", "site", "species", "count"]
    assert set(rows["group"]) == {"R0"} and set(rows["sample"]) == {"2019"}
    assert set(rows["site"]) == {"R0-2019-w0", "R0-2019-w1"}
    assert "Parus" in set(rows["species"]) and "Parus" not in set(species_only["species"])
    assert set(by_date["sample"]) == {"2019-05-01"}
    assert set(rows["count"]) <= {0, 1}
    assert rows.attrs["source"].startswith("{")
    with pytest.raises(kelvaro.InputError, match="no_such_term"):
        kelvaro.read_dwca(archive, site="no_such_term")
    (tmp_path / "empty").mkdir()
    with pytest.raises(kelvaro.InputError) as refused:
        kelvaro.read_dwca(tmp_path / "empty")
    assert refused.value.file == str(tmp_path / "empty")
