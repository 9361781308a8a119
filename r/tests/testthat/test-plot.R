test_that("plot draws every fit; the replicates when kept; clear messages otherwise", {
  grDevices::pdf(NULL)
  on.exit(grDevices::dev.off())
  fit <- quiet_fit(kelvaro(ditches_before, ditches_after, nreps = 25, replicates = TRUE))
  expect_identical(nrow(fit$replicates), 25L)
  expect_silent(plot(fit))
  expect_silent(plot(quiet_fit(kelvaro(ditches_before, ditches_after))))
  expect_silent(plot(kelvaro(ditches_before, nreps = 20)))
  expect_silent(plot(suppressWarnings(kelvaro(ditches_before, ditches_after, nreps = 0))))
  expect_silent(plot(fit, which = "replicates"))
  expect_silent(plot(fit, which = "replicates", parameters = c("B", "p(1)")))
  expect_error(plot(quiet_fit(kelvaro(ditches_before, ditches_after)), which = "replicates"),
               "replicates = TRUE")
  expect_error(plot(kelvaro(ditches_before, replicates = TRUE), which = "replicates"),
               "two samples")
  expect_error(plot(fit, which = "replicates", parameters = "N(3)"), "unknown parameter")
})

test_that("a plan's plot has a panel pair per parameter and reads its target", {
  grDevices::pdf(NULL)
  on.exit(grDevices::dev.off())
  plan <- read.csv(test_path("fixtures", "plan.csv"), check.names = FALSE)
  class(plan) <- c("kelvaro_plan", "data.frame")
  expect_silent(plot(plan))
  expect_silent(plot(plan, parameters = "N(1)", target = "N(1):bias<=0.1,coverage>=0.9"))
  expect_error(plot(plan, target = "N(1) bias 0.1"), "PARAMETER:criterion")
  bands <- target_bands(c("N(1):bias<=0.10,coverage>=0.90", "PHI:width<=0.2"))
  expect_identical(bands$criterion, c("bias", "coverage", "width"))
  expect_identical(band_limits(bands[bands$parameter == "N(1)", ], "relative_bias"), c(-0.1, 0.1))
  expect_identical(band_limits(bands[bands$parameter == "N(1)", ], "coverage"), c(0.9, 1))
})

test_that("autoplot gives a ggplot when ggplot2 is there", {
  skip_if_not_installed("ggplot2")
  fit <- quiet_fit(kelvaro(ditches_before, ditches_after, nreps = 20))
  expect_s3_class(ggplot2::autoplot(fit), "ggplot")
})

test_that("figures of a run honour their arguments and never warn, flat intervals included", {
  grDevices::pdf(NULL)
  on.exit(grDevices::dev.off())
  fit <- quiet_fit(kelvaro(ditches_before, ditches_after, nreps = 20, seed = 400))
  panels <- estimate_panels(fit, c("B", "N(2)", "PHI"))
  expect_identical(names(panels), c("richness", "colonists", "ratios"))
  expect_identical(panels$richness$data$term, "N(2)")
  flat <- fit
  flat$parameters[flat$parameters$parameter == "PHI", c("lower", "upper")] <- 1
  expect_silent(plot(flat))
  expect_silent(plot(fit, parameters = "B"))
  expect_error(plot(fit, which = "histogram"),
               "^which must be \"estimates\", \"replicates\", not \"histogram\"$",
               class = "kelvaro_error")
  expect_error(plot(kelvaro(ditches_before, nreps = 0, seed = 1), parameters = "B"),
               "unknown parameter\\(s\\) B; the run has N\\(1\\)", class = "kelvaro_error")
})

test_that("a grouped run's figures: each group over time, readable with 100+ pairs", {
  grDevices::pdf(NULL)
  on.exit(grDevices::dev.off())
  # 12 routes of 10 years each, 4 sites a year taken from the ditches data: 108 pairs.
  both <- rbind(ditches_before, ditches_after)
  rows <- lapply(seq_len(120L), function(k) both[(k + 0:3) %% 24L + 1L, ])
  x <- do.call(rbind, rows)
  groups <- data.frame(group = rep(sprintf("route %02d", 1:12), each = 40L),
                       sample = rep(rep(2001:2010, each = 4L), 12L))
  fit <- suppressWarnings(kelvaro(x, groups = groups, nreps = 5, seed = 1, threads = 2))
  expect_identical(nrow(fit$pairs), 108L)
  course <- time_course(fit, c("N", "LAMBDA"))
  expect_identical(nrow(course[course$parameter == "N", ]), 120L)
  lambda <- course[course$parameter == "LAMBDA", ]
  expect_identical(lambda$x[1:3], c(2002, 2003, 2004))
  expect_identical(lambda$estimate, fit$parameters$estimate[fit$parameters$parameter == "LAMBDA"])
  expect_silent(plot(fit))
  expect_silent(plot(fit, which = "pairs", parameters = "LAMBDA"))
  few <- fit
  few$parameters <- fit$parameters[fit$parameters$group %in% c("route 01", "route 02"), ]
  few$blocks <- fit$blocks[fit$blocks$group %in% c("route 01", "route 02"), ]
  expect_silent(plot(few, parameters = c("N", "PHI", "GAMMA", "LAMBDA")))
  expect_error(plot(fit, which = "replicates"), "keeps no bootstrap replicates",
               class = "kelvaro_error")
  expect_error(plot(fit, parameters = "N(3)"), "unknown parameter", class = "kelvaro_error")
  # With every pair of three samples, a sample ends several pairs: the neighbours' are shown.
  all <- suppressWarnings(kelvaro(x[1:12, ], groups = rep(1:3, each = 4L), pairs = "all",
                                  nreps = 5, seed = 1))
  shown <- time_course(all, "PHI")
  expect_identical(as.character(shown$sample), c("2", "3"))
  expect_identical(shown$estimate, all$parameters$estimate[all$parameters$parameter == "PHI"][-2L])
  skip_if_not_installed("ggplot2")
  expect_s3_class(ggplot2::autoplot(fit), "ggplot")
  expect_s3_class(ggplot2::autoplot(few, which = "pairs"), "ggplot")
})

test_that("autoplot draws a plan", {
  skip_if_not_installed("ggplot2")
  plan <- read.csv(test_path("fixtures", "plan.csv"), check.names = FALSE)
  class(plan) <- c("kelvaro_plan", "data.frame")
  expect_s3_class(ggplot2::autoplot(plan, target = "N(1):bias<=0.1,coverage>=0.9"), "ggplot")
})
