# The generics a modelling package answers: coef, confint, nobs, and tidy and glance of the
# 'generics' package (as 'broom' defines them). Estimates are the run's at full precision;
# intervals are its 95% bootstrap percentile intervals (the report's).

# The parameters coef() gives, in the report's order.
coef_parameters <- c("N(1)", "N(2)", "PHI", "GAMMA", "LAMBDA", "altLAMBDA", "B", "p(1)", "p(2)")

# The parameters of a fit as a data frame (parameter, estimate, standard_error, lower, upper).
# A single-sample run has no parameter table: N(1) is Sample 1's estimate and standard error,
# without an interval (the report gives none).
fit_parameters <- function(fit) {
  p <- fit$parameters
  if (nrow(p) > 0L) {
    p <- p[match(coef_parameters, p$parameter), ]
    return(p[c("parameter", "estimate", "standard_error", "lower", "upper")])
  }
  b <- fit$blocks
  data.frame(parameter = "N(1)", estimate = b$estimate_unrounded[1L],
             standard_error = b$SE[1L], lower = NA_real_, upper = NA_real_,
             stringsAsFactors = FALSE)
}

coef.kelvaro <- function(object, ...) {
  p <- fit_parameters(object)
  stats::setNames(p$estimate, p$parameter)
}

confint.kelvaro <- function(object, parm, level = 0.95, ...) {
  if (!is.numeric(level) || length(level) != 1L || is.na(level) ||
      abs(level - 0.95) > 1e-12) {
    stop(sprintf(paste0("level = %s: kelvaro's intervals are the run's 95%% bootstrap ",
                        "percentile intervals (the report's); other levels are not computed"),
                 format(level)), call. = FALSE)
  }
  p <- fit_parameters(object)
  if (!missing(parm)) {
    if (is.numeric(parm)) parm <- p$parameter[parm]
    unknown <- setdiff(parm, p$parameter)
    if (length(unknown) > 0L) {
      stop(sprintf("unknown parameter(s) %s; the fit has %s", paste(unknown, collapse = ", "),
                   paste(p$parameter, collapse = ", ")), call. = FALSE)
    }
    p <- p[match(parm, p$parameter), ]
  }
  matrix(c(p$lower, p$upper), ncol = 2L,
         dimnames = list(p$parameter, c("2.5 %", "97.5 %")))
}

# The sites of the fit, both samples together: the occasions the estimates rest on.
nobs.kelvaro <- function(object, ...) sum(object$sites, na.rm = TRUE)

tidy.kelvaro <- function(x, conf.int = TRUE, conf.level = 0.95, ...) {
  p <- fit_parameters(x)
  out <- data.frame(term = p$parameter, estimate = p$estimate, std.error = p$standard_error,
                    stringsAsFactors = FALSE)
  if (isTRUE(conf.int)) {
    ci <- confint.kelvaro(x, level = conf.level)
    out$conf.low <- unname(ci[, 1L])
    out$conf.high <- unname(ci[, 2L])
  }
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
             equal_detection_p = if (is.null(test)) NA_real_ else test$probability)
}

# A grouped run's pair columns, and the rows of `frame` belonging to its i-th analysed pair.
pair_columns <- function(x) intersect(c("group", "sample1", "sample2"), names(x$pairs))

analysed_pairs <- function(x) {
  if (is.null(x$parameters)) return(x$pairs[0L, , drop = FALSE])
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
  # No pair analysed: no row, and only the pair's columns.
  if (length(frames) == 0L) return(keys)
  out <- do.call(rbind, frames)
  rownames(out) <- NULL
  out
}

tidy.kelvaro_groups <- function(x, conf.int = TRUE, conf.level = 0.95, ...) {
  per_pair(x, function(x, key) {
    p <- x$parameters[rows_of_pair(x$parameters, key), , drop = FALSE]
    fit <- list(parameters = p)
    tidy.kelvaro(fit, conf.int = conf.int, conf.level = conf.level)
  })
}

glance.kelvaro_groups <- function(x, ...) {
  per_pair(x, function(x, key) {
    b <- x$blocks[rows_of_pair(x$blocks, key), , drop = FALSE]
    test <- if (is.null(x$tests)) NULL else x$tests[rows_of_pair(x$tests, key), , drop = FALSE]
    if (!is.null(test) && nrow(test) == 0L) test <- NULL
    sites <- function(block) b$sites[match(block, b$block)]
    glance.kelvaro(list(blocks = b, test = test, nreps = x$nreps, seed = x$seed,
                        sites = c(sample1 = sites("Sample 1"), sample2 = sites("Sample 2"))))
  })
}
