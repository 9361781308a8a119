# Darwin Core archives (kelvaro_dwca): read by the library as kelvaro-batch reads them, into the
# long table whose pairs kelvaro_long() analyses.
#
# fixtures/dwca/ is a small archive: an event core of two routes (R7, R8) walked in 2019 and 2020,
# each walk a parent event (locationID and eventDate, a day in 2019, an interval in 2020) whose
# visits are child events with neither; an occurrence extension with an absence, a count of 0, and
# no record for the visit R7-2020-5 (surveyed, nothing found); tab-separated and unquoted as
# meta.xml says, and an eml.xml. dwca-parameters.csv is kelvaro-batch's table of it.

# The long table the archive stands for, by the reader's rules written out for this archive: the
# visits in the event table's order, each with its walk's route and year; each visit's
# occurrences (a detection unless absent or counted 0), or one row without a species for a
# visit with none.
expected_long_table <- function(dir) {
  read <- function(file) {
    utils::read.delim(file.path(dir, file), colClasses = "character", na.strings = character())
  }
  events <- read("event.txt")
  found <- read("occurrence.txt")
  visits <- events[events$parentEventID != "", ]
  walk <- events[match(visits$parentEventID, events$eventID), ]
  rows <- lapply(seq_len(nrow(visits)), function(i) {
    o <- found[found$eventID == visits$eventID[i], ]
    if (nrow(o) == 0L) {
      o <- data.frame(scientificName = "", occurrenceStatus = "absent", individualCount = "")
    }
    data.frame(group = walk$locationID[i], sample = substr(walk$eventDate[i], 1L, 4L),
               site = visits$eventID[i], species = o$scientificName,
               count = as.integer(o$occurrenceStatus == "present" & o$individualCount != "0"))
  })
  do.call(rbind, rows)
}

# A run whose pairs' own warnings (the analysis's, "kelvaro: ...", tested elsewhere) are taken
# as read; the reader's ("kelvaro_dwca: ...") still reach the test.
dwca_fit <- function(expr) {
  withCallingHandlers(expr, kelvaro_warning = function(w) {
    if (startsWith(conditionMessage(w), "kelvaro: ")) invokeRestart("muffleWarning")
  })
}

# The archive three ways: its folder, a zip of it, and its two tables alone in a folder (no
# meta.xml: read by their header rows, no citation).
archive_forms <- function() {
  dir <- fixture("dwca")
  work <- tempfile("dwca")
  dir.create(file.path(work, "tables"), recursive = TRUE)
  file.copy(file.path(dir, c("event.txt", "occurrence.txt")), file.path(work, "tables"))
  forms <- list(folder = dir, tables = file.path(work, "tables"))
  if (nzchar(Sys.which("zip"))) {
    zipped <- file.path(work, "walks.zip")
    old <- setwd(dir)
    on.exit(setwd(old))
    utils::zip(zipped, list.files(), flags = "-q")
    forms$zip <- zipped
  }
  forms
}

test_that("an archive as a folder, a zip or bare tables is its long table's pairs and numbers", {
  skip_if_not_installed("xml2")
  long <- expected_long_table(fixture("dwca"))
  expect_identical(sum(long$species == ""), 1L)
  expect_identical(sum(long$count == 0L), 3L)
  by_long <- dwca_fit(kelvaro_long(long, nreps = 20, seed = 400, threads = 1))
  forms <- archive_forms()
  expect_true("zip" %in% names(forms) || !nzchar(Sys.which("zip")))
  for (form in names(forms)) {
    fit <- dwca_fit(kelvaro_dwca(forms[[form]], nreps = 20, seed = 400, threads = 2))
    for (part in c("pairs", "parameters", "blocks", "tests", "problems")) {
      expect_identical(fit[[part]], by_long[[part]], label = paste(form, part))
    }
    expect_identical(fit$source$records, as.numeric(nrow(long)), label = form)
    expect_identical(fit$source$archive, forms[[form]])
  }
  expect_identical(by_long$pairs$group, c("R7", "R8"))
})

