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
  labels <- x$labels
  cat(sprintf("kelvaro: %s, %d bootstrap replicates, seed %s\n",
              if (two) sprintf("two samples, %s (%d sites) and %s (%d sites)", labels[[1L]],
                               x$sites[[1L]], labels[[2L]], x$sites[[2L]])
              else sprintf("one sample, %s (%d sites)", labels[[1L]], x$sites[[1L]]),
              abs(x$nreps), format(x$seed)))
  b <- x$blocks
  if (!two) {
    cat(sprintf("Species observed: %d; richness estimate N(1) = %s (jackknife SE %s)\n", b$R[1L],
                formatC(b$estimate_unrounded[1L], format = "f", digits = 2L),
                formatC(b$SE[1L], format = "f", digits = 2L)))
  } else {
    cat(sprintf("Species observed: %d in %s, %d in %s, %d in both\n\n", b$R[1L], labels[[1L]],
                b$R[2L], labels[[2L]], b$R[3L]))
    p <- fit_parameters(x)
    p <- p[p$parameter %in% headline_parameters, ]
    rows <- vapply(seq_len(nrow(p)), function(i) {
      v <- format_values(unlist(p[i, c("estimate", "standard_error", "lower", "upper")]),
                         p$parameter[i])
      c(p$parameter[i], if (is.na(p$sample[i])) "" else p$sample[i], v[1L], v[2L],
        paste(v[3L], "-", v[4L]))
    }, character(5))
    table <- data.frame(sample = rows[2L, ], estimate = rows[3L, ],
                        `bootstrap SE` = rows[4L, ], `95% interval` = rows[5L, ],
                        row.names = rows[1L, ], check.names = FALSE)
    print(table, right = TRUE)
    cat(sprintf("\nAll %d parameters: as.data.frame(x) or summary(x)\n", nrow(x$parameters)))
  }
  if (nrow(x$warnings) > 0L) cat(sprintf("%d warning(s) in $warnings\n", nrow(x$warnings)))
  invisible(x)
}

summary.kelvaro <- function(object, ...) {
  structure(list(call = object$call, blocks = object$blocks, test = object$test,
                 estimators = estimators.kelvaro(object), parameters = object$parameters,
                 warnings = object$warnings),
            class = "summary.kelvaro")
}

print.summary.kelvaro <- function(x, ...) {
  cat("Call: ", paste(deparse(x$call), collapse = "\n"), "\n\n", sep = "")
  cat("Richness estimates (jackknife SE) and M(h) goodness-of-fit tests:\n")
  columns <- c("block", "sample", "sites", "R", "estimate_unrounded", "SE", "order",
               "mh_chi_square", "mh_df", "mh_probability")
  blocks <- x$blocks[columns]
  names(blocks)[names(blocks) == "estimate_unrounded"] <- "estimate"
  names(blocks)[names(blocks) == "SE"] <- "jackknife_SE"
  print(blocks, row.names = FALSE, digits = 4L)
  if (!is.null(x$estimators) && nrow(x$estimators) > 0L) {
    cat("\nStandard estimators beside kelvaro's own (estimators(fit)):\n")
    e <- x$estimators
    shown <- data.frame(lapply(e[setdiff(names(e), c("block", "sample", "Species", "n"))],
                               function(v) ifelse(is.na(v), "", formatC(v, format = "f",
                                                                         digits = 2L))),
                        check.names = FALSE, row.names = e$block)
    print(shown, right = TRUE)
  }
  if (!is.null(x$test)) {
    cat(sprintf("\nEqual detection in the two samples: chi-square %.3f, df %d, p = %.4f\n",
                x$test$chi_square, x$test$df, x$test$probability))
  }
  if (nrow(x$parameters) > 0L) {
    cat("\nParameters (bootstrap standard errors and 95% percentile intervals):\n")
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

as.data.frame.kelvaro <- function(x, ...) x$parameters

# A grouped run in brief: its pairs, those not analysed and why, the warnings by kind, and how the
# headline parameters spread across the analysed pairs, with the pairs whose interval lies
# wholly below or above 1 for the dynamics parameters (no change is 1).
summary.kelvaro_groups <- function(object, ...) {
  p <- object$parameters
  spread <- do.call(rbind, lapply(headline_parameters, function(name) {
    q <- p[p$parameter == name, ]
    v <- stats::quantile(q$estimate, c(0, 0.25, 0.5, 0.75, 1), na.rm = TRUE, names = FALSE)
    if (nrow(q) == 0L) v <- rep(NA_real_, 5L)
    ratio <- name %in% c("PHI", "GAMMA", "LAMBDA")
    data.frame(parameter = name, pairs = nrow(q), min = v[1L], q1 = v[2L], median = v[3L],
               q3 = v[4L], max = v[5L],
               below_1 = if (ratio) sum(q$upper < 1, na.rm = TRUE) else NA_integer_,
               above_1 = if (ratio) sum(q$lower > 1, na.rm = TRUE) else NA_integer_,
               stringsAsFactors = FALSE)
  }))
  structure(list(call = object$call, pairs = nrow(object$pairs),
                 analysed = nrow(analysed_pairs(object)),
                 problems = table(object$problems$kind), warnings = table(object$warnings$kind),
                 spread = spread, nreps = object$nreps, seed = object$seed),
            class = "summary.kelvaro_groups")
}

print.summary.kelvaro_groups <- function(x, ...) {
  cat("Call: ", paste(deparse(x$call), collapse = "\n"), "\n\n", sep = "")
  cat(sprintf("%d pair(s) of samples, %d analysed; %d bootstrap replicates, %s\n", x$pairs,
              x$analysed, x$nreps, seed_text(x$seed)))
  if (length(x$problems) > 0L) {
    cat("Not analysed (see $problems):",
        paste(sprintf("%s %d", names(x$problems), x$problems), collapse = ", "), "\n")
  }
  if (length(x$warnings) > 0L) {
    cat("Warnings (see $warnings):",
        paste(sprintf("%s %d", names(x$warnings), x$warnings), collapse = ", "), "\n")
  }
  if (x$analysed > 0L) {
    cat("\nEstimates across the analysed pairs (below_1, above_1: pairs whose 95% interval lies",
        "\nwholly below or above 1):\n")
    print(x$spread, row.names = FALSE, digits = 4L)
  }
  invisible(x)
}

# A grouped run's seed in words: one seed for every pair, or each pair's own.
seed_text <- function(seed) {
  if (length(seed) == 1L) sprintf("seed %s", format(seed)) else
    "each pair its own seed ($pairs$seed)"
}
