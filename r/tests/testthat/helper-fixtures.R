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

# A long table of four samples of the ditches data: two routes of two years each.
long_table <- function() {
  x <- rbind(ditches_before, ditches_after, ditches_before[1:6, ], ditches_after[7:12, ])
  rownames(x) <- NULL
  list(x = x, sample = rep(c("2019", "2020", "2018", "2021"), c(12L, 12L, 6L, 6L)),
       route = rep(c("A", "A", "B", "B"), c(12L, 12L, 6L, 6L)))
}
