# The standard richness estimators as vegan's specpool tabulates them: one row per pool of sites
# (kelvaro_pool) or per block of a run (estimators), each estimator beside its standard error,
# with kelvaro's own estimate and its jackknife standard error.

# The standard errors of jack1 and of the bootstrap estimator from a block's detections (sites
# by species; species never detected there are left out), as vegan's specpool computes them
# after Smith and van Belle (1984):
#   var(jack1) = (sum_i r_i^2 - f1 / N) (N - 1) / N, r_i the species found only at site i;
#   var(boot)  = sum_k q_k (1 - q_k) + 2 sum_{k<l} [(Z_kl / N)^N - q_k q_l], q_k = (1 - p_k)^N,
#                p_k the share of sites where species k was found, Z_kl the sites where neither
#                k nor l was.
# They need the detections themselves, not only the frequencies f(i) and n(i) a run takes. NA
# for a block without a detection.
incidence_errors <- function(detected) {
  n <- nrow(detected)
  freq <- colSums(detected)
  x <- detected[, freq > 0, drop = FALSE]
  freq <- freq[freq > 0]
  if (length(freq) == 0L) return(c(jack1 = NA_real_, bootstrap = NA_real_))
  f1 <- sum(freq == 1)
  jack1 <- 0
  if (f1 > 0) {
    r <- rowSums(x[, freq == 1, drop = FALSE])
    jack1 <- (sum(r^2) - f1 / n) * (n - 1) / n
  }
  q <- (1 - freq / n)^n
  # The pairs' terms a slice of columns at a time, so that many species need little memory (one
  # slice, and the very sums of specpool, for up to `slice` species).
  slice <- 1000L
  absent <- !x
  pairs <- 0
  for (first in seq(1L, length(q), by = slice)) {
    columns <- first:min(length(q), first + slice - 1L)
    z <- (crossprod(absent, absent[, columns, drop = FALSE]) / n)^n - outer(q, q[columns], "*")
    pairs <- pairs + sum(z[row(z) > columns[col(z)]])
  }
  sqrt(c(jack1 = jack1, bootstrap = sum(q * (1 - q)) + 2 * pairs))
}

# A run's estimators table with jack1's and the bootstrap estimator's standard errors filled in
# from `matrices` (list(sample1 =, sample2 =, subset_a =, subset_b =), each a block's detections);
# unchanged when the run has no detections (frequencies or text).
with_standard_errors <- function(estimators, matrices) {
  if (is.null(matrices)) return(estimators)
  blocks <- block_names[match(names(matrices), c("sample1", "sample2", "subset_a", "subset_b"))]
  for (k in seq_along(matrices)) {
    se <- incidence_errors(matrices[[k]])
    for (estimator in c("jack1", "bootstrap")) {
      row <- estimators$block == blocks[k] & estimators$estimator == estimator
      estimators$standard_error[row] <- se[[estimator]]
    }
  }
  estimators
}

# The columns of the pooled table, named as specpool names them, then kelvaro's own.
pool_columns <- c("Species", "chao", "chao.se", "jack1", "jack1.se", "jack2", "boot", "boot.se",
                  "n", "kelvaro", "kelvaro.se")

# One row of the pooled table per block of `blocks`, from the run's estimators (long, with
# `block`) and blocks tables.
pool_rows <- function(estimators, blocks) {
  value <- function(block, estimator, column = "estimate") {
    v <- estimators[[column]][estimators$block == block & estimators$estimator == estimator]
    if (length(v) == 0L) NA_real_ else v
  }
  rows <- lapply(blocks$block, function(block) {
    k <- match(block, blocks$block)
    c(blocks$R[k], value(block, "chao2"), value(block, "chao2", "standard_error"),
      value(block, "jack1"), value(block, "jack1", "standard_error"), value(block, "jack2"),
      value(block, "bootstrap"), value(block, "bootstrap", "standard_error"), blocks$sites[k],
      value(block, "kelvaro"), value(block, "kelvaro", "standard_error"))
  })
  out <- as.data.frame(matrix(as.numeric(unlist(rows)), nrow = length(rows),
                              ncol = length(pool_columns), byrow = TRUE,
                              dimnames = list(NULL, pool_columns)))
  out$Species <- as.integer(out$Species)
  out$n <- as.integer(out$n)
  out
}

kelvaro_pool <- function(x, pool) {
  detected <- table_detections(x, "x")
  if (missing(pool)) pool <- rep("All", nrow(detected))
  if (is.null(pool) || length(pool) != nrow(detected) || !is.null(dim(pool))) {
    refuse(sprintf("pool must give each row of x (%d rows) its pool, not %d values",
                   nrow(detected), length(pool)))
  }
  if (anyNA(pool)) refuse(sprintf("pool: row %d has no pool (NA)", which(is.na(pool))[1L]))
  check_empty_sites(detected, "x")
  check_case_duplicates(colnames(detected), "x")
  pools <- label_order(pool)
  rows <- lapply(pools, function(name) {
    d <- detected[as.character(pool) == name, , drop = FALSE]
    if (nrow(d) > max_sites()) {
      refuse(sprintf("pool \"%s\" has %d sites (rows); a sample may have at most %d", name,
                     nrow(d), max_sites()))
    }
    if (!any(d)) {
      kelvaro_warn(sprintf("kelvaro_pool: pool \"%s\" has no detection: no estimate", name),
                   "no_detection")
      empty <- pool_rows(data.frame(block = character(), estimator = character()),
                         data.frame(block = "Sample 1", R = 0L, sites = nrow(d)))
      return(empty)
    }
    run <- .run_survey(list(sample1 = whole_block(d)), 0L, 400L, NA_integer_, TRUE, FALSE)
    if (run$status != 0L) {
      refuse(sprintf("pool \"%s\": %s", name, sub("\n$", "", run$diagnostic)))
    }
    raise_warnings(run$warnings, sprintf("pool \"%s\": ", name), "sites_without_detection")
    pool_rows(with_standard_errors(run$estimators, list(sample1 = d)), run$blocks)
  })
  out <- cbind(pool = pools, do.call(rbind, rows), stringsAsFactors = FALSE)
  rownames(out) <- pools
  out
}

# The detections of a table of sites (rows) by species (columns), checked cell by cell; `arg`
# names it in refusals.
table_detections <- function(x, arg) {
  if (is.data.frame(x)) x <- detection_matrix_unchecked(x, arg)
  if (is.null(dim(x)) || length(dim(x)) != 2L) {
    refuse(sprintf(paste0("%s must be a site-by-species table (a matrix or data frame with one ",
                          "row per site)"), arg))
  }
  if (!is.numeric(x) && !is.logical(x)) {
    refuse(sprintf("%s must hold counts or TRUE/FALSE, not %s values", arg, typeof(x)))
  }
  if (nrow(x) == 0L) refuse(sprintf("%s has no sites (rows)", arg))
  if (ncol(x) == 0L) refuse(sprintf("%s has no species (columns)", arg))
  check_cells(x, arg)
  x > 0
}

estimators <- function(x, ...) UseMethod("estimators")

estimators.kelvaro <- function(x, ...) {
  cbind(x$blocks[c("block", "sample")], pool_rows(x$estimators, x$blocks))
}

estimators.kelvaro_groups <- function(x, ...) {
  per_pair(x, function(x, key) {
    blocks <- x$blocks[rows_of_pair(x$blocks, key), , drop = FALSE]
    e <- x$estimators[rows_of_pair(x$estimators, key), , drop = FALSE]
    cbind(blocks[c("block", "sample")], pool_rows(e, blocks))
  })
}
