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
  expect_setequal(names(caught), c("case_differs", "no_common_species"))
  expect_match(caught$case_differs, "\"Achimill\" / \"ACHIMILL\"")
  expect_warning(kelvaro(a[1L, , drop = FALSE], nreps = 20), "one site",
                 class = "kelvaro_warning")
})

test_that("sites without detection and names differing only in case within a table are warned of", {
  m <- matrix(c(1, 0, 0, 1, 0, 0, 1, 1, 0), 3, dimnames = list(c("s1", "s2", "s3"),
                                                                c("Poa", "poa", "Bellis")))
  cases <- list(
    list(quote(kelvaro(m, nreps = 0, seed = 1)), "sites_without_detection",
         "^kelvaro: sample1: 1 site\\(s\\) without any detection, row\\(s\\) 3 \\(\"s3\"\\); "),
    list(quote(kelvaro(m, nreps = 0, seed = 1)), "case_duplicate",
         "^kelvaro: sample1: 1 species name\\(s\\) .* e.g. \"Poa\" / \"poa\""),
    list(quote(kelvaro(m, groups = c(1, 1, 2), nreps = 0, seed = 1)), "sites_without_detection",
         "sample1: 1 site"),
    list(quote(kelvaro_pool(m)), "case_duplicate", "^kelvaro: x: 1 species name"))
  for (case in cases) {
    caught <- list()
    withCallingHandlers(try(eval(case[[1L]]), silent = TRUE), kelvaro_warning = function(w) {
      caught[[w$kind]] <<- conditionMessage(w)
      invokeRestart("muffleWarning")
    })
    expect_match(caught[[case[[2L]]]], case[[3L]], label = case[[2L]])
  }
  # The run warns of the same sites, by number only: a table's empty site is told once, by row,
  # as a run from frequencies (no table to check) tells it under the same kind.
  for (run in list(quote(kelvaro(m, nreps = 0, seed = 1)),
                   quote(kelvaro(m, groups = c(1, 1, 2), nreps = 0, seed = 1)),
                   quote(kelvaro_pool(m)))) {
    kinds <- character()
    withCallingHandlers(try(eval(run), silent = TRUE), kelvaro_warning = function(w) {
      kinds <<- c(kinds, w$kind)
      invokeRestart("muffleWarning")
    })
    expect_identical(sum(kinds == "sites_without_detection"), 1L, label = deparse(run))
  }
  told <- NULL
  withCallingHandlers(kelvaro_frequencies(c(2, 1, 0), c(2, 2, 0), nreps = 0, seed = 1),
                      kelvaro_warning = function(w) {
                        if (w$kind == "sites_without_detection") told <<- conditionMessage(w)
                        invokeRestart("muffleWarning")
                      })
  expect_match(told, "no detection")
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

test_that("seed 0 records the clock value it took, and seed = fit$seed repeats the run", {
  set.seed(3)
  state <- .Random.seed
  clock_warnings <- character()
  keep_clock_warning <- function(w) {
    if (identical(w$kind, "clock_seed")) {
      clock_warnings <<- c(clock_warnings, conditionMessage(w))
      invokeRestart("muffleWarning")
    }
  }
  run <- function(expr) quiet_fit(withCallingHandlers(expr, kelvaro_warning = keep_clock_warning))
  fit <- run(kelvaro(ditches_before, ditches_after, nreps = 20, seed = 0, replicates = TRUE))
  expect_identical(.Random.seed, state)
  expect_s3_class(fit$seed, "kelvaro_seed")
  expect_match(format(fit$seed), "^clock [0-9]+$")
  expect_length(clock_warnings, 1L)
  expect_match(clock_warnings, "seed = fit$seed", fixed = TRUE)
  # The report is the command's for seed 0, whose seed line shows the 0.
  expect_true(" seed=           0" %in% fit$report)
  for (seed in list(fit$seed, format(fit$seed))) {
    again <- run(kelvaro(ditches_before, ditches_after, nreps = 20, seed = seed,
                         replicates = TRUE))
    expect_identical(again$replicates, fit$replicates)
    expect_identical(again$report, fit$report)
    expect_identical(again$seed, fit$seed)
  }
  expect_length(clock_warnings, 1L)  # a repeated run can be repeated: no warning
  expect_identical(glance(fit)$seed, fit$seed)
  expect_error(kelvaro(ditches_before, seed = "clock x"), "seed must be NULL .*, a whole number")

  # An input text whose header gives seed 0, repeated from its $seed.
  text <- c("5 5 0 20 0", "20 8 3 1 0", "10 10 10 10 9")
  first <- run(kelvaro_input(text, replicates = TRUE))
  expect_s3_class(first$seed, "kelvaro_seed")
  again <- run(kelvaro_input(text, replicates = TRUE, seed = first$seed))
  expect_identical(again$replicates, first$replicates)
  expect_error(kelvaro_input(text, seed = 400), "the text's header gives the seed")

  # Grouped runs read the clock once: each pair is kelvaro() with seed = the result's $seed.
  x <- rbind(ditches_before, ditches_after, ditches_before[1:6, ])
  groups <- rep(c("a", "b", "c"), c(12L, 12L, 6L))
  all <- run(kelvaro(x, groups = groups, nreps = 20, seed = 0, threads = 2))
  expect_s3_class(all$seed, "kelvaro_seed")
  expect_identical(glance(all)$seed, all$seed[c(1L, 1L)])
  pair <- run(kelvaro(x[13:24, ], x[25:30, ], nreps = 20, seed = all$seed))
  expect_identical(all$parameters$upper[all$parameters$sample1 == "b"], pair$parameters$upper)
})
