# The standard estimators beside kelvaro's own (fit$estimators): the values vegan's specpool gives
# for the same sites, on two of vegan's data sets.

estimator_values <- function(fit, estimator, column = "estimate") {
  e <- fit$estimators
  e[[column]][e$block == "Sample 1" & e$estimator == estimator]
}

test_that("chao2, jack1, jack2 and bootstrap and their SEs are specpool's on dune and BCI", {
  skip_if_not_installed("vegan")
  for (name in c("dune", "BCI")) {
    env <- new.env()
    utils::data(list = name, package = "vegan", envir = env)
    sites <- env[[name]]
    fit <- suppressWarnings(kelvaro(sites, nreps = 0))
    pool <- vegan::specpool(sites)
    got <- c(chao = estimator_values(fit, "chao2"),
             chao.se = estimator_values(fit, "chao2", "standard_error"),
             jack1 = estimator_values(fit, "jack1"),
             jack1.se = estimator_values(fit, "jack1", "standard_error"),
             jack2 = estimator_values(fit, "jack2"),
             boot = estimator_values(fit, "bootstrap"),
             boot.se = estimator_values(fit, "bootstrap", "standard_error"))
    expected <- unlist(pool[1L, names(got)])
    expect_equal(got, expected, tolerance = 1e-9, label = name)
  }
})

test_that("every block has its five estimators, kelvaro's being its estimate as computed", {
  fit <- quiet_fit(kelvaro(ditches_before, ditches_after))
  e <- fit$estimators
  expect_identical(names(e), c("block", "sample", "estimator", "estimate", "standard_error",
                               "lower", "upper"))
  expect_identical(e$estimator, rep(c("chao2", "jack1", "jack2", "bootstrap", "kelvaro"), 4L))
  expect_identical(unique(e$block), fit$blocks$block)
  own <- e[e$estimator == "kelvaro", ]
  expect_identical(own$estimate, fit$blocks$estimate_unrounded)
  expect_identical(own$standard_error, fit$blocks$SE)
  chao <- e[e$estimator == "chao2", ]
  expect_true(all(chao$lower <= chao$estimate & chao$estimate <= chao$upper))
  expect_true(all(is.na(e$standard_error[e$estimator == "jack2"])))
  expect_true(all(e$standard_error[e$estimator %in% c("jack1", "bootstrap")] > 0))
})
