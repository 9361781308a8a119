# Survey planning in the session: the kelvaro-plan command's numbers, its refusals as R errors.

# The grid whose kelvaro-plan CSV is fixtures/plan.csv (see tools/make-fixtures.sh). Sample 2 has
# no colonists, so B's relative bias has nothing to divide by: NA.
fixture_plan <- function(...) {
  kelvaro_plan(species = 30, persistence = 0.8, colonists = 0, detection = 0.3, heterogeneity = 1,
               detection_change = 1.5, sites1 = c(3, 6), sites2 = c(4, 8), surveys = 25,
               nreps = 20, seed = 7, ...)
}

# The plan's data frame against the command's CSV, column by column. The command prints reals
# with C's %.6g, which R's sprintf calls: NA, Inf as the CSV has them; meets_target and decided
# yes, no, or nothing; integers as they are, nothing for NA.
expect_plan_csv <- function(plan, file) {
  csv <- read.csv(fixture(file), colClasses = "character", na.strings = character())
  expect_identical(names(plan), names(csv), label = file)
  for (column in names(csv)) {
    x <- plan[[column]]
    printed <- if (column %in% c("assurance", "assurance_se")) {
      ifelse(is.na(x), "", sprintf("%.6g", x))  # empty without a pilot's communities
    } else if (is.double(x)) {
      sprintf("%.6g", x)
    } else if (is.logical(x)) {
      ifelse(is.na(x), "", ifelse(x, "yes", "no"))
    } else {
      ifelse(is.na(x), "", as.character(x))
    }
    expect_identical(printed, csv[[column]], label = paste(file, column))
  }
}

test_that("the data frame holds the command's CSV at full precision; R's generator untouched", {
  set.seed(17)
  r_state <- .Random.seed
  plan <- fixture_plan(threads = 2)
  expect_identical(.Random.seed, r_state)
  expect_plan_csv(plan, "plan.csv")
  expect_s3_class(plan, "kelvaro_plan")
  expect_true(anyNA(plan$relative_bias))
  expect_false(all(plan$mean_estimate == signif(plan$mean_estimate, 6)), label = "not rounded")
})

test_that("with targets, rounds and the answer are the command's, with and without a pilot", {
  # As tools/make-fixtures.sh runs kelvaro-plan with --quiet: its standard error is the pilot's
  # fit (with a pilot) and the answer, each after the program's name.
  answer_of <- function(file) sub("^kelvaro-plan: ", "", readLines(fixture(file)))
  runs <- list(
    list(csv = "plan-target.csv", stderr = "plan-target.stderr", plan = function() {
      kelvaro_plan(species = 30, persistence = 0.8, colonists = 0, detection = 0.3,
                   heterogeneity = 1, sites = c(3, 6), surveys = 25, nreps = 20, seed = 7,
                   target = "N(1):coverage>=0.6", max_surveys = 100, threads = 2)
    }),
    list(csv = "plan-pilot.csv", stderr = "plan-pilot.stderr", plan = function() {
      kelvaro_plan(from_pilot = read.csv(fixture("pilot.csv"), row.names = 1),
                   persistence = 0.8, sites = c(4, 8), surveys = 10, nreps = 10, seed = 7,
                   target = "N(1):coverage>=0.6", communities = 10, community_surveys = 4,
                   max_surveys = 80, assurance = 0.6, threads = 1)
    }))
  for (run in runs) {
    warned <- character()
    plan <- suppressMessages(withCallingHandlers(run$plan(), kelvaro_warning = function(w) {
      warned <<- c(warned, conditionMessage(w))
      invokeRestart("muffleWarning")
    }))
    expect_plan_csv(plan, run$csv)
    lines <- answer_of(run$stderr)
    expect_identical(attr(plan, "target_answer"), lines[length(lines)], label = run$csv)
    expect_true(all(plan$surveys >= 25 | !is.na(plan$communities)), label = run$csv)
  }
  # The command's warnings, which --quiet kept off its standard error, are R warnings.
  expect_match(warned[1L], "^kelvaro_plan: the pilot's fit is ill-determined: N = 14")
  expect_match(warned[-1L], "^kelvaro_plan: of the 20 communities consistent with the pilot")
  expect_true(any(!is.na(plan$assurance)))
  expect_match(attr(plan, "target_answer"), "communities consistent with the pilot")
  expect_error(fixture_plan(target = "N(1):coverage>=0.6", max_surveys = 10),
               "^max_surveys must be from the first round's 25 surveys")
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
  expect_warning(fitted <- suppressMessages(kelvaro_plan(from_pilot = pilot, sites = 4,
                                                         surveys = 3, nreps = 10, threads = 1)),
                 "^kelvaro_plan: the pilot's fit is ill-determined", class = "kelvaro_warning")
  expect_match(attr(fitted, "pilot_fit"),
               "^the pilot \\(4 sites, 10 species detected\\) fits N = .*; simulating species = ")
  expect_error(fixture_plan(carryover = "new"), "^carryover must be 'kept'")
})
