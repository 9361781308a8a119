# coef, confint, nobs and the figures of a grouped run (kelvaro(x, groups = ...)): every
# analysed pair's estimates, as coef.kelvaro and plot.kelvaro give them for one run, and the
# time course of each group of sites.

# The runs of the analysed pairs (pair_fit), named by pair.
pair_fits <- function(x) {
  keys <- analysed_pairs(x)
  out <- lapply(seq_len(nrow(keys)), function(i) pair_fit(x, keys[i, , drop = FALSE]))
  names(out) <- pair_label(keys, "group" %in% names(keys))
  out
}

# The parameters of each analysed pair: a list of fit_parameters() frames named by pair.
pair_parameters <- function(x) lapply(pair_fits(x), fit_parameters)

# One row per analysed pair (named "2019-2020", or "A, 2019-2020" with groups of sites), one
# column per parameter of coef.kelvaro.
coef.kelvaro_groups <- function(object, ...) {
  p <- pair_parameters(object)
  matrix(as.numeric(unlist(lapply(p, `[[`, "estimate"))), nrow = length(p),
         ncol = length(coef_parameters), byrow = TRUE, dimnames = list(names(p), coef_parameters))
}

# The intervals of every pair's parameters, rows named "pair:parameter" ("2019-2020:PHI").
confint.kelvaro_groups <- function(object, parm, level = 0.95, ...) {
  fits <- pair_fits(object)
  every <- missing(parm)
  parts <- lapply(names(fits), function(pair) {
    ci <- if (every) confint.kelvaro(fits[[pair]], level = level) else
      confint.kelvaro(fits[[pair]], parm, level = level)
    rownames(ci) <- paste(pair, rownames(ci), sep = ":")
    ci
  })
  if (length(parts) == 0L) {
    check_level(level, "level")
    return(matrix(numeric(), 0L, 2L, dimnames = list(NULL, c("2.5 %", "97.5 %"))))
  }
  do.call(rbind, parts)
}

# Each analysed pair's sites, both samples together, named by pair.
nobs.kelvaro_groups <- function(object, ...) {
  vapply(pair_fits(object), function(fit) as.integer(nobs.kelvaro(fit)), integer(1))
}

