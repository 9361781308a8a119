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
