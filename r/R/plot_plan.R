# The figure of a survey plan: for each parameter, the relative bias and the interval coverage of
# its estimates against the number of sites, with the target band when one was set.

plot.kelvaro_plan <- function(x, parameters = NULL, target = plan_target(x), ...) {
  x <- as.data.frame(x)
  parameters <- plan_plot_parameters(x, parameters)
  bands <- target_bands(target)
  design <- plan_design(x)
  several <- length(design$lines) > 1L
  old <- par(mfcol = c(2L, length(parameters)), mar = c(4, 4.5, 2.5, 0.8),
             oma = c(3, 0, if (several) 2 else 0, 0))
  on.exit(par(old))
  for (name in parameters) {
    rows <- x[x$parameter == name, ]
    band <- bands[bands$parameter == name, ]
    plan_panel(rows, design, "relative_bias", "relative bias", name, band)
    plan_panel(rows, design, "coverage", "coverage of 95% intervals", name, band)
  }
  note <- plan_note(design, nrow(bands) > 0L)
  mtext(note, side = 1L, outer = TRUE, line = 1.5, cex = fitting_cex(note, 0.8))
  if (several) {
    legend_text <- sprintf("%s = %s", design$line_name, design$lines)
    par(fig = c(0, 1, 0, 1), oma = c(0, 0, 0, 0), mar = c(0, 0, 0, 0), new = TRUE)
    plot.new()
    legend("top", legend_text, col = seq_along(design$lines), lty = 1, pch = 19,
           horiz = TRUE, bty = "n", cex = 0.9)
  }
  invisible(x)
}

# The parameters plotted by default, in the report's order.
plan_parameters <- c("N(1)", "N(2)", "PHI", "GAMMA", "LAMBDA", "B")

# The parameters a plan's figure shows: those asked for, or by default those of plan_parameters
# the plan has.
plan_plot_parameters <- function(x, parameters) {
  if (is.null(parameters)) return(intersect(plan_parameters, unique(x$parameter)))
  unknown <- setdiff(parameters, x$parameter)
  if (length(unknown) > 0L) {
    refuse(sprintf("unknown parameter(s) %s; the plan has %s", paste(unknown, collapse = ", "),
                   paste(unique(x$parameter), collapse = ", ")))
  }
  parameters
}

# The plan's target as kelvaro_plan() recorded it (NULL when none was set).
plan_target <- function(x) attr(x, "target", exact = TRUE)

# The x axis and the lines: the number of sites when both samples have the same; else Sample 1's
# sites on the axis and one line per number of Sample 2's sites.
plan_design <- function(x) {
  if (all(x$sites1 == x$sites2)) {
    return(list(axis = "sites1", axis_name = "sites (each sample)", line_column = NULL,
                lines = NA, line_name = NULL))
  }
  list(axis = "sites1", axis_name = "sites of Sample 1", line_column = "sites2",
       lines = sort(unique(x$sites2)), line_name = "sites2")
}

plan_note <- function(design, banded) {
  paste0("Dashed: no bias, and the nominal 95% coverage",
         if (banded) "; shaded: the target" else "",
         "; bars: +- 2 Monte Carlo standard errors where the plan gives them")
}

