# Runs on a long table: the pairs kelvaro-batch would make, each equal to kelvaro() on its two
# subsets of rows, the same for any number of threads.

test_that("pairs follow the rule in label order, each equal to its own run", {
  d <- long_table()
  sample <- rep(c("10", "9", "2019.5"), each = 12L)[seq_len(36L)]
  x <- d$x[1:36, ]
  cases <- list(
    list("consecutive", c("9-10", "10-2019.5")),
    list("all", c("9-10", "9-2019.5", "10-2019.5")),
    list("first", c("9-10", "9-2019.5")))
  for (case in cases) {
    fit <- quiet_fit(kelvaro(x, groups = sample, pairs = case[[1L]], nreps = 20, seed = 400,
                             threads = 2))
    expect_identical(paste(fit$pairs$sample1, fit$pairs$sample2, sep = "-"), case[[2L]],
                     label = case[[1L]])
  }
  fit <- quiet_fit(kelvaro(x, groups = factor(sample, c("2019.5", "10", "9")), nreps = 20,
                           seed = 400, threads = 1))
  expect_identical(paste(fit$pairs$sample1, fit$pairs$sample2, sep = "-"),
                   c("2019.5-10", "10-9"), label = "a factor's levels")
  single <- quiet_fit(kelvaro(x[sample == "9", ], x[sample == "2019.5", ], nreps = 20, seed = 400))
  all <- quiet_fit(kelvaro(x, groups = sample, pairs = "all", nreps = 20, seed = 400, threads = 2))
  pair <- all$parameters[all$parameters$sample1 == "9" & all$parameters$sample2 == "2019.5", ]
  expect_identical(pair$estimate, single$parameters$estimate)
  expect_identical(pair$upper, single$parameters$upper)
  blocks <- all$blocks[all$blocks$sample1 == "9" & all$blocks$sample2 == "2019.5", ]
  expect_identical(blocks$estimate_unrounded, single$blocks$estimate_unrounded)
})

test_that("groups of sites pair within each group; threads change nothing", {
  d <- long_table()
  groups <- data.frame(group = d$route, sample = d$sample)
  one <- quiet_fit(kelvaro(d$x, groups = groups, nreps = 20, seed = 400, threads = 1))
  two <- quiet_fit(kelvaro(d$x, groups = groups, nreps = 20, seed = 400, threads = 2))
  expect_identical(one$parameters, two$parameters)
  expect_identical(one$blocks, two$blocks)
  expect_identical(one$pairs, data.frame(group = c("A", "B"), sample1 = c("2019", "2018"),
                                         sample2 = c("2020", "2021"), seed = c(400L, 400L)))
  expect_identical(names(one$tests)[1:3], c("group", "sample1", "sample2"))
})

test_that("listed pairs keep their order rule; a missing sample is a problem, not an error", {
  d <- long_table()
  x <- d$x[1:24, ]
  sample <- d$sample[1:24]
  listed <- data.frame(sample1 = c("2020", "2019"), sample2 = c("2019", "1999"))
  expect_warning(quiet_fit(kelvaro(x, groups = sample, pairs = listed, nreps = 20, seed = 400)),
                 "1 of 2 pair\\(s\\) not analysed", class = "kelvaro_warning")
  fit <- suppressWarnings(kelvaro(x, groups = sample, pairs = listed, nreps = 20, seed = 400))
  expect_identical(fit$problems$kind, "missing_sample")
  expect_identical(unique(fit$parameters$sample1), "2020")
  empty <- rbind(x, x[1:3, ] * 0)
  listed <- data.frame(sample1 = c("2020", "2019", "2019"), sample2 = c("2019", "2099", "1999"))
  fit <- suppressWarnings(kelvaro(empty, groups = c(sample, rep("2099", 3L)), pairs = listed,
                                  nreps = 20, seed = 400))
  expect_identical(fit$problems$kind, c("missing_sample", "no_detection"), label = "pair order")
  expect_identical(fit$problems$sample2, c("1999", "2099"))
  expect_error(kelvaro(x, groups = sample[-1L]), "one label per row of sample1 \\(24 rows\\)")
  expect_error(kelvaro(x, groups = sample, pairs = "next"),
               "^pairs must be \"consecutive\", \"all\", \"first\" .*, not \"next\"$",
               class = "kelvaro_error")
  expect_error(kelvaro(x, groups = rep("a", 24L)), "every group has a single sample")
  expect_error(kelvaro(x, ditches_after, groups = sample), "no sample2")
})

test_that("estimators, tidy and glance give each pair's rows of its own run", {
  d <- long_table()
  groups <- data.frame(group = d$route, sample = d$sample)
  fit <- suppressWarnings(kelvaro(d$x, groups = groups, nreps = 20, seed = 400, threads = 2))
  for (route in c("A", "B")) {
    rows <- d$route == route
    samples <- unique(d$sample[rows])
    single <- suppressWarnings(kelvaro(d$x[rows & d$sample == samples[1L], ],
                                       d$x[rows & d$sample == samples[2L], ], nreps = 20,
                                       seed = 400, labels = samples))
    key <- data.frame(group = route, sample1 = samples[1L], sample2 = samples[2L])
    pick <- function(frame) {
      out <- frame[frame$group == route, setdiff(names(frame), names(key))]
      rownames(out) <- NULL
      out
    }
    expect_identical(names(fit$estimators)[1:5],
                     c("group", "sample1", "sample2", "block", "sample"))
    expect_identical(pick(fit$estimators), single$estimators, label = route)
    expect_identical(pick(tidy(fit)), tidy(single), label = route)
    expect_identical(pick(glance(fit)), glance(single), label = route)
  }
  expect_identical(nrow(glance(fit)), 2L)
})

