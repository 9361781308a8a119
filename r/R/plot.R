# Figures of a run in base graphics: the estimates with their intervals (richness beside the
# species observed; colonists; the dynamics parameters), or the bootstrap distributions behind
# them.

plot.kelvaro <- function(x, which = c("estimates", "replicates"), parameters = NULL, ...) {
  which <- choose_one(which, c("estimates", "replicates"), "which")
  if (which == "replicates") return(invisible(plot_replicates(x, parameters, ...)))
  panels <- estimate_panels(x, parameters)
  old <- par(mfrow = c(1L, length(panels)), mar = c(2.5, 4.5, 2.5, 1), oma = c(3.2, 0, 0, 0))
  on.exit(par(old))
  for (panel in panels) estimate_panel(panel)
  # The key and what the bars are, below the panels, where no point can be.
  if (any(vapply(panels, function(p) any(is.finite(p$data$observed)), logical(1)))) {
    legend(grconvertX(0.5, "ndc"), grconvertY(0, "ndc"), xjust = 0.5, yjust = 0,
           c("species observed", "estimate"), pch = c(1, 19), horiz = TRUE, bty = "n",
           cex = 0.85, xpd = NA, inset = 0)
  }
  note <- interval_note(x)
  mtext(note, side = 1L, outer = TRUE, line = 0.6, cex = fitting_cex(note, 0.8))
  invisible(x)
}

# The parameters a figure of estimates shows by default, and the kinds of panel: richness (with
# the species observed), counts of species, and shares or ratios.
default_parameters <- c("N(1)", "N(2)", "PHI", "GAMMA", "LAMBDA")
richness_parameters <- c("N(1)", "N(2)")
ratio_parameters <- c("PHI", "GAMMA", "LAMBDA", "altLAMBDA", "p(1)", "p(2)")

# The parameters asked for, checked against those of the fit (NULL: the default ones it has).
fit_plot_parameters <- function(x, parameters) {
  available <- fit_parameters(x)$parameter
  if (is.null(parameters)) return(intersect(default_parameters, available))
  if (!is.character(parameters) || length(parameters) == 0L) {
    refuse("parameters must name parameters, as in parameters = c(\"N(1)\", \"PHI\")")
  }
  unknown <- setdiff(parameters, available)
  if (length(unknown) > 0L) {
    refuse(sprintf("parameters: unknown parameter(s) %s; the run has %s",
                   paste(unknown, collapse = ", "), paste(available, collapse = ", ")))
  }
  unique(parameters)
}

# The panels of the estimates figure, each a data frame (term, label, estimate, lower, upper,
# observed) with its title, y axis title and reference lines.
estimate_panels <- function(x, parameters) {
  parameters <- fit_plot_parameters(x, parameters)
  p <- fit_parameters(x)
  one_sample <- nrow(x$parameters) == 0L
  if (one_sample) {
    p$lower <- p$estimate - 1.96 * p$standard_error
    p$upper <- p$estimate + 1.96 * p$standard_error
  }
  observed <- x$blocks$R[match(c("Sample 1", "Sample 2"), x$blocks$block)]
  rows <- function(terms, label) {
    q <- p[match(terms, p$parameter), ]
    data.frame(term = terms, label = label, estimate = q$estimate, lower = q$lower,
               upper = q$upper,
               observed = observed[match(terms, richness_parameters)], stringsAsFactors = FALSE)
  }
  out <- list()
  richness <- intersect(parameters, richness_parameters)
  if (length(richness) > 0L) {
    out$richness <- list(data = rows(richness, p$sample[match(richness, p$parameter)]),
                         title = "Species richness", ylab = "species", reference = NULL,
                         floor = 0)
  }
  if ("B" %in% parameters) {
    out$colonists <- list(data = rows("B", "B"), title = "Colonists", ylab = "species",
                          reference = NULL, floor = 0)
  }
  ratios <- intersect(parameters, ratio_parameters)
  if (length(ratios) > 0L) {
    dynamics <- setdiff(ratios, c("p(1)", "p(2)"))
    out$ratios <- list(data = rows(ratios, ratios),
                       title = if (length(dynamics) == 0L) "Detection" else "Community dynamics",
                       ylab = "share or ratio",
                       reference = if (length(dynamics) > 0L) 1, floor = c(0, 1))
  }
  out
}

