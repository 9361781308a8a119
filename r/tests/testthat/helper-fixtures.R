# The ditches data through kelvaro-prep, kelvaro and kelvaro-tidy (see tools/make-fixtures.sh in
# the project's r/ folder): the commands' results the package must reproduce.
fixture <- function(name) test_path("fixtures", name)

fixture_bytes <- function(name) {
  path <- fixture(name)
  readBin(path, "raw", file.size(path))
}

# The input kelvaro-prep wrote, as numeric records (one per line).
fixture_records <- function() {
  lapply(strsplit(readLines(fixture("ditches.in")), " "), as.numeric)
}

# A report's lines put back together as the command writes them.
report_bytes <- function(lines) charToRaw(paste0(lines, "\r\n", collapse = ""))
