# The samples' own names, given as the tables' names or labels =, in every output of a run.

test_that("labels come from the tables' names or labels = and reach print, tidy and tables", {
  fits <- list(
    names = quiet_fit(kelvaro(NM = ditches_before, SF = ditches_after, nreps = 20, seed = 400)),
    labels = quiet_fit(kelvaro(ditches_before, ditches_after, labels = c("NM", "SF"),
                               nreps = 20, seed = 400)))
  for (name in names(fits)) {
    fit <- fits[[name]]
    expect_identical(fit$labels, c(sample1 = "NM", sample2 = "SF"), label = name)
    expect_identical(fit$blocks$sample, c("NM", "SF", "SF", "NM"), label = name)
    expect_identical(unique(fit$estimators$sample), c("NM", "SF"), label = name)
    expect_identical(tidy(fit)$sample, c("NM", "SF", NA, NA, NA, NA, "SF", "NM", "SF"))
    expect_output(print(fit), "two samples, NM \\(12 sites\\) and SF \\(12 sites\\)")
    expect_identical(estimate_panels(fit, NULL)$richness$data$label, c("NM", "SF"))
  }
  expect_identical(fits$names$report, fits$labels$report)
  unlabelled <- quiet_fit(kelvaro(ditches_before, nreps = 20, seed = 400))
  expect_identical(tidy(unlabelled)$sample, "Sample 1")
  expect_identical(tidy(unlabelled)$std.error.type, "jackknife")
})

test_that("tables by name and labels are refused when they cannot be meant", {
  m <- ditches_before
  cases <- list(
    list(quote(kelvaro(m, m, 50)), "value 1 after them has no name; give options by name"),
    list(quote(kelvaro(m, m, nrep = 50)), "has no argument nrep; its options are labels, nreps"),
    list(quote(kelvaro(a = m, nrep = 50)), "^nrep = is neither an option of kelvaro\\(\\)"),
    list(quote(kelvaro(a = m, b = m, c = m)), "compares two tables, not 3"),
    list(quote(kelvaro(a = m, b = m, labels = c("x", "y"))), "either the names"),
    list(quote(kelvaro(m, m, labels = "x")), "labels must be two different names"),
    list(quote(kelvaro(m, m, labels = c("x", "x"))), "labels must be two different names"),
    list(quote(kelvaro(rbind(m, m), groups = rep(1:2, each = 12), labels = c("x", "y"))),
         "labelled by groups ="),
    list(quote(kelvaro()), "sample1 is missing"),
    list(quote(kelvaro(NM = m * 0, SF = m)), "^NM has no detection"),
    list(quote(kelvaro_frequencies(c(2, 1), c(2, 2), labels = c("x", "y"))),
         "labels must be one name"))
  for (case in cases) {
    expect_error(eval(case[[1L]]), case[[2L]], class = "kelvaro_error",
                 label = deparse(case[[1L]]))
  }
})
