# The three ways into a run: site-by-species tables, frequency vectors, or an input file's text.

kelvaro <- function(sample1, sample2 = NULL, ..., labels = NULL, nreps = 50, seed = NULL,
                    range_adjust = TRUE, replicates = FALSE, groups = NULL,
                    pairs = "consecutive", threads = NULL) {
  named <- list(...)
  # What refusals call the tables: their names, when given by name.
  args <- c("sample1", "sample2")
  if (length(named) > 0L) {
    check_named_tables(named, !missing(sample1) || !is.null(sample2))
    if (!is.null(labels)) {
      refuse("labels: tables given by name are labelled by their names; give either the names ",
             "(kelvaro(before = x, after = y)) or labels =, not both")
    }
    labels <- names(named)
    args <- c(labels, "sample2")[1:2]
    sample1 <- named[[1L]]
    sample2 <- if (length(named) == 2L) named[[2L]]
  } else if (missing(sample1)) {
    refuse("sample1 is missing: give a site-by-species table, two of them, or tables by name ",
           "as in kelvaro(before = x, after = y)")
  }
  if (!is.null(groups)) {
    if (!is.null(sample2)) {
      refuse("with groups =, give one table (every sample's sites) as sample1 and no sample2")
    }
    if (replicates) refuse("replicates = TRUE is for single runs, not groups =")
    if (!is.null(labels)) {
      refuse("labels: the samples of a grouped run are labelled by groups = (each row's ",
             "sample); labels = is for one or two tables")
    }
    if (is.null(sample1)) refuse("sample1 must be a site-by-species table, not NULL")
    return(grouped_runs(sample1, groups, pairs, nreps, seed, range_adjust, threads,
                        match.call()))
  }
  two_samples <- !is.null(sample2)
  labels <- sample_labels(labels, if (two_samples) 2L else 1L)
  options <- run_options(nreps, seed, range_adjust, replicates)
  d1 <- detection_matrix(sample1, args[1L], named = two_samples)
  d2 <- if (two_samples) detection_matrix(sample2, args[2L], named = TRUE)
  matrices <- block_matrices(d1, d2)
  run_blocks(lapply(matrices, whole_block), options, match.call(), labels, matrices)
}

# Tables given by name (kelvaro(before = x, after = y)) take the place of sample1 and sample2; any
# other value in `...` is an option given without its name, or misnamed.
check_named_tables <- function(named, samples_given) {
  given <- names(named)
  if (is.null(given)) given <- rep("", length(named))
  options <- setdiff(names(formals(kelvaro)), c("sample1", "sample2", "..."))
  unnamed <- which(given == "")
  if (length(unnamed) > 0L) {
    refuse(sprintf(paste0("kelvaro() takes at most two tables before its options, and value %d ",
                          "after them has no name; give options by name (%s = ...)"),
                   unnamed[1L], options[2L]))
  }
  if (samples_given) {
    refuse(sprintf(paste0("kelvaro() has no argument %s; its options are %s (tables given by ",
                          "name, as in kelvaro(before = x, after = y), go without sample1 and ",
                          "sample2)"), given[1L], paste(options, collapse = ", ")))
  }
  tables <- vapply(named, function(x) is.data.frame(x) || length(dim(x)) == 2L, logical(1))
  if (!all(tables)) {
    refuse(sprintf(paste0("%s = is neither an option of kelvaro() (%s) nor a site-by-species ",
                          "table"), given[!tables][1L], paste(options, collapse = ", ")))
  }
  if (length(named) > 2L) {
    refuse(sprintf(paste0("kelvaro() compares two tables, not %d; for many samples give one ",
                          "table of every sample's sites with groups ="), length(named)))
  }
}

# The samples' labels: `labels` checked, or "Sample 1" and "Sample 2" when NULL.
sample_labels <- function(labels, count) {
  if (is.null(labels)) return(c("Sample 1", "Sample 2")[seq_len(count)])
  if (!is.character(labels) || length(labels) != count || anyNA(labels) ||
      any(labels == "") || anyDuplicated(labels)) {
    refuse(if (count == 2L) {
      "labels must be two different names, one per table, as in labels = c(\"before\", \"after\")"
    } else {
      "labels must be one name (the run has one sample), as in labels = \"before\""
    })
  }
  unname(labels)
}

