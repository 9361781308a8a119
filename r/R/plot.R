# Figures of a run in base graphics: the estimates with their intervals (richness beside the
# species observed; the dynamics parameters), or the bootstrap distributions behind them.

plot.kelvaro <- function(x, which = c("estimates", "replicates"),
                         parameters = c("N(1)", "N(2)", "PHI", "GAMMA", "LAMBDA"), ...) {
  which <- match.arg(which)
  if (which == "replicates") return(invisible(plot_replicates(x, parameters, ...)))
  richness <- richness_points(x)
  dynamics <- if (nrow(x$parameters) > 0L) {
    fit_parameters(x)[match(c("PHI", "GAMMA", "LAMBDA"), coef_parameters), ]
  }
  old <- par(mfrow = c(1L, if (is.null(dynamics)) 1L else 2L), mar = c(2.5, 4.5, 2.5, 1),
             oma = c(3.2, 0, 0, 0))
  on.exit(par(old))
  richness_panel(richness)
  if (!is.null(dynamics)) dynamics_panel(dynamics)
  # The key and what the bars are, below the panels, where no point can be.
  legend(grconvertX(0.5, "ndc"), grconvertY(0, "ndc"), xjust = 0.5, yjust = 0,
         c("species observed", "estimate"), pch = c(1, 19), horiz = TRUE, bty = "n",
         cex = 0.85, xpd = NA, inset = 0)
  note <- interval_note(x)
  mtext(note, side = 1L, outer = TRUE, line = 0.6, cex = fitting_cex(note, 0.8))
  invisible(x)
}

# The character size at which a line of text fits the device's width (at most `cex`), for
# mtext, whose cex is absolute while strwidth's is relative to par("cex").
fitting_cex <- function(text, cex) {
  width <- strwidth(text, units = "inches", cex = cex / par("cex"))
  min(cex, cex * 0.96 * par("din")[1L] / width)
}

# What the bars are: the bootstrap's 95% percentile intervals, or (one sample) +- 1.96 SE.
interval_note <- function(x) {
  if (nrow(x$parameters) == 0L) {
    return("Bars: +- 1.96 jackknife standard errors (one sample: no bootstrap interval)")
  }
  if (x$nreps == 0L) return("No bootstrap replicates (nreps = 0): no intervals")
  sprintf("Bars: 95%% bootstrap percentile intervals (%d replicates, seed %s)", abs(x$nreps),
          format(x$seed))
}

# Each sample's species observed and richness estimate with its interval.
richness_points <- function(x) {
  b <- x$blocks[x$blocks$block %in% c("Sample 1", "Sample 2"), ]
  p <- fit_parameters(x)
  estimate <- p[match(c("N(1)", "N(2)")[seq_len(nrow(b))], p$parameter), ]
  if (nrow(x$parameters) == 0L) {
    estimate$lower <- estimate$estimate - 1.96 * estimate$standard_error
    estimate$upper <- estimate$estimate + 1.96 * estimate$standard_error
  }
  data.frame(sample = b$block, observed = b$R, estimate = estimate$estimate,
             lower = estimate$lower, upper = estimate$upper)
}

# y limits holding every finite value given, padded so that no point or label touches the frame.
padded_range <- function(...) {
  r <- range(..., finite = TRUE)
  if (!all(is.finite(r))) r <- c(0, 1)
  pad <- if (diff(r) > 0) 0.08 * diff(r) else max(1, abs(r[1L])) * 0.1
  c(r[1L] - pad, r[2L] + pad)
}

richness_panel <- function(r) {
  k <- seq_len(nrow(r))
  ylim <- padded_range(r$observed, r$estimate, r$lower, r$upper)
  plot(NA, xlim = c(0.5, nrow(r) + 0.5), ylim = ylim, xaxt = "n", xlab = "",
       ylab = "species", main = "Species richness", las = 1)
  category_axis(k, r$sample)
  intervals(k, r$lower, r$upper)
  points(k - 0.25, r$observed, pch = 1, cex = 1.3)
  points(k, r$estimate, pch = 19, cex = 1.3)
}

# Category labels, each drawn (axis() drops labels it finds crowded).
category_axis <- function(k, labels) {
  axis(1L, at = k, labels = FALSE)
  mtext(labels, side = 1L, at = k, line = 1, cex = 0.9)
}

dynamics_panel <- function(d) {
  k <- seq_len(nrow(d))
  ylim <- padded_range(0, 1, d$estimate, d$lower, d$upper)
  plot(NA, xlim = c(0.5, nrow(d) + 0.5), ylim = ylim, xaxt = "n", xlab = "",
       ylab = "estimate", main = "Community dynamics", las = 1)
  category_axis(k, d$parameter)
  abline(h = 1, lty = 3, col = "grey40")
  intervals(k, d$lower, d$upper)
  points(k, d$estimate, pch = 19, cex = 1.3)
}

# Interval bars where both ends are finite.
intervals <- function(k, lower, upper) {
  ok <- is.finite(lower) & is.finite(upper)
  if (any(ok)) {
    arrows(k[ok], lower[ok], k[ok], upper[ok], angle = 90, code = 3L, length = 0.05, lwd = 1.5)
  }
}

# The bootstrap distributions of the parameters, each with its estimate and interval.
plot_replicates <- function(x, parameters, ...) {
  if (nrow(x$parameters) == 0L) {
    stop("which = \"replicates\" needs a run with two samples: the parameters come from both",
         call. = FALSE)
  }
  if (is.null(x$replicates)) {
    stop("which = \"replicates\" needs the bootstrap replicates: run kelvaro(..., ",
         "replicates = TRUE) with nreps above 0", call. = FALSE)
  }
  unknown <- setdiff(parameters, x$parameters$parameter)
  if (length(unknown) > 0L) {
    stop(sprintf("unknown parameter(s) %s; the run has %s", paste(unknown, collapse = ", "),
                 paste(x$parameters$parameter, collapse = ", ")), call. = FALSE)
  }
  panels <- length(parameters)
  columns <- ceiling(sqrt(panels))
  old <- par(mfrow = c(ceiling(panels / columns), columns), oma = c(2, 0, 0, 0),
             mar = c(4, 4, 3, 1))
  on.exit(par(old))
  for (name in parameters) {
    p <- x$parameters[x$parameters$parameter == name, ]
    # Replicate columns are the parameter names without parentheses: N(1) -> N1.
    values <- x$replicates[[gsub("[()]", "", name)]]
    replicate_panel(name, values, p, ...)
  }
  note <- sprintf("%d bootstrap replicates; solid line: estimate, dashed: 95%% interval",
                  nrow(x$replicates))
  mtext(note, side = 1L, outer = TRUE, line = 0.5, cex = fitting_cex(note, 0.8))
  x
}

replicate_panel <- function(name, values, p, ...) {
  finite <- values[is.finite(values)]
  if (length(finite) == 0L) {
    plot.new()
    title(main = name)
    text(0.5, 0.5, "no finite replicate value")
    return(invisible())
  }
  # The breaks first, so that the axis holds every bar as well as the estimate and interval.
  h <- hist(finite, plot = FALSE)
  xlim <- range(h$breaks, p$estimate, p$lower, p$upper, finite = TRUE)
  plot(h, main = name, xlab = name, ylab = "replicates", xlim = xlim,
       ylim = c(0, max(h$counts) * 1.05), las = 1, ...)
  abline(v = p$estimate, lwd = 2)
  abline(v = c(p$lower, p$upper), lty = 2)
  dropped <- length(values) - length(finite)
  if (dropped > 0L) mtext(sprintf("%d not finite, not shown", dropped), side = 3L, cex = 0.7)
}
