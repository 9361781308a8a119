# The generics a modelling package answers: coef, confint, nobs, and tidy and glance of the
# 'generics' package (as 'broom' defines them). Estimates are the run's at full precision;
# intervals are its 95% bootstrap percentile intervals (the report's).

# The parameters coef() gives, in the report's order, and the sample each is about (1 or 2; NA
# for those comparing the two).
coef_parameters <- c("N(1)", "N(2)", "PHI", "GAMMA", "LAMBDA", "altLAMBDA", "B", "p(1)", "p(2)")
parameter_sample <- c(1L, 2L, NA, NA, NA, NA, 2L, 1L, 2L)

# The parameters of a fit as a data frame (parameter, estimate, standard_error, lower, upper,
# sample: the label of the sample a parameter is about, se_type: where its standard error comes
# from). A single-sample run has no parameter table: N(1) is Sample 1's estimate and its
# jackknife standard error, without an interval (the report gives none).
fit_parameters <- function(fit) {
  labels <- if (is.null(fit$labels)) c("Sample 1", "Sample 2") else fit$labels
  p <- fit$parameters
  if (nrow(p) > 0L) {
    p <- p[match(coef_parameters, p$parameter), ]
    out <- p[c("parameter", "estimate", "standard_error", "lower", "upper")]
    out$sample <- unname(labels[parameter_sample])
    out$se_type <- "bootstrap"
    rownames(out) <- NULL
    return(out)
  }
  b <- fit$blocks
  data.frame(parameter = "N(1)", estimate = b$estimate_unrounded[1L],
             standard_error = b$SE[1L], lower = NA_real_, upper = NA_real_,
             sample = unname(labels[1L]), se_type = "jackknife", stringsAsFactors = FALSE)
}

coef.kelvaro <- function(object, ...) {
  p <- fit_parameters(object)
  stats::setNames(p$estimate, p$parameter)
}

confint.kelvaro <- function(object, parm, level = 0.95, ...) {
  check_level(level, "level")
  p <- fit_parameters(object)
  if (!missing(parm)) {
    if (is.numeric(parm)) parm <- p$parameter[parm]
    unknown <- setdiff(parm, p$parameter)
    if (length(unknown) > 0L) {
      refuse(sprintf("unknown parameter(s) %s; the fit has %s", paste(unknown, collapse = ", "),
                     paste(p$parameter, collapse = ", ")))
    }
    p <- p[match(parm, p$parameter), ]
  }
  limits <- if (report_level(level)) cbind(p$lower, p$upper) else
    replicate_limits(object, p$parameter, level, "level")
  tail <- (1 - level) / 2
  matrix(limits, ncol = 2L,
         dimnames = list(p$parameter, paste(format(100 * c(tail, 1 - tail), trim = TRUE,
                                                   digits = 3L), "%")))
}

check_level <- function(level, arg) {
  if (!is.numeric(level) || length(level) != 1L || is.na(level) || level <= 0 || level >= 1) {
    refuse(sprintf("%s must be a confidence level above 0 and below 1, such as 0.95", arg))
  }
}

# The report's intervals are 95% ones.
report_level <- function(level) abs(level - 0.95) <= 1e-12

# Percentile intervals at `level` of the parameters, from the run's bootstrap replicates (kept
# with replicates = TRUE); a one-sample run has none, at any level.
replicate_limits <- function(fit, parameters, level, arg) {
  if (nrow(fit$parameters) == 0L) return(matrix(NA_real_, length(parameters), 2L))
  if (is.null(fit$replicates)) {
    refuse(sprintf(paste0("%s = %s: intervals other than the report's 95%% ones are computed ",
                          "from the bootstrap replicates, which %s; run kelvaro(..., ",
                          "replicates = TRUE)%s"), arg, format(level),
                   if (isTRUE(fit$grouped)) "a grouped run does not keep" else
                     "this run did not keep",
                   if (isTRUE(fit$grouped)) " on the pair's two tables" else ""))
  }
  t(vapply(parameters, function(name) {
    percentile_limits(fit$replicates[[gsub("[()]", "", name)]], level)
  }, numeric(2)))
}

# The percentile interval of `values` at `level`, by the rule of the report's 95% intervals: the
# sorted values at ranks j and n - j, j = trunc(n (1 - level) / 2 + 0.5001) (rank 1 when j is 0).
percentile_limits <- function(values, level) {
  n <- length(values)
  if (n == 0L) return(c(NaN, NaN))
  j <- trunc(n * (1 - level) / 2 + 0.5001)
  sorted <- sort(values, na.last = TRUE)
  c(sorted[max(j, 1)], sorted[n - j])
}

