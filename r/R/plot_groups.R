# coef, confint, nobs and the figures of a grouped run (kelvaro(x, groups = ...)): every
# analysed pair's estimates, as coef.kelvaro and plot.kelvaro give them for one run.

# The parameters of each analysed pair: a list of fit_parameters() frames named by pair.
pair_parameters <- function(x) {
  keys <- analysed_pairs(x)
  grouped <- "group" %in% names(keys)
  out <- lapply(seq_len(nrow(keys)), function(i) {
    key <- keys[i, , drop = FALSE]
    fit_parameters(list(parameters = x$parameters[rows_of_pair(x$parameters, key), ,
                                                  drop = FALSE]))
  })
  names(out) <- pair_label(keys, grouped)
  out
}

# One row per analysed pair (named "2019-2020", or "A, 2019-2020" with groups of sites), one
# column per parameter of coef.kelvaro.
coef.kelvaro_groups <- function(object, ...) {
  p <- pair_parameters(object)
  matrix(unlist(lapply(p, `[[`, "estimate")), nrow = length(p), byrow = TRUE,
         dimnames = list(names(p), coef_parameters))
}

# The 95% intervals of every pair's parameters, rows named "pair:parameter" ("2019-2020:PHI").
confint.kelvaro_groups <- function(object, parm, level = 0.95, ...) {
  p <- pair_parameters(object)
  every <- missing(parm)
  parts <- lapply(names(p), function(pair) {
    fit <- structure(list(parameters = p[[pair]]), class = "kelvaro")
    ci <- if (every) confint.kelvaro(fit, level = level) else
      confint.kelvaro(fit, parm, level = level)
    rownames(ci) <- paste(pair, rownames(ci), sep = ":")
    ci
  })
  if (length(parts) == 0L) {
    return(matrix(numeric(), 0L, 2L, dimnames = list(NULL, c("2.5 %", "97.5 %"))))
  }
  do.call(rbind, parts)
}

# Each analysed pair's sites, both samples together, named by pair.
nobs.kelvaro_groups <- function(object, ...) {
  keys <- analysed_pairs(object)
  grouped <- "group" %in% names(keys)
  sites <- vapply(seq_len(nrow(keys)), function(i) {
    b <- object$blocks[rows_of_pair(object$blocks, keys[i, , drop = FALSE]), ]
    sum(b$sites[b$block %in% c("Sample 1", "Sample 2")])
  }, numeric(1))
  stats::setNames(as.integer(sites), pair_label(keys, grouped))
}

# The estimates of every pair with their intervals, one row per pair and parameter.
pair_estimates <- function(x, parameters) {
  p <- pair_parameters(x)
  if (length(p) == 0L) stop("no pair was analysed: nothing to plot (see $problems)", call. = FALSE)
  unknown <- setdiff(parameters, coef_parameters)
  if (length(unknown) > 0L) {
    stop(sprintf("unknown parameter(s) %s; the pairs have %s", paste(unknown, collapse = ", "),
                 paste(coef_parameters, collapse = ", ")), call. = FALSE)
  }
  rows <- lapply(names(p), function(pair) {
    q <- p[[pair]][match(parameters, p[[pair]]$parameter), ]
    data.frame(pair = pair, parameter = parameters, estimate = q$estimate, lower = q$lower,
               upper = q$upper, stringsAsFactors = FALSE)
  })
  out <- do.call(rbind, rows)
  out$pair <- factor(out$pair, names(p))
  out$parameter <- factor(out$parameter, parameters)
  out
}

plot.kelvaro_groups <- function(x, parameters = c("N(1)", "N(2)", "PHI", "GAMMA", "LAMBDA"),
                                ...) {
  e <- pair_estimates(x, parameters)
  pairs <- levels(e$pair)
  panels <- length(parameters)
  columns <- min(panels, 3L)
  longest <- max(nchar(pairs))
  old <- par(mfrow = c(ceiling(panels / columns), columns), oma = c(2, 0, 0, 0),
             mar = c(min(12, 1.5 + 0.45 * longest), 4.5, 2.5, 1))
  on.exit(par(old))
  k <- seq_along(pairs)
  for (name in parameters) {
    d <- e[e$parameter == name, ]
    ratio <- name %in% c("PHI", "GAMMA", "LAMBDA", "altLAMBDA", "p(1)", "p(2)")
    ylim <- padded_range(if (ratio) c(0, 1), d$estimate, d$lower, d$upper)
    plot(NA, xlim = c(0.5, length(pairs) + 0.5), ylim = ylim, xaxt = "n", xlab = "",
         ylab = name, main = name, las = 1)
    axis(1L, at = k, labels = pairs, las = 2L, cex.axis = if (length(pairs) > 12L) 0.7 else 0.9)
    if (name %in% c("PHI", "GAMMA", "LAMBDA")) abline(h = 1, lty = 3, col = "grey40")
    intervals(k, d$lower, d$upper)
    points(k, d$estimate, pch = 19)
  }
  note <- interval_note(x)
  mtext(note, side = 1L, outer = TRUE, line = 0.6, cex = fitting_cex(note, 0.8))
  invisible(x)
}

autoplot.kelvaro_groups <- function(object, parameters = c("N(1)", "N(2)", "PHI", "GAMMA",
                                                           "LAMBDA"), ...) {
  if (!requireNamespace("ggplot2", quietly = TRUE)) {
    stop("autoplot needs the ggplot2 package; plot(fit) draws the same figure in base graphics",
         call. = FALSE)
  }
  e <- pair_estimates(object, parameters)
  bars <- e[is.finite(e$lower) & is.finite(e$upper), ]
  ggplot2::ggplot(e, ggplot2::aes(x = pair, y = estimate)) +
    ggplot2::geom_errorbar(ggplot2::aes(ymin = lower, ymax = upper), data = bars, width = 0.2) +
    ggplot2::geom_point(size = 2) +
    ggplot2::facet_wrap(~parameter, scales = "free_y") +
    ggplot2::labs(x = NULL, y = NULL, caption = interval_note(object)) +
    ggplot2::theme_bw() +
    ggplot2::theme(axis.text.x = ggplot2::element_text(angle = 90, hjust = 1, vjust = 0.5))
}

utils::globalVariables("pair")