# The estimates of every pair with their intervals, one row per pair and parameter.
pair_estimates <- function(x, parameters) {
  p <- pair_parameters(x)
  if (length(p) == 0L) refuse("no pair was analysed: nothing to plot (see $problems)")
  check_pair_parameters(parameters, coef_parameters)
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

check_pair_parameters <- function(parameters, available) {
  if (!is.character(parameters) || length(parameters) == 0L) {
    refuse("parameters must name parameters, as in parameters = c(\"N\", \"LAMBDA\")")
  }
  unknown <- setdiff(parameters, available)
  if (length(unknown) > 0L) {
    refuse(sprintf("parameters: unknown parameter(s) %s; the figure has %s",
                   paste(unknown, collapse = ", "), paste(available, collapse = ", ")))
  }
}

# The time course of each group of sites, one row per group, sample and parameter: "N" is each
# sample's richness estimate (the same in every pair it belongs to) with +- 1.96 jackknife
# standard errors; any parameter of coef() is its pair's, with the pair's interval, placed at
# the pair's second sample (N(1) and p(1) at its first). When a group has several pairs ending
# at one sample (pairs = "all"), only those of neighbouring samples are kept.
time_course <- function(x, parameters) {
  if (nrow(analysed_pairs(x)) == 0L) {
    refuse("no pair was analysed: nothing to plot (see $problems)")
  }
  check_pair_parameters(parameters, c("N", coef_parameters))
  grouped <- "group" %in% names(x$pairs)
  group_of <- function(frame) if (grouped) as.character(frame$group) else rep("", nrow(frame))
  rows <- lapply(parameters, function(name) {
    if (name == "N") return(richness_course(x, group_of))
    p <- x$parameters[x$parameters$parameter == name, ]
    first <- name %in% c("N(1)", "p(1)")
    out <- data.frame(group = group_of(p), sample = if (first) p$sample1 else p$sample2,
                      estimate = p$estimate, lower = p$lower, upper = p$upper,
                      stringsAsFactors = FALSE)
    repeated <- duplicated(out[c("group", "sample")])
    if (any(repeated)) {
      keep <- neighbours(x, p, group_of(p))
      out <- out[keep, ]
      if (anyDuplicated(out[c("group", "sample")])) {
        refuse(sprintf(paste0("which = \"time\": %s has several pairs at one sample of a group ",
                              "(listed pairs); plot them with which = \"pairs\""), name))
      }
    }
    out
  })
  out <- do.call(rbind, Map(function(frame, name) {
    if (nrow(frame) == 0L) return(NULL)
    cbind(frame, parameter = name, stringsAsFactors = FALSE)
  }, rows, parameters))
  out$parameter <- factor(out$parameter, parameters)
  out$sample <- factor(out$sample, x$samples)
  numbers <- suppressWarnings(as.numeric(x$samples))
  out$x <- if (!anyNA(numbers)) numbers[as.integer(out$sample)] else as.integer(out$sample)
  out
}

# Each sample's richness estimate once per group, with +- 1.96 jackknife standard errors.
richness_course <- function(x, group_of) {
  b <- x$blocks[x$blocks$block %in% c("Sample 1", "Sample 2"), ]
  out <- data.frame(group = group_of(b), sample = b$sample, estimate = b$estimate_unrounded,
                    lower = b$estimate_unrounded - 1.96 * b$SE,
                    upper = b$estimate_unrounded + 1.96 * b$SE, stringsAsFactors = FALSE)
  out[!duplicated(out[c("group", "sample")]), ]
}

# The rows of `p` whose pair joins neighbouring samples of its group.
neighbours <- function(x, p, group) {
  order_in <- lapply(split(c(p$sample1, p$sample2), c(group, group)),
                     function(samples) intersect(x$samples, samples))
  vapply(seq_len(nrow(p)), function(i) {
    # By position: a group named "" (no groups of sites) is no list name to index by.
    samples <- order_in[[match(group[i], names(order_in))]]
    k <- match(c(p$sample1[i], p$sample2[i]), samples)
    abs(k[2L] - k[1L]) == 1L
  }, logical(1))
}

# What a time-course panel's y axis shows.
course_axis_title <- function(name) {
  switch(name,
    N = "species (estimated richness)",
    PHI = "PHI: share of species persisting",
    GAMMA = "GAMMA: share of species not new",
    LAMBDA = "LAMBDA: rate of change N(2)/N(1)",
    altLAMBDA = "altLAMBDA: rate of change",
    B = "B: colonists (species)",
    `N(1)` = , `N(2)` = "species (estimated richness)",
    `p(1)` = , `p(2)` = "share of species detected")
}

# Groups drawn each in its own colour, with their intervals, up to this many; beyond, every group
# is a faint line under the median across groups and the band of its middle half.
max_coloured_groups <- 8L

# Small steps to the side for each group's points (in units of the samples' spacing), so that
# groups with the same value do not hide one another; fixed, not random.
spread_offsets <- function(group, groups) ((match(group, groups) - 1L) %% 9L - 4L) * 0.025

# The median and quartiles across groups of each parameter at each sample.
across_groups <- function(course) {
  keys <- unique(course[c("parameter", "sample", "x")])
  stats <- t(vapply(seq_len(nrow(keys)), function(i) {
    v <- course$estimate[course$parameter == keys$parameter[i] & course$sample == keys$sample[i]]
    stats::quantile(v, c(0.25, 0.5, 0.75), na.rm = TRUE, names = FALSE)
  }, numeric(3)))
  cbind(keys, low = stats[, 1L], median = stats[, 2L], high = stats[, 3L])
}

plot.kelvaro_groups <- function(x, which = c("time", "pairs"), parameters = NULL, ...) {
  if (identical(which, "replicates")) {
    refuse("which = \"replicates\": a grouped run keeps no bootstrap replicates; run the pair ",
           "with kelvaro(..., replicates = TRUE) to see them")
  }
  which <- choose_one(which, c("time", "pairs"), "which")
  if (which == "pairs") {
    plot_pairs(x, if (is.null(parameters)) default_parameters else parameters)
  } else {
    plot_time(x, if (is.null(parameters)) c("N", "LAMBDA") else parameters)
  }
  invisible(x)
}

plot_time <- function(x, parameters) {
  course <- time_course(x, parameters)
  groups <- unique(course$group)
  coloured <- length(groups) <= max_coloured_groups
  # One group in black; several in the colours of the Okabe-Ito palette after its black.
  colours <- if (length(groups) == 1L) "black" else if (coloured)
    unname(grDevices::palette.colors(length(groups) + 1L))[-1L]
  panels <- length(parameters)
  columns <- if (panels <= 3L) 1L else 2L
  keyed <- length(groups) > 1L
  old <- par(mfrow = c(ceiling(panels / columns), columns), mar = c(3.5, 4.5, 2, 1),
             oma = c(2, 0, if (keyed) 2 else 0, 0), mgp = c(2.2, 0.7, 0))
  on.exit(par(old))
  xs <- sort(unique(course$x))
  step <- if (length(xs) > 1L) min(diff(xs)) else 1
  summary <- if (!coloured) across_groups(course)
  for (name in parameters) {
    d <- course[course$parameter == name, ]
    ylim <- padded_range(if (name %in% ratio_parameters) c(0, 1), d$estimate,
                         if (coloured) c(d$lower, d$upper))
    plot(NA, xlim = range(xs) + c(-0.5, 0.5) * step, ylim = ylim, xaxt = "n", xlab = "sample",
         ylab = course_axis_title(name), main = name, las = 1)
    # axis() leaves out labels that would overlap: readable with any number of samples.
    axis(1L, at = xs, labels = levels(course$sample)[match(xs, course$x[match(
      levels(course$sample), as.character(course$sample))])])
    if (name %in% c("PHI", "GAMMA", "LAMBDA", "altLAMBDA")) abline(h = 1, lty = 3, col = "grey40")
    if (coloured) {
      for (g in seq_along(groups)) {
        e <- d[d$group == groups[g], ]
        e <- e[order(e$x), ]
        shift <- (g - (length(groups) + 1) / 2) * 0.12 * step
        intervals(e$x + shift, e$lower, e$upper, cap = 0.08 * step, col = colours[g], lwd = 1.2)
        lines(e$x + shift, e$estimate, col = colours[g], type = "b", pch = 19)
      }
    } else {
      m <- summary[summary$parameter == name, ]
      m <- m[order(m$x), ]
      faint <- grDevices::adjustcolor("grey30", 0.25)
      for (g in groups) {
        e <- d[d$group == g, ]
        e <- e[order(e$x), ]
        lines(e$x, e$estimate, col = faint)
      }
      points(d$x + spread_offsets(d$group, groups) * step, d$estimate, pch = 19, cex = 0.5,
             col = faint)
      segments(m$x, m$low, m$x, m$high, lwd = 7, lend = 1,
               col = grDevices::adjustcolor("steelblue", 0.55))
      lines(m$x, m$median, lwd = 2.5, type = "b", pch = 19)
    }
  }
  note <- time_note(x, parameters, coloured)
  mtext(note, side = 1L, outer = TRUE, line = 0.6, cex = fitting_cex(note, 0.8))
  if (keyed) {
    legend_text <- if (coloured) groups else
      c(sprintf("each of %d groups", length(groups)), "median across groups",
        "middle half of groups")
    par(fig = c(0, 1, 0, 1), oma = c(0, 0, 0, 0), mar = c(0, 0, 0, 0), new = TRUE)
    plot.new()
    if (coloured) {
      legend("top", legend_text, col = colours[seq_along(groups)], lty = 1, pch = 19,
             horiz = TRUE, bty = "n", cex = 0.9)
    } else {
      legend("top", legend_text,
             col = c("grey60", "black", grDevices::adjustcolor("steelblue", 0.55)),
             lty = 1, lwd = c(1, 2.5, 7), pch = c(19, 19, NA), pt.cex = c(0.5, 1, 1),
             horiz = TRUE, bty = "n", cex = 0.9)
    }
  }
}

# What the lines and bars of a time-course figure are.
time_note <- function(x, parameters, coloured) {
  parts <- character()
  if ("N" %in% parameters) parts <- "N: each sample's estimate"
  if (any(parameters != "N")) parts <- c(parts, "other parameters: each pair at its second sample")
  bars <- if (!coloured) "" else if ("N" %in% parameters)
    "; bars: +- 1.96 jackknife SE (N), 95% bootstrap intervals (the others)" else
    "; bars: 95% bootstrap percentile intervals"
  paste0(paste(parts, collapse = ", "), bars)
}

# Every pair's estimates side by side, one panel per parameter; with many pairs, the labels are
# thinned so that they do not overlap.
plot_pairs <- function(x, parameters) {
  e <- pair_estimates(x, parameters)
  pairs <- levels(e$pair)
  panels <- length(parameters)
  columns <- min(panels, 3L)
  longest <- max(nchar(pairs))
  old <- par(mfrow = c(ceiling(panels / columns), columns), oma = c(2, 0, 0, 0),
             mar = c(min(12, 1.5 + 0.45 * longest), 4.5, 2.5, 1))
  on.exit(par(old))
  k <- seq_along(pairs)
  cex_axis <- if (length(pairs) > 12L) 0.7 else 0.9
  for (name in parameters) {
    d <- e[e$parameter == name, ]
    ylim <- padded_range(if (name %in% ratio_parameters) c(0, 1), d$estimate, d$lower, d$upper)
    plot(NA, xlim = c(0.5, length(pairs) + 0.5), ylim = ylim, xaxt = "n", xlab = "",
         ylab = course_axis_title(name), main = name, las = 1)
    # Every n-th label, so that the labels (standing upright) do not overlap.
    room <- par("pin")[1L] / (strheight("M", units = "inches", cex = cex_axis) * 1.3)
    shown <- k[(k - 1L) %% max(1L, ceiling(length(k) / room)) == 0L]
    axis(1L, at = k, labels = FALSE, tcl = -0.2)
    axis(1L, at = shown, labels = pairs[shown], las = 2L, cex.axis = cex_axis)
    if (name %in% c("PHI", "GAMMA", "LAMBDA")) abline(h = 1, lty = 3, col = "grey40")
    intervals(k, d$lower, d$upper, cap = min(0.4, 8 / length(k)))
    points(k, d$estimate, pch = 19, cex = if (length(k) > 40L) 0.6 else 1)
  }
  note <- interval_note(x)
  mtext(note, side = 1L, outer = TRUE, line = 0.6, cex = fitting_cex(note, 0.8))
}

autoplot.kelvaro_groups <- function(object, which = c("time", "pairs"), parameters = NULL, ...) {
  if (!requireNamespace("ggplot2", quietly = TRUE)) {
    refuse("autoplot needs the ggplot2 package; plot(fit) draws the same figure in base graphics")
  }
  which <- choose_one(which, c("time", "pairs"), "which")
  if (which == "pairs") {
    e <- pair_estimates(object, if (is.null(parameters)) default_parameters else parameters)
    bars <- e[is.finite(e$lower) & is.finite(e$upper), ]
    return(ggplot2::ggplot(e, ggplot2::aes(x = pair, y = estimate)) +
      ggplot2::geom_errorbar(ggplot2::aes(ymin = lower, ymax = upper), data = bars,
                             width = 0.2) +
      ggplot2::geom_point(size = 2) +
      ggplot2::facet_wrap(~parameter, scales = "free_y") +
      ggplot2::labs(x = NULL, y = "estimate", caption = caption(interval_note(object))) +
      ggplot2::theme_bw() +
      ggplot2::theme(axis.text.x = ggplot2::element_text(angle = 90, hjust = 1, vjust = 0.5)))
  }
  if (is.null(parameters)) parameters <- c("N", "LAMBDA")
  course <- time_course(object, parameters)
  groups <- unique(course$group)
  coloured <- length(groups) <= max_coloured_groups
  breaks <- unique(course[c("x", "sample")])
  # Lines only where there is something to join (ggplot2 says so of a line of one point).
  joined <- function(frame, by) {
    key <- do.call(paste, c(frame[c("parameter", by)], sep = "\r"))
    frame[key %in% key[duplicated(key)], ]
  }
  plot <- ggplot2::ggplot(course, ggplot2::aes(x = x, y = estimate)) +
    ggplot2::facet_wrap(~parameter, scales = "free_y", ncol = if (length(parameters) <= 3L) 1L
                        else 2L) +
    ggplot2::scale_x_continuous(breaks = breaks$x, labels = as.character(breaks$sample),
                                guide = ggplot2::guide_axis(check.overlap = TRUE)) +
    ggplot2::labs(x = "sample", y = "estimate",
                  caption = caption(time_note(object, parameters, coloured))) +
    ggplot2::theme_bw()
  if (coloured) {
    dodge <- ggplot2::position_dodge(width = 0.3 * min(c(1, diff(sort(unique(course$x))))))
    plot <- plot +
      ggplot2::geom_errorbar(ggplot2::aes(ymin = lower, ymax = upper, colour = group),
                             data = course[is.finite(course$lower) & is.finite(course$upper), ],
                             width = 0, position = dodge) +
      ggplot2::geom_line(ggplot2::aes(colour = group), data = joined(course, "group"),
                         position = dodge) +
      ggplot2::geom_point(ggplot2::aes(colour = group), position = dodge) +
      ggplot2::labs(colour = NULL) + ggplot2::theme(legend.position = "top")
    if (length(groups) == 1L) plot <- plot + ggplot2::theme(legend.position = "none")
    return(plot)
  }
  summary <- across_groups(course)
  plot +
    ggplot2::geom_line(ggplot2::aes(group = group), data = joined(course, "group"),
                       colour = "grey30", alpha = 0.25) +
    ggplot2::geom_point(colour = "grey30", alpha = 0.25, size = 0.8) +
    ggplot2::geom_linerange(ggplot2::aes(x = x, ymin = low, ymax = high), data = summary,
                            inherit.aes = FALSE, colour = "steelblue", alpha = 0.55,
                            linewidth = 3) +
    ggplot2::geom_line(ggplot2::aes(x = x, y = median), data = joined(summary, character()),
                       inherit.aes = FALSE, linewidth = 1.1) +
    ggplot2::geom_point(ggplot2::aes(x = x, y = median), data = summary, inherit.aes = FALSE)
}

utils::globalVariables(c("pair", "group", "x", "low", "high", "median"))
