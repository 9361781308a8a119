# print, summary and as.data.frame for runs. Numbers are shown with the decimals the report's
# parameter table gives each parameter; the objects themselves hold them at full precision.

# Parameters the short print shows, and those printed with two decimals (species counts).
headline_parameters <- c("N(1)", "N(2)", "PHI", "GAMMA", "LAMBDA")
count_parameters <- c("N(1)", "N(2)", "M2(R1)", "M1(R2)", "B")

format_values <- function(values, parameter) {
  formatC(values, format = "f", digits = if (parameter %in% count_parameters) 2L else 4L)
}

print.kelvaro <- function(x, ...) {
  two <- !is.na(x$sites[["sample2"]])
  cat(sprintf("kelvaro: %s, %d bootstrap replicates, seed %s\n",
              if (two) sprintf("two samples (%d and %d sites)", x$sites[[1L]], x$sites[[2L]])
              else sprintf("one sample (%d sites)", x$sites[[1L]]),
              abs(x$nreps), format(x$seed)))
  b <- x$blocks
  if (!two) {
    cat(sprintf("Species observed: %d; richness estimate N(1) = %s (SE %s)\n", b$R[1L],
                format(b$estimate_rounded[1L]), formatC(b$SE[1L], format = "f", digits = 2L)))
  } else {
    cat(sprintf("Species observed: %d and %d, %d in both\n\n", b$R[1L], b$R[2L], b$R[3L]))
    p <- x$parameters[x$parameters$parameter %in% headline_parameters, ]
    rows <- vapply(seq_len(nrow(p)), function(i) {
      v <- format_values(unlist(p[i, c("estimate", "standard_error", "lower", "upper")]),
                         p$parameter[i])
      c(p$parameter[i], v[1L], v[2L], paste(v[3L], "-", v[4L]))
    }, character(4))
    table <- data.frame(estimate = rows[2L, ], SE = rows[3L, ], `95% interval` = rows[4L, ],
                        row.names = rows[1L, ], check.names = FALSE)
    print(table, right = TRUE)
    cat(sprintf("\nAll %d parameters: as.data.frame(x) or summary(x)\n", nrow(x$parameters)))
  }
  if (nrow(x$warnings) > 0L) cat(sprintf("%d warning(s) in $warnings\n", nrow(x$warnings)))
  invisible(x)
}

summary.kelvaro <- function(object, ...) {
  structure(list(call = object$call, blocks = object$blocks, test = object$test,
                 estimators = object$estimators, parameters = object$parameters,
                 warnings = object$warnings),
            class = "summary.kelvaro")
}

print.summary.kelvaro <- function(x, ...) {
  cat("Call: ", paste(deparse(x$call), collapse = "\n"), "\n\n", sep = "")
  cat("Richness estimates and M(h) goodness-of-fit tests:\n")
  columns <- c("block", "sites", "R", "estimate_rounded", "SE", "order", "mh_chi_square",
               "mh_df", "mh_probability")
  print(x$blocks[columns], row.names = FALSE, digits = 4L)
  if (!is.null(x$estimators) && nrow(x$estimators) > 0L) {
    cat("\nStandard estimators beside kelvaro's own (Chao2 with its SE and log-normal 95%",
        "interval):\n")
    print(estimators_wide(x$estimators), right = TRUE)
  }
  if (!is.null(x$test)) {
    cat(sprintf("\nEqual detection in the two samples: chi-square %.3f, df %d, p = %.4f\n",
                x$test$chi_square, x$test$df, x$test$probability))
  }
  if (nrow(x$parameters) > 0L) {
    cat("\nParameters (95% percentile intervals from the bootstrap):\n")
    p <- x$parameters
    shown <- as.data.frame(lapply(p[-1L], function(column) {
      vapply(seq_along(column), function(i) format_values(column[i], p$parameter[i]),
             character(1))
    }), row.names = p$parameter)
    print(shown, right = TRUE)
  }
  if (nrow(x$warnings) > 0L) {
    cat(sprintf("\n%d warning(s):\n", nrow(x$warnings)))
    cat(sprintf("  %s: %s\n", x$warnings$block, x$warnings$text), sep = "")
  }
  invisible(x)
}

# The estimators table one row per block: each estimate with two decimals (kelvaro's own, the
# reported whole number, without), and Chao2's standard error and interval.
estimators_wide <- function(e) {
  value <- function(block, estimator, column = "estimate", digits = 2L) {
    v <- e[[column]][e$block == block & e$estimator == estimator]
    if (length(v) == 0L || is.na(v)) "" else formatC(v, format = "f", digits = digits)
  }
  blocks <- unique(e$block)
  rows <- lapply(blocks, function(b) {
    c(chao2 = value(b, "chao2"), SE = value(b, "chao2", "standard_error"),
      `95% interval` = paste(value(b, "chao2", "lower"), "-", value(b, "chao2", "upper")),
      jack1 = value(b, "jack1"), jack2 = value(b, "jack2"),
      bootstrap = value(b, "bootstrap"), kelvaro = value(b, "kelvaro", digits = 0L))
  })
  out <- as.data.frame(do.call(rbind, rows), stringsAsFactors = FALSE)
  names(out) <- names(rows[[1L]])
  rownames(out) <- blocks
  out
}

as.data.frame.kelvaro <- function(x, ...) x$parameters
