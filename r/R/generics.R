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
