# The run's warnings: a data frame in the result, and one R warning each as the run ends.

collect_warnings <- function(expr) {
  messages <- character()
  value <- withCallingHandlers(expr, warning = function(w) {
    messages <<- c(messages, conditionMessage(w))
    invokeRestart("muffleWarning")
  })
  list(value = value, messages = messages)
}

test_that("warnings are kept in $warnings and raised, naming the block", {
  cases <- list(
    list(quote(kelvaro_frequencies(c(3.5, 1), c(3, 2), nreps = 25)), "fractional_value",
         "^kelvaro: Sample 1: f\\(1\\) = 3.5 is not a whole number"),
    list(quote(kelvaro(ditches_before, ditches_after, nreps = 5)), "few_replicates",
         "^kelvaro: parameters: the percentile intervals rest on 5 bootstrap replicates"),
    list(quote(kelvaro_input("2 2 0 25 400 9\n3 1\n3 2\n")), "extra_numbers",
         "^kelvaro: line 1: header: "),
    list(quote(kelvaro(ditches_before, ditches_after)), "model_does_not_fit",
         paste0("^kelvaro: Sample 2: the data do not fit model M\\(h\\) \\(goodness-of-fit ",
                "probability 0.0063\\): the estimate and its interval may be biased$"))
  )
  for (case in cases) {
    run <- collect_warnings(eval(case[[1L]]))
    label <- case[[2L]]
    expect_true(case[[2L]] %in% run$value$warnings$kind, label = label)
    expect_true(any(grepl(case[[3L]], run$messages)), label = label)
    expect_identical(length(run$messages), nrow(run$value$warnings), label = label)
  }
  # The ditches data raise that one warning and no other.
  expect_identical(quiet_fit(kelvaro(ditches_before, ditches_after))$warnings$kind,
                   "model_does_not_fit")
})
