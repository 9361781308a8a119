# Checks of the arguments every entry point shares. Each refusal names the argument and says what
# it takes.

# The largest bootstrap replicates a run takes (rows of the library's replicate store).
max_replicates <- 10000L

is_whole_number <- function(x, lower, upper) {
  is.numeric(x) && length(x) == 1L && !is.na(x) && x == trunc(x) && x >= lower && x <= upper
}

is_flag <- function(x) is.logical(x) && length(x) == 1L && !is.na(x)

# nreps, seed, range_adjust and replicates as the library takes them.
run_options <- function(nreps, seed, range_adjust, replicates) {
  if (!is_whole_number(nreps, 0, max_replicates)) {
    stop("nreps must be a whole number from 0 to ", max_replicates,
         " (bootstrap replicates)", call. = FALSE)
  }
  # Seeds are 32-bit signed numbers; -2^31 is R's NA_integer_.
  if (!is_whole_number(seed, -.Machine$integer.max, .Machine$integer.max)) {
    stop("seed must be a whole number from ", -.Machine$integer.max, " to ",
         .Machine$integer.max, " (0 takes the seed from the clock)", call. = FALSE)
  }
  if (!is_flag(range_adjust)) stop("range_adjust must be TRUE or FALSE", call. = FALSE)
  if (!is_flag(replicates)) stop("replicates must be TRUE or FALSE", call. = FALSE)
  list(nreps = as.integer(nreps), seed = run_seed(seed), range_adjust = range_adjust,
       replicates = replicates)
}

# The seed a run uses: seed 0 takes one from the clock here, so that the run records it and the
# same call with it repeats the run. R's random number state is not touched.
run_seed <- function(seed) {
  if (seed != 0) return(as.integer(seed))
  clock <- as.numeric(Sys.time()) * 1000 + Sys.getpid()
  as.integer(clock %% (.Machine$integer.max - 1)) + 1L
}
