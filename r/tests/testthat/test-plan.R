# Survey planning in the session: the kelvaro-plan command's numbers, its refusals as R errors.

# The grid whose kelvaro-plan CSV is fixtures/plan.csv (see tools/make-fixtures.sh). Sample 2 has
# no colonists, so B's relative bias has nothing to divide by: NA.
fixture_plan <- function(...) {
  kelvaro_plan(species = 30, persistence = 0.8, colonists = 0, detection = 0.3, heterogeneity = 1,
               detection_change = 1.5, sites1 = c(3, 6), sites2 = c(4, 8), surveys = 25,
               nreps = 20, seed = 7, ...)
}

test_that("the data frame holds the command's CSV at full precision; R's generator untouched", {
  set.seed(17)
  r_state <- .Random.seed
  plan <- fixture_plan(threads = 2)
  expect_identical(.Random.seed, r_state)
  csv <- read.csv(fixture("plan.csv"), colClasses = "character", na.strings = character())
  expect_identical(names(plan), names(csv))
  for (column in names(csv)) {
    x <- plan[[column]]
    # The command prints reals with C's %.6g, which R's sprintf calls: NA, Inf as the CSV has them.
    printed <- if (is.double(x)) sprintf("%.6g", x) else as.character(x)
    expect_identical(printed, csv[[column]], label = column)
  }
  expect_true(anyNA(plan$relative_bias))
  expect_false(all(plan$mean_estimate == signif(plan$mean_estimate, 6)), label = "not rounded")
})

test_that("refusals are R errors with the engine's messages, naming the argument", {
  cases <- list(
    list(quote(kelvaro_plan(100, detection = 1.5, heterogeneity = 2, sites = 5)),
         "^detection must be above 0 and at most 1 \\(a probability\\), not 1.5$"),
    list(quote(kelvaro_plan(100, detection = 0.2, heterogeneity = 2, sites = c(5, 120))),
         "^sites: 120 sites: kelvaro takes 1 to 98 sites per sample$"),
    list(quote(kelvaro_plan(100, detection = 0.2, heterogeneity = 2, sites1 = 5)),
         "^sites1 and sites2 go together"),
    list(quote(kelvaro_plan(100, detection = 0.2, heterogeneity = NA, sites = 5)),
         "^heterogeneity must be a number K")
  )
  for (case in cases) {
    expect_error(eval(case[[1L]]), case[[2L]], label = deparse(case[[1L]]))
  }
})