kelvaro_frequencies <- function(f1, n1, f2 = NULL, n2 = NULL, fA = NULL, nA = NULL,
                                fB = NULL, nB = NULL, nreps = 50, seed = NULL,
                                range_adjust = TRUE, replicates = FALSE, labels = NULL) {
  options <- run_options(nreps, seed, range_adjust, replicates)
  later <- list(f2 = f2, n2 = n2, fA = fA, nA = nA, fB = fB, nB = nB)
  given <- !vapply(later, is.null, logical(1))
  if (any(given) && !all(given)) {
    refuse(sprintf(paste0("a second sample needs all of f2, n2, fA, nA, fB, nB ",
                          "(the subsets hold the species seen in both samples); %s missing"),
                   paste(names(later)[!given], collapse = ", ")))
  }
  blocks <- list(sample1 = frequency_block(f1, n1, "f1", "n1"))
  if (all(given)) {
    blocks$sample2 <- frequency_block(f2, n2, "f2", "n2")
    blocks$subset_a <- frequency_block(fA, nA, "fA", "nA")
    blocks$subset_b <- frequency_block(fB, nB, "fB", "nB")
  }
  run_blocks(blocks, options, match.call(), sample_labels(labels, if (all(given)) 2L else 1L))
}

kelvaro_input <- function(text, replicates = FALSE, seed = NULL, labels = NULL) {
  if (!is.character(text) || anyNA(text)) {
    refuse("text must be a character vector (the input's lines, or the whole input in one string)")
  }
  if (!is_flag(replicates)) refuse("replicates must be TRUE or FALSE")
  clock <- if (is.null(seed)) NA_integer_ else clock_value(seed)
  if (!is.null(seed) && is.na(clock)) {
    refuse("seed: the text's header gives the seed; seed = takes only the $seed of an earlier ",
           "run whose header gave seed 0 (a clock seed, \"clock N\"), to repeat that run")
  }
  result <- .run_text(paste(text, collapse = "\n"), clock, replicates)
  kelvaro_result(result, match.call(), labels)
}

# One block's f(1..t) and n(1..t): numbers without NA; n whole numbers within 32 bits. Values the
# library only warns about (negative, fractional f) pass, as they do in an input file.
frequency_block <- function(f, n, f_arg, n_arg) {
  check_vector(f, f_arg)
  check_vector(n, n_arg)
  if (any(n != trunc(n) | abs(n) > .Machine$integer.max)) {
    k <- which(n != trunc(n) | abs(n) > .Machine$integer.max)[1L]
    refuse(sprintf("%s[%d] = %s: site counts must be whole numbers within %d", n_arg, k,
                   format(n[k]), .Machine$integer.max))
  }
  list(f = as.numeric(f), n = as.integer(n))
}

check_vector <- function(x, arg) {
  if (!(is.numeric(x) || is.logical(x)) || !is.null(dim(x)) && length(dim(x)) > 1L) {
    refuse(sprintf("%s must be a numeric vector", arg))
  }
  if (anyNA(x)) {
    k <- which(is.na(x))[1L]
    refuse(sprintf("%s[%d] is %s; give every value", arg, k, format(x[k])))
  }
  if (any(is.infinite(x))) {
    k <- which(is.infinite(x))[1L]
    refuse(sprintf("%s[%d] is %s; frequencies and site counts must be finite", arg, k,
                   format(x[k])))
  }
}

# matrices: each block's site-by-species detections, when the run has them (they give the
# standard errors of jack1 and the bootstrap estimator).
run_blocks <- function(blocks, options, call, labels, matrices = NULL) {
  options <- drawn_seed(options)
  result <- .run_survey(blocks, options$nreps, options$seed, options$clock,
                        options$range_adjust, options$replicates)
  kelvaro_result(result, call, labels, matrices)
}
