# Surprises an R user should hear of: warnings of class kelvaro_warning, so that they can be
# muffled or collected; the seed actually used recorded.

test_that("species names differing in case, no shared species and one site are warned of", {
  a <- matrix(c(1, 0, 1, 1, 1, 0), 2, dimnames = list(NULL, c("Achimill", "Poa", "Bellis")))
  b <- matrix(c(1, 1, 0, 1), 2, dimnames = list(NULL, c("ACHIMILL", "poa")))
  caught <- list()
  withCallingHandlers(kelvaro(a, b, nreps = 20), kelvaro_warning = function(w) {
    caught[[w$kind]] <<- conditionMessage(w)
    invokeRestart("muffleWarning")
  })
  expect_setequal(names(caught), c("case_differs", "no_shared_species"))
  expect_match(caught$case_differs, "\"Achimill\" / \"ACHIMILL\"")
  expect_warning(kelvaro(a[1L, , drop = FALSE], nreps = 20), "one site",
                 class = "kelvaro_warning")
})

test_that("the library's warnings come as kelvaro_warning with their kind", {
  kinds <- character()
  withCallingHandlers(kelvaro(ditches_before, ditches_after, nreps = 5),
                      kelvaro_warning = function(w) {
                        kinds <<- c(kinds, w$kind)
                        invokeRestart("muffleWarning")
                      })
  expect_true("few_replicates" %in% kinds)
})

test_that("seed = 0 records the seed it took, and that seed repeats the run", {
  set.seed(3)
  state <- .Random.seed
  fit <- quiet_fit(kelvaro(ditches_before, ditches_after, nreps = 20, seed = 0))
  expect_identical(.Random.seed, state)
  expect_false(fit$seed == 0L)
  again <- quiet_fit(kelvaro(ditches_before, ditches_after, nreps = 20, seed = fit$seed))
  expect_identical(again$parameters, fit$parameters)
})
