# How tables become samples: detections, species matched by name, a single sample.

test_that("species are matched by name, not by column position", {
  fit <- quiet_fit(kelvaro(ditches_before, ditches_after, seed = 400))
  shuffled <- ditches_after[, rev(seq_len(ncol(ditches_after)))]
  # Species of Sample 1 never seen in Sample 2's table at all still count in Sample 1 only.
  fewer <- ditches_after[, colSums(ditches_after) > 0]
  cases <- list(shuffled = shuffled, undetected_columns_dropped = fewer)
  for (name in names(cases)) {
    expect_identical(quiet_fit(kelvaro(ditches_before, cases[[name]], seed = 400))$report,
                     fit$report,
                     label = name)
  }
})

test_that("counts, 0/1 matrices and TRUE/FALSE give the same detections", {
  fit <- quiet_fit(kelvaro(ditches_before, ditches_after, seed = 400))
  cases <- list(
    logical = list(ditches_before > 0, ditches_after > 0),
    zero_one = list(1 * as.matrix(ditches_before > 0), as.matrix(ditches_after > 0) + 0L)
  )
  for (name in names(cases)) {
    other <- quiet_fit(kelvaro(cases[[name]][[1L]], cases[[name]][[2L]], seed = 400))
    expect_identical(other$report, fit$report, label = name)
  }
})

test_that("with sample 2 NULL the run is Sample 1's part of the two-sample run", {
  both <- quiet_fit(kelvaro(ditches_before, ditches_after, seed = 400))
  one <- quiet_fit(kelvaro(ditches_before, seed = 400))
  expect_identical(one$blocks, both$blocks[1L, ])
  expect_identical(nrow(one$parameters), 0L)
  expect_null(one$test)
  expect_identical(one$report, both$report[seq_along(one$report)])
  expect_true(length(one$report) < length(both$report))
  expect_output(print(one), "one sample, Sample 1 \\(12 sites\\)")
})
