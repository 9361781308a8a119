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
    # The command prints reals with C's %.6g, which R's sprintf calls: NA, Inf as the CSV has them;
    # meets_target yes, no, or nothing where no target names the parameter.
    printed <- if (is.double(x)) {
      sprintf("%.6g", x)
    } else if (is.logical(x)) {
      ifelse(is.na(x), "", ifelse(x, "yes", "no"))
    } else {
      as.character(x)
    }
    expect_identical(printed, csv[[column]], label = column)
  }
  expect_s3_class(plan, "kelvaro_plan")
  expect_true(anyNA(plan$relative_bias))
  expect_false(all(plan$mean_estimate == signif(plan$mean_estimate, 6)), label = "not rounded")
})

test_that("refusals are R errors with the engine's messages, naming the argument", {
  cases <- list(
    list(quote(kelvaro_plan(100, detection = 1.5, heterogeneity = 2, sites = 5)),
         "^detection must be above 0 and at most 1 \\(a probability\\), not 1.5$"),
    list(quote(kelvaro_plan(100, detection = 0.2, heterogeneity = 2, sites = c(5, 1001))),
         "^sites: 1001 sites: kelvaro takes 1 to 1000 sites per sample$"),
    list(quote(kelvaro_plan(100, detection = 0.2, heterogeneity = 2, sites1 = 5)),
         "^sites1 and sites2 go together"),
    list(quote(kelvaro_plan(100, detection = 0.2, heterogeneity = NA, sites = 5)),
         "^heterogeneity must be a number K")
  )
  for (case in cases) {
    expect_error(eval(case[[1L]]), case[[2L]], label = deparse(case[[1L]]))
  }
})

test_that("targets, carryover and a pilot are the command's", {
  expect_message(plan <- fixture_plan(threads = 1, target = c("PHI:width<=10", "N(1):bias<=0.001"),
                                      carryover = "redrawn"),
                 "^kelvaro_plan: no design in the grid meets every target")
  expect_identical(plan$meets_target[plan$parameter == "PHI"], rep(TRUE, 4L))
  expect_identical(plan$meets_target[plan$parameter == "N(1)"], rep(FALSE, 4L))
  expect_true(all(is.na(plan$meets_target[plan$parameter == "B"])))
  expect_match(attr(plan, "target_answer"), "^no design in the grid meets every target")
  # Ten species at 4 sites, f = (3, 3, 2, 2): the command's fit of the same table.
  pilot <- matrix(c(1, 0, 0, 1, 1, 0, 1, 1, 1, 1,
                    0, 1, 0, 1, 0, 1, 1, 1, 1, 1,
                    0, 0, 1, 0, 1, 1, 1, 0, 1, 1,
                    0, 0, 0, 0, 0, 0, 0, 1, 1, 1), nrow = 4, byrow = TRUE)
  fitted <- suppressMessages(kelvaro_plan(from_pilot = pilot, sites = 4, surveys = 3,
                                          nreps = 10, threads = 1))
  expect_match(attr(fitted, "pilot_fit"),
               "^the pilot \\(4 sites, 10 species detected\\) fits N = .*; simulating species = ")
  expect_error(fixture_plan(carryover = "new"), "^carryover must be 'kept'")
})
