# The generics of a modelling package answer from the run's own tables.

test_that("coef, confint, tidy, glance and nobs agree with the parameter table", {
  fit <- quiet_fit(kelvaro(ditches_before, ditches_after, nreps = 40, seed = 400))
  p <- fit$parameters
  names <- c("N(1)", "N(2)", "PHI", "GAMMA", "LAMBDA", "altLAMBDA", "B", "p(1)", "p(2)")
  expect_identical(names(coef(fit)), names)
  expect_identical(unname(coef(fit)), p$estimate[match(names, p$parameter)])
  ci <- confint(fit)
  expect_identical(dim(ci), c(9L, 2L))
  expect_identical(unname(ci[, 1L]), p$lower[match(names, p$parameter)])
  expect_identical(unname(ci[, 2L]), p$upper[match(names, p$parameter)])
  expect_identical(rownames(confint(fit, c("PHI", "B"))), c("PHI", "B"))
  expect_error(confint(fit, level = 0.9), "replicates = TRUE", class = "kelvaro_error")
  expect_error(confint(fit, "N(3)"), "unknown parameter")
  tidied <- tidy(fit)
  expect_identical(names(tidied), c("term", "estimate", "std.error", "conf.low", "conf.high",
                                    "sample", "std.error.type"))
  expect_identical(tidied$std.error, p$standard_error[match(names, p$parameter)])
  g <- glance(fit)
  expect_identical(nrow(g), 1L)
  expect_identical(c(g$observed1, g$observed2, g$observed_both), fit$blocks$R[1:3])
  expect_identical(g$equal_detection_p, fit$test$probability)
  expect_identical(c(g$nreps, g$seed), c(40L, 400L))
  expect_identical(nobs(fit), 24L)
  expect_identical(g$nobs, 24L)
})

test_that("a single sample gives N(1) with its standard error and no interval", {
  fit <- kelvaro(ditches_before, nreps = 20)
  expect_identical(coef(fit), c(`N(1)` = fit$blocks$estimate_unrounded[1L]))
  expect_true(all(is.na(confint(fit))))
  expect_identical(tidy(fit)$std.error, fit$blocks$SE[1L])
  expect_true(is.na(glance(fit)$observed2))
})

test_that("blocks hold the order estimates and the order the tests chose", {
  fit <- suppressWarnings(kelvaro(ditches_before, ditches_after, nreps = 0))
  b <- fit$blocks
  # vegan's specpool on ditches_before gives jack1 = 105 and jack2 = 116.67 (S = 83, n = 12
  # sites, f1 = 24, f2 = 11): jack1 = S + f1 (n-1)/n, jack2 = S + f1 (2n-3)/n - f2 (n-2)^2/(n(n-1)).
  expect_equal(b$jack1[1L], 83 + 24 * 11 / 12, tolerance = 1e-6)
  expect_equal(b$jack2[1L], 83 + 24 * 21 / 12 - 11 * 100 / 132, tolerance = 1e-6)
  # The estimate lies between the orders order - 1 and order (order 0: the species observed).
  for (i in seq_len(nrow(b))) {
    orders <- c(b$R[i], unlist(b[i, paste0("jack", 1:5)]))
    k <- b$order[i]
    between <- range(orders[k], orders[k + 1L])
    expect_true(b$estimate_unrounded[i] >= between[1L] - 1e-4 &&
                  b$estimate_unrounded[i] <= between[2L] + 1e-4, label = b$block[i])
  }
  expect_identical(b$estimate_rounded, round(b$estimate_unrounded))
})

test_that("other confidence levels come from the kept replicates by the report's rule", {
  fit <- quiet_fit(kelvaro(ditches_before, ditches_after, nreps = 200, seed = 400,
                           replicates = TRUE))
  names <- rownames(confint(fit))
  # The rule gives the report's own 95% intervals back from the replicates.
  at95 <- t(vapply(names, function(name) {
    percentile_limits(fit$replicates[[gsub("[()]", "", name)]], 0.95)
  }, numeric(2)))
  expect_identical(unname(at95), unname(confint(fit)))
  ci <- confint(fit, level = 0.8)
  expect_identical(colnames(ci), c("10 %", "90 %"))
  expect_true(all(ci[, 1L] >= confint(fit)[, 1L] & ci[, 2L] <= confint(fit)[, 2L]))
  # 200 replicates, 10% in each tail: ranks 20 and 180.
  sorted <- sort(fit$replicates$LAMBDA)
  expect_identical(unname(ci["LAMBDA", ]), sorted[c(20L, 180L)])
  tidied <- tidy(fit, conf.level = 0.8)
  expect_identical(tidied$conf.low, unname(ci[, 1L]))
  for (level in list(1, 0, NA, "0.9", c(0.8, 0.9))) {
    expect_error(confint(fit, level = level), "level must be a confidence level",
                 class = "kelvaro_error")
  }
  expect_error(tidy(quiet_fit(kelvaro(ditches_before, ditches_after, nreps = 20, seed = 1)),
                    conf.level = 0.9),
               "^conf.level = 0.9: .* this run did not keep; run kelvaro\\(..., replicates = TRUE\\)$",
               class = "kelvaro_error")
})

test_that("without replicates the bootstrap statistics are NaN, not -0", {
  fit <- suppressWarnings(kelvaro(ditches_before, ditches_after, nreps = 0, seed = 400))
  p <- fit$parameters
  expect_true(all(is.nan(c(p$standard_error, p$bootstrap_average, p$lower, p$upper))))
  expect_true(all(is.finite(p$estimate)))
})
