# Runs repeat from their seed: one given leaves R's own random numbers alone; seed = NULL draws
# from them, so that set.seed() repeats a run.

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

test_that("a run with a seed given never draws from R's generator", {
  script <- "library(kelvaro); invisible(kelvaro(ditches_before, ditches_after, seed = 400));
             cat(exists('.Random.seed', envir = globalenv()))"
  out <- system2(file.path(R.home("bin"), "Rscript"), c("--vanilla", "-e", shQuote(script)),
                 stdout = TRUE, stderr = FALSE)
  expect_identical(tail(out, 1L), "FALSE")
})

test_that("seed = NULL draws from R's generator: set.seed() or $seed repeats the run", {
  runs <- list(
    single = function(seed) kelvaro(ditches_before, ditches_after, nreps = 20, seed = seed),
    plan = function(seed) {
      kelvaro_plan(species = 30, detection = 0.3, heterogeneity = 1, sites = 4, surveys = 5,
                   nreps = 10, threads = 1, seed = seed)
    })
  for (name in names(runs)) {
    set.seed(5)
    first <- quiet_fit(runs[[name]](NULL))
    set.seed(5)
    again <- quiet_fit(runs[[name]](NULL))
    seed <- if (name == "plan") attr(first, "seed") else first$seed
    repeated <- quiet_fit(runs[[name]](seed))
    if (name == "plan") {
      expect_identical(again, first, label = name)
      expect_identical(repeated$mean_estimate, first$mean_estimate, label = name)
    } else {
      expect_identical(again$report, first$report, label = name)
      expect_identical(repeated$report, first$report, label = name)
    }
  }
})

test_that("drawn seeds are seeds of different, sound streams", {
  # The generator reads bytes 0 and 2 of a seed only, and both 0 is a degenerate stream.
  seeds <- kelvaro:::draw_seeds(255L * 256L)
  expect_false(anyDuplicated(seeds %% 256L + 256L * (seeds %/% 65536L)) > 0L)
  expect_true(all(seeds %% 256L >= 1L & (seeds %/% 256L) %% 256L == 0L & seeds < 2^24))
})

test_that("a grouped run gives each pair its own seed, which repeats the pair alone", {
  x <- rbind(ditches_before, ditches_after, ditches_before[1:6, ])
  samples <- rep(c("a", "b", "c"), c(12L, 12L, 6L))
  set.seed(11)
  fit <- quiet_fit(kelvaro(x, groups = samples, nreps = 20, threads = 2))
  expect_identical(fit$seed, fit$pairs$seed)
  expect_false(anyDuplicated(fit$pairs$seed) > 0L)
  pair <- quiet_fit(kelvaro(x[13:24, ], x[25:30, ], nreps = 20, seed = fit$pairs$seed[2L]))
  expect_identical(fit$parameters$upper[fit$parameters$sample1 == "b"], pair$parameters$upper)
  again <- quiet_fit(kelvaro(x, groups = samples, nreps = 20, seed = fit$seed))
  expect_identical(again$parameters, fit$parameters)
  expect_identical(glance(fit)$seed, fit$pairs$seed)
  expect_error(kelvaro(x, groups = samples, seed = c(1, 2, 3)), "one seed per pair \\(2 whole",
               class = "kelvaro_error")
})
