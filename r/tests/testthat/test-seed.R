# Runs repeat from their seed and leave R's own random numbers alone.

test_that("a seed repeats the run, another seed changes it, R's generator untouched", {
  set.seed(17)
  r_state <- .Random.seed
  first <- quiet_fit(kelvaro(ditches_before, ditches_after, seed = 7))
  again <- quiet_fit(kelvaro(ditches_before, ditches_after, seed = 7))
  other <- quiet_fit(kelvaro(ditches_before, ditches_after, seed = 8))
  expect_identical(.Random.seed, r_state)
  expect_identical(again$parameters, first$parameters)
  expect_false(identical(other$parameters$bootstrap_average, first$parameters$bootstrap_average))
})

test_that("a session that never drew a random number still has no .Random.seed", {
  script <- "library(kelvaro); invisible(kelvaro(ditches_before, ditches_after));
             cat(exists('.Random.seed', envir = globalenv()))"
  out <- system2(file.path(R.home("bin"), "Rscript"), c("--vanilla", "-e", shQuote(script)),
                 stdout = TRUE)
  expect_identical(tail(out, 1L), "FALSE")
})