# The sites of the fit, both samples together: the occasions the estimates rest on.
nobs.kelvaro <- function(object, ...) sum(object$sites, na.rm = TRUE)

# broom's columns, then the sample each parameter is about (its label; NA for those comparing
# the samples) and where its standard error comes from ("bootstrap" for the parameters of two
# samples, "jackknife" for a single sample's N(1)).
tidy.kelvaro <- function(x, conf.int = TRUE, conf.level = 0.95, ...) {
  p <- fit_parameters(x)
  out <- data.frame(term = p$parameter, estimate = p$estimate, std.error = p$standard_error,
                    stringsAsFactors = FALSE)
  if (isTRUE(conf.int)) {
    check_level(conf.level, "conf.level")
    limits <- if (report_level(conf.level)) cbind(p$lower, p$upper) else
      replicate_limits(x, p$parameter, conf.level, "conf.level")
    out$conf.low <- unname(limits[, 1L])
    out$conf.high <- unname(limits[, 2L])
  }
  out$sample <- p$sample
  out$std.error.type <- p$se_type
  out
}

glance.kelvaro <- function(x, ...) {
  b <- x$blocks
  observed <- function(block) {
    k <- match(block, b$block)
    if (is.na(k)) NA_integer_ else b$R[k]
  }
  test <- x$test
  data.frame(observed1 = observed("Sample 1"), observed2 = observed("Sample 2"),
             observed_both = observed("Subset A"),
             sites1 = x$sites[["sample1"]], sites2 = x$sites[["sample2"]],
             nreps = abs(x$nreps), seed = x$seed,
             equal_detection_chi_square = if (is.null(test)) NA_real_ else test$chi_square,
             equal_detection_df = if (is.null(test)) NA_integer_ else test$df,
             equal_detection_p = if (is.null(test)) NA_real_ else test$probability,
             nobs = as.integer(sum(x$sites, na.rm = TRUE)))
}

# A grouped run's pair columns, and the rows of `frame` belonging to its i-th analysed pair.
pair_columns <- function(x) intersect(c("group", "sample1", "sample2"), names(x$pairs))

analysed_pairs <- function(x) {
  keys <- unique(x$parameters[pair_columns(x)])
  rownames(keys) <- NULL
  keys
}

rows_of_pair <- function(frame, key) {
  if (is.null(frame)) return(integer())
  hit <- rep(TRUE, nrow(frame))
  for (column in names(key)) hit <- hit & frame[[column]] == key[[column]]
  which(hit)
}

# One row set per analysed pair (`rows` makes it from the run and the pair's key), the pair's
# columns first, in the pairs' order.
per_pair <- function(x, rows) {
  keys <- analysed_pairs(x)
  frames <- lapply(seq_len(nrow(keys)), function(i) {
    out <- rows(x, keys[i, , drop = FALSE])
    cbind(keys[rep(i, nrow(out)), , drop = FALSE], out, row.names = NULL)
  })
  # No pair analysed: no row, but the columns.
  if (length(frames) == 0L) return(cbind(keys, rows(x, keys)[0L, , drop = FALSE]))
  out <- do.call(rbind, frames)
  rownames(out) <- NULL
  out
}

tidy.kelvaro_groups <- function(x, conf.int = TRUE, conf.level = 0.95, ...) {
  per_pair(x, function(x, key) {
    tidy.kelvaro(pair_fit(x, key), conf.int = conf.int, conf.level = conf.level)
  })
}

# The part of a grouped run that is one pair's run, as far as its tables go (no replicates, no
# report).
pair_fit <- function(x, key) {
  b <- x$blocks[rows_of_pair(x$blocks, key), , drop = FALSE]
  test <- if (is.null(x$tests)) NULL else x$tests[rows_of_pair(x$tests, key), , drop = FALSE]
  if (!is.null(test) && nrow(test) == 0L) test <- NULL
  sites <- function(block) b$sites[match(block, b$block)]
  seed <- x$seed
  if (length(seed) != 1L) seed <- x$pairs$seed[rows_of_pair(x$pairs, key)]
  structure(list(parameters = x$parameters[rows_of_pair(x$parameters, key), , drop = FALSE],
                 blocks = b, test = test, nreps = x$nreps, seed = seed,
                 sites = c(sample1 = sites("Sample 1"), sample2 = sites("Sample 2")),
                 labels = c(sample1 = key$sample1, sample2 = key$sample2), grouped = TRUE),
            class = "kelvaro")
}

glance.kelvaro_groups <- function(x, ...) {
  per_pair(x, function(x, key) glance.kelvaro(pair_fit(x, key)))
}
