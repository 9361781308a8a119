# Bad input ends in an R error that says what is wrong; nothing brings the session down.

test_that("bad tables are refused with a message naming the place", {
  m <- matrix(c(1, 0, 2, 0, 1, 1), nrow = 2, dimnames = list(c("s1", "s2"), c("a", "b", "c")))
  with_na <- m
  with_na[2L, 3L] <- NA
  with_text <- data.frame(site = c("s1", "s2"), a = c(1, 0))
  duplicate <- m
  colnames(duplicate) <- c("a", "b", "a")
  with_inf <- m
  with_inf[1L, 2L] <- Inf
  negative <- m
  negative[2L, 1L] <- -1
  cases <- list(
    list(with_na, m, "sample1: NA at row 2 \\(site \"s2\"\\), column 3 \\(species \"c\"\\)"),
    list(m, with_inf, "sample2: Inf at row 1 \\(site \"s1\"\\), column 2 \\(species \"b\"\\)"),
    list(negative, m, "sample1: -1 at row 2 \\(site \"s2\"\\), column 1 \\(species \"a\"\\)"),
    list(NULL, m, "sample1 must be a site-by-species table .*not NULL"),
    list(m, c(a = 1, b = 0), "sample2 must be a site-by-species table .*not a vector"),
    list(m, with_text, "sample2: column 1 \\(\"site\"\\) holds character.*row.names = 1"),
    list(m, duplicate, "sample2: duplicate species name \"a\" \\(columns 1 and 3\\)"),
    list(m, unname(m), "sample2 has no column names: species are matched"),
    list(m * 0, m, "sample1 has no detection"),
    list(matrix(1, 1001, 2, dimnames = list(NULL, c("a", "b"))), m,
         "sample1 has 1001 sites \\(rows\\); a sample may have at most 1000"),
    list(m[0, ], m, "sample1 has no sites")
  )
  for (case in cases) {
    expect_error(kelvaro(case[[1L]], case[[2L]]), case[[3L]], class = "kelvaro_error")
  }
})

test_that("bad vectors and options are refused, the library's own refusals included", {
  cases <- list(
    list(quote(kelvaro_frequencies(c(3, NA), c(2, 2))), "f1\\[2\\] is NA"),
    list(quote(kelvaro_frequencies(c(3, 1), c(2, 2.5))), "n1\\[2\\] = 2.5: site counts"),
    list(quote(kelvaro_frequencies(c(3, 1), c(2, 2), f2 = 1)), "nA, fB, nB missing|n2, fA"),
    list(quote(kelvaro_frequencies(c(3, 1), c(2, 2, 1))),
         "^kelvaro: Sample 1: n holds 3 values, but t1 = 2 asks for 2$"),
    list(quote(kelvaro_frequencies(rep(1, 1001), rep(1, 1001))),
         "^kelvaro: t1 = 1001 is outside the allowed range 1..1000$"),
    list(quote(kelvaro_frequencies(3, 3, nreps = 10001)), "nreps must be a whole number"),
    list(quote(kelvaro_frequencies(3, 3, seed = 1.5)), "seed must be NULL .*, a whole number"),
    list(quote(kelvaro_input("3 3 0 5 400\n4 2 1\n5 x 3")),
         paste0("^kelvaro: line 3, value 2: \"x\" is not a number\n",
                "At line 3 of file kelvaro \\(unit = 5, file = 'text'\\)\nBad integer for item 2"))
  )
  for (case in cases) {
    expect_error(eval(case[[1L]]), case[[2L]], class = "kelvaro_error",
                 label = deparse(case[[1L]]))
  }
})

test_that("a refused input is a kelvaro_error carrying the report so far", {
  err <- tryCatch(kelvaro_input("3 3 0 5 400\n4 2 1\n5 x 3"), kelvaro_error = identity)
  expect_s3_class(err, "kelvaro_error")
  expect_true(any(grepl("Sample 1:", err$report)))
})

test_that("no text, however malformed, ends the session", {
  inputs <- c("", " ", "x", "1e400 1e400 1 1 1", "98 98 1 10000 0", "2 2 0 5 1\n-1e38 1e38\n",
              "3*", "1 1 0 3 400\n/\n/\n/\n/\n/\n/\n/\n/", strrep("9", 5000), "\u00e9\u00e9")
  for (text in inputs) {
    outcome <- tryCatch(suppressWarnings(kelvaro_input(text)), error = function(e) "error")
    expect_true(identical(outcome, "error") || inherits(outcome, "kelvaro"), label = text)
  }
})
