# The package gives the command's results: the same report bytes, the same parameters.

test_that("the report equals the command's byte for byte, from tables and from text", {
  expected <- fixture_bytes("ditches.out")
  from_tables <- quiet_fit(kelvaro(ditches_before, ditches_after, seed = 400))
  expect_identical(report_bytes(from_tables$report), expected)
  from_text <- quiet_fit(kelvaro_input(readLines(fixture("ditches.in"))))
  expect_identical(report_bytes(from_text$report), expected)
})

test_that("parameters equal kelvaro-tidy's table to the printed digits", {
  tidy <- read.csv(fixture("ditches-parameters.csv"), colClasses = "character")
  fit <- quiet_fit(kelvaro(ditches_before, ditches_after, seed = 400))
  expect_identical(fit$parameters$parameter, tidy$parameter)
  expect_identical(as.data.frame(fit), fit$parameters)
  for (column in c("estimate", "bootstrap_average", "standard_error", "lower", "upper")) {
    printed <- tidy[[column]]
    decimals <- nchar(sub("^[^.]*\\.?", "", printed))
    # Within half a unit of the last printed digit (the library rounds the exact float value).
    off <- abs(fit$parameters[[column]] - as.numeric(printed)) / 10^-decimals
    expect_true(all(off <= 0.5 + 1e-9), label = paste(column, "within the printed digits"))
    # Full precision: not the printed (rounded) values themselves.
    expect_false(all(off == 0), label = paste(column, "not rounded"))
  }
})

test_that("tables and frequency vectors give the same run", {
  r <- fixture_records()
  header <- r[[1L]]
  from_vectors <- quiet_fit(kelvaro_frequencies(r[[2L]], r[[3L]], r[[4L]], r[[5L]], r[[6L]],
                                                r[[7L]], r[[8L]], r[[9L]], nreps = header[[4L]],
                                                seed = header[[5L]]))
  from_tables <- quiet_fit(kelvaro(ditches_before, ditches_after, seed = header[[5L]]))
  for (part in c("report", "parameters", "blocks", "test")) {
    expect_identical(from_vectors[[part]], from_tables[[part]], label = part)
  }
})