# One panel: `column` of the rows against the design axis, one line per line value.
plan_panel <- function(rows, design, column, label, name, band) {
  se_column <- paste0(column, "_se")
  values <- rows[[column]]
  if (!any(is.finite(values))) {
    plot.new()
    title(main = name)
    box()
    text(0.5, 0.5, if (column == "relative_bias") "relative bias undefined\n(true value 0)" else
                   "no estimate")
    return(invisible())
  }
  se <- if (se_column %in% names(rows)) rows[[se_column]] else rep(NA_real_, nrow(rows))
  reference <- if (column == "coverage") 0.95 else 0
  limits <- band_limits(band, column)
  low <- values - 2 * se
  high <- values + 2 * se
  if (column == "coverage") {
    low <- pmax(low, 0)
    high <- pmin(high, 1)
  }
  ylim <- padded_range(values, low, high, reference, limits[is.finite(limits)])
  xs <- rows[[design$axis]]
  plot(NA, xlim = range(xs) + c(-0.5, 0.5), ylim = ylim, xlab = design$axis_name, ylab = label,
       main = name, las = 1)
  if (length(limits) == 2L) {
    rect(par("usr")[1L], max(limits[1L], par("usr")[3L]), par("usr")[2L],
         min(limits[2L], par("usr")[4L]), col = grDevices::adjustcolor("seagreen", 0.18),
         border = NA)
  }
  abline(h = reference, lty = 2, col = "grey40")
  groups <- if (is.null(design$line_column)) list(rows) else
    split(rows, factor(rows[[design$line_column]], levels = design$lines))
  for (k in seq_along(groups)) {
    g <- groups[[k]]
    g <- g[order(g[[design$axis]]), ]
    lines(g[[design$axis]], g[[column]], col = k, type = "b", pch = 19)
    g_se <- if (se_column %in% names(g)) g[[se_column]] else NULL
    if (!is.null(g_se)) {
      intervals_colored(g[[design$axis]], g[[column]], g_se, k, column == "coverage")
    }
  }
}

# Bars of +- 2 standard errors; a share's bars are held to 0..1.
intervals_colored <- function(xs, values, se, colour, share) {
  ok <- is.finite(se) & se > 0
  if (any(ok)) {
    low <- values[ok] - 2 * se[ok]
    high <- values[ok] + 2 * se[ok]
    if (share) {
      low <- pmax(low, 0)
      high <- pmin(high, 1)
    }
    intervals(xs[ok], low, high, cap = 0.02 * diff(par("usr")[1:2]), col = colour, lwd = 1)
  }
}

# The band the target sets on a panel's quantity: bias within +-v, coverage at least v.
band_limits <- function(band, column) {
  if (nrow(band) == 0L) return(numeric())
  if (column == "relative_bias" && any(band$criterion == "bias")) {
    v <- band$value[band$criterion == "bias"][1L]
    return(c(-v, v))
  }
  if (column == "coverage" && any(band$criterion == "coverage")) {
    return(c(band$value[band$criterion == "coverage"][1L], 1))
  }
  numeric()
}

# A target as rows (parameter, criterion, value): from the command's syntax,
# "N(1):bias<=0.10,coverage>=0.90" (one string per parameter), or a data frame of those columns.
target_bands <- function(target) {
  empty <- data.frame(parameter = character(), criterion = character(), value = numeric(),
                      stringsAsFactors = FALSE)
  if (is.null(target) || length(target) == 0L) return(empty)
  if (is.data.frame(target)) return(target[c("parameter", "criterion", "value")])
  if (!is.character(target)) {
    refuse("target must be strings such as \"N(1):bias<=0.10,coverage>=0.90\"")
  }
  rows <- lapply(target, function(target_text) {
    parts <- regmatches(target_text, regexec("^([^:]+):(.*)$", target_text))[[1L]]
    if (length(parts) != 3L) {
      refuse(sprintf("target \"%s\": expected PARAMETER:criterion<=value,...", target_text))
    }
    criteria <- strsplit(parts[3L], ",", fixed = TRUE)[[1L]]
    do.call(rbind, lapply(criteria, function(criterion) {
      m <- regmatches(criterion, regexec("^\\s*([a-z]+)\\s*(<=|>=)\\s*([0-9.eE+-]+)\\s*$",
                                         criterion))[[1L]]
      if (length(m) != 4L) {
        refuse(sprintf("target \"%s\": cannot read \"%s\"", target_text, criterion))
      }
      data.frame(parameter = trimws(parts[2L]), criterion = m[2L], value = as.numeric(m[4L]),
                 stringsAsFactors = FALSE)
    }))
  })
  do.call(rbind, rows)
}
