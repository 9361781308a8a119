"""kelvaro-prep and kelvaro-batch on the published Darwin Core data sets of examples/darwin-core:
the same results from the archive as a folder, as a zip, and from the long table a script would
write from its two tables; the data's citation beside the results; archives refused with exit
status 2 and a message that says what to do.

usage: programs_on_archives.py KELVARO_PREP KELVARO_BATCH EXAMPLES_DIR
"""

import csv
import os
import subprocess
import sys
import tempfile
import zipfile

PREP, BATCH, EXAMPLES = sys.argv[1:4]
CRAYFISH = os.path.join(EXAMPLES, "darwin-core", "anb-crayfish")
CAMERAS = os.path.join(EXAMPLES, "darwin-core", "camtrapdp-mica")
failures = []
passed = 0


def check(name, condition, detail=""):
    global passed
    if condition:
        passed += 1
    else:
        failures.append(f"{name}: {detail}")


def run(*args):
    return subprocess.run(list(args), capture_output=True, text=True, check=False)


def zipped(folder, path):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for name in sorted(os.listdir(folder)):
            z.write(os.path.join(folder, name), "dwca/" + name)
    return path


def script_long_table(folder, path):
    """The long table a user's script writes: every occurrence joined to its event's date,
    absent or a count of 0 not detected."""
    with open(os.path.join(folder, "event.csv"), newline="", encoding="utf-8") as f:
        dates = {row["eventID"]: row["eventDate"] for row in csv.DictReader(f)}
    with open(os.path.join(folder, "occurrence.csv"), newline="", encoding="utf-8") as f, open(
        path, "w", newline="", encoding="utf-8"
    ) as out:
        w = csv.writer(out)
        w.writerow(["group", "sample", "site", "species", "count"])
        for row in csv.DictReader(f):
            absent = row["occurrenceStatus"].strip().lower() == "absent"
            detected = not absent and row["individualCount"].strip() not in ("0",)
            w.writerow(["all", dates[row["eventID"]], row["eventID"], row["scientificName"],
                        1 if detected else 0])
    return path


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


with tempfile.TemporaryDirectory() as scratch:
    crayfish_zip = zipped(CRAYFISH, os.path.join(scratch, "crayfish.zip"))
    long_table = script_long_table(CRAYFISH, os.path.join(scratch, "crayfish.csv"))
    pair = ["--first", "2022-07-14", "--second", "2022-07-25"]

    # kelvaro-prep: one pair of dates, from the three forms of the same data.
    outputs = {}
    for form, args in [("folder", [CRAYFISH, "--sample", "eventDate"]),
                       ("zip", [crayfish_zip, "--sample", "eventDate"]),
                       ("long table", [long_table])]:
        r = run(PREP, *args, *pair)
        check(f"prep {form} status", r.returncode == 0, r.stderr)
        outputs[form] = r.stdout
        if form != "long table":
            check(f"prep {form} citation", "cite as: ANB. Monitoring of invasive alien crayfishes"
                  in r.stderr, r.stderr)
            check(f"prep {form} no location", "has no locationID" not in r.stderr, r.stderr)
    check("prep output", outputs["folder"] == outputs["zip"] == outputs["long table"]
          and outputs["folder"].startswith("17 35 "), repr(outputs)[:300])

    # kelvaro-batch: every consecutive pair of dates.
    tables = {}
    for form, args in [("folder", [CRAYFISH, "--sample", "eventDate"]),
                       ("zip", [crayfish_zip, "--sample", "eventDate"]),
                       ("long table", [long_table])]:
        out = os.path.join(scratch, "batch-" + form.replace(" ", "-"))
        r = run(BATCH, *args, "-o", out, "--nreps", "5", "--seed", "11", "-q")
        check(f"batch {form} status", r.returncode == 0, r.stderr)
        tables[form] = [read(os.path.join(out, t)) for t in
                        ("estimators.csv", "parameters.csv", "blocks.csv", "problems.csv")]
        has_source = os.path.exists(os.path.join(out, "source.json"))
        check(f"batch {form} source.json", has_source == (form != "long table"))
        if has_source:
            source = read(os.path.join(out, "source.json"))
            check(f"batch {form} source.json cites", '"licence": "http://creativecommons.org/'
                  'publicdomain/zero/1.0/"' in source and "10.15468/c2kc7t" in source, source)
    check("batch tables", tables["folder"] == tables["zip"] == tables["long table"]
          and tables["folder"][0].count("\n") > 1, repr(tables)[:300])

    # The camera traps' occurrence core with meta.xml: above-species taxa counted or left out.
    for args, expect in [([], '4 record(s) of 2 taxa above species rank, such as "Aves", "Ardea", '
                              'count as species'),
                         (["--species-rank-only"], "left out")]:
        out = os.path.join(scratch, "cameras" + "".join(args))
        r = run(BATCH, CAMERAS, "-o", out, "--group", "datasetName", "--sample", "year",
                "--site", "locationID", *args)
        check(f"batch cameras {args} status", r.returncode == 0, r.stderr)
        check(f"batch cameras {args} warning", expect in r.stderr, r.stderr)
        check(f"batch cameras {args} multimedia", "multimedia.csv (Multimedia)" in r.stderr,
              r.stderr)

    # Refused with status 2, and a message that says what is wrong.
    bad_zip = os.path.join(scratch, "bad.zip")
    with open(bad_zip, "wb") as f:
        f.write(b"PK\x03\x04 not a zip after all")
    no_tables = os.path.join(scratch, "no-tables")
    os.mkdir(no_tables)
    with open(os.path.join(no_tables, "notes.csv"), "w") as f:
        f.write("a,b\n1,2\n")
    no_meta = os.path.join(scratch, "no-meta")
    os.mkdir(no_meta)
    with open(os.path.join(no_meta, "meta.xml"), "w") as f:
        f.write("<archive><core rowType='http://rs.tdwg.org/dwc/terms/Event'>")
    for name, args, message in [
            ("bad zip", [bad_zip], "not a zip archive that can be read"),
            ("no Darwin Core table", [no_tables], "it has no meta.xml, and no table whose header "
                                                  "row names eventID"),
            ("malformed meta.xml", [no_meta], "meta.xml: not well-formed XML"),
            ("unknown term", [CRAYFISH, "--sample", "plot"],
             '--sample "plot": the archive has no such term (its terms: type, language'),
            ("separator with an archive", [CRAYFISH, "--sep", ";"], "--sep")]:
        for program in (PREP, BATCH):
            extra = ["-o", os.path.join(scratch, "refused")] if program == BATCH else []
            r = run(program, *args, *extra)
            label = f"{os.path.basename(program)} {name}"
            check(label + " status", r.returncode == 2, f"{r.returncode} {r.stderr}")
            check(label + " message", message in r.stderr, r.stderr)
            check(label + " nothing written", not os.path.exists(os.path.join(scratch, "refused")))

for f in failures:
    print("FAILED", f)
print(f"{passed} passed, {len(failures)} failed")
sys.exit(1 if failures else 0)