estimate_panel <- function(panel) {
  d <- panel$data
  k <- seq_len(nrow(d))
  ylim <- padded_range(panel$floor, d$observed, d$estimate, d$lower, d$upper)
  plot(NA, xlim = c(0.5, nrow(d) + 0.5), ylim = ylim, xaxt = "n", xlab = "",
       ylab = panel$ylab, main = panel$title, las = 1)
  category_axis(k, d$label)
  if (!is.null(panel$reference)) abline(h = panel$reference, lty = 3, col = "grey40")
  intervals(k, d$lower, d$upper)
  shown <- is.finite(d$observed)
  points(k[shown] - 0.25, d$observed[shown], pch = 1, cex = 1.3)
  points(k, d$estimate, pch = 19, cex = 1.3)
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
  sprintf("Bars: 95%% bootstrap percentile intervals (%d replicates, %s)", abs(x$nreps),
          seed_text(x$seed))
}

# y limits holding every finite value given, padded so that no point or label touches the frame.
padded_range <- function(...) {
  r <- range(..., finite = TRUE)
  if (!all(is.finite(r))) r <- c(0, 1)
  pad <- if (diff(r) > 0) 0.08 * diff(r) else max(1, abs(r[1L])) * 0.1
  c(r[1L] - pad, r[2L] + pad)
}

# Category labels, each drawn (axis() drops labels it finds crowded).
category_axis <- function(k, labels) {
  axis(1L, at = k, labels = FALSE)
  mtext(labels, side = 1L, at = k, line = 1, cex = 0.9)
}

# Interval bars where both ends are finite, with caps `cap` wide (in x units); drawn as segments,
# so that an interval of no width is a plain tick rather than an arrow of no length.
intervals <- function(k, lower, upper, cap = 0.1, col = par("fg"), lwd = 1.5) {
  ok <- is.finite(k) & is.finite(lower) & is.finite(upper)
  if (!any(ok)) return(invisible())
  k <- k[ok]
  col <- rep_len(col, length(ok))[ok]
  segments(k, lower[ok], k, upper[ok], col = col, lwd = lwd)
  segments(k - cap / 2, c(lower[ok], upper[ok]), k + cap / 2, c(lower[ok], upper[ok]),
           col = col, lwd = lwd)
}

# The bootstrap distributions of the parameters, each with its estimate and interval.
plot_replicates <- function(x, parameters, ...) {
  if (is.null(parameters)) parameters <- default_parameters
  if (nrow(x$parameters) == 0L) {
    refuse("which = \"replicates\" needs a run with two samples: the parameters come from both")
  }
  if (is.null(x$replicates)) {
    refuse("which = \"replicates\" needs the bootstrap replicates: run kelvaro(..., ",
           "replicates = TRUE) with nreps above 0")
  }
  unknown <- setdiff(parameters, x$parameters$parameter)
  if (length(unknown) > 0L) {
    refuse(sprintf("unknown parameter(s) %s; the run has %s", paste(unknown, collapse = ", "),
                   paste(x$parameters$parameter, collapse = ", ")))
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
    replicate_panel(parameter_title(name, x$labels), values, p, ...)
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

# A parameter's name with the label of the sample it is about, when it is one sample's.
parameter_title <- function(name, labels) {
  k <- parameter_sample[match(name, coef_parameters)]
  if (is.null(labels) || is.na(k) || is.na(labels[k])) name else
    sprintf("%s: %s", name, labels[k])
}