test_that("kelvaro-batch's numbers and the data set's citation come with the archive", {
  skip_if_not_installed("xml2")
  batch <- read.csv(fixture("dwca-parameters.csv"), colClasses = "character")
  fit <- dwca_fit(kelvaro_dwca(fixture("dwca"), nreps = 20, seed = 400))
  p <- fit$parameters
  expect_identical(paste(p$group, p$sample1, p$sample2, p$parameter),
                   paste(batch$group, batch$sample1, batch$sample2, batch$parameter))
  for (column in c("estimate", "standard_error", "lower", "upper")) {
    printed <- batch[[column]]
    decimals <- nchar(sub("^[^.]*\\.?", "", printed))
    off <- abs(p[[column]] - as.numeric(printed)) / 10^-decimals
    expect_true(all(off <= 0.5 + 1e-9, na.rm = TRUE), label = column)
    expect_identical(is.na(p[[column]]), is.na(as.numeric(printed)), label = column)
  }
  # eml.xml, parsed by xml2: nested text, an entity, a creator's parts and an organisation.
  c <- fit$source$citation
  expect_identical(c(c$title, c$creators, c$licence_url, c$identifier),
                   c("Woodland bird walks, two routes", "Ana Moreau", "Route Volunteers & Friends",
                     "http://creativecommons.org/publicdomain/zero/1.0/legalcode",
                     "https://example.org/datasets/walks"))
  expect_identical(fit$source$terms$count, c("individualCount", "occurrenceStatus"))
  printed <- paste(capture.output(print(fit)), collapse = "\n")
  expect_match(printed, "data: Woodland bird walks, two routes by Ana Moreau", fixed = TRUE)
  expect_match(printed, "$source", fixed = TRUE)
})

test_that("the reader's warnings and refusals name the function's arguments", {
  skip_if_not_installed("xml2")
  work <- tempfile("dwca")
  dir.create(work)
  dir <- fixture("dwca")
  copy <- function(name, files = c("event.txt", "occurrence.txt", "eml.xml"), meta = NULL) {
    to <- file.path(work, name)
    dir.create(to)
    file.copy(file.path(dir, files), to)
    writeLines(if (is.null(meta)) readLines(file.path(dir, "meta.xml")) else meta,
               file.path(to, "meta.xml"))
    to
  }
  not_archive <- file.path(work, "records.csv")
  writeLines("group,sample,site,species", not_archive)
  broken <- copy("broken", meta = "<archive><core rowType='x'>")
  refusals <- list(
    list(quote(kelvaro_dwca(not_archive)), "records.csv is not a Darwin Core Archive"),
    list(quote(kelvaro_dwca(file.path(work, "none"))), "none: no such file or folder"),
    list(quote(kelvaro_dwca(dir, site = "Plot")),
         "site = \"Plot\": the archive has no such term \\(its terms: .*eventID"),
    list(quote(kelvaro_dwca(dir, group = 3)), "group must be a Darwin Core term"),
    list(quote(kelvaro_dwca(broken)), "broken/meta.xml: not well-formed XML"),
    list(quote(kelvaro_dwca(dir, seed = 0)), "seed = 0 would take every pair's seed"))
  for (case in refusals) {
    expect_error(eval(case[[1L]]), case[[2L]], class = "kelvaro_error",
                 label = deparse(case[[1L]]))
  }
  # Without eml.xml, the citation is empty and a warning says so; a genus is counted as a
  # species, with a warning naming the argument that leaves it out, and species_rank_only = TRUE
  # leaves it out. Each warning's kind is the reader's.
  bare <- copy("bare", files = c("event.txt", "occurrence.txt"))
  lines <- readLines(file.path(bare, "occurrence.txt"))
  writeLines(c(lines, "R8-2020-4\to999\tTurdus\tpresent\t1"), file.path(bare, "occurrence.txt"))
  read <- function(...) {
    warned <- list()
    fit <- withCallingHandlers(kelvaro_dwca(bare, nreps = 20, seed = 400, ...),
                               kelvaro_warning = function(w) {
                                 if (startsWith(conditionMessage(w), "kelvaro_dwca: ")) {
                                   warned[[length(warned) + 1L]] <<- w
                                 }
                                 invokeRestart("muffleWarning")
                               })
    list(fit = fit, kinds = vapply(warned, function(w) w$kind, ""),
         messages = vapply(warned, conditionMessage, ""))
  }
  counted <- read()
  expect_identical(counted$kinds, c("above_species_rank", "metadata"))
  expect_match(counted$messages[1L], paste0("bare: 1 record\\(s\\) of 1 taxa above species rank, ",
                                            "such as \"Turdus\", count as species; give ",
                                            "species_rank_only = TRUE to leave them out"))
  expect_identical(counted$fit$source$warnings$kind, counted$kinds)
  expect_identical(counted$fit$source$citation$title, "")
  left_out <- read(species_rank_only = TRUE)
  full <- dwca_fit(kelvaro_dwca(dir, nreps = 20, seed = 400))
  expect_identical(left_out$fit$parameters, full$parameters)
  expect_false(identical(counted$fit$blocks$R, full$blocks$R))
})
