# Runs on a data frame of records (kelvaro_long): read by the library as kelvaro-batch reads a
# long table file, with the same pairs and numbers as the same data given as a wide table.

# The detections of a sites-by-species table as records, with each site's group and sample.
as_records <- function(x, route, sample) {
  d <- which(as.matrix(x) > 0, arr.ind = TRUE)
  d <- d[order(d[, 1L], d[, 2L]), , drop = FALSE]
  data.frame(Route = route[d[, 1L]], Year = sample[d[, 1L]],
             Stop = paste0(route, "-", seq_along(route))[d[, 1L]],
             Taxon = colnames(x)[d[, 2L]], stringsAsFactors = FALSE)
}

test_that("a long table's pairs are the wide table's, whichever way columns are named", {
  d <- long_table()
  records <- as_records(d$x, d$route, d$sample)
  wide <- quiet_fit(kelvaro(d$x, groups = data.frame(group = d$route, sample = d$sample),
                            nreps = 20, seed = 400, threads = 1))
  column <- "Taxon"
  fits <- list(
    quiet_fit(kelvaro_long(records, group = Route, sample = Year, site = Stop, species = Taxon,
                           nreps = 20, seed = 400, threads = 2)),
    quiet_fit(kelvaro_long(records, group = "route", sample = 2, site = "Stop",
                           species = column, nreps = 20, seed = 400, threads = 1)))
  for (fit in fits) {
    expect_identical(fit$pairs[c("group", "sample1", "sample2")],
                     wide$pairs[c("group", "sample1", "sample2")])
    expect_identical(fit$parameters$estimate, wide$parameters$estimate)
    expect_identical(fit$parameters$upper, wide$parameters$upper)
    expect_identical(fit$blocks$estimate_unrounded, wide$blocks$estimate_unrounded)
    expect_equal(nrow(fit$problems), 0L)
  }
})

test_that("bad records are refused at their row and column, bad arguments by name", {
  r <- data.frame(sample = c("1", "1", "2"), site = c("a", "b", "a"), species = c("x", "y", "x"),
                  count = c(1, 2, 1), stringsAsFactors = FALSE)
  cases <- list(
    list(quote(kelvaro_long(r[c(1, 3)])), "data has no column \"site\": name the site column"),
    list(quote(kelvaro_long(r, site = Plot)), "site = Plot: data has no column Plot"),
    list(quote(kelvaro_long(r, site = "species")), "given as both site and species"),
    list(quote(kelvaro_long(within(r, site[2] <- ""))), "row 2, column 2: empty site"),
    list(quote(kelvaro_long(within(r, count[3] <- NA))),
         "row 3, column 4: \"NA\" is not a detection value.*give na_absent = TRUE"),
    list(quote(kelvaro_long(r, pairs = "next")), "pairs must be \"consecutive\""),
    list(quote(kelvaro_long(as.matrix(r))), "data must be a data frame of records"),
    list(quote(kelvaro_long(r, seed = 0)), "seed = 0 would take every pair's seed"))
  for (case in cases) {
    expect_error(eval(case[[1L]]), case[[2L]], class = "kelvaro_error",
                 label = deparse(case[[1L]]))
  }
  fit <- quiet_fit(kelvaro_long(within(r, count[2] <- NA), na_absent = TRUE, nreps = 20,
                                seed = 1))
  expect_identical(fit$pairs$sample1, "1")
  # Numbers as labels, in order of value as kelvaro-batch orders them.
  numbered <- rbind(r, within(r, sample <- c(-4, -4, 0.5)))
  numbered$sample <- as.numeric(numbered$sample)
  weeks <- quiet_fit(kelvaro_long(numbered, nreps = 20, seed = 1))
  expect_identical(c(weeks$pairs$sample1, "2"), c("-4", "0.5", "1", "2"))
})

test_that("a sample beyond 1000 sites is a problem of its pair, at its row; 1000 are taken", {
  # Sample 1 has 1001 sites, Sample 2 exactly 1000: the pair 1-2 is refused at the 1001st site's
  # row, the pair 2-3 analysed.
  n <- c(1001L, 1000L, 3L)
  r <- data.frame(sample = rep(c("1", "2", "3"), n),
                  site = c(paste0("s", seq_len(n[1L])), paste0("t", seq_len(n[2L])), "a", "b", "c"),
                  species = rep(c("x", "y"), length.out = sum(n)))
  expect_warning(fit <- quiet_fit(kelvaro_long(r, nreps = 20, seed = 1)),
                 "1 of 2 pair\\(s\\) not analysed", class = "kelvaro_warning")
  expect_identical(fit$problems$kind, "too_many_sites")
  expect_match(fit$problems$message,
               "more than 1000 sites (the next, \"s1001\", is on row 1001;", fixed = TRUE)
  expect_identical(fit$pairs$sample1[2], "2")
  expect_true(nrow(fit$parameters[fit$parameters$sample1 == "2", ]) > 0)
})
