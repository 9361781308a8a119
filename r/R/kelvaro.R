# The three ways into a run: site-by-species tables, frequency vectors, or an input file's text.

kelvaro <- function(sample1, sample2 = NULL, nreps = 50, seed = 400, range_adjust = TRUE,
                    replicates = FALSE, groups = NULL, pairs = "consecutive", threads = NULL) {
  options <- run_options(nreps, seed, range_adjust, replicates)
  if (!is.null(groups)) {
    if (!is.null(sample2)) {
      stop("with groups =, give one table (every sample's sites) as sample1 and no sample2",
           call. = FALSE)
    }
    if (replicates) stop("replicates = TRUE is for single runs, not groups =", call. = FALSE)
    if (is.null(sample1)) stop("sample1 must be a site-by-species table, not NULL", call. = FALSE)
    return(grouped_runs(sample1, groups, pairs, options, threads, match.call()))
  }
  two_samples <- !is.null(sample2)
  d1 <- detection_matrix(sample1, "sample1", named = two_samples)
  d2 <- if (two_samples) detection_matrix(sample2, "sample2", named = TRUE)
  run_blocks(community_blocks(d1, d2), options, match.call())
}

kelvaro_frequencies <- function(f1, n1, f2 = NULL, n2 = NULL, fA = NULL, nA = NULL,
                                fB = NULL, nB = NULL, nreps = 50, seed = 400,
                                range_adjust = TRUE, replicates = FALSE) {
  options <- run_options(nreps, seed, range_adjust, replicates)
  later <- list(f2 = f2, n2 = n2, fA = fA, nA = nA, fB = fB, nB = nB)
  given <- !vapply(later, is.null, logical(1))
  if (any(given) && !all(given)) {
    stop(sprintf(paste0("a second sample needs all of f2, n2, fA, nA, fB, nB ",
                        "(the subsets hold the species seen in both samples); %s missing"),
                 paste(names(later)[!given], collapse = ", ")), call. = FALSE)
  }
  blocks <- list(sample1 = frequency_block(f1, n1, "f1", "n1"))
  if (all(given)) {
    blocks$sample2 <- frequency_block(f2, n2, "f2", "n2")
    blocks$subset_a <- frequency_block(fA, nA, "fA", "nA")
    blocks$subset_b <- frequency_block(fB, nB, "fB", "nB")
  }
  run_blocks(blocks, options, match.call())
}

kelvaro_input <- function(text, replicates = FALSE, seed = NULL) {
  if (!is.character(text) || anyNA(text)) {
    stop("text must be a character vector (the input's lines, or the whole input in one string)",
         call. = FALSE)
  }
  if (!is_flag(replicates)) stop("replicates must be TRUE or FALSE", call. = FALSE)
  clock <- if (is.null(seed)) NA_integer_ else clock_value(seed)
  if (!is.null(seed) && is.na(clock)) {
    stop("seed: the text's header gives the seed; seed = takes only the $seed of an earlier ",
         "run whose header gave seed 0 (a clock seed, \"clock N\"), to repeat that run",
         call. = FALSE)
  }
  result <- .run_text(paste(text, collapse = "\n"), clock, replicates)
  kelvaro_result(result, match.call())
}

# One block's f(1..t) and n(1..t): numbers without NA; n whole numbers within 32 bits. Values the
# library only warns about (negative, fractional f) pass, as they do in an input file.
frequency_block <- function(f, n, f_arg, n_arg) {
  check_vector(f, f_arg)
  check_vector(n, n_arg)
  if (any(n != trunc(n) | abs(n) > .Machine$integer.max)) {
    k <- which(n != trunc(n) | abs(n) > .Machine$integer.max)[1L]
    stop(sprintf("%s[%d] = %s: site counts must be whole numbers within %d", n_arg, k,
                 format(n[k]), .Machine$integer.max), call. = FALSE)
  }
  list(f = as.numeric(f), n = as.integer(n))
}

check_vector <- function(x, arg) {
  if (!(is.numeric(x) || is.logical(x)) || !is.null(dim(x)) && length(dim(x)) > 1L) {
    stop(sprintf("%s must be a numeric vector", arg), call. = FALSE)
  }
  if (anyNA(x)) {
    k <- which(is.na(x))[1L]
    stop(sprintf("%s[%d] is %s; give every value", arg, k, format(x[k])), call. = FALSE)
  }
  if (any(is.infinite(x))) {
    k <- which(is.infinite(x))[1L]
    stop(sprintf("%s[%d] is %s; frequencies and site counts must be finite", arg, k,
                 format(x[k])), call. = FALSE)
  }
}

run_blocks <- function(blocks, options, call) {
  result <- .run_survey(blocks, options$nreps, options$seed, options$clock,
                        options$range_adjust, options$replicates)
  kelvaro_result(result, call)
}