test_that("a failing pair or an interrupt stops a grouped run cleanly, on any number of threads", {
  d <- long_table()
  groups <- rep(c("a", "b", "c", "d", "e"), c(12L, 12L, 6L, 6L, 0L))[seq_len(nrow(d$x))]
  with_fault <- function(kind, pair, expr) {
    old <- options(kelvaro.test_fault = list(kind = kind, pair = pair))
    on.exit(options(old))
    expr
  }
  for (threads in c(1, 2, 3)) {
    for (pair in c(0L, 2L)) {
      label <- sprintf("%d thread(s), pair %d", threads, pair)
      failed <- tryCatch(with_fault("throw", pair, kelvaro(d$x, groups = groups, nreps = 20,
                                                           seed = 400, threads = threads)),
                         error = function(e) e)
      expect_s3_class(failed, "error")
      expect_match(conditionMessage(failed), sprintf("^kelvaro: internal error: pair %s: ",
                                                     c("a-b", "b-c", "c-d")[pair + 1L]),
                   label = label)
      stopped <- tryCatch(with_fault("interrupt", pair, kelvaro(d$x, groups = groups,
                                                                nreps = 20, seed = 400,
                                                                threads = threads)),
                          interrupt = function(i) "interrupted")
      expect_identical(stopped, "interrupted", label = label)
    }
  }
  # The workers are gone and nothing is left pending: the next run is whole and the same.
  fit <- quiet_fit(kelvaro(d$x, groups = groups, nreps = 20, seed = 400, threads = 2))
  expect_identical(fit$parameters, quiet_fit(kelvaro(d$x, groups = groups, nreps = 20, seed = 400,
                                                     threads = 1))$parameters)
})

test_that("coef, confint, nobs and the figures answer for every pair of a grouped run", {
  d <- long_table()
  groups <- data.frame(group = d$route, sample = d$sample)
  fit <- quiet_fit(kelvaro(d$x, groups = groups, nreps = 20, seed = 400, threads = 2))
  a <- quiet_fit(kelvaro(d$x[1:12, ], d$x[13:24, ], nreps = 20, seed = 400))
  b <- quiet_fit(kelvaro(d$x[25:30, ], d$x[31:36, ], nreps = 20, seed = 400))
  expect_identical(coef(fit), rbind(`A, 2019-2020` = coef(a), `B, 2018-2021` = coef(b)))
  ci <- confint(fit, "PHI")
  expect_identical(unname(ci), unname(rbind(confint(a, "PHI"), confint(b, "PHI"))))
  expect_identical(rownames(ci), c("A, 2019-2020:PHI", "B, 2018-2021:PHI"))
  expect_error(confint(fit, level = 0.9), "a grouped run does not keep",
               class = "kelvaro_error")
  expect_identical(nobs(fit), c(`A, 2019-2020` = 24L, `B, 2018-2021` = 12L))
  grDevices::pdf(NULL)
  on.exit(grDevices::dev.off())
  expect_silent(plot(fit))
  expect_silent(plot(fit, parameters = c("B", "p(1)")))
  expect_error(plot(fit, parameters = "N(3)"), "unknown parameter")
  skip_if_not_installed("ggplot2")
  expect_s3_class(ggplot2::autoplot(fit), "ggplot")
})

test_that("summary answers for a grouped run, and a run of no analysed pair stays usable", {
  d <- long_table()
  groups <- data.frame(group = d$route, sample = d$sample)
  fit <- quiet_fit(kelvaro(d$x, groups = groups, nreps = 20, seed = 400, threads = 2))
  s <- summary(fit)
  expect_identical(c(s$pairs, s$analysed), c(2L, 2L))
  expect_identical(s$spread$median[s$spread$parameter == "N(1)"],
                   median(coef(fit)[, "N(1)"]))
  expect_output(print(s), "2 pair\\(s\\) of samples, 2 analysed")
  listed <- data.frame(group = "A", sample1 = "2019", sample2 = "1999")
  none <- suppressWarnings(kelvaro(d$x, groups = groups, pairs = listed, nreps = 20, seed = 1))
  expect_identical(dim(coef(none)), c(0L, 9L))
  expect_identical(dim(confint(none)), c(0L, 2L))
  expect_identical(nrow(as.data.frame(none)), 0L)
  expect_true(all(c("group", "parameter", "estimate", "upper") %in% names(none$parameters)))
  expect_identical(names(tidy(none)), names(tidy(fit)))
  expect_identical(names(glance(none)), names(glance(fit)))
  expect_identical(nrow(estimators(none)), 0L)
  expect_output(print(summary(none)), "Not analysed \\(see \\$problems\\): missing_sample 1")
  expect_output(print(none), "1 pair\\(s\\) of samples, 0 analysed")
})
