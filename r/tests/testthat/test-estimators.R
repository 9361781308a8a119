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

test_that("kelvaro_pool gives specpool's table, one row per pool, with kelvaro's estimate", {
  skip_if_not_installed("vegan")
  env <- new.env()
  utils::data(list = c("dune", "dune.env"), package = "vegan", envir = env)
  pool <- env$dune.env$Management
  got <- kelvaro_pool(env$dune, pool)
  expected <- vegan::specpool(env$dune, pool)
  expect_identical(rownames(got), rownames(expected))
  expect_equal(got[names(expected)], expected, tolerance = 1e-9, ignore_attr = TRUE)
  nm <- kelvaro(env$dune[pool == "NM", ], nreps = 0, seed = 400)
  expect_identical(unlist(got["NM", c("kelvaro", "kelvaro.se")], use.names = FALSE),
                   c(nm$blocks$estimate_unrounded, nm$blocks$SE))
  expect_identical(kelvaro_pool(env$dune)$pool, "All")
  # estimators(fit) is the same table for the blocks of a run.
  fit <- suppressWarnings(kelvaro(ditches_before, ditches_after, nreps = 0, seed = 400))
  table <- estimators(fit)
  expect_identical(table$block, fit$blocks$block)
  expect_identical(unlist(table[1L, names(got)[-1L]]),
                   unlist(kelvaro_pool(ditches_before)[1L, -1L]))
  cases <- list(
    list(quote(kelvaro_pool(env$dune, pool[-1L])), "pool must give each row of x \\(20 rows\\)"),
    list(quote(kelvaro_pool(env$dune, replace(pool, 3L, NA))), "pool: row 3 has no pool"),
    list(quote(kelvaro_pool(do.call(rbind, rep(list(env$dune), 51L)))),
         "pool \"All\" has 1020 sites"))
  for (case in cases) {
    expect_error(eval(case[[1L]]), case[[2L]], class = "kelvaro_error")
  }
})
