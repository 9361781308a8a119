# Richness by effort (curves): the interpolated points are the exact sample-based rarefaction
# (vegan's specaccum(method = "exact")), the extrapolation and coverage follow their formulas,
# computed here independently from the table; both samples carry their labels.

test_that("curves follow rarefaction, extrapolation and coverage computed from the table", {
  fit <- quiet_fit(kelvaro(before = ditches_before, after = ditches_after, nreps = 30,
                           seed = 400))
  k <- curves(fit)
  for (s in c("before", "after")) {
    x <- if (s == "before") ditches_before else ditches_after
    y <- colSums(as.matrix(x) > 0)
    y <- y[y > 0]
    n <- nrow(x)
    q <- tabulate(y, n)
    d <- k$curves[k$curves$sample == s, ]
    expect_identical(d$sites, seq_len(2L * n), label = s)
    expect_identical(d$kind, rep(c("interpolated", "observed", "extrapolated"),
                                 c(n - 1L, 1L, n)), label = s)
    exact <- vapply(seq_len(n), function(t) sum(1 - choose(n - y, t) / choose(n, t)), 0)
    expect_equal(d$richness[seq_len(n)], exact, tolerance = 1e-12, label = s)
    q0 <- (n - 1) / n * (if (q[2] > 0) q[1]^2 / (2 * q[2]) else q[1] * (q[1] - 1) / 2)
    m <- seq_len(n)
    extrapolated <- length(y) + q0 * (1 - (1 - q[1] / (n * q0 + q[1]))^m)
    expect_equal(d$richness[n + m], extrapolated, tolerance = 1e-12, label = s)
    u <- sum(y)
    coverage <- 1 - q[1] / u * ((n - 1) * q[1] / ((n - 1) * q[1] + 2 * q[2]))
    expect_equal(d$coverage[n], coverage, tolerance = 1e-12, label = s)
    expect_true(all(d$lower <= d$richness & d$richness <= d$upper), label = s)
  }
  expect_identical(unique(k$standardised$standard), c("effort", "coverage"))
  expect_identical(k$standardised$sample, c("before", "after", "before", "after"))
  again <- curves(fit)
  expect_identical(again$curves, k$curves)
  other <- curves(fit, seed = 401)
  expect_false(identical(other$curves$upper, k$curves$upper))
})

test_that("degenerate samples and settings give defined values, warnings and clear errors", {
  one <- ditches_before[1, , drop = FALSE]
  fit <- suppressWarnings(kelvaro(one, ditches_after, nreps = 10, seed = 400))
  expect_warning(k <- curves(fit), "Sample 1 \\(Sample 1\\): one site",
                 class = "kelvaro_warning")
  expect_false(anyNA(k$curves$richness))
  plain <- quiet_fit(kelvaro(ditches_before, ditches_after, nreps = 20, seed = 400))
  kinds <- character()
  none <- withCallingHandlers(curves(plain, nreps = 0), kelvaro_warning = function(w) {
    kinds <<- c(kinds, w$kind)
    invokeRestart("muffleWarning")
  })
  expect_identical(unique(kinds), "no_intervals")
  expect_true(all(is.na(none$curves$lower)))
  cases <- list(list(quote(curves(plain, coverage = 2)), "coverage must be a number above 0"),
                list(quote(curves(plain, endpoint = 0)), "endpoint must be a whole number"),
                list(quote(curves(plain, seed = "a")), "seed must be a whole number"),
                list(quote(ggplot2::autoplot(plain, type = "curve s")), "type must be"))
  for (case in cases) {
    expect_error(eval(case[[1L]]), case[[2L]], class = "kelvaro_error",
                 label = deparse(case[[1L]]))
  }
})

test_that("autoplot draws both samples' curves", {
  skip_if_not_installed("ggplot2")
  fit <- quiet_fit(kelvaro(before = ditches_before, after = ditches_after, nreps = 20,
                           seed = 400))
  p <- ggplot2::autoplot(fit, type = "curves")
  expect_s3_class(p, "ggplot")
  expect_setequal(as.character(unique(p$data$sample)), c("before", "after"))
})
