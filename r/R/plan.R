# Survey planning: the kelvaro-plan command's simulation of surveys, run in the R session.

kelvaro_plan <- function(species, persistence = 1, colonists = 0, detection, heterogeneity,
                         detection_change = 1, sites = NULL, sites1 = NULL, sites2 = NULL,
                         surveys = 200, nreps = 100, seed = NULL, threads = NULL,
                         progress = interactive(), target = NULL, until_target = FALSE,
                         carryover = "kept", from_pilot = NULL, assurance = 0.8,
                         communities = 100, community_surveys = 25, max_surveys = NULL) {
  # Only each argument's type is checked here; the engine checks the values themselves, as the
  # command checks its options, and names the argument it refuses.
  request <- list(
    species = if (!missing(species)) plan_count(species, "species"),
    persistence = plan_number(persistence, "persistence"),
    colonists = plan_count(colonists, "colonists"),
    detection = if (!missing(detection)) plan_number(detection, "detection"),
    heterogeneity = if (!missing(heterogeneity)) plan_heterogeneity(heterogeneity),
    detection_change = plan_number(detection_change, "detection_change"),
    sites = plan_sites(sites, "sites"),
    sites1 = plan_sites(sites1, "sites1"),
    sites2 = plan_sites(sites2, "sites2"),
    surveys = plan_count(surveys, "surveys"),
    nreps = plan_count(nreps, "nreps"),
    seed = plan_seed(seed),
    threads = if (!is.null(threads)) plan_count(threads, "threads"),
    target = plan_targets(target),
    until_target = plan_flag(until_target, "until_target"),
    carryover = plan_carryover(carryover),
    pilot = if (!is.null(from_pilot)) plan_pilot(from_pilot),
    assurance = plan_number(assurance, "assurance"),
    communities = plan_count(communities, "communities"),
    community_surveys = plan_count(community_surveys, "community_surveys"),
    max_surveys = if (!is.null(max_surveys)) plan_count(max_surveys, "max_surveys"))
  if (!is_flag(progress)) refuse("progress must be TRUE or FALSE")
  # seed = NULL: drawn from R's random numbers, so that set.seed() repeats the plan.
  if (is.null(request$seed)) request$seed <- sample.int(.Machine$integer.max, 1L)
  result <- .plan(request, progress)
  if (!is.null(result$refusal)) refuse(result$refusal)
  for (note in result$notes) message("kelvaro_plan: ", note)
  # The pilot's fit and the answer to the targets are results: messages, and attributes.
  if (!is.null(result$pilot)) message("kelvaro_plan: ", result$pilot)
  for (w in result$warnings) kelvaro_warn(paste0("kelvaro_plan: ", w), "plan")
  if (!is.null(result$answer)) message("kelvaro_plan: ", result$answer)
  plan <- result$table
  attr(plan, "pilot_fit") <- result$pilot
  attr(plan, "target_answer") <- result$answer
  attr(plan, "target") <- if (length(request$target) > 0L) request$target
  attr(plan, "seed") <- request$seed
  class(plan) <- c("kelvaro_plan", class(plan))
  plan
}

plan_flag <- function(x, arg) {
  if (!is_flag(x)) refuse(arg, " must be TRUE or FALSE")
  x
}

plan_targets <- function(target) {
  if (is.null(target)) return(character())
  if (!is.character(target) || anyNA(target)) {
    refuse("target must be strings such as \"N(1):bias<=0.10,coverage>=0.90\"")
  }
  target
}

plan_carryover <- function(carryover) {
  if (!is.character(carryover) || length(carryover) != 1L || is.na(carryover)) {
    refuse("carryover must be \"kept\" or \"redrawn\"")
  }
  carryover
}

# A pilot survey's site-by-species table as its detection frequencies: f(i) species detected at
# exactly i of its sites (a value above 0 is a detection, as kelvaro-prep reads a table).
plan_pilot <- function(x) {
  detected <- detection_matrix(x, "from_pilot", FALSE)
  sites <- nrow(detected)
  list(sites = sites, f = tabulate(colSums(detected), nbins = sites))
}

plan_number <- function(x, arg) {
  if (!is.numeric(x) || length(x) != 1L || is.na(x)) {
    refuse(arg, " must be a number")
  }
  as.numeric(x)
}

# A whole number within R's integers (the engine has the bounds that matter).
plan_count <- function(x, arg) {
  if (!is_whole_number(x, -.Machine$integer.max, .Machine$integer.max)) {
    refuse(arg, " must be a whole number")
  }
  as.integer(x)
}

plan_heterogeneity <- function(x) {
  if (!(is.numeric(x) || is.character(x)) || length(x) != 1L || is.na(x)) {
    refuse("heterogeneity must be a number K (the Beta concentration; smaller is stronger ",
           "heterogeneity) or \"none\" for equal detection")
  }
  if (is.numeric(x)) as.numeric(x) else x
}

# Numbers of sites: whole numbers, or one string in the command's list syntax ("5:50:5").
plan_sites <- function(x, arg) {
  if (is.null(x)) return(NULL)
  if (is.character(x) && length(x) == 1L && !is.na(x)) return(x)
  if (!is.numeric(x) || length(x) == 0L || anyNA(x) || any(x != trunc(x)) ||
      any(abs(x) > .Machine$integer.max)) {
    refuse(arg, " must be whole numbers of sites, as in c(5, 10, 20) or seq(5, 50, 5)")
  }
  as.integer(x)
}

plan_seed <- function(seed) {
  if (is.null(seed)) return(NULL)
  if (!is_whole_number(seed, 0, .Machine$integer.max)) {
    refuse("seed must be NULL (drawn from R's random numbers) or a whole number from 0 to ",
           .Machine$integer.max)
  }
  as.integer(seed)
}
