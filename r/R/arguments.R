# Checks of the arguments every entry point shares. Each refusal names the argument and says what
# it takes.

# The library's limits: the most bootstrap replicates a run takes (rows of its replicate store)
# and the most sites a sample may have.
max_replicates <- function() .limits()[["replicates"]]
max_sites <- function() .limits()[["sites"]]

is_whole_number <- function(x, lower, upper) {
  is.numeric(x) && length(x) == 1L && !is.na(x) && x == trunc(x) && x >= lower && x <= upper
}

is_flag <- function(x) is.logical(x) && length(x) == 1L && !is.na(x)

# nreps, seed, range_adjust and replicates as the library takes them; clock is the clock value a
# seed-0 run repeats (NA: the run reads the clock), and seed is NA when it is to be drawn from R's
# random numbers (seed = NULL) as the run starts (drawn_seed()), once every argument is checked.
run_options <- function(nreps, seed, range_adjust, replicates) {
  if (!is_whole_number(nreps, 0, max_replicates())) {
    refuse("nreps must be a whole number from 0 to ", max_replicates(),
           " (bootstrap replicates)")
  }
  seed <- if (is.null(seed)) list(seed = NA_integer_, clock = NA_integer_) else
    seed_argument(seed)
  if (!is_flag(range_adjust)) refuse("range_adjust must be TRUE or FALSE")
  if (!is_flag(replicates)) refuse("replicates must be TRUE or FALSE")
  list(nreps = as.integer(nreps), seed = seed$seed, clock = seed$clock,
       range_adjust = range_adjust, replicates = replicates)
}

# The seed argument as the library takes it: a seed number, 0 (the clock), or the clock seed of
# an earlier run (its $seed, or the text "clock N" it prints as), which repeats that run.
seed_argument <- function(seed) {
  clock <- clock_value(seed)
  if (!is.na(clock)) return(list(seed = 0L, clock = clock))
  # Seeds are 32-bit signed numbers; -2^31 is R's NA_integer_.
  if (!is_whole_number(seed, -.Machine$integer.max, .Machine$integer.max)) {
    refuse("seed must be NULL (drawn from R's random numbers), a whole number from ",
           -.Machine$integer.max, " to ", .Machine$integer.max,
           " (0 takes the seed from the clock), or a run's $seed")
  }
  list(seed = as.integer(seed), clock = NA_integer_)
}

# `count` seeds drawn from R's random numbers, so that set.seed() makes the runs repeatable. The
# library's generator takes only bytes 0 and 2 of a seed (and gives one degenerate stream when
# both are 0), so the seeds are drawn among the 65280 that give different streams: byte 0 from 1
# to 255, byte 2 from 0 to 255, the other bytes 0. Up to that many seeds are all different.
seed_streams <- 255L * 256L
draw_seeds <- function(count) {
  k <- sample.int(seed_streams, count, replace = count > seed_streams) - 1L
  as.integer(k %% 255L + 1L + (k %/% 255L) * 65536L)
}

# The options with their seed drawn when seed = NULL asked for one.
drawn_seed <- function(options) {
  if (is.na(options$seed)) options$seed <- draw_seeds(1L)
  options
}

# The clock value a seed argument carries: a kelvaro_seed, or "clock N"; NA for anything else.
clock_value <- function(seed) {
  if (inherits(seed, "kelvaro_seed") && length(seed) == 1L && !is.na(seed)) {
    return(as.integer(unclass(seed)))
  }
  if (is.character(seed) && length(seed) == 1L && !is.na(seed)) {
    digits <- sub("^clock ([0-9]{1,10})$", "\\1", seed)
    if (digits != seed && as.numeric(digits) <= .Machine$integer.max) {
      return(as.integer(digits))
    }
  }
  NA_integer_
}

# A run's $seed: its seed number, or, for seed 0, the clock value it seeded from as an object of
# class "kelvaro_seed" (printed "clock N"), which seed = takes back to repeat the run.
run_seed <- function(seed, clock) {
  if (is.na(clock)) return(seed)
  structure(clock, class = "kelvaro_seed")
}

format.kelvaro_seed <- function(x, ...) paste("clock", unclass(x))
as.character.kelvaro_seed <- function(x, ...) format(x)
print.kelvaro_seed <- function(x, ...) {
  cat(format(x), "(seed 0: the clock value the run seeded from; seed = this repeats the run)\n")
  invisible(x)
}
`[.kelvaro_seed` <- function(x, i, ...) structure(unclass(x)[i], class = "kelvaro_seed")
as.data.frame.kelvaro_seed <- function(x, row.names = NULL, optional = FALSE, ...,
                                       nm = deparse1(substitute(x))) {
  frame <- list(x)
  if (!optional) names(frame) <- nm
  structure(frame, row.names = if (is.null(row.names)) .set_row_names(length(x)) else row.names,
            class = "data.frame")
}

# One of `choices` (a unique abbreviation is enough, as match.arg takes it); otherwise a refusal
# naming the argument, the choices and what was given. `more` adds to the list of choices.
choose_one <- function(x, choices, arg, more = "") {
  if (is.character(x) && length(x) == length(choices) && all(x == choices)) return(choices[1L])
  k <- if (is.character(x) && length(x) == 1L && !is.na(x)) pmatch(x, choices) else NA_integer_
  if (is.na(k)) {
    refuse(sprintf("%s must be %s%s, not %s", arg,
                   paste(sprintf("\"%s\"", choices), collapse = ", "), more,
                   if (is.character(x) && length(x) == 1L) sprintf("\"%s\"", x) else
                     paste(format(x), collapse = " ")))
  }
  choices[k]
}
